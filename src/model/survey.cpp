// Opening a data table with its side files.
#include "model/survey.h"

#include "common/asciicase.h"
#include "common/error.h"
#include "data/condition.h"
#include "data/fieldgrid.h"

#include <algorithm>
#include <map>

namespace model {

namespace {

// "A", "A and B", "A, B and C".
std::string columnList(const std::vector<std::string> &names)
{
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    return text;
}

constexpr const char *kNothingWritten = "; no side file written";

// What the runs would misuse in a setup, as CheckColumnSetup names it; empty when nothing.
std::string setupFault(const std::vector<data::ColumnSetup> &setup,
                       const std::vector<data::SuggestColumn> &columns,
                       std::map<int, std::vector<std::string>> &byYear,
                       std::map<std::string, std::vector<std::string>> &byRole)
{
    for (std::size_t k = 0; k < setup.size(); ++k) {
        const data::ColumnSetup &c = setup[k];
        if (!c.role.empty()) byRole[c.role].push_back(c.column);
        if (c.year == 0) continue;
        if (c.year < 1000 || c.year > 9999)
            return "Column " + c.column + ": the survey year " + std::to_string(c.year) +
                   " is not a year from 1000 to 9999";
        if (k < columns.size() && !columns[k].numeric)
            return "Column " + c.column + " holds no numbers: it cannot have a survey year";
        if (!c.role.empty())
            return "Column " + c.column + " has both the survey year " + std::to_string(c.year) +
                   " and the role " + c.role + ": a column has one of them";
        byYear[c.year].push_back(c.column);
    }
    for (const auto &[year, names] : byYear)
        if (names.size() > 1)
            return "The survey year " + std::to_string(year) + " is given to columns " + columnList(names) +
                   ": each survey year belongs to one column";
    for (const auto &[role, names] : byRole)
        if (names.size() > 1)
            return "The role " + role + " is given to columns " + columnList(names) +
                   ": each role belongs to one column";
    return {};
}

} // namespace

Survey::Survey(const std::filesystem::path &path, std::function<bool()> stop)
{
    if (stop) m_connection.setStopCheck(std::move(stop));
    open(path);
}

void Survey::open(const std::filesystem::path &path)
{
    close();
    try {
        openTable(path);
    } catch (...) {
        // A file that is no table leaves no table open, not the folder of one.
        close();
        throw;
    }
}

void Survey::close()
{
    if (m_connection.isOpen()) m_connection.close();
    m_dataDir.clear();
    m_columns.clear();
    m_setup = TableSetup{};
}

void Survey::openTable(const std::filesystem::path &path)
{
    data::requireTableFileType(path);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        throw common::FileError("Cannot open table " + path.string() + ": no such file");
    const std::filesystem::path dir = path.has_parent_path() ? path.parent_path() : ".";
    m_dataDir = dir.string();
    if (m_dataDir.back() != '/') m_dataDir += '/';
    m_setup.tableFile = path.filename().string();
    m_connection.setParam("PATH", m_dataDir);
    m_connection.open();

    data::Table table(m_connection, m_setup.tableFile);
    table.open();
    m_columns = table.fieldNames();
    table.close();
}

std::string Survey::column(const std::string &name) const
{
    for (const auto &column : m_columns)
        if (common::equalsIgnoreCase(column, name)) return column;
    std::string list;
    for (const auto &column : m_columns)
        list += (list.empty() ? "" : ", ") + column;
    throw common::DataError("Table " + m_setup.tableFile + " has no column '" + name + "' (columns: " + list +
                            ")");
}

void Survey::readSetup(bool complete)
{
    m_setup.years = data::readYearsSideFile(m_dataDir, m_setup.tableFile, m_columns);
    m_setup.roles = data::readRolesSideFile(m_dataDir, m_setup.tableFile, m_columns);
    if (!complete) return;
    requireRoles({{"PlotNames", &m_setup.roles.plot},
                  {"TreeID", &m_setup.roles.treeId},
                  {"Species", &m_setup.roles.species}});
    if (m_setup.years.empty())
        throw common::Error("The years side file of " + m_setup.tableFile + " gives no column a survey year");
    // Side files written by hand or by another program: what the runs would misuse is refused.
    std::vector<data::ColumnSetup> stored;
    const std::pair<const char *, const std::string *> roles[] = {{"PlotNames", &m_setup.roles.plot},
                                                                  {"TreeID", &m_setup.roles.treeId},
                                                                  {"Species", &m_setup.roles.species},
                                                                  {"DBH", &m_setup.roles.dbh},
                                                                  {"Height", &m_setup.roles.height}};
    for (const std::string &column : m_columns) {
        data::ColumnSetup c{column, 0, {}};
        for (const data::YearColumn &year : m_setup.years)
            if (year.field == column) c.year = year.year;
        for (const auto &[role, field] : roles)
            if (*field == column) c.role = role;
        stored.push_back(c);
    }
    std::map<int, std::vector<std::string>> byYear;
    std::map<std::string, std::vector<std::string>> byRole;
    if (const std::string fault = setupFault(stored, {}, byYear, byRole); !fault.empty())
        throw common::Error("The side files of " + m_setup.tableFile + ": " + fault);
}

void Survey::readRoles()
{
    m_setup.roles = data::readRolesSideFile(m_dataDir, m_setup.tableFile, m_columns);
    requireRoles({{"PlotNames", &m_setup.roles.plot}, {"Species", &m_setup.roles.species}});
}

void Survey::requireRoles(std::initializer_list<std::pair<const char *, const std::string *>> roles) const
{
    for (const auto &[role, column] : roles)
        if (column->empty())
            throw common::Error("The roles side file of " + m_setup.tableFile + " gives no column the role " +
                                role);
}

void Survey::setConditions(const std::string &conditions)
{
    m_setup.conditions = data::checkCondition(m_connection, m_setup.tableFile, conditions);
}

void CheckColumnSetup(const std::vector<data::ColumnSetup> &setup,
                      const std::vector<data::SuggestColumn> &columns, bool complete)
{
    std::map<int, std::vector<std::string>> byYear;
    std::map<std::string, std::vector<std::string>> byRole;
    const std::string fault = setupFault(setup, columns, byYear, byRole);
    if (!fault.empty()) throw common::Error(fault + kNothingWritten);
    if (!complete) return;
    for (const char *role : {data::kRoleNames[0], data::kRoleNames[1], data::kRoleNames[2]})
        if (byRole.find(role) == byRole.end())
            throw common::Error("No column has the role " + std::string(role) + ": give it with --role " +
                                role + "=COLUMN" + kNothingWritten);
    if (byYear.empty())
        throw common::Error("No column has a survey year: give them with --year COLUMN=YEAR" +
                            std::string(kNothingWritten));
}

} // namespace model
