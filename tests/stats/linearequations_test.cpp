// The solver of the normal equations: its shape warnings, row exchange on an exact zero pivot, the
// small-factor rule, and singular systems.
#include "common/messagesink.h"
#include "stats/statistics.h"

#include <gtest/gtest.h>

using common::MessageKind;
using common::RecordingSink;
using stats::TwoDimArray;

namespace {

struct ShapeCase
{
    TwoDimArray matrix;
    int n;
    const char *warning;
};

TEST(LinearExuations, RefusesAMatrixOfTheWrongShape)
{
    const ShapeCase cases[] = {
        {{}, 0, "LinearExuations: low number of exuations: -1"},
        {{{1, 2, 3}}, 2, "LinearExuations: low number of exuations: 0"},
        {{{1, 0, 0, 1}, {0, 1, 0}, {0, 0, 1, 1}}, 2, "LinearExuations: error of exuation [1]"},
    };
    for (const auto &c : cases) {
        RecordingSink sink;
        TwoDimArray matrix = c.matrix;
        std::vector<long double> coef = {7};
        EXPECT_FALSE(stats::LinearExuations(c.n, matrix, coef, sink));
        EXPECT_EQ(sink.entries(), (std::vector<RecordingSink::Entry>{{MessageKind::Warning, c.warning}}));
        EXPECT_EQ(coef, std::vector<long double>{7});
    }
}

TEST(LinearExuations, SolvesAndExchangesRowsOnlyForAnExactZero)
{
    RecordingSink sink;
    // x0 + 0 x1 = 3 and x1 = 2, given in the other order: the zero pivot brings the next row up.
    TwoDimArray matrix = {{0, 1, 2}, {1, 0, 3}};
    std::vector<long double> coef;
    ASSERT_TRUE(stats::LinearExuations(1, matrix, coef, sink));
    EXPECT_EQ(coef, (std::vector<long double>{3, 2}));
    EXPECT_TRUE(sink.entries().empty());

    // A singular system fails without a message and leaves coef alone.
    TwoDimArray singular = {{1, 2, 3}, {2, 4, 6}};
    coef = {5};
    EXPECT_FALSE(stats::LinearExuations(1, singular, coef, sink));
    EXPECT_EQ(coef, std::vector<long double>{5});
    TwoDimArray zeroColumn = {{0, 1, 1}, {0, 2, 1}};
    EXPECT_FALSE(stats::GaussJordan(1, zeroColumn));
    EXPECT_TRUE(sink.entries().empty());
}

// A row whose elimination factor is 1e-14 or smaller is left as it is, and its tiny entry stays in
// the reduced system.
TEST(GaussJordan, SkipsRowsWithANegligibleFactor)
{
    TwoDimArray m = {{1, 0, 1}, {1e-15L, 1, 1}};
    ASSERT_TRUE(stats::GaussJordan(1, m));
    EXPECT_EQ(m[1][0], 1e-15L);
    EXPECT_EQ(m[1][2], 1);

    TwoDimArray eliminated = {{1, 0, 1}, {1e-13L, 1, 1}};
    ASSERT_TRUE(stats::GaussJordan(1, eliminated));
    EXPECT_EQ(eliminated[1][0], 0);
    EXPECT_EQ(eliminated[1][2], 1 - 1e-13L);
}

} // namespace
