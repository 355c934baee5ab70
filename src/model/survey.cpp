// Opening a data table with its side files.
#include "model/survey.h"

#include "common/asciicase.h"
#include "common/error.h"
#include "data/condition.h"
#include "data/fieldgrid.h"

namespace model {

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

} // namespace model
