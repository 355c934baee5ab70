// Yearly statistics of a plot and species: which years have statistics, averages, spread, dead share
// and class counts.
#include "model/yearstatistics.h"

#include "model/treebuilder.h"

#include <gtest/gtest.h>

#include <cmath>

using model::ComputeYearStatistics;
using model::ValueType;
using modeltest::addTrees;
using modeltest::blank;

TEST(YearStatistics, AYearNeedsFiveTreesWithAValue)
{
    // Year 1: 4 living trees only. Year 2: 4 living and 1 dead. Year 3: 1 living (40) and 4 dead.
    // Year 4: 5 dead, no living tree.
    model::TreeValues values(4);
    addTrees(values, 4, {30, 30, 100, 100});
    values.addTree({blank, 100, 40, 100});
    const auto s = ComputeYearStatistics(values, ValueType::Percent);

    EXPECT_EQ(s.YearDefAvg[0], -1);
    EXPECT_EQ(s.YearDead[0], 0);
    EXPECT_EQ(s.YearTrees[0], 0);

    EXPECT_EQ(s.YearDefAvg[1], 30);
    EXPECT_EQ(s.YearDefStd[1], 0);
    EXPECT_EQ(s.YearDead[1], 20);
    EXPECT_EQ(s.YearTrees[1], 4);

    EXPECT_EQ(s.YearDefAvg[2], 40);
    EXPECT_EQ(s.YearDefStd[2], 0);
    EXPECT_EQ(s.YearDead[2], 80);
    EXPECT_EQ(s.YearTrees[2], 1);

    EXPECT_EQ(s.YearDefAvg[3], 0);
    EXPECT_EQ(s.YearDefStd[3], 0);
    EXPECT_EQ(s.YearDead[3], 100);
    EXPECT_EQ(s.YearTrees[3], 0);
    EXPECT_EQ(s.YearClasses[3][5], 5);
}

TEST(YearStatistics, FewerThanFiveSelectedTreesLeaveEveryYearWithoutStatistics)
{
    model::TreeValues values(2);
    addTrees(values, 4, {10, 20});
    const auto s = ComputeYearStatistics(values, ValueType::Percent);
    EXPECT_EQ(s.YearDefAvg, (std::vector<double>{-1, -1}));
    EXPECT_EQ(s.YearTrees, (std::vector<int>{0, 0}));
}

TEST(YearStatistics, PopulationSpreadOfTheLivingTreesAndClassesOfAllTrees)
{
    // 10, 20, 30, 40, 50 living and two dead: average 30, variance 200 (divisor 5), dead 2 of 7.
    auto values = modeltest::trees(1, {{10}, {20}, {30}, {40}, {50}, {100}, {100}});
    const auto s = ComputeYearStatistics(values, ValueType::Percent);
    EXPECT_EQ(s.YearDefAvg[0], 30);
    EXPECT_NEAR(s.YearDefStd[0], std::sqrt(200.0), 1e-12);
    EXPECT_NEAR(s.YearDead[0], 200.0 / 7, 1e-12);
    EXPECT_EQ(s.YearTrees[0], 5);
    // 10 -> 0, 20 -> 1, 30 -> 2, 40 -> 2, 50 -> 2, 100 -> 5 (dead trees are counted in classes too).
    EXPECT_EQ(s.YearClasses[0], (std::array<int, 6>{1, 1, 3, 0, 0, 2}));
}

TEST(YearStatistics, EqualValuesHaveNoSpread)
{
    // Sum of squares over n minus the squared average: equal values must give exactly no spread.
    for (long long v : {1, 7, 33, 51, 97}) {
        model::TreeValues values(1);
        addTrees(values, 7, {v});
        const auto s = ComputeYearStatistics(values, ValueType::Percent);
        EXPECT_EQ(s.YearDefStd[0], 0) << v;
        EXPECT_DOUBLE_EQ(s.YearDefAvg[0], static_cast<double>(v));
    }
}

TEST(YearStatistics, BlankAndNegativeValuesArePassedOverAndZeroIsALivingTree)
{
    // Year 1: five trees with 0 and a blank and a negative value besides. Year 2: the negative and the
    // blank leave only four trees with a value.
    auto values =
        modeltest::trees(2, {{0, 20}, {0, 20}, {0, 20}, {0, 20}, {0, blank}, {-5, -5}, {blank, 20}});
    const auto s = ComputeYearStatistics(values, ValueType::Percent);
    EXPECT_EQ(s.YearDefAvg[0], 0);
    EXPECT_EQ(s.YearTrees[0], 5);
    EXPECT_EQ(s.YearClasses[0][0], 5);
    EXPECT_EQ(s.YearDefAvg[1], 20);
    EXPECT_EQ(s.YearTrees[1], 5);
    EXPECT_EQ(s.YearDead[1], 0);
}

TEST(YearStatistics, DamageClassesAverageTheirPerCentValues)
{
    // Classes 2, 2, 0, 4 living, 5 dead; class 6 has no per-cent value and is left out entirely.
    auto values = modeltest::trees(1, {{2}, {2}, {0}, {4}, {5}, {6}});
    const auto s = ComputeYearStatistics(values, ValueType::DamageClasses);
    EXPECT_DOUBLE_EQ(s.YearDefAvg[0], (42.5 + 42.5 + 5.0 + 85.0) / 4);
    EXPECT_EQ(s.YearTrees[0], 4);
    EXPECT_EQ(s.YearDead[0], 20);
    EXPECT_EQ(s.YearClasses[0], (std::array<int, 6>{1, 0, 2, 0, 1, 1}));
}

TEST(YearStatistics, PerCentAbove109IsDeadWithoutAClass)
{
    auto values = modeltest::trees(1, {{110}, {10}, {10}, {10}, {10}});
    const auto s = ComputeYearStatistics(values, ValueType::Percent);
    EXPECT_EQ(s.YearDead[0], 20);
    EXPECT_EQ(s.YearClasses[0], (std::array<int, 6>{4, 0, 0, 0, 0, 0}));
}

TEST(YearStatistics, LowerLimitIsNotClamped)
{
    model::YearSeries s;
    s.YearDefAvg = {10};
    s.YearDefStd = {20};
    EXPECT_NEAR(model::DefMin(s, 0, 0.674189), -3.48378, 1e-5);
}
