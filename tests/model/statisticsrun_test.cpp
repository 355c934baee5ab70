// The statistics run against small tables written with shapelib, its two tables read back with dbfdump.
#include "model/statisticsrun.h"

#include "common/error.h"
#include "common/messagesink.h"
#include "common/progress.h"
#include "data/database.h"
#include "model/dbfdump.h"
#include "model/fixturetable.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <functional>

using common::MessageKind;
using fixture::addTrees;
using testsupport::TempDir;

namespace {

const std::vector<fixture::Column> kColumns{{"D1995", 1995}, {"D1996", 1996}, {"D1997", 1997}};
constexpr auto blank = std::nullopt;

model::TableSetup setupOf(const std::vector<fixture::Column> &columns = kColumns,
                          const std::string &table = "trees.dbf")
{
    model::TableSetup setup;
    setup.tableFile = table;
    setup.roles.plot = "PLOT";
    setup.roles.treeId = "TREE";
    setup.roles.species = "SP";
    for (const auto &c : columns)
        setup.years.push_back({c.year, c.name});
    return setup;
}

// The run as the command line makes it, with the default share 25.
struct RunInDir
{
    data::Connection connection;
    common::RecordingSink sink;
    model::StatisticsSummary summary;

    RunInDir(const TempDir &dir, int interval = 1, common::Progress *progress = nullptr,
             model::PlotSpeciesSelection *selection = nullptr, const std::string &table = "trees.dbf")
    {
        connection.setParam("PATH", dir.path().string() + "/");
        connection.open();
        data::Query query(connection);
        model::ModelSettings settings;
        settings.interval = interval;
        settings.prcTreeFactor = model::ComputePrcTreeFactor(25, sink);
        const auto setup = setupOf(kColumns, table);
        model::QuerySelection bySql(query, setup);
        model::StatisticsRun run(connection, query, setup, settings);
        summary = run.execute(selection ? *selection : bySql, sink, progress);
    }
};

// Plot A1: SM with 6 trees, BK with 5 (too few). Plot LONGPLOTNAME: QRX with 6 trees, all dead in 1997.
std::vector<fixture::Tree> mainTrees()
{
    std::vector<fixture::Tree> trees{
        {"A1", "SM", {0, 10, 20}}, {"A1", "SM", {0, 10, 20}},     {"A1", "SM", {0, 30, 20}},
        {"A1", "SM", {0, 30, 20}}, {"A1", "SM", {50, 50, blank}}, {"A1", "SM", {blank, 100, blank}},
    };
    addTrees(trees, 5, "A1", "BK", {10, 10, 10});
    addTrees(trees, 6, "LONGPLOTNAME", "QRX", {20, 20, 100});
    return trees;
}

std::vector<std::string> keys(const dbfdump::Table &table)
{
    std::vector<std::string> keys;
    for (std::size_t r = 0; r < table.rows.size(); ++r)
        keys.push_back(table.at(r, "Id_plot") + "/" + table.at(r, "Id_species") + "/" +
                       table.at(r, "Id_year"));
    return keys;
}

// The 36 shares of a TRANSIT.DBF row as stored, row by row.
std::vector<std::string> matrix(const dbfdump::Table &table, std::size_t row)
{
    std::vector<std::string> values;
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j)
            values.push_back(table.at(row, "T" + std::to_string(i) + std::to_string(j)));
    return values;
}

std::vector<std::string> identityWith(std::initializer_list<std::tuple<int, int, const char *>> entries)
{
    std::vector<std::string> values(36, "0.0000");
    for (int a = 0; a < 6; ++a)
        values[a * 7] = "1.0000";
    for (const auto &[i, j, text] : entries)
        values[i * 6 + j] = text;
    return values;
}

} // namespace

TEST(StatisticsRun, WritesEveryPlotAndSpeciesWithMoreThanFiveTrees)
{
    TempDir dir;
    fixture::writeTable(dir.path(), "trees.dbf", kColumns, mainTrees());
    RunInDir run(dir);
    EXPECT_TRUE(run.sink.entries().empty());
    EXPECT_EQ(run.summary.plotCount, 2);
    EXPECT_EQ(run.summary.speciesProcessed, 2);
    EXPECT_EQ(run.summary.transitRows, 4);
    EXPECT_EQ(run.summary.averageRows, 5);

    const auto transit = dbfdump::read(dir / "TRANSIT.DBF");
    ASSERT_EQ(transit.fields.size(), 41u);
    EXPECT_EQ(transit.fields[0].type, 'C');
    // The code columns widen to the longest plot name (12) and species code (3), which stay whole.
    EXPECT_EQ(transit.fields[0].width, 12);
    EXPECT_EQ(transit.fields[1].width, 3);
    EXPECT_EQ(transit.fields[6].type, 'N');
    EXPECT_EQ(transit.fields[6].decimals, 4);
    EXPECT_EQ(transit.fields[40].name, "N_tree");
    // BK (5 trees) has no rows.
    EXPECT_EQ(keys(transit), (std::vector<std::string>{"A1/SM/1995", "A1/SM/1996", "LONGPLOTNAME/QRX/1995",
                                                       "LONGPLOTNAME/QRX/1996"}));
    EXPECT_EQ(transit.at(0, "Interval"), "1");
    // 1995 -> 1996: four trees from class 0, half to 0 and half to 2; one from class 2 stays.
    EXPECT_EQ(matrix(transit, 0), identityWith({{0, 0, "0.5000"}, {0, 2, "0.5000"}}));
    EXPECT_EQ(transit.at(0, "N_tree"), "5");
    EXPECT_EQ(matrix(transit, 1),
              identityWith({{0, 0, "0.0000"}, {0, 1, "1.0000"}, {2, 2, "0.0000"}, {2, 1, "1.0000"}}));
    EXPECT_EQ(transit.at(1, "N_tree"), "4");
    EXPECT_EQ(matrix(transit, 3), identityWith({{1, 1, "0.0000"}, {1, 5, "1.0000"}}));

    const auto average = dbfdump::read(dir / "AVERAGE.DBF");
    ASSERT_EQ(average.fields.size(), 14u);
    // A1/SM 1997 has four values only: no row.
    EXPECT_EQ(keys(average), (std::vector<std::string>{"A1/SM/1995", "A1/SM/1996", "LONGPLOTNAME/QRX/1995",
                                                       "LONGPLOTNAME/QRX/1996", "LONGPLOTNAME/QRX/1997"}));
    // 0, 0, 0, 0, 50: average 10, deviation 20, lower limit 10 - 0.6742 * 20.
    const std::vector<std::pair<const char *, const char *>> first{
        {"N_tree", "5"},       {"Dead", "0.000"},     {"Def_avg", "10.000"},
        {"Def_std", "20.000"}, {"Def_min", "-3.484"}, {"C0", "0.8000"},
        {"C1", "0.0000"},      {"C2", "0.2000"},      {"C5", "0.0000"}};
    for (const auto &[field, text] : first)
        EXPECT_EQ(average.at(0, field), text) << field;
    // 10, 10, 30, 30, 50 living and one dead: the class shares count the dead tree too.
    const std::vector<std::pair<const char *, const char *>> second{
        {"N_tree", "5"},  {"Dead", "16.667"}, {"Def_avg", "26.000"}, {"Def_std", "14.967"},
        {"C0", "0.4000"}, {"C2", "0.6000"},   {"C5", "0.2000"}};
    for (const auto &[field, text] : second)
        EXPECT_EQ(average.at(1, field), text) << field;
    // All six dead: statistics without a living tree, class shares blank.
    const std::vector<std::pair<const char *, const char *>> dead{
        {"N_tree", "0"},      {"Dead", "100.000"}, {"Def_avg", "0.000"}, {"Def_std", "0.000"},
        {"Def_min", "0.000"}, {"C0", ""},          {"C3", ""},           {"C5", ""}};
    for (const auto &[field, text] : dead)
        EXPECT_EQ(average.at(4, field), text) << field;
}

TEST(StatisticsRun, ASecondRunReplacesBothTables)
{
    TempDir dir;
    fixture::writeTable(dir.path(), "trees.dbf", kColumns, mainTrees());
    RunInDir first(dir, 1);
    RunInDir second(dir, 2);
    const auto transit = dbfdump::read(dir / "TRANSIT.DBF");
    EXPECT_EQ(keys(transit), (std::vector<std::string>{"A1/SM/1995", "LONGPLOTNAME/QRX/1995"}));
    EXPECT_EQ(transit.at(0, "Interval"), "2");
    EXPECT_EQ(dbfdump::read(dir / "AVERAGE.DBF").rows.size(), 5u);
}

TEST(StatisticsRun, ValuesThatDoNotFitTheirColumnsAreLeftBlankAndReportedOnce)
{
    TempDir dir;
    std::vector<fixture::Tree> trees;
    // One living tree among a hundred dead: C5 = 100 dead / 1 living does not fit DECIMAL(6,4).
    addTrees(trees, 1, "P1", "SM", {40, 40});
    addTrees(trees, 100, "P1", "SM", {100, 100});
    // A thousand trees, as stem-mapped research plots have, fit N_tree in both tables.
    addTrees(trees, 1000, "P2", "SM", {20, 20});
    fixture::writeTable(dir.path(), "trees.dbf", {{"D1995", 1995}, {"D1996", 1996}}, trees);

    data::Connection connection;
    connection.setParam("PATH", dir.path().string() + "/");
    connection.open();
    data::Query query(connection);
    auto setup = setupOf({{"D1995", 1995}, {"D1996", 1996}});
    model::QuerySelection selection(query, setup);
    common::RecordingSink sink;
    const auto summary = model::StatisticsRun(connection, query, setup, {}).execute(selection, sink);

    EXPECT_EQ(summary.valuesLeftBlank, 2u);
    EXPECT_EQ(sink.entries(), (std::vector<common::RecordingSink::Entry>{
                                  {MessageKind::Warning, "2 values did not fit their columns and were left "
                                                         "blank: AVERAGE.DBF C5 (2)"}}));
    const auto average = dbfdump::read(dir / "AVERAGE.DBF");
    ASSERT_EQ(average.rows.size(), 4u);
    EXPECT_EQ(average.at(0, "C5"), "");
    EXPECT_EQ(average.at(0, "C2"), "1.0000");
    EXPECT_EQ(average.at(0, "Dead"), "99.010");
    EXPECT_EQ(average.at(2, "N_tree"), "1000");
    EXPECT_EQ(average.at(2, "Def_avg"), "20.000");
    const auto transit = dbfdump::read(dir / "TRANSIT.DBF");
    ASSERT_EQ(transit.rows.size(), 2u);
    EXPECT_EQ(transit.at(0, "N_tree"), "101");
    EXPECT_EQ(transit.at(1, "N_tree"), "1000");
    EXPECT_EQ(transit.at(1, "T11"), "1.0000");
}

TEST(StatisticsRun, KeepsEveryCodeWholeAndTheStandardWidthsWhenCodesFit)
{
    struct Case
    {
        std::vector<fixture::Tree> trees;
        int plotWidth, speciesWidth;
        std::vector<std::string> keys; // of TRANSIT.DBF
    };
    auto trees = [](std::vector<std::pair<const char *, const char *>> groups, int count = 6) {
        std::vector<fixture::Tree> all;
        for (const auto &[plot, species] : groups)
            addTrees(all, count, plot, species, {10, 30});
        return all;
    };
    std::vector<Case> cases{
        // Census codes of four letters that share their first two: three species, not one.
        {trees({{"B0206", "FRAM"}, {"B0206", "FRNI"}, {"B0206", "FRPE"}}),
         10,
         4,
         {"B0206/FRAM/1995", "B0206/FRNI/1995", "B0206/FRPE/1995"}},
        // Plot names that share their first ten characters stay two plots.
        {trees({{"PLOT-NORTH-1", "SM"}, {"PLOT-NORTH-2", "SM"}}),
         12,
         2,
         {"PLOT-NORTH-1/SM/1995", "PLOT-NORTH-2/SM/1995"}},
        // Codes that fit keep CHAR(10) and CHAR(2); a longer code with too few trees is not written
        // and does not widen them.
        {[&] {
             auto all = trees({{"A1", "SM"}});
             addTrees(all, 5, "LONGPLOTNAME", "QRX", {10, 30});
             return all;
         }(),
         10,
         2,
         {"A1/SM/1995"}},
    };
    for (const auto &c : cases) {
        TempDir dir;
        const std::vector<fixture::Column> columns{{"D1995", 1995}, {"D1996", 1996}};
        fixture::writeTable(dir.path(), "trees.dbf", columns, c.trees);
        data::Connection connection;
        connection.setParam("PATH", dir.path().string() + "/");
        connection.open();
        data::Query query(connection);
        const auto setup = setupOf(columns);
        model::QuerySelection selection(query, setup);
        common::RecordingSink sink;
        model::StatisticsRun(connection, query, setup, {}).execute(selection, sink);
        EXPECT_TRUE(sink.entries().empty());
        for (const char *name : {"TRANSIT.DBF", "AVERAGE.DBF"}) {
            const auto table = dbfdump::read(dir / name);
            EXPECT_EQ(table.fields[0].width, c.plotWidth) << name;
            EXPECT_EQ(table.fields[1].width, c.speciesWidth) << name;
        }
        EXPECT_EQ(keys(dbfdump::read(dir / "TRANSIT.DBF")), c.keys);
    }
}

TEST(StatisticsRun, ACancelledRunLeavesCompleteTablesWithTheRowsWrittenSoFar)
{
    struct CancelAtSecondPlot : common::Progress
    {
        std::vector<std::string> seen;
        bool step(int done, int total, const std::string &current) override
        {
            seen.push_back(std::to_string(done) + "/" + std::to_string(total) + " " + current);
            return done < 1;
        }
    } progress;
    TempDir dir;
    fixture::writeTable(dir.path(), "trees.dbf", kColumns, mainTrees());
    RunInDir run(dir, 1, &progress);
    EXPECT_TRUE(run.summary.cancelled);
    EXPECT_EQ(run.summary.plotsDone, 1);
    EXPECT_EQ(progress.seen, (std::vector<std::string>{"0/2 A1", "1/2 LONGPLOTNAME"}));
    EXPECT_EQ(run.sink.entries(), (std::vector<common::RecordingSink::Entry>{
                                      {MessageKind::Information,
                                       "Statistics cancelled after 1 of 2 plots; TRANSIT.DBF and AVERAGE.DBF "
                                       "keep the rows written so far."}}));
    EXPECT_EQ(keys(dbfdump::read(dir / "TRANSIT.DBF")),
              (std::vector<std::string>{"A1/SM/1995", "A1/SM/1996"}));
    EXPECT_EQ(keys(dbfdump::read(dir / "AVERAGE.DBF")),
              (std::vector<std::string>{"A1/SM/1995", "A1/SM/1996"}));
}

TEST(StatisticsRun, CancelStopsAStatementThatWouldNeverEnd)
{
    // The window's progress: Cancel is seen while the engine runs, and the next step says so.
    struct CancelWhileTheEngineRuns : common::Progress
    {
        int asked = 0;
        bool step(int, int, const std::string &) override { return asked < 3; }
        bool cancelRequested() override { return ++asked >= 3; }
    } progress;
    TempDir dir;
    fixture::writeTable(dir.path(), "trees.dbf", kColumns, mainTrees());
    data::Connection connection;
    connection.setParam("PATH", dir.path().string() + "/");
    connection.open();
    data::Query query(connection);
    common::RecordingSink sink;
    model::ModelSettings settings;
    settings.prcTreeFactor = model::ComputePrcTreeFactor(25, sink);
    auto setup = setupOf();
    setup.conditions =
        "((WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c) SELECT Count(*) FROM c) > 0)";
    model::QuerySelection selection(query, setup);
    model::StatisticsRun run(connection, query, setup, settings);
    const auto summary = run.execute(selection, sink, &progress);
    EXPECT_TRUE(summary.cancelled);
    EXPECT_EQ(summary.plotsDone, 0);
    EXPECT_TRUE(dbfdump::read(dir / "TRANSIT.DBF").rows.empty());
    EXPECT_TRUE(dbfdump::read(dir / "AVERAGE.DBF").rows.empty());
}

TEST(StatisticsRun, FollowsTheListsAndCountsOfTheSelection)
{
    // A window-like selection: plots in its own order, and the count shown decides, not the rows.
    struct Lists : model::PlotSpeciesSelection
    {
        std::vector<std::string> calls;
        std::vector<std::string> plots() override { return {"LONGPLOTNAME", "A1"}; }
        std::vector<std::string> selectPlot(std::size_t index) override
        {
            calls.push_back("plot " + std::to_string(index));
            return index == 0 ? std::vector<std::string>{"QRX"} : std::vector<std::string>{"BK", "SM"};
        }
        long long selectSpecies(std::size_t index) override
        {
            calls.push_back("species " + std::to_string(index));
            return 6; // BK has 5 trees, but the list says 6
        }
    } lists;
    TempDir dir;
    fixture::writeTable(dir.path(), "trees.dbf", kColumns, mainTrees());
    RunInDir run(dir, 1, nullptr, &lists);
    EXPECT_EQ(lists.calls,
              (std::vector<std::string>{"plot 0", "species 0", "plot 1", "species 0", "species 1"}));
    EXPECT_EQ(
        keys(dbfdump::read(dir / "AVERAGE.DBF")),
        (std::vector<std::string>{"LONGPLOTNAME/QRX/1995", "LONGPLOTNAME/QRX/1996", "LONGPLOTNAME/QRX/1997",
                                  "A1/BK/1995", "A1/BK/1996", "A1/BK/1997", "A1/SM/1995", "A1/SM/1996"}));
}

TEST(StatisticsRun, ATableThatCannotBeDeletedStopsTheRun)
{
    TempDir dir;
    fixture::writeTable(dir.path(), "trees.dbf", kColumns, mainTrees());
    for (const char *name : {"TRANSIT.DBF", "AVERAGE.DBF"}) {
        RunInDir first(dir); // both tables exist
        // A directory with content under the table's name cannot be removed as a file.
        std::filesystem::remove(dir / name);
        std::filesystem::create_directory(dir / name);
        testsupport::writeBytes(dir / name / "keep", "x");
        try {
            RunInDir failed(dir);
            ADD_FAILURE() << "no error for " << name;
        } catch (const common::FileError &e) {
            EXPECT_EQ(std::string(e.what()), "Unable delete file " + (dir / name).string());
        }
        std::filesystem::remove_all(dir / name);
    }
}

TEST(StatisticsRun, ATableUnderAResultsNameIsRefusedBeforeAnythingIsWritten)
{
    struct Case
    {
        const char *table;  // what the run is given
        const char *stored; // the file holding the trees, the table itself when empty
    };
    const Case cases[] = {
        {"TRANSIT.DBF", ""}, {"transit.dbf", ""}, {"Average.Dbf", ""}, {"trees.dbf", "TRANSIT.DBF"}};
    for (const auto &c : cases) {
        TempDir dir;
        const std::string stored = *c.stored ? c.stored : c.table;
        // The writer keeps the extension in lower case: the table gets its name afterwards.
        std::filesystem::rename(fixture::writeTable(dir.path(), "x.dbf", kColumns, mainTrees()),
                                dir / stored);
        if (*c.stored) std::filesystem::create_symlink(stored, dir / c.table);
        const auto before = testsupport::readBytes(dir / stored);
        const auto names = testsupport::namesIn(dir.path());
        try {
            RunInDir refused(dir, 1, nullptr, nullptr, c.table);
            ADD_FAILURE() << "no error for " << c.table;
        } catch (const common::Error &e) {
            EXPECT_EQ(std::string(e.what()), "The table cannot be named TRANSIT.DBF or AVERAGE.DBF: the "
                                             "statistics are written under these names beside it");
        }
        EXPECT_EQ(testsupport::readBytes(dir / stored), before) << c.table;
        EXPECT_EQ(testsupport::namesIn(dir.path()), names) << c.table;
    }
}
