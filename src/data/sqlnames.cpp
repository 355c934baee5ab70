// Quoted names and values for SQL texts.
#include "data/sqlnames.h"

#include "common/error.h"

namespace data {

namespace {

std::string quoted(const std::string &text, char quote)
{
    std::string result(1, quote);
    for (char c : text) {
        result += c;
        if (c == quote) result += quote;
    }
    return result + quote;
}

} // namespace

std::string quoteLiteral(const std::string &value)
{
    return quoted(value, '\'');
}

std::string quoteIdentifier(const std::string &name)
{
    return quoted(name, '"');
}

std::string tableName(const std::string &fileName)
{
    return quoteLiteral(fileName);
}

std::string columnName(const std::string &name)
{
    if (name.empty())
        throw common::DataError("A column role that this query needs has no column: give a column the role "
                                "under \"Specials\" and press Set OK");
    return quoteIdentifier(name);
}

} // namespace data
