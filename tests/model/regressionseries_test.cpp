// The series of the regression page and fenoris-cli regression read from a query: blanks,
// logarithms of values <= 0 and missing values compared after the logarithm, and columns that are
// not numbers.
#include "common/error.h"
#include "common/messagesink.h"
#include "data/database.h"
#include "model/regressionseries.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <ostream>

namespace stats {

bool operator==(const TPoint &a, const TPoint &b)
{
    return a.X == b.X && a.Y == b.Y;
}

void PrintTo(const TPoint &p, std::ostream *out)
{
    *out << "(" << static_cast<double>(p.X) << ", " << static_cast<double>(p.Y) << ")";
}

} // namespace stats

namespace {

struct Row
{
    std::optional<double> x;
    std::optional<double> y;
    const char *word;
};

// A blank in each column, X of 0 and below, Y of -1, and a text column.
const Row kRows[] = {
    {1, 2, "a"}, {10, 4, "b"}, {{}, 5, "c"}, {100, {}, "d"}, {0, 6, "e"}, {-2, 7, "f"}, {1000, -1, "g"},
};

class FillSeries : public ::testing::Test
{
protected:
    FillSeries()
    {
        connection.setParam("PATH", dir.path().string() + "/");
        connection.open();
        data::Query create(connection);
        create.setSql({"CREATE TABLE 'S.DBF' (X DECIMAL(6,1), Y DECIMAL(6,1), W CHAR(4))"});
        create.execSql();
        data::Table table(connection, "S.DBF");
        table.open();
        for (const Row &row : kRows) {
            table.append();
            if (row.x) table.setFloat("X", *row.x);
            if (row.y) table.setFloat("Y", *row.y);
            table.setString("W", row.word);
            table.post();
        }
        table.close();
        query.setSql({"SELECT * FROM 'S.DBF'"});
        query.open();
    }

    std::vector<stats::TPoint> points(const model::SeriesColumns &columns,
                                      long double missingX = stats::kDefaultMissing,
                                      long double missingY = stats::kDefaultMissing)
    {
        stats::TStatistics series(sink);
        series.MissingX = missingX;
        series.MissingY = missingY;
        model::FillSeries(series, query, columns);
        return series.Points();
    }

    testsupport::TempDir dir;
    data::Connection connection;
    data::Query query{connection};
    common::RecordingSink sink;
};

using Points = std::vector<stats::TPoint>;

TEST_F(FillSeries, LeavesOutBlanksThenMissingValues)
{
    EXPECT_EQ(points({"X", "Y"}), (Points{{-2, 7}, {0, 6}, {1, 2}, {10, 4}, {1000, -1}}));
    // The fixed series of the page: DBH 0 and defoliation -1 are missing.
    EXPECT_EQ(points({"X", "Y"}, 0, -1), (Points{{-2, 7}, {1, 2}, {10, 4}}));
    // Read again from the first row: the query may have been read before.
    EXPECT_EQ(points({"x", "y"}).size(), 5u);
}

TEST_F(FillSeries, LogarithmsLeaveOutValuesNotAboveZeroAndMeetTheMissingValues)
{
    EXPECT_EQ(points({"X", "Y", true, false}), (Points{{0, 2}, {1, 4}, {3, -1}}));
    // log10(1) = 0 is the missing X, while the X of 0 itself was already left out by the logarithm.
    EXPECT_EQ(points({"X", "Y", true, false}, 0), (Points{{1, 4}, {3, -1}}));
    const Points both = points({"X", "Y", true, true});
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[0].X, 0);
    EXPECT_EQ(both[0].Y, static_cast<long double>(static_cast<double>(std::log10(2.0L))));
    EXPECT_EQ(both[1].X, 1);
    // The logarithm is kept as a double, as the value it replaces.
    EXPECT_EQ(both[1].Y, static_cast<long double>(static_cast<double>(std::log10(4.0L))));
}

TEST_F(FillSeries, AColumnOfWordsIsAnErrorNamingTheTableColumnAndRecord)
{
    try {
        points({"X", "W"});
        ADD_FAILURE() << "no error";
    } catch (const common::DataError &e) {
        EXPECT_EQ(std::string(e.what()),
                  "Table " + (dir.path() / "S.DBF").string() + ", column W, record 1: 'a' is not a number");
    }
}

} // namespace
