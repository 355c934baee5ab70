// The opened survey: one data table of tree observations, reached through a connection to its
// folder, with the column roles and survey years its side files give it and the user's condition.
// Every command and the window open a table through it, so that all of them refuse the same files
// with the same words and read the same setup.
#pragma once

#include "data/database.h"
#include "data/suggest.h"
#include "model/statisticsrun.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace model {

class Survey
{
public:
    // Opens the table at `path` through a connection to its folder. Throws common::FileError
    // "Cannot open table PATH: no such file" (or "it is a folder", "it is not a regular file"),
    // common::DataError when the folder or the table cannot be read. `stop`, when given, is the
    // connection's stop check from the start (data::Connection::setStopCheck).
    explicit Survey(const std::filesystem::path &path, std::function<bool()> stop = {});
    // A survey with no table open, for the window, which opens one table after another on the same
    // connection, so that the queries it keeps on it stay bound to it.
    Survey() = default;
    Survey(const Survey &) = delete;
    Survey &operator=(const Survey &) = delete;

    // Opens the table at `path` in place of the one open, with the constructor's errors; after an
    // error no table is open. The setup and condition of the table open before are dropped.
    void open(const std::filesystem::path &path);
    // Closes the connection and forgets the table.
    void close();
    bool isOpen() const { return !m_setup.tableFile.empty(); }

    data::Connection &connection() { return m_connection; }
    // The folder of the table, with its trailing separator, as the side files are named from it.
    const std::string &dataDir() const { return m_dataDir; }
    const std::string &tableFile() const { return m_setup.tableFile; }
    // The table's columns in their order, as the table spells them.
    const std::vector<std::string> &columns() const { return m_columns; }
    // The column spelled `name` in any case, as the table spells it. Throws common::DataError
    // "Table T.DBF has no column 'NAME' (columns: A, B, ...)" when there is none.
    std::string column(const std::string &name) const;

    const TableSetup &setup() const { return m_setup; }
    // The roles and survey years of the side files, as Set OK or `fenoris-cli setup` stored them
    // (data::readRolesSideFile, data::readYearsSideFile, with their errors). With `complete`, also
    // throws common::Error when PlotNames, TreeID or Species has no column or no column is a survey
    // year: what every computation over the trees needs.
    void readSetup(bool complete = true);
    // Only the roles side file: for a program that selects trees by plot and species but reads no
    // year. Throws common::Error when PlotNames or Species has no column.
    void readRoles();
    // The setup the user gave in the window (its grid), replacing the one read.
    void setRoles(const data::FieldRoles &roles) { m_setup.roles = roles; }
    void setYears(const std::vector<data::YearColumn> &years) { m_setup.years = years; }
    // Checks the user's condition against the table (data::checkCondition, with its errors) and keeps
    // its kept form for the queries.
    void setConditions(const std::string &conditions);

private:
    void openTable(const std::filesystem::path &path);
    void requireRoles(std::initializer_list<std::pair<const char *, const std::string *>> roles) const;

    data::Connection m_connection;
    std::string m_dataDir;
    std::vector<std::string> m_columns;
    TableSetup m_setup;
};

// The check of a table's setup before the window's Set OK or `fenoris-cli setup` stores it in the side
// files, so that what is stored is what the runs can use. setup has one entry per column of the table
// and columns the same columns in the same order, with whether they hold numbers. Throws
// common::Error naming the columns, and nothing is to be written then, for a survey year outside
// 1000 to 9999, a survey year on a column that holds no numbers, a column with both a survey year
// and a role, a survey year given to two columns, a role given to two columns; with `complete`, also
// when PlotNames, TreeID or Species has no column or no column has a survey year.
void CheckColumnSetup(const std::vector<data::ColumnSetup> &setup,
                      const std::vector<data::SuggestColumn> &columns, bool complete);

} // namespace model
