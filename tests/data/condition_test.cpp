// The user's free condition: kept as one bracketed group, and refused with a message naming the
// problem when it would not stay one condition after "and " or the engine cannot take it.
#include "enginetestutil.h"

#include "common/error.h"
#include "data/condition.h"
#include "data/selection.h"

using namespace enginetest;
using testsupport::TempDir;

TEST(Condition, IsKeptAsOneBracketedGroup)
{
    const std::pair<const char *, const char *> cases[] = {
        {"DBH>10", "(DBH>10)"},
        {"(DBH>10)", "(DBH>10)"},
        // Two groups joined by OR would let "and" bind the first one only.
        {"(DBH>10) or (HEIGHT>20)", "((DBH>10) or (HEIGHT>20))"},
        // A bracket inside a literal neither opens nor closes.
        {"(SP=')')", "(SP=')')"},
        {"SP='(' or SP=')'", "(SP='(' or SP=')')"},
        {"  (DBH>10)  ", "(DBH>10)"},
        {"   ", ""},
        {"", ""},
    };
    for (const auto &[typed, kept] : cases)
        EXPECT_EQ(data::keptCondition(typed), kept) << typed;
}

TEST(Condition, EveryProblemIsNamedWithTheCondition)
{
    TempDir dir;
    makeTable(dir / "T.dbf", "-s PLOT 10 -s SP 2 -n DBH 5 1", {{"A1", "SM", "12.5"}});
    data::Connection connection;
    connect(connection, dir.path());
    const std::pair<const char *, const char *> refused[] = {
        {"1=1) OR (1=1", "Condition: the bracket ) at character 4 closes a bracket that was not opened in: "
                         "1=1) OR (1=1"},
        {"(DBH>10", "Condition: a bracket is opened and not closed in: (DBH>10"},
        {"((DBH>10)", "Condition: a bracket is opened and not closed in: ((DBH>10)"},
        {"SP='SM", "Condition: the quote ' at character 4 is not closed in: SP='SM"},
        {"[SP='SM'", "Condition: the bracket [ at character 1 is not closed in: [SP='SM'"},
        {"DBH>10 -- big ones", "Condition: a comment (-- at character 8) cannot be part of a condition in: "
                               "DBH>10 -- big ones"},
        {"DBH >", "Condition: near \")\": syntax error in: (DBH >)"},
        {"HEIGHT > 20", "Condition: no such column: HEIGHT in: (HEIGHT > 20)"},
    };
    for (const auto &[typed, message] : refused) {
        try {
            data::checkCondition(connection, "T.dbf", typed);
            ADD_FAILURE() << "taken: " << typed;
        } catch (const common::DataError &e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
    EXPECT_EQ(data::checkCondition(connection, "T.dbf", "SP=')' or DBH>10"), "(SP=')' or DBH>10)");
    EXPECT_EQ(data::checkCondition(connection, "T.dbf", "(DBH>10)"), "(DBH>10)");
    EXPECT_EQ(data::checkCondition(connection, "T.dbf", ""), "");
}
