// Helpers of the engine tests: tables made by shapelib's command-line tools, shell quoting, query rows.
#pragma once

#include "data/database.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace enginetest {

using testsupport::shellQuote;

// Runs a shell command; the test fails when it does not succeed.
inline std::string run(const std::string &command)
{
    std::string output;
    int status = testsupport::runCommand(command + " 2>&1", &output);
    EXPECT_EQ(status, 0) << command << "\n" << output;
    return output;
}

// A table written by shapelib's own tools: dbfcreate with the field options, then one dbfadd per row.
inline void makeTable(const std::filesystem::path &file, const std::string &fieldOptions,
                      const std::vector<std::vector<std::string>> &rows)
{
    run("dbfcreate " + shellQuote(file.string()) + " " + fieldOptions);
    for (const auto &row : rows) {
        std::string command = "dbfadd " + shellQuote(file.string());
        for (const auto &value : row)
            command += " " + shellQuote(value);
        run(command);
    }
}

// dbfdump's listing with runs of blanks squeezed to one.
inline std::string dbfdump(const std::filesystem::path &file)
{
    std::string squeezed;
    for (char c : run("dbfdump " + shellQuote(file.string())))
        if (c != ' ' || squeezed.empty() || squeezed.back() != ' ') squeezed += c;
    return squeezed;
}

inline void connect(data::Connection &connection, const std::filesystem::path &dir)
{
    connection.setParam("PATH", dir.string() + "/");
    connection.open();
}

// The rows of an open query, each as its columns' texts joined by '|'.
inline std::vector<std::string> rowsOf(data::Query &query)
{
    std::vector<std::string> rows;
    const auto names = query.fieldNames();
    for (; !query.eof(); query.next()) {
        std::string row;
        for (std::size_t i = 0; i < names.size(); ++i)
            row += (i ? "|" : "") + query.asString(names[i]);
        rows.push_back(row);
    }
    return rows;
}

// Runs the lines with the parameters and returns the rows.
inline std::vector<std::string> select(data::Connection &connection, const std::vector<std::string> &lines,
                                       const std::map<std::string, std::string> &params = {})
{
    data::Query query(connection);
    query.setSql(lines);
    query.prepare();
    for (const auto &[name, value] : params)
        query.setParam(name, value);
    query.open();
    auto rows = rowsOf(query);
    query.close();
    return rows;
}

} // namespace enginetest
