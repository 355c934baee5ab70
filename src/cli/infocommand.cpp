// fenoris-cli info TABLE.dbf: the table's fields, records and the code page its text is read in.
#include "cli/commands.h"
#include "data/tableinfo.h"

#include <filesystem>
#include <ostream>

namespace cli {

int runInfo(const Args &args, std::ostream &out, std::ostream &err)
{
    if (args.size() != 1) {
        err << "usage: fenoris-cli info TABLE.dbf\n";
        return 2;
    }
    const std::filesystem::path file(args[0]);
    const std::filesystem::path dir = file.has_parent_path() ? file.parent_path() : ".";
    data::Connection connection;
    connection.setParam("PATH", dir.string() + "/");
    connection.open();
    out << data::formatTableInfo(data::describeTable(connection, file.filename().string()));
    return 0;
}

} // namespace cli
