// fenoris-cli statistics: the same tables as the run of the window, and on the SCBI census the
// numbers an independent computation straight from the data file gives.
#include "common/messagesink.h"
#include "data/database.h"
#include "data/generator.h"
#include "model/dbfdump.h"
#include "model/modelsettings.h"
#include "model/statisticsrun.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>
#include <shapefil.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>

using testsupport::TempDir;

namespace {

using testsupport::runCli;

void copyTable(const std::filesystem::path &from, const std::string &stem, const std::filesystem::path &to)
{
    for (const char *ext : {".DBF", ".yrs", ".var"})
        testsupport::copyInto(from / (stem + ext), to);
}

} // namespace

TEST(StatisticsCommand, WritesTheSameRowsAsTheRunOfTheWindow)
{
    TempDir cliDir, coreDir;
    data::GeneratorSettings settings;
    settings.trees = 3000;
    settings.plots = 60;
    settings.years = 7;
    data::generateTable(cliDir / "FOREST.DBF", settings);
    copyTable(cliDir.path(), "FOREST", coreDir.path());

    std::string out, err;
    ASSERT_EQ(
        runCli("statistics '" + (cliDir / "FOREST.DBF").string() + "' --interval 2 --share 10", &out, &err),
        0)
        << err;

    data::Connection connection;
    connection.setParam("PATH", coreDir.path().string() + "/");
    connection.open();
    data::Query query(connection);
    model::TableSetup setup{"FOREST.DBF", {"PLOT", "TREE", "SP", "DBH", "HEIGHT"}, "", {}};
    for (int y = 0; y < settings.years; ++y)
        setup.years.push_back({settings.firstYear + y, "D" + std::to_string(settings.firstYear + y)});
    model::ModelSettings modelSettings;
    modelSettings.interval = 2;
    common::RecordingSink sink;
    modelSettings.prcTreeFactor = model::ComputePrcTreeFactor(10, sink);
    model::QuerySelection selection(query, setup);
    const auto summary =
        model::StatisticsRun(connection, query, setup, modelSettings).execute(selection, sink);

    const auto transit = dbfdump::read(cliDir / "TRANSIT.DBF");
    const auto average = dbfdump::read(cliDir / "AVERAGE.DBF");
    EXPECT_GT(transit.rows.size(), 100u);
    EXPECT_EQ(transit.rows, dbfdump::read(coreDir / "TRANSIT.DBF").rows);
    EXPECT_EQ(average.rows, dbfdump::read(coreDir / "AVERAGE.DBF").rows);
    EXPECT_EQ(out, "60 plots, " + std::to_string(summary.speciesProcessed) +
                       " pairs of plot and species processed, " +
                       std::to_string(transit.rows.size() + average.rows.size()) +
                       " rows written (TRANSIT.DBF " + std::to_string(transit.rows.size()) +
                       ", AVERAGE.DBF " + std::to_string(average.rows.size()) + ")\n");
    // Not a terminal: no progress on standard error.
    EXPECT_EQ(err, "");
}

TEST(StatisticsCommand, RefusesATableWithoutSideFiles)
{
    TempDir dir;
    testsupport::copyInto(testsupport::realData() / "scbi" / "SCBI_CROWN.DBF", dir.path());
    std::string out, err;
    EXPECT_EQ(runCli("statistics '" + (dir / "SCBI_CROWN.DBF").string() + "'", &out, &err), 1);
    EXPECT_NE(err.find("SCBI_CROWN.yrs"), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(dir / "TRANSIT.DBF"));
}

namespace {

// The SCBI census computed here from the raw file, with the documented rules written out plainly.
struct Census
{
    struct Tree
    {
        std::string plot, species;
        std::vector<std::optional<int>> values; // per survey year
    };
    std::vector<int> years;
    std::vector<Tree> trees;
    std::vector<std::pair<std::string, std::string>> pairs; // plot and species, in ascending order

    explicit Census(const std::filesystem::path &file)
    {
        DBFHandle h = DBFOpen(file.string().c_str(), "rb");
        if (!h) throw std::runtime_error("cannot open " + file.string());
        std::vector<int> columns;
        for (int f = 0; f < DBFGetFieldCount(h); ++f) {
            char name[12];
            DBFGetFieldInfo(h, f, name, nullptr, nullptr);
            if (name[0] == 'D' && std::string(name) != "DBH") {
                years.push_back(std::stoi(name + 1));
                columns.push_back(f);
            }
        }
        const int plotField = DBFGetFieldIndex(h, "PLOT"), speciesField = DBFGetFieldIndex(h, "SP");
        for (int r = 0; r < DBFGetRecordCount(h); ++r) {
            Tree t{DBFReadStringAttribute(h, r, plotField), DBFReadStringAttribute(h, r, speciesField), {}};
            for (int f : columns)
                t.values.push_back(DBFIsAttributeNULL(h, r, f)
                                       ? std::nullopt
                                       : std::optional<int>(DBFReadIntegerAttribute(h, r, f)));
            if (std::find(pairs.begin(), pairs.end(), std::pair{t.plot, t.species}) == pairs.end())
                pairs.emplace_back(t.plot, t.species);
            trees.push_back(std::move(t));
        }
        DBFClose(h);
        // The census names its plots and species in capitals and digits of one width each, so that
        // the lists' ascending order is the plain order of their bytes.
        std::sort(pairs.begin(), pairs.end());
    }

    std::vector<const Tree *> of(const std::pair<std::string, std::string> &pair) const
    {
        std::vector<const Tree *> found;
        for (const auto &t : trees)
            if (t.plot == pair.first && t.species == pair.second) found.push_back(&t);
        return found;
    }
};

// The class table of whole per cents: -10..10, 11..29, 30..50, 51..69, 70..90, 91..109.
std::optional<int> classOf(int percent)
{
    const int upper[] = {10, 29, 50, 69, 90, 109};
    if (percent < -10) return std::nullopt;
    for (int c = 0; c < 6; ++c)
        if (percent <= upper[c]) return c;
    return std::nullopt;
}

// Half a unit of the last stored decimal, with room for a tie stored either way.
constexpr double kHalf3 = 0.5e-3 + 1e-9, kHalf4 = 0.5e-4 + 1e-9;

} // namespace

TEST(StatisticsCommand, AgreesWithAnIndependentComputationOnTheScbiCensus)
{
    TempDir dir;
    copyTable(testsupport::realData() / "scbi", "SCBI_CROWN", dir.path());
    std::string out, err;
    ASSERT_EQ(runCli("statistics '" + (dir / "SCBI_CROWN.DBF").string() + "' --interval 2", &out, &err), 0)
        << err;
    const Census census(dir / "SCBI_CROWN.DBF");
    const auto average = dbfdump::read(dir / "AVERAGE.DBF");
    const auto transit = dbfdump::read(dir / "TRANSIT.DBF");

    std::size_t avgRow = 0, transitRow = 0, processed = 0;
    for (const auto &pair : census.pairs) {
        const auto trees = census.of(pair);
        if (trees.size() <= 5) continue;
        ++processed;
        // TRANSIT.DBF: every pair of years two apart with at least one tree classed in both.
        for (std::size_t i = 0; i < census.years.size(); ++i)
            for (std::size_t j = 0; j < census.years.size(); ++j) {
                if (census.years[j] - census.years[i] != 2) continue;
                double counts[6][6] = {};
                int counted = 0;
                for (const auto *t : trees) {
                    if (!t->values[i] || !t->values[j]) continue;
                    const auto a = classOf(*t->values[i]), b = classOf(*t->values[j]);
                    if (!a || !b) continue;
                    counts[*a][*b] += 1;
                    ++counted;
                }
                if (counted == 0) continue;
                ASSERT_LT(transitRow, transit.rows.size());
                const std::size_t r = transitRow++;
                EXPECT_EQ(transit.at(r, "Id_plot"), pair.first);
                EXPECT_EQ(transit.at(r, "Id_species"), pair.second);
                EXPECT_EQ(transit.number(r, "Id_year"), census.years[i]);
                EXPECT_EQ(transit.number(r, "N_tree"), counted);
                for (int a = 0; a < 6; ++a) {
                    double rowSum = 0;
                    for (int b = 0; b < 6; ++b)
                        rowSum += counts[a][b];
                    for (int b = 0; b < 6; ++b) {
                        const double expected = rowSum == 0 ? (a == b ? 1 : 0) : counts[a][b] / rowSum;
                        EXPECT_NEAR(transit.number(r, "T" + std::to_string(a) + std::to_string(b)), expected,
                                    kHalf4)
                            << pair.first << "/" << pair.second << " " << census.years[i];
                    }
                }
            }
        // AVERAGE.DBF: every year with five or more values.
        for (std::size_t y = 0; y < census.years.size(); ++y) {
            std::vector<double> living;
            int dead = 0;
            int classes[6] = {};
            for (const auto *t : trees) {
                if (!t->values[y] || *t->values[y] < 0) continue;
                if (*t->values[y] >= 100)
                    ++dead;
                else
                    living.push_back(*t->values[y]);
                if (const auto c = classOf(*t->values[y])) ++classes[*c];
            }
            const std::size_t n = living.size();
            if (n + dead < 5) continue;
            double mean = 0, squares = 0;
            for (double v : living)
                mean += v / n;
            for (double v : living)
                squares += (v - mean) * (v - mean) / n;
            const double sd = n ? std::sqrt(squares) : 0;
            ASSERT_LT(avgRow, average.rows.size());
            const std::size_t r = avgRow++;
            const std::string where = pair.first + "/" + pair.second + " " + std::to_string(census.years[y]);
            EXPECT_EQ(average.at(r, "Id_plot"), pair.first) << where;
            EXPECT_EQ(average.at(r, "Id_species"), pair.second) << where;
            EXPECT_EQ(average.number(r, "Id_year"), census.years[y]) << where;
            EXPECT_EQ(average.number(r, "N_tree"), static_cast<double>(n)) << where;
            EXPECT_NEAR(average.number(r, "Dead"), 100.0 * dead / (dead + n), kHalf3) << where;
            EXPECT_NEAR(average.number(r, "Def_avg"), mean, kHalf3) << where;
            EXPECT_NEAR(average.number(r, "Def_std"), sd, kHalf3) << where;
            // The documented share factor for 25 %, to six decimals.
            EXPECT_NEAR(average.number(r, "Def_min"), mean - 0.674189 * sd, 1e-3) << where;
            for (int c = 0; c < 6; ++c) {
                const std::string column = "C" + std::to_string(c);
                const double share = n ? static_cast<double>(classes[c]) / n : 0;
                if (n == 0 || share >= 99.99995)
                    EXPECT_EQ(average.at(r, column), "") << where << " " << column;
                else
                    EXPECT_NEAR(average.number(r, column), share, kHalf4) << where << " " << column;
            }
        }
    }
    EXPECT_EQ(processed, 307u); // the pairs with more than five trees, as the data's README counts them
    EXPECT_EQ(transitRow, transit.rows.size());
    EXPECT_EQ(avgRow, average.rows.size());
    EXPECT_EQ(out.substr(0, out.find(',')), "28 plots");
}
