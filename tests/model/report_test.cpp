// The figures of a report row: which year is the last, and which trees count as living and over 25 %
// when the columns hold damage classes.
#include "model/report.h"

#include "common/error.h"
#include "model/treebuilder.h"

#include <gtest/gtest.h>

#include <cmath>

using model::ValueType;
using modeltest::addTrees;
using modeltest::blank;

namespace {

const std::vector<data::YearColumn> kYears = {{1990, "D1990"}, {1991, "D1991"}, {1992, "D1992"}};

model::ReportFigures figuresOf(const model::TreeValues &trees, ValueType type)
{
    return model::ComputeReportFigures(trees, model::ComputeYearStatistics(trees, type), kYears, type);
}

} // namespace

// Classes 0 to 5 stand for 5, 17.5, 42.5, 65, 85 and 100 %: class 1 is not over 25 %, class 2 is, and
// class 5 is a dead tree. The last survey year (1992) has no statistics (four trees), so 1991 is the
// last year: 2 trees of class 1, 2 of class 2, 1 of class 3 and 1 of class 5 give 3 of the 5 living
// over 25 % (60 %) and 1 of 6 dead (16.667 %); class 7 in 1990 is passed over.
TEST(ReportFigures, CountLivingTreesOverAQuarterInTheLastYearWithStatistics)
{
    model::TreeValues trees(3);
    addTrees(trees, 2, {0, 1, 1});
    addTrees(trees, 2, {0, 2, 2});
    addTrees(trees, 1, {7, 3, blank});
    addTrees(trees, 1, {1, 5, blank});
    const auto f = figuresOf(trees, ValueType::DamageClasses);
    EXPECT_EQ(f.firstYear, 1990);
    EXPECT_EQ(f.lastYear, 1991);
    ASSERT_TRUE(f.shareOver25 && f.deadLast && f.meanFirst && f.meanLast);
    EXPECT_DOUBLE_EQ(*f.shareOver25, 60);
    EXPECT_NEAR(*f.deadLast, 100.0 / 6, 1e-12);
    // 1990: four trees at 5 % and one at 17.5 %: 37.5 / 5. 1991: (2*17.5 + 2*42.5 + 65) / 5.
    EXPECT_DOUBLE_EQ(*f.meanFirst, 7.5);
    EXPECT_DOUBLE_EQ(*f.meanLast, 37);
    EXPECT_FALSE(f.mannKendall);
    EXPECT_FALSE(f.senSlope);
}

// In per cent, 25 itself is not over 25; a last year whose trees are all dead has no share.
TEST(ReportFigures, AQuarterIsNotOverAndNoLivingTreeGivesNoShare)
{
    model::TreeValues trees(3);
    addTrees(trees, 4, {25, 100, 100});
    addTrees(trees, 1, {26, 100, 100});
    const auto f = figuresOf(trees, ValueType::Percent);
    EXPECT_EQ(f.lastYear, 1992);
    EXPECT_FALSE(f.shareOver25);
    EXPECT_EQ(f.deadLast, 100);

    model::TreeValues living(1);
    addTrees(living, 4, {25});
    living.addTree({26});
    const auto g = model::ComputeReportFigures(
        living, model::ComputeYearStatistics(living, ValueType::Percent), {kYears[0]}, ValueType::Percent);
    ASSERT_TRUE(g.shareOver25);
    EXPECT_DOUBLE_EQ(*g.shareOver25, 20);
}

// The figures a worker process sends back come out as they went in, empty values included, bit for
// bit; bytes cut short or left over are refused rather than read as other figures.
TEST(ReportFigures, CrossProcessesBitForBit)
{
    model::ReportFigures full;
    full.firstYear = 1984;
    full.lastYear = 2023;
    full.meanFirst = 0.1 + 0.2;
    full.meanLast = -0.0;
    full.shareOver25 = 4.9406564584124654e-324;
    full.deadLast = 100;
    full.mannKendall = stats::MannKendall{-435, 1.0 / 3.0, -5.5, 3.7e-8};
    full.senSlope = -1.25;
    full.homogeneityP = 1;
    model::ReportFigures noTest = full;
    noTest.mannKendall = stats::MannKendall{0, 0, std::nullopt, std::nullopt};
    noTest.homogeneityP.reset();

    for (const auto &figures : {model::ReportFigures{}, full, noTest}) {
        const std::string bytes = model::EncodeReportFigures(figures);
        EXPECT_EQ(model::EncodeReportFigures(model::DecodeReportFigures(bytes)), bytes);
        EXPECT_THROW(model::DecodeReportFigures(std::string_view(bytes).substr(0, bytes.size() - 1)),
                     common::Error);
        EXPECT_THROW(model::DecodeReportFigures(bytes + '\0'), common::Error);
    }
    const auto back = model::DecodeReportFigures(model::EncodeReportFigures(full));
    EXPECT_EQ(back.lastYear, 2023);
    EXPECT_TRUE(std::signbit(*back.meanLast));
    EXPECT_EQ(back.shareOver25, full.shareOver25);
    ASSERT_TRUE(back.mannKendall);
    EXPECT_EQ(back.mannKendall->s, -435);
    EXPECT_EQ(back.mannKendall->p, 3.7e-8);
    EXPECT_FALSE(model::DecodeReportFigures(model::EncodeReportFigures(noTest)).mannKendall->z);
}
