// Opening a data table with its side files for the model and statistics commands.
#include "cli/commandsupport.h"

#include "common/error.h"
#include "common/numbers.h"
#include "data/condition.h"
#include "data/sidefiles.h"

#include <filesystem>
#include <ostream>

namespace cli {

namespace {

// The cells of one side file for a table of `columns` columns (heading first), refused when the file
// is missing or does not have exactly one line per column.
std::vector<std::string> sideFileCells(const std::string &file, const char *what, std::size_t columns,
                                       const std::string &table)
{
    if (!std::filesystem::exists(file))
        throw common::FileError("The " + std::string(what) + " side file " + file + " of " + table +
                                " is missing; assign the table's columns in Fenoris and press Set OK first");
    // One cell more than needed shows a file that is too long.
    auto cells = data::loadSideFile(file, columns + 2);
    std::size_t lines = 0;
    while (lines < cells.size() && !cells[lines].empty())
        ++lines;
    if (lines != columns + 1)
        throw common::Error(
            "The " + std::string(what) + " side file " + file + " has " +
            (lines > columns + 1 ? "more than " + std::to_string(columns + 1) : std::to_string(lines)) +
            " lines, but " + table + " has " + std::to_string(columns) +
            " columns: the side files do not fit the table");
    cells.resize(columns + 1);
    return cells;
}

// The role a roles cell names, as the main page applies it; nullptr for "-" and anything unknown.
std::string *roleVariable(data::FieldRoles &roles, const std::string &role)
{
    if (role == "PlotNames") return &roles.plot;
    if (role == "TreeID") return &roles.treeId;
    if (role == "Species") return &roles.species;
    if (role == "DBH") return &roles.dbh;
    if (role == "Height") return &roles.height;
    return nullptr;
}

} // namespace

OpenedTable::OpenedTable(const std::string &path)
{
    const std::filesystem::path file(path);
    if (!std::filesystem::is_regular_file(file))
        throw common::FileError("Cannot open table " + path + ": no such file");
    std::filesystem::path dir = file.parent_path();
    if (dir.empty()) dir = ".";
    const std::string dataDir = dir.string() + "/";
    m_setup.tableFile = file.filename().string();
    m_connection.setParam("PATH", dataDir);
    m_connection.open();

    std::vector<std::string> columns;
    {
        data::Query query(m_connection);
        query.setSql({"SELECT * FROM '" + m_setup.tableFile + "'"});
        query.open();
        columns = query.fieldNames();
        query.close();
    }

    const auto years = sideFileCells(data::yearsSideFile(dataDir, m_setup.tableFile), "years", columns.size(),
                                     m_setup.tableFile);
    const auto roles = sideFileCells(data::rolesSideFile(dataDir, m_setup.tableFile), "roles", columns.size(),
                                     m_setup.tableFile);
    for (std::size_t k = 0; k < columns.size(); ++k) {
        if (years[k + 1] != "-") {
            try {
                m_setup.years.push_back({common::strToInt(years[k + 1]), columns[k]});
            } catch (const common::ConvertError &e) {
                throw common::ConvertError("The years side file of " + m_setup.tableFile + ": " + e.what());
            }
        }
        // Later rows win, as when the roles are applied from top to bottom.
        if (std::string *role = roleVariable(m_setup.roles, roles[k + 1])) *role = columns[k];
    }
    for (const auto &[role, column] :
         {std::pair{"PlotNames", m_setup.roles.plot}, std::pair{"TreeID", m_setup.roles.treeId},
          std::pair{"Species", m_setup.roles.species}})
        if (column.empty())
            throw common::Error("The roles side file of " + m_setup.tableFile + " gives no column the role " +
                                role);
    if (m_setup.years.empty())
        throw common::Error("The years side file of " + m_setup.tableFile + " gives no column a survey year");
}

void OpenedTable::setConditions(const std::string &conditions)
{
    m_setup.conditions = data::checkCondition(m_connection, m_setup.tableFile, conditions);
}

void ConsoleSink::message(common::MessageKind kind, const std::string &text)
{
    switch (kind) {
    case common::MessageKind::Information:
        break;
    case common::MessageKind::Warning:
        m_stream << "warning: ";
        break;
    case common::MessageKind::Error:
        m_stream << "error: ";
        break;
    }
    m_stream << text << "\n";
}

model::ValueType parseValueType(const std::string &text)
{
    if (text == "percent") return model::ValueType::Percent;
    if (text == "classes") return model::ValueType::DamageClasses;
    throw common::Error("--value-type must be percent or classes");
}

} // namespace cli
