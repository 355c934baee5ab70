// The CREATE TABLE statements of TRANSIT.DBF and AVERAGE.DBF and the check that keeps values that do
// not fit their columns out of the tables.
#include "model/resulttables.h"

#include "common/error.h"

#include <gtest/gtest.h>

TEST(ResultTables, TransitStatementHas44LinesFromT00ToT55)
{
    const auto lines = model::TransitTableSql();
    ASSERT_EQ(lines.size(), 44u);
    EXPECT_EQ(lines[0], "CREATE TABLE \"TRANSIT.DBF\"");
    EXPECT_EQ(lines[1], "(");
    EXPECT_EQ(lines[2], " Id_plot CHAR(10),");
    EXPECT_EQ(lines[3], " Id_species CHAR(2),");
    EXPECT_EQ(lines[4], " Id_year DECIMAL(4,0),");
    EXPECT_EQ(lines[5], " Interval DECIMAL(2,0),");
    EXPECT_EQ(lines[6], " T00 DECIMAL(6,4),");
    EXPECT_EQ(lines[7], " T01 DECIMAL(6,4),");
    EXPECT_EQ(lines[12], " T10 DECIMAL(6,4),");
    EXPECT_EQ(lines[41], " T55 DECIMAL(6,4),");
    EXPECT_EQ(lines[42], " N_tree DECIMAL(6,0)");
    EXPECT_EQ(lines[43], ")");
}

TEST(ResultTables, AverageStatementHas17Lines)
{
    const std::vector<std::string> expected{"CREATE TABLE \"AVERAGE.DBF\"",
                                            "(",
                                            " Id_plot CHAR(10),",
                                            " Id_species CHAR(2),",
                                            " Id_year DECIMAL(4,0),",
                                            " N_tree DECIMAL(6,0),",
                                            " Dead DECIMAL(7,3),",
                                            " Def_avg DECIMAL(7,3),",
                                            " Def_std DECIMAL(7,3),",
                                            " Def_min DECIMAL(7,3),",
                                            " C0 DECIMAL(6,4),",
                                            " C1 DECIMAL(6,4),",
                                            " C2 DECIMAL(6,4),",
                                            " C3 DECIMAL(6,4),",
                                            " C4 DECIMAL(6,4),",
                                            " C5 DECIMAL(6,4)",
                                            ")"};
    EXPECT_EQ(model::AverageTableSql(), expected);
}

TEST(ValueGuard, AValueFitsWhenItsDigitsFitTheDeclaredPrecision)
{
    struct Case
    {
        double value;
        int precision, scale;
        bool fits;
    };
    const Case cases[] = {
        {999, 3, 0, true},       {1000, 3, 0, false},     {-999, 3, 0, true},     {-1000, 3, 0, false},
        {9999, 4, 0, true},      {10000, 4, 0, false},    {99.9999, 6, 4, true},  {100, 6, 4, false},
        {99.99996, 6, 4, false}, {0.5, 6, 4, true},       {-0.00001, 6, 4, true}, {0, 3, 0, true},
        {-3.484, 7, 3, true},    {-9999.999, 7, 3, true}, {-10000, 7, 3, false},  {1005, 4, 0, true},
        {1e300, 7, 3, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(model::ValueGuard::fits(c.value, c.precision, c.scale), c.fits)
            << c.value << " in DECIMAL(" << c.precision << "," << c.scale << ")";
}

TEST(ValueGuard, ReportsEachColumnOnce)
{
    model::ValueGuard guard;
    EXPECT_EQ(guard.report(), "");
    guard.leftOut("AVERAGE.DBF", "C5");
    EXPECT_EQ(guard.report(), "1 value did not fit its column and was left blank: AVERAGE.DBF C5 (1)");
    guard.leftOut("AVERAGE.DBF", "C5");
    guard.leftOut("TRANSIT.DBF", "N_tree");
    EXPECT_EQ(guard.count(), 3u);
    EXPECT_EQ(
        guard.report(),
        "3 values did not fit their columns and were left blank: AVERAGE.DBF C5 (2), TRANSIT.DBF N_tree (1)");
}

TEST(ResultTables, CodeColumnsWidenOnlyForLongerCodesAndRefuseWhatNoFieldHolds)
{
    const model::CodeWidths standard;
    EXPECT_EQ(model::WidthsFor({"A1", "PLOT000001"}, {"SM", "B"}), standard);
    // Characters count, not bytes: the tables are written in a single-byte code page.
    EXPECT_EQ(model::WidthsFor({"PLOT-NORTH-1"}, {"FRAM", "\u017dB"}), (model::CodeWidths{12, 4}));
    EXPECT_EQ(model::TransitTableSql({12, 4})[2], " Id_plot CHAR(12),");
    EXPECT_EQ(model::AverageTableSql({12, 4})[3], " Id_species CHAR(4),");
    const std::string longest(model::kMaxCodeWidth, 'X');
    EXPECT_EQ(model::WidthsFor({"A1"}, {longest}).species, model::kMaxCodeWidth);
    try {
        model::WidthsFor({"A1"}, {"SM", longest + "1", longest + "2"});
        FAIL() << "no refusal";
    } catch (const common::Error &e) {
        EXPECT_EQ(std::string(e.what()),
                  "Species codes longer than 254 characters cannot be stored whole in "
                  "TRANSIT.DBF and AVERAGE.DBF, and cut they could stand for another: '" +
                      longest + "1', '" + longest + "2'");
    }
}
