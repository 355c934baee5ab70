// The model projection and the lines of the model chart.
#include "model/modelchart.h"

#include "common/messagesink.h"
#include "model/projection.h"
#include "model/treebuilder.h"

#include <gtest/gtest.h>

using model::ChartLine;
using model::ChartPoint;
using model::TTransit;
using modeltest::yearColumns;

namespace {

// A record of year `year` with the given first-year counts and matrix rows.
TTransit record(int year, std::array<double, 6> rowSum, std::array<std::array<double, 6>, 6> t,
                const std::string &field = "D1995")
{
    TTransit r;
    r.Plot = "A1";
    r.Year = year;
    r.FromField = field;
    r.ToField = "D1996";
    r.Valid = true;
    r.RowSum = rowSum;
    r.T = t;
    return r;
}

std::array<std::array<double, 6>, 6> identity()
{
    std::array<std::array<double, 6>, 6> t{};
    for (std::size_t a = 0; a < 6; ++a)
        t[a][a] = 1;
    return t;
}

// Every class moves to class 5 with share q per step and stays otherwise; class 5 absorbs.
std::array<std::array<double, 6>, 6> dying(double q)
{
    auto t = identity();
    for (std::size_t a = 0; a < 5; ++a) {
        t[a][a] = 1 - q;
        t[a][5] = q;
    }
    return t;
}

model::YearSeries noYears()
{
    return {};
}

std::vector<ChartLine> lines(const std::vector<TTransit> &list, double maxDeads, int interval = 1)
{
    model::ModelSettings settings;
    settings.maxDeads = maxDeads;
    settings.interval = interval;
    common::RecordingSink sink;
    auto result = model::ModelChartLines(list, noYears(), {}, settings, sink);
    EXPECT_TRUE(sink.entries().empty());
    result.resize(result.size() - 4); // the observed lines, empty here
    return result;
}

std::vector<double> xs(const ChartLine &line)
{
    std::vector<double> x;
    for (const auto &p : line.points)
        x.push_back(p.x);
    return x;
}

} // namespace

TEST(Projection, AverageOfTheLivingClassesAndOneHundredFromP5Of95Percent)
{
    EXPECT_DOUBLE_EQ(model::ModelAverage({0.5, 0.5, 0, 0, 0, 0}), (5.0 + 22.5) / 2);
    EXPECT_DOUBLE_EQ(model::ModelAverage({0, 0, 0, 0.25, 0.25, 0.5}), (62.5 + 82.5) / 4 / 0.5);
    EXPECT_EQ(model::ModelAverage({0.05, 0, 0, 0, 0, 0.95}), 100);
    EXPECT_LT(model::ModelAverage({0.0500001, 0, 0, 0, 0, 0.9499999}), 6);

    // The start distribution is that of the counted trees; a step multiplies by the matrix.
    model::Distribution p{};
    const auto r = record(1995, {3, 1, 0, 0, 0, 0}, dying(0.5));
    EXPECT_DOUBLE_EQ(model::ModelStart(r, p), 0.75 * 5 + 0.25 * 22.5);
    EXPECT_DOUBLE_EQ(p[0], 0.75);
    EXPECT_DOUBLE_EQ(model::ModelStep(r, p), 0.75 * 5 + 0.25 * 22.5);
    EXPECT_DOUBLE_EQ(p[5], 0.5);
}

TEST(ModelChart, AnAbsorbingClassKeepsWhatReachesIt)
{
    // Class 0 moves wholly to class 3, which had no trees in the first year and so kept its identity row.
    auto t = identity();
    t[0] = {0, 0, 0, 1, 0, 0};
    const auto r = record(1995, {1, 0, 0, 0, 0, 0}, t);
    model::Distribution p{};
    model::ModelStart(r, p);
    for (int i = 0; i < 10; ++i) {
        EXPECT_DOUBLE_EQ(model::ModelStep(r, p), 62.5);
        EXPECT_EQ(p[3], 1);
    }
}

TEST(ModelChart, CurvesSwitchToModel1WhenTheDeadSharePassesTheMaximum)
{
    // q = 0.2: p5 after steps 1, 2, 3 is 0.2, 0.36, 0.488 -> passes 45 % at step 3.
    const auto switching = lines({record(1995, {1, 0, 0, 0, 0, 0}, dying(0.2))}, 45);
    ASSERT_EQ(switching.size(), 2u);
    EXPECT_EQ(switching[0].title, "Model D1995");
    EXPECT_EQ(switching[0].lineType, "model0");
    EXPECT_EQ(xs(switching[0]), (std::vector<double>{1995, 1996, 1997}));
    EXPECT_EQ(switching[1].title, "");
    EXPECT_EQ(switching[1].lineType, "model1");
    EXPECT_EQ(switching[1].points.size(), 9u);
    EXPECT_EQ(switching[1].points.front(), switching[0].points.back()); // the shared point of step 2
    EXPECT_EQ(switching[1].points.back().x, 2005);

    // Already above the maximum in the first year: one line, all "model1", titled.
    const auto over = lines({record(1995, {1, 0, 0, 0, 0, 1}, dying(0.2))}, 45);
    ASSERT_EQ(over.size(), 1u);
    EXPECT_EQ(over[0].title, "Model D1995");
    EXPECT_EQ(over[0].lineType, "model1");
    EXPECT_EQ(over[0].points.size(), 11u);
}

TEST(ModelChart, MaxDeadsAtZeroAndOneHundred)
{
    const auto withDead = record(1995, {9, 0, 0, 0, 0, 1}, dying(0.2));
    const auto withoutDead = record(1995, {1, 0, 0, 0, 0, 0}, dying(0.2));
    const auto stable = record(1995, {1, 0, 0, 0, 0, 0}, identity());

    const auto never = lines({withDead}, 100);
    ASSERT_EQ(never.size(), 1u);
    EXPECT_EQ(never[0].lineType, "model0");

    EXPECT_EQ(lines({withDead}, 0)[0].lineType, "model1");
    EXPECT_EQ(lines({withDead}, 0).size(), 1u);
    const auto first = lines({withoutDead}, 0);
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(xs(first[0]), (std::vector<double>{1995}));
    EXPECT_EQ(first[1].points.size(), 11u);
    EXPECT_EQ(lines({stable}, 0).size(), 1u); // class 5 never gets a share
}

TEST(ModelChart, IntervalTwoGivesElevenPointsTo2015AndRecordsComeLastFirst)
{
    const auto result = lines({record(1995, {1, 0, 0, 0, 0, 0}, identity(), "D1995"),
                               record(1996, {1, 0, 0, 0, 0, 0}, identity(), "D1996")},
                              50, 2);
    ASSERT_EQ(result.size(), 2u);
    EXPECT_EQ(result[0].title, "Model D1996");
    EXPECT_EQ(result[1].title, "Model D1995");
    EXPECT_EQ(xs(result[1]),
              (std::vector<double>{1995, 1997, 1999, 2001, 2003, 2005, 2007, 2009, 2011, 2013, 2015}));
}

TEST(ModelChart, ObservedLinesCoverTheYearsWithStatisticsWithinTheirLimits)
{
    model::YearSeries s;
    s.YearDefAvg = {10, -1, 80};
    s.YearDefStd = {20, 0, 40};
    s.YearDead = {5, 0, 50};
    s.YearTrees = {5, 0, 5};
    s.YearClasses.resize(3);
    model::ModelSettings settings;
    settings.prcTreeFactor = 0.674189;
    common::RecordingSink sink;
    const auto result =
        model::ModelChartLines(std::nullopt, s, yearColumns({1995, 1996, 1997}), settings, sink);

    EXPECT_EQ(sink.entries(), (std::vector<common::RecordingSink::Entry>{
                                  {common::MessageKind::Warning, "No transition matrix was calculated"}}));
    ASSERT_EQ(result.size(), 4u);
    const std::pair<const char *, const char *> titles[] = {
        {"Average def.", "avg"}, {"AVG+n(%)STD", "limit"}, {"AVG-n(%)STD", "limit"}, {"Deads", "deads"}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(result[i].title, titles[i].first);
        EXPECT_EQ(result[i].lineType, titles[i].second);
        EXPECT_EQ(xs(result[i]), (std::vector<double>{1995, 1997}));
    }
    EXPECT_DOUBLE_EQ(result[1].points[0].y, 10 + 0.674189 * 20);
    EXPECT_EQ(result[1].points[1].y, 100); // 80 + 27 is cut to 100
    EXPECT_EQ(result[2].points[0].y, 0);   // 10 - 13.5 is raised to 0
    EXPECT_DOUBLE_EQ(result[2].points[1].y, 80 - 0.674189 * 40);
    EXPECT_EQ(result[3].points[1].y, 50);

    // An empty list warns the same way.
    sink.clear();
    model::ModelChartLines(std::vector<TTransit>{}, s, yearColumns({1995, 1996, 1997}), settings, sink);
    EXPECT_EQ(sink.entries().size(), 1u);
}
