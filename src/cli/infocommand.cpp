// fenoris-cli info TABLE.dbf: the table's fields, records and the code page its text is read in.
#include "cli/commands.h"
#include "data/tableinfo.h"
#include "model/survey.h"

#include <ostream>

namespace cli {

int runInfo(const Args &args, std::ostream &out, std::ostream &err)
{
    if (args.size() != 1) {
        err << usage("info");
        return 2;
    }
    model::Survey survey(args[0]);
    out << data::formatTableInfo(data::describeTable(survey.connection(), survey.tableFile()));
    return 0;
}

} // namespace cli
