// The checks at the start of a statistics run.
#include "model/runinputs.h"

#include "common/asciicase.h"
#include "common/error.h"
#include "data/condition.h"
#include "data/database.h"
#include "data/dbffile.h"
#include "model/modelsettings.h"
#include "model/resulttables.h"
#include "model/statisticsrun.h"

#include <algorithm>
#include <filesystem>

namespace model {

void RequireRole(const std::string &column, const char *role)
{
    if (column.empty())
        throw common::Error(std::string("No column has the role ") + role +
                            ": double-click a cell under \"Specials\" to assign it");
}

void RequireNotResultTable(const std::filesystem::path &dir, const std::string &tableFile)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    for (const char *result : {kTransitTable, kAverageTable}) {
        bool same = common::equalsIgnoreCase(fs::path(tableFile).filename().string(), result);
        // A link or a second name of the table under a result's name is the same file all the same.
        for (const auto &entry : fs::directory_iterator(dir, ec))
            if (!same && common::equalsIgnoreCase(entry.path().filename().string(), result))
                same = fs::equivalent(entry.path(), dir / tableFile, ec);
        if (same)
            throw common::Error(std::string("The table cannot be named ") + kTransitTable + " or " +
                                kAverageTable + ": the statistics are written under these names beside it");
    }
}

void CheckRunInputs(data::Connection &connection, TableSetup &setup, const ModelSettings &settings)
{
    if (settings.interval < 1) throw common::Error("The interval must be at least 1 year");
    RequireNotResultTable(connection.directory(), setup.tableFile);

    const auto file = connection.findFile(setup.tableFile);
    if (!file)
        throw common::FileError(
            "Cannot open table " +
            std::filesystem::absolute(connection.directory() / setup.tableFile).lexically_normal().string() +
            ": no such file");
    std::vector<std::string> columns;
    {
        data::Table table(connection, setup.tableFile);
        table.open();
        columns = table.fieldNames();
    }
    auto require = [&](const std::string &column, const std::string &what) {
        if (std::none_of(columns.begin(), columns.end(),
                         [&](const std::string &c) { return common::equalsIgnoreCase(c, column); }))
            throw common::DataError("Table " + std::filesystem::absolute(*file).lexically_normal().string() +
                                    " has no column " + column + ", which " + what);
    };
    const std::pair<const std::string *, const char *> roles[] = {{&setup.roles.plot, "PlotNames"},
                                                                  {&setup.roles.species, "Species"}};
    for (const auto &[column, role] : roles) {
        RequireRole(*column, role);
        require(*column, std::string("has the role ") + role);
    }
    // Without a TreeID column the trees are counted by their rows, as Count() does.
    if (!setup.roles.treeId.empty()) require(setup.roles.treeId, "has the role TreeID");
    if (setup.years.empty())
        throw common::Error("No column has a survey year: type the year of each defoliation column under "
                            "\"Defoliations\" and press \"Set OK\"");
    for (const auto &year : setup.years)
        require(year.field, "holds the survey year " + std::to_string(year.year));
    setup.conditions = data::checkCondition(connection, setup.tableFile, setup.conditions);
}

} // namespace model
