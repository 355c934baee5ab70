// The survey years and roles suggested by column names: which names are read as which role or year,
// and how a role named by several columns or years by several kinds of column are decided.
#include "data/suggest.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// Columns written "NAME" (numeric) or "NAME:C" (character), separated by "|"; the suggestion is
// written one cell per column: the year, the role or "-".
std::vector<data::SuggestColumn> columnsOf(const std::string &text)
{
    std::vector<data::SuggestColumn> columns;
    std::istringstream in(text);
    for (std::string item; std::getline(in, item, '|');) {
        const bool character = item.ends_with(":C");
        columns.push_back({character ? item.substr(0, item.size() - 2) : item, !character});
    }
    return columns;
}

std::string suggestionOf(const std::string &text)
{
    std::string cells;
    for (const auto &column : data::suggestColumnSetup(columnsOf(text))) {
        if (!cells.empty()) cells += "|";
        cells += column.year ? std::to_string(column.year) : column.role.empty() ? "-" : column.role;
    }
    return cells;
}

TEST(SuggestColumnSetup, ReadsYearsAndRolesFromTheNames)
{
    struct Case
    {
        const char *columns;
        const char *suggestion;
    };
    const Case cases[] = {
        // The SCBI and FIA tables.
        {"PLOT:C|TREE|SP:C|DBH|D2014|D2015|D2016|D2017|D2018|D2019|D2021",
         "PlotNames|TreeID|Species|DBH|2014|2015|2016|2017|2018|2019|2021"},
        {"PLOT:C|TREE|SP:C|DBH|HEIGHT|D2004|D2005|D2009|D2010",
         "PlotNames|TreeID|Species|DBH|Height|2004|2005|2009|2010"},
        // Case, separators and Czech accents do not matter; English and Czech names.
        {"plot_id:C|Tree-No|species:C|d1_3|ht", "PlotNames|TreeID|Species|DBH|Height"},
        {"PLOCHA:C|Číslo stromu|DŘEVINA:C|PRŮMĚR|VÝŠKA", "PlotNames|TreeID|Species|DBH|Height"},
        {"QUADRAT:C|TAG|SPP:C|TLOUSTKA|H", "PlotNames|TreeID|Species|DBH|Height"},
        // Four digits from 1900 to 2099, or two read with the pivot at 69; other digit counts are no year.
        {"D95|D05|D68|D69|D00|D99", "1995|2005|2068|1969|2000|1999"},
        {"DEF_2019|DEF_2020", "2019|2020"},
        {"1995|1996", "1995|1996"},
        {"D1899|D2100|D123|D12345|D5|D2019", "-|-|-|-|-|2019"},
        // Only numeric columns get a year, and DBH and height; plot, tree and species take any.
        {"PLOT|TREE:C|SP|DBH:C|HEIGHT:C|D2019:C|D2020", "PlotNames|TreeID|Species|-|-|-|2020"},
        // The best name of a role wins wherever it stands, the leftmost of equals; the others stay free.
        {"PL:C|CISLO|TREE|PLOT:C|SPECIES:C|SP:C|D13|DBH|DBH", "-|-|TreeID|PlotNames|-|Species|-|DBH|-"},
        // A role name is never a year, even when its role went to a better column (D13 is DBH at 1.3 m).
        {"DBH|D13|D2019", "DBH|-|2019"},
        // Of names that differ before the digits the largest group gets the years, the leftmost of equals.
        {"H2014|H2015|D2014|D2015|D2016", "-|-|2014|2015|2016"},
        {"A2014|B2014", "2014|-"},
        {"A2014|B2014|b2015", "-|2014|2015"},
        // Nothing known.
        {"X:C|NAME:C|VALUE", "-|-|-"},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(suggestionOf(c.columns), c.suggestion) << c.columns;
}

TEST(SuggestColumnSetup, CellsAreTheGridColumnsHeadingFirst)
{
    const auto setup = data::suggestColumnSetup({{"PLOT", false}, {"D95", true}, {"NOTE", false}});
    EXPECT_EQ(data::yearCells(setup), (std::vector<std::string>{"Defoliations", "-", "1995", "-"}));
    EXPECT_EQ(data::roleCells(setup), (std::vector<std::string>{"Specials", "PlotNames", "-", "-"}));
}

} // namespace

TEST(SuggestImportExpressions, ReadsRolesAndTheYearFromCsvNames)
{
    struct Case
    {
        std::vector<std::string> header;
        data::ImportSuggestion suggestion; // plot, tree, species, year, dbh, height
    };
    const Case cases[] = {
        // The census files: no DBH by name, the survey year by its own name.
        {{"survey_year", "tag", "StemTag", "sp", "genus", "species", "quadrat", "last_main_census_dbh"},
         {"quadrat", "tag", "sp", "survey_year", "", ""}},
        // Every CSV field is text, so DBH and height are found by name alone; names that are no plain
        // SQL names come quoted; YEAR beats ROK.
        {{"Plot ID", "strom", "Dřevina", "rok", "Year", "d.b.h", "ht", "1st"},
         {"\"Plot ID\"", "strom", "\"Dřevina\"", "Year", "\"d.b.h\"", "ht"}},
        {{"x", "y"}, {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(data::suggestImportExpressions(c.header), c.suggestion) << c.header.front();
}
