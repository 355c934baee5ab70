// Opens a file as a dBASE table through the engine and reads every column of every row, the way the
// fuzzer and its regression test both exercise it. Engine refusals are expected; anything else is not.
#pragma once

#include "common/error.h"
#include "data/database.h"
#include "data/sqlnames.h"

#include <filesystem>
#include <string>

namespace fuzzing {

// Returns the number of values read, or -1 when the engine refused the file with a DataError.
inline long scanTable(const std::filesystem::path &dir, const std::string &fileName)
{
    try {
        data::Connection connection;
        connection.setParam("PATH", dir.string() + "/");
        connection.open();
        data::Query query(connection);
        query.setSql({"SELECT * FROM " + data::tableName(fileName)});
        query.open();
        long values = 0;
        const auto fields = query.fieldNames();
        for (; !query.eof(); query.next())
            for (const auto &field : fields) {
                query.asString(field);
                query.isNull(field);
                try {
                    query.asFloat(field);
                } catch (const common::Error &) {
                }
                ++values;
            }
        query.close();
        // A second pass through an indexed equality, which builds the module's index on the file.
        if (!fields.empty()) {
            query.setSql({"SELECT * FROM " + data::tableName(fileName),
                          "WHERE (" + data::quoteIdentifier(fields.front()) + " = :Value)"});
            query.prepare();
            query.setParam("Value", "1");
            query.open();
            for (; !query.eof(); query.next()) ++values;
            query.close();
        }
        return values;
    } catch (const common::Error &) {
        return -1;
    }
}

} // namespace fuzzing
