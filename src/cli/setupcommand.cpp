// fenoris-cli setup TABLE.dbf: the years and roles side files of a table, as its column names suggest
// them and the options correct them, so that a table can be set up without the window.
#include "cli/commands.h"
#include "cli/options.h"

#include "common/asciicase.h"
#include "common/error.h"
#include "common/numbers.h"
#include "data/fieldgrid.h"
#include "data/sidefiles.h"
#include "data/suggest.h"
#include "data/tableinfo.h"
#include "model/survey.h"

#include <algorithm>
#include <filesystem>
#include <ostream>

namespace cli {

namespace {

// The two sides of an option's "A=B"; the year is split at the last "=", the role at the first, so
// that a column name may hold one.
std::pair<std::string, std::string> splitAssignment(const std::string &option, const std::string &text,
                                                    const char *form, bool atLast)
{
    const std::size_t at = atLast ? text.rfind('=') : text.find('=');
    if (at == std::string::npos || at == 0 || at + 1 == text.size())
        throw common::Error("--" + option + " needs " + form + ", not '" + text + "'");
    return {text.substr(0, at), text.substr(at + 1)};
}

data::ColumnSetup &findColumn(std::vector<data::ColumnSetup> &setup, const std::string &name,
                              const std::string &option)
{
    const auto found = std::find_if(setup.begin(), setup.end(), [&](const data::ColumnSetup &c) {
        return common::equalsIgnoreCase(c.column, name);
    });
    if (found == setup.end()) throw common::Error(option + ": the table has no column '" + name + "'");
    return *found;
}

void correctYear(std::vector<data::ColumnSetup> &setup, const std::string &text)
{
    const auto [column, yearText] = splitAssignment("year", text, "COLUMN=YEAR", true);
    const std::string option = "--year " + text;
    int year = 0;
    if (yearText != "-") {
        try {
            year = common::strToInt(yearText);
        } catch (const common::ConvertError &e) {
            throw common::ConvertError(option + ": " + e.what());
        }
        if (year <= 0)
            throw common::Error(option + ": a survey year is a whole number above 0, or - for none");
    }
    findColumn(setup, column, option).year = year;
}

void correctRole(std::vector<data::ColumnSetup> &setup, const std::string &text)
{
    const auto [roleText, column] = splitAssignment("role", text, "ROLE=COLUMN", false);
    const std::string option = "--role " + text;
    const auto role =
        std::find_if(std::begin(data::kRoleNames), std::end(data::kRoleNames),
                     [&](const char *name) { return common::equalsIgnoreCase(name, roleText); });
    if (role == std::end(data::kRoleNames))
        throw common::Error(option + ": '" + roleText +
                            "' is not a role; the roles are PlotNames, TreeID, Species, DBH and Height");
    data::ColumnSetup *target = column == "-" ? nullptr : &findColumn(setup, column, option);
    // A role belongs to one column and a column has one role.
    for (auto &c : setup)
        if (c.role == *role) c.role.clear();
    if (target) target->role = *role;
}

// Characters, not bytes, so that a column name with accents keeps the lines aligned.
std::size_t displayWidth(const std::string &text)
{
    return static_cast<std::size_t>(std::count_if(
        text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

void printSetup(const std::vector<data::ColumnSetup> &setup, std::ostream &out)
{
    const auto years = data::yearCells(setup);
    const auto roles = data::roleCells(setup);
    std::size_t nameWidth = 0, yearWidth = 1;
    for (std::size_t k = 0; k < setup.size(); ++k) {
        nameWidth = std::max(nameWidth, displayWidth(setup[k].column));
        yearWidth = std::max(yearWidth, years[k + 1].size());
    }
    for (std::size_t k = 0; k < setup.size(); ++k)
        out << setup[k].column << std::string(nameWidth - displayWidth(setup[k].column) + 2, ' ')
            << years[k + 1] << std::string(yearWidth - years[k + 1].size() + 2, ' ') << roles[k + 1] << "\n";
}

} // namespace

int runSetup(const Args &args, std::ostream &out, std::ostream &err)
{
    const Options options(args, {"year", "role"}, {"dry-run", "force"});
    if (options.positional().size() != 1) {
        err << usage("setup");
        return 2;
    }
    model::Survey survey(options.positional()[0]);
    const std::string &dataDir = survey.dataDir();
    const std::string &tableFile = survey.tableFile();
    const std::string yearsFile = data::yearsSideFile(dataDir, tableFile);
    const std::string rolesFile = data::rolesSideFile(dataDir, tableFile);
    const bool dryRun = options.has("dry-run");
    if (!dryRun && !options.has("force"))
        for (const auto &side : {yearsFile, rolesFile})
            if (std::filesystem::exists(side))
                throw common::Error("The side file " + side + " exists already; give --force to replace it");

    std::vector<data::SuggestColumn> columns;
    for (const auto &field : data::describeTable(survey.connection(), tableFile).fields)
        columns.push_back({field.name, field.isNumeric()});
    auto setup = data::suggestColumnSetup(columns);
    for (const auto &year : options.values("year"))
        correctYear(setup, year);
    for (const auto &role : options.values("role"))
        correctRole(setup, role);

    printSetup(setup, out);
    // Without a sound and complete setup the other commands refuse the table or misread it.
    model::CheckColumnSetup(setup, columns, true);
    if (dryRun) {
        out << "Dry run: no side file written\n";
        return 0;
    }
    const data::TableLock lock(std::filesystem::path(dataDir), tableFile, "setup");
    data::writeSideFiles(yearsFile, data::yearCells(setup), rolesFile, data::roleCells(setup));
    out << "Written: " << yearsFile << ", " << rolesFile << "\n";
    return 0;
}

} // namespace cli
