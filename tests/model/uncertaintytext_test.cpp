// The texts of the "Transit matrix" page on a matrix's uncertainty, and the check that a stored
// matrix is the one counted from the trees.
#include "model/uncertaintytext.h"

#include <gtest/gtest.h>

using model::HomogeneityTest;

TEST(UncertaintyText, CellsRowsAndTheHomogeneityLine)
{
    model::RowEstimate row;
    row.n = 12;
    row.observed = true;
    row.cells[0].share = 0.25;
    row.cells[0].interval = {0.0889, 0.53235};
    EXPECT_EQ(model::IntervalCellText(row.cells[0]), "0.250 (0.089\u20130.532)");
    EXPECT_EQ(model::RowCountText(row), "n = 12");
    EXPECT_EQ(model::RowCountText(model::RowEstimate{}), "n = 0 (assumed)");

    struct Case
    {
        std::optional<HomogeneityTest> test;
        const char *text;
    };
    const auto test = [](double chi2, int df, std::optional<double> p, bool small) {
        HomogeneityTest t;
        t.chi2 = chi2;
        t.df = df;
        t.p = p;
        t.smallCounts = small;
        return std::optional<HomogeneityTest>(t);
    };
    // 0.05 itself agrees: the periods differ only below it.
    const Case cases[] = {
        {test(12.44, 9, 0.1897, false), "Periods agree: \u03c7\u00b2 = 12.4, df = 9, p = 0.19"},
        {test(3.84, 1, 0.05, false), "Periods agree: \u03c7\u00b2 = 3.8, df = 1, p = 0.05"},
        {test(387.81, 12, 1.436e-75, false), "Periods differ: \u03c7\u00b2 = 387.8, df = 12, p = 1.4E-75"},
        {test(19.39, 12, 0.0795, true),
         "Periods agree: \u03c7\u00b2 = 19.4, df = 12, p = 0.08; small counts, p is rough"},
        {test(0, 0, std::nullopt, true),
         "Periods cannot differ: no class has trees in two periods that went to "
         "different classes (df = 0, no p-value)"},
        {std::nullopt, "One period only: nothing to compare"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(model::HomogeneityText(c.test), c.text);
}

TEST(StoredMatrixMatches, WithinTheFourthDecimalAndTheSameTrees)
{
    model::TTransit record;
    record.NTree = 3;
    for (std::size_t i = 0; i < 6; ++i)
        record.T[i][i] = 1;
    record.T[0] = {2.0 / 3, 1.0 / 3, 0, 0, 0, 0};
    model::TransitMatrix stored{};
    for (std::size_t i = 0; i < 6; ++i)
        stored[i][i] = 1;
    stored[0] = {0.6667, 0.3333, 0, 0, 0, 0}; // as DECIMAL(6,4) keeps them
    EXPECT_TRUE(model::StoredMatrixMatches(record, stored, 3));
    EXPECT_FALSE(model::StoredMatrixMatches(record, stored, 4));
    stored[0][1] = 0.3332;
    EXPECT_FALSE(model::StoredMatrixMatches(record, stored, 3));
}
