// fenoris-cli query DIR "SQL": one statement through the program's engine, the result as CSV.
#include "cli/commands.h"
#include "cli/csv.h"
#include "data/database.h"

#include <ostream>

namespace cli {

namespace {

// RFC 4180: a field with a comma, a quote or a line break goes in quotes, its quotes doubled. An empty
// text is written as "" so that it stays apart from a blank (NULL) value, which is an empty field.
std::string csvValue(const std::string &text, bool isNull)
{
    if (isNull) return {};
    return text.empty() ? "\"\"" : csvField(text);
}

// Values that are not numbers in numeric fields read as blank; the first place is told once.
void warnUnreadable(const data::Connection &connection, std::ostream &err)
{
    if (const auto &first = connection.firstUnreadable())
        err << "warning: " << first->describe() << "; it reads as blank"
            << (connection.moreUnreadable() ? ", and so do other such values" : "") << "\n";
}

} // namespace

int runQuery(const Args &args, std::ostream &out, std::ostream &err)
{
    if (args.size() != 2) {
        err << usage("query");
        return 2;
    }
    data::Connection connection;
    connection.setParam("PATH", args[0]);
    connection.open();
    data::Query query(connection);
    query.addSql(args[1]);
    query.prepare();
    const std::vector<std::string> columns = query.fieldNames();
    if (columns.empty()) {
        query.execSql();
        warnUnreadable(connection, err);
        return 0;
    }
    query.open();
    for (std::size_t i = 0; i < columns.size(); ++i)
        out << (i ? "," : "") << csvField(columns[i]);
    out << "\n";
    for (; !query.eof(); query.next()) {
        for (int i = 0; i < static_cast<int>(columns.size()); ++i)
            out << (i ? "," : "") << csvValue(query.valueText(i), query.valueIsNull(i));
        out << "\n";
    }
    query.close();
    warnUnreadable(connection, err);
    return 0;
}

} // namespace cli
