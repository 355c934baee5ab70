// Transition records: which pairs of survey years make records, in which order, what is counted and
// what the finished matrices hold.
#include "model/transitlist.h"

#include "model/treebuilder.h"

#include <gtest/gtest.h>

using model::BuildTransitList;
using model::TTransit;
using model::ValueType;
using modeltest::addTrees;
using modeltest::blank;
using modeltest::yearColumns;

namespace {

std::vector<int> recordYears(const std::vector<TTransit> &list)
{
    std::vector<int> years;
    for (const auto &r : list)
        years.push_back(r.Year);
    return years;
}

std::vector<std::string> recordFields(const std::vector<TTransit> &list)
{
    std::vector<std::string> fields;
    for (const auto &r : list)
        fields.push_back(r.FromField + ">" + r.ToField);
    return fields;
}

model::TreeValues fiveTrees(std::size_t years, model::StoredValue value = 20)
{
    model::TreeValues values(years);
    addTrees(values, 5, std::vector<model::StoredValue>(years, value));
    return values;
}

} // namespace

TEST(BuildTransitList, PairsFollowTheColumnOrderOfTheYearList)
{
    struct Case
    {
        std::vector<data::YearColumn> years;
        int interval;
        std::vector<std::string> pairs;
    };
    const Case cases[] = {
        {yearColumns({1995, 1996, 1997}), 1, {"D1>D2", "D2>D3"}},
        {yearColumns({1995, 1996, 1997}), 2, {"D1>D3"}},
        {yearColumns({1995, 1996, 1997}), 3, {}},
        // Unsorted: the first year's column decides the order, not the year.
        {yearColumns({1996, 1995, 1997}), 1, {"D1>D3", "D2>D1"}},
        // A year carried by two columns takes part once per column.
        {yearColumns({1995, 1995, 1996}), 1, {"D1>D3", "D2>D3"}},
    };
    for (const auto &c : cases) {
        const auto list =
            BuildTransitList(fiveTrees(c.years.size()), "A1", c.years, c.interval, ValueType::Percent);
        ASSERT_TRUE(list.has_value());
        EXPECT_EQ(recordFields(*list), c.pairs) << c.years.front().year << " interval " << c.interval;
    }
    const auto unsorted =
        BuildTransitList(fiveTrees(3), "A1", yearColumns({1996, 1995, 1997}), 1, ValueType::Percent);
    EXPECT_EQ(recordYears(*unsorted), (std::vector<int>{1996, 1995}));
    EXPECT_EQ(unsorted->front().Plot, "A1");
}

TEST(BuildTransitList, FiveTreesAreEnoughAndFourGiveNone)
{
    EXPECT_TRUE(
        BuildTransitList(fiveTrees(2), "A1", yearColumns({1995, 1996}), 1, ValueType::Percent).has_value());
    model::TreeValues four(2);
    addTrees(four, 4, {20, 20});
    EXPECT_FALSE(BuildTransitList(four, "A1", yearColumns({1995, 1996}), 1, ValueType::Percent).has_value());
}

TEST(BuildTransitList, RowsBecomeSharesAndEmptyRowsIdentity)
{
    // Class 1 -> 1, 1 -> 2, 1 -> 2, 0 -> 0, and a dead tree 5 -> 5; a blank and an unclassed value are
    // not counted. No tree starts in class 2, 3 or 4.
    auto values =
        modeltest::trees(2, {{20, 20}, {20, 40}, {25, 45}, {0, 10}, {100, 100}, {blank, 40}, {20, 120}});
    const auto list = BuildTransitList(values, "A1", yearColumns({1995, 1996}), 1, ValueType::Percent);
    ASSERT_EQ(list->size(), 1u);
    const TTransit &r = list->front();
    EXPECT_TRUE(r.Valid);
    EXPECT_EQ(r.RowSum, (std::array<double, 6>{1, 3, 0, 0, 0, 1}));
    EXPECT_EQ(r.NTree, 5);
    EXPECT_EQ(r.T[0], (std::array<double, 6>{1, 0, 0, 0, 0, 0}));
    EXPECT_DOUBLE_EQ(r.T[1][1], 1.0 / 3);
    EXPECT_DOUBLE_EQ(r.T[1][2], 2.0 / 3);
    for (std::size_t a : {2u, 3u, 4u}) {
        std::array<double, 6> identity{};
        identity[a] = 1;
        EXPECT_EQ(r.T[a], identity) << "row " << a;
    }
    EXPECT_EQ(r.T[5], (std::array<double, 6>{0, 0, 0, 0, 0, 1}));
}

TEST(BuildTransitList, PairsWithoutACountedTreeAreDroppedAndOneTreeIsEnough)
{
    // Pair 1995 -> 1996: no tree has a class in both years. Pair 1996 -> 1997: one tree (the first).
    auto values =
        modeltest::trees(3, {{blank, 10, 30}, {10, 200, 30}, {10, 200, 30}, {10, 200, 30}, {10, blank, 30}});
    const auto list = BuildTransitList(values, "A1", yearColumns({1995, 1996, 1997}), 1, ValueType::Percent);
    ASSERT_EQ(list->size(), 1u);
    const TTransit &r = list->front();
    EXPECT_EQ(r.Year, 1996);
    EXPECT_EQ(r.NTree, 1);
    EXPECT_EQ(r.T[0], (std::array<double, 6>{0, 0, 1, 0, 0, 0}));
    for (std::size_t a = 1; a < 6; ++a)
        EXPECT_EQ(r.T[a][a], 1) << a;

    // Nothing counted in any pair: an empty list, not none.
    auto unclassed = modeltest::trees(2, {{200, 10}, {200, 10}, {200, 10}, {200, 10}, {200, 10}});
    const auto empty = BuildTransitList(unclassed, "A1", yearColumns({1995, 1996}), 1, ValueType::Percent);
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->empty());
}

TEST(CountTransition, NegativePerCentsDownToMinusTenAreClassZero)
{
    TTransit r;
    model::CountTransition(r, -10, -1, ValueType::Percent);
    model::CountTransition(r, -11, 0, ValueType::Percent);
    model::CountTransition(r, 0, blank, ValueType::Percent);
    model::CountTransition(r, 3, 5, ValueType::DamageClasses);
    EXPECT_EQ(r.T[0][0], 1);
    EXPECT_EQ(r.T[3][5], 1);
    double total = 0;
    for (const auto &row : r.T)
        for (double n : row)
            total += n;
    EXPECT_EQ(total, 2);
}
