// Survey years and roles suggested by the column names.
#include "data/suggest.h"

#include "common/asciicase.h"
#include "data/fieldgrid.h"
#include "data/sqlnames.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <map>
#include <string_view>

namespace data {

namespace {

struct RoleNames
{
    const char *role;
    bool numericOnly;
    std::vector<std::string_view> names; // best first, as key() spells them
};

const std::array<RoleNames, 5> &roleNames()
{
    static const std::array<RoleNames, 5> roles = {{
        {kRoleNames[0],
         false,
         {"PLOT", "PLOTID", "PLOTNAME", "PLOTNO", "PLOTNR", "PLOTCODE", "QUADRAT", "PLOCHA", "CISLOPLOCHY",
          "PL"}},
        {kRoleNames[1],
         false,
         {"TREE", "TREEID", "TREENO", "TREENR", "TAG", "TAGNO", "STROM", "CISLOSTROMU", "CISLO"}},
        {kRoleNames[2], false, {"SP", "SPECIES", "SPP", "SPCD", "SPCODE", "DRUH", "DREVINA"}},
        {kRoleNames[3], true, {"DBH", "D13", "DIAM", "DIAMETER", "PRUMER", "TLOUSTKA"}},
        {kRoleNames[4], true, {"HEIGHT", "HT", "HGT", "H", "VYSKA"}},
    }};
    return roles;
}

// The Czech letters with accents in UTF-8, small and capital, and the letter without its accent.
struct Accented
{
    std::string_view utf8;
    char plain;
};
const Accented kAccented[] = {
    {"á", 'A'}, {"Á", 'A'}, {"č", 'C'}, {"Č", 'C'}, {"ď", 'D'}, {"Ď", 'D'}, {"é", 'E'}, {"É", 'E'},
    {"ě", 'E'}, {"Ě", 'E'}, {"í", 'I'}, {"Í", 'I'}, {"ň", 'N'}, {"Ň", 'N'}, {"ó", 'O'}, {"Ó", 'O'},
    {"ř", 'R'}, {"Ř", 'R'}, {"š", 'S'}, {"Š", 'S'}, {"ť", 'T'}, {"Ť", 'T'}, {"ú", 'U'}, {"Ú", 'U'},
    {"ů", 'U'}, {"Ů", 'U'}, {"ý", 'Y'}, {"Ý", 'Y'}, {"ž", 'Z'}, {"Ž", 'Z'},
};

// The name as the role lists spell it: capitals, no separators, no accents.
std::string key(std::string_view name)
{
    std::string out;
    for (std::size_t i = 0; i < name.size();) {
        const char c = name[i];
        if (c == '_' || c == '-' || c == '.' || c == ' ') {
            ++i;
            continue;
        }
        const auto accented =
            std::find_if(std::begin(kAccented), std::end(kAccented),
                         [&](const Accented &a) { return name.substr(i).starts_with(a.utf8); });
        if (accented != std::end(kAccented)) {
            out += accented->plain;
            i += accented->utf8.size();
        } else {
            out += c;
            ++i;
        }
    }
    return common::upperAscii(out);
}

// The position of the name in the role's list, or -1.
int rank(const RoleNames &role, const std::string &name)
{
    const auto found = std::find(role.names.begin(), role.names.end(), name);
    return found == role.names.end() ? -1 : static_cast<int>(found - role.names.begin());
}

bool isRoleName(const std::string &name)
{
    return std::any_of(roleNames().begin(), roleNames().end(),
                       [&](const RoleNames &role) { return rank(role, name) >= 0; });
}

void suggestRoles(const std::vector<SuggestColumn> &columns, std::vector<ColumnSetup> &setup)
{
    for (const RoleNames &role : roleNames()) {
        int best = -1;
        std::size_t bestColumn = 0;
        for (std::size_t k = 0; k < columns.size(); ++k) {
            if (!setup[k].role.empty() || (role.numericOnly && !columns[k].numeric)) continue;
            const int r = rank(role, key(columns[k].name));
            if (r >= 0 && (best < 0 || r < best)) {
                best = r;
                bestColumn = k;
            }
        }
        if (best >= 0) setup[bestColumn].role = role.role;
    }
}

// The year a name ends in (0 for none) and what comes before its digits.
std::pair<int, std::string> trailingYear(const std::string &name)
{
    std::size_t start = name.size();
    while (start > 0 && name[start - 1] >= '0' && name[start - 1] <= '9')
        --start;
    const std::string digits = name.substr(start);
    int year = 0;
    if (digits.size() == 4) {
        year = std::stoi(digits);
        if (year < 1900 || year > 2099) year = 0;
    } else if (digits.size() == 2) {
        const int yy = std::stoi(digits);
        year = yy >= 69 ? 1900 + yy : 2000 + yy;
    }
    return {year, common::upperAscii(name.substr(0, start))};
}

void suggestYears(const std::vector<SuggestColumn> &columns, std::vector<ColumnSetup> &setup)
{
    // The candidates grouped by what comes before their digits, each group in the table's order.
    std::vector<std::string> prefixes;
    std::map<std::string, std::vector<std::pair<std::size_t, int>>> groups;
    for (std::size_t k = 0; k < columns.size(); ++k) {
        if (!columns[k].numeric || isRoleName(key(columns[k].name))) continue;
        const auto [year, prefix] = trailingYear(columns[k].name);
        if (year == 0) continue;
        if (!groups.count(prefix)) prefixes.push_back(prefix);
        groups[prefix].push_back({k, year});
    }
    const std::string *largest = nullptr;
    for (const std::string &prefix : prefixes)
        if (!largest || groups[prefix].size() > groups[*largest].size()) largest = &prefix;
    if (!largest) return;
    for (const auto &[k, year] : groups[*largest])
        setup[k].year = year;
}

std::vector<std::string> cells(const char *heading, const std::vector<ColumnSetup> &setup,
                               std::string (*cell)(const ColumnSetup &))
{
    std::vector<std::string> out{heading};
    for (const ColumnSetup &column : setup)
        out.push_back(cell(column));
    return out;
}

} // namespace

std::vector<ColumnSetup> suggestColumnSetup(const std::vector<SuggestColumn> &columns)
{
    std::vector<ColumnSetup> setup;
    for (const SuggestColumn &column : columns)
        setup.push_back({column.name, 0, ""});
    suggestRoles(columns, setup);
    suggestYears(columns, setup);
    return setup;
}

ImportSuggestion suggestImportExpressions(const std::vector<std::string> &header)
{
    std::vector<SuggestColumn> columns;
    for (const std::string &name : header)
        columns.push_back({name, true});
    auto expression = [](const std::string &name) {
        const bool plain =
            !name.empty() && !(name[0] >= '0' && name[0] <= '9') &&
            std::all_of(name.begin(), name.end(), [](char c) {
                return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
            });
        return plain ? name : quoteIdentifier(name);
    };
    ImportSuggestion suggestion;
    const std::pair<const char *, std::string *> roles[] = {{kRoleNames[0], &suggestion.plot},
                                                            {kRoleNames[1], &suggestion.tree},
                                                            {kRoleNames[2], &suggestion.species},
                                                            {kRoleNames[3], &suggestion.dbh},
                                                            {kRoleNames[4], &suggestion.height}};
    for (const ColumnSetup &column : suggestColumnSetup(columns))
        for (const auto &[role, target] : roles)
            if (column.role == role) *target = expression(column.column);
    const RoleNames year{"", false, {"YEAR", "SURVEYYEAR", "CENSUSYEAR", "ROK"}};
    int best = -1;
    for (const std::string &name : header) {
        const int r = rank(year, key(name));
        if (r >= 0 && (best < 0 || r < best)) {
            best = r;
            suggestion.year = expression(name);
        }
    }
    return suggestion;
}

std::vector<std::string> yearCells(const std::vector<ColumnSetup> &setup)
{
    return cells("Defoliations", setup,
                 [](const ColumnSetup &c) { return c.year ? std::to_string(c.year) : std::string("-"); });
}

std::vector<std::string> roleCells(const std::vector<ColumnSetup> &setup)
{
    return cells("Specials", setup, [](const ColumnSetup &c) { return c.role.empty() ? "-" : c.role; });
}

} // namespace data
