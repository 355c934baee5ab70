// Replace, Check deads and undo over a live query, with every stored change read back by shapelib's
// dbfdump and the bytes of the file compared with the original.
#include "enginetestutil.h"

#include "common/error.h"
#include "data/editjournal.h"
#include "data/edittools.h"
#include "model/dbfdump.h"

#include <chrono>
#include <csignal>
#include <deque>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace enginetest;
using testsupport::readBytes;
using testsupport::TempDir;
using testsupport::writeBytes;

namespace {

using Answers = std::deque<data::Answer>;
using Lines = std::vector<std::string>;
constexpr auto Yes = data::Answer::Yes;
constexpr auto No = data::Answer::No;
constexpr auto Cancel = data::Answer::Cancel;

// Answers from a queue and keeps every question; a question beyond the queue fails the test.
class ScriptedConfirmations : public data::Confirmations
{
public:
    explicit ScriptedConfirmations(Answers answers) : m_answers(std::move(answers)) {}
    data::Answer confirm(const std::string &question) override
    {
        asked.push_back(question);
        if (m_answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << question;
            return Cancel;
        }
        data::Answer answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    Lines asked;

private:
    Answers m_answers;
};

// One column of each year, in the order given, N(3,0) as field crews' tables have them.
struct YearTable
{
    std::vector<data::YearColumn> years;
    std::vector<std::vector<std::string>> rows; // TREE, then one value per year ("" is blank)
};

// A table of trees of plot A1 and species SM in a temporary directory, written with shapelib's tools
// (PLOT C(10), TREE N(5,0), SP C(2), the year columns N(3,0)), and the selected-trees query over it
// with an undo journal.
class Trees
{
public:
    // Without the end mark the file ends after its last record, as some programs write it.
    explicit Trees(const YearTable &table, bool endMark = true) : years(table.years)
    {
        std::string options = "-s PLOT 10 -n TREE 5 0 -s SP 2";
        for (const auto &year : table.years)
            options += " -n " + year.field + " 3 0";
        std::vector<std::vector<std::string>> rows;
        for (const auto &row : table.rows) {
            std::vector<std::string> values{"A1", row[0], "SM"};
            values.insert(values.end(), row.begin() + 1, row.end());
            rows.push_back(values);
        }
        makeTable(file, options, rows);
        original = readBytes(file);
        if (!endMark) {
            original.pop_back();
            writeBytes(file, original);
        }
        connect(connection, dir.path());
        query.setJournal(&journal);
        query.setSql({"SELECT * FROM 'trees.dbf'", "WHERE ((PLOT = :PlotNames) and (SP = :NSpecies))"});
        query.prepare();
        query.setParam("PlotNames", "A1");
        query.setParam("NSpecies", "SM");
        query.open();
    }

    // A column of every row as dbfdump reads the file.
    Lines column(const std::string &name) const
    {
        const auto table = dbfdump::read(file);
        Lines values;
        for (std::size_t row = 0; row < table.rows.size(); ++row)
            values.push_back(table.at(row, name));
        return values;
    }

    std::vector<std::string> yearFields() const
    {
        std::vector<std::string> fields;
        for (const auto &year : years)
            fields.push_back(year.field);
        return fields;
    }

    TempDir dir;
    std::filesystem::path file = dir / "trees.dbf";
    std::vector<data::YearColumn> years;
    std::string original;
    data::Connection connection;
    data::Query query{connection};
    data::EditJournal journal{connection};
};

const std::vector<data::YearColumn> kYears = {{1995, "D1995"}, {1996, "D1996"}, {1997, "D1997"}};

struct DeadCase
{
    const char *what;
    std::vector<data::YearColumn> years;
    std::vector<std::string> values; // one tree, in the order of years
    std::string deadValue;           // as entered
    int valueType;
    Lines questions;
    Answers answers;
    std::vector<std::string> stored; // the year columns afterwards, in the order of years
};

const DeadCase kDeadCases[] = {
    {"dead, alive, dead: only the year between is questioned",
     kYears,
     {"100", "40", "100"},
     "100",
     0,
     {"Replace the case of year 1996"},
     {Yes},
     {"100", "100", "100"}},
    {"an empty later year differs from the dead value too",
     kYears,
     {"40", "100", ""},
     "100",
     0,
     {"Replace the case of year 1997"},
     {Yes},
     {"40", "100", "100"}},
    {"damage classes: dead is 5, both later years are questioned",
     kYears,
     {"5", "3", "3"},
     "5",
     1,
     {"Replace the case of year 1996", "Replace the case of year 1997"},
     {Yes, No},
     {"5", "5", "3"}},
    {"99 entered as dead: the standard dead value 100 is written, not 99",
     kYears,
     {"99", "40", ""},
     "99",
     0,
     {"Replace the case of year 1996", "Replace the case of year 1997"},
     {Yes, Yes},
     {"99", "100", "100"}},
    {"columns in table order 1997, 1995, 1996: the earlier years come after the dead 1997",
     {{1997, "D1997"}, {1995, "D1995"}, {1996, "D1996"}},
     {"100", "40", "40"},
     "100",
     0,
     {"Replace the case of year 1995", "Replace the case of year 1996"},
     {No, Yes},
     {"100", "40", "100"}},
    {"a tree never recorded dead asks nothing", kYears, {"40", "60", ""}, "100", 0, {}, {}, {"40", "60", ""}},
};

} // namespace

TEST(EditTools, CheckDeadsAsksForEveryLaterYearAndWritesTheStandardDeadValue)
{
    for (const DeadCase &c : kDeadCases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> row{"1"};
        row.insert(row.end(), c.values.begin(), c.values.end());
        Trees trees({c.years, {row}});

        ScriptedConfirmations confirmations(c.answers);
        const data::DeadCheckSettings settings{c.deadValue, data::standardDeadValue(c.valueType), c.years};
        const auto run = data::checkDeads(trees.query, settings, confirmations);
        EXPECT_EQ(confirmations.asked, c.questions);
        EXPECT_TRUE(trees.query.eof());
        EXPECT_FALSE(run.cancelled);
        for (std::size_t i = 0; i < c.years.size(); ++i)
            EXPECT_EQ(trees.column(c.years[i].field), Lines{c.stored[i]}) << c.years[i].field;
    }
}

namespace {

// Trees 1 to 4 with 25 in several cells; tree 5 of another species is not shown.
const YearTable kReplaceTable = {
    kYears,
    {{"1", "25", "40", "25"}, {"2", "30", "25", ""}, {"3", "40", "40", "40"}, {"4", "25", "", "100"}}};

} // namespace

TEST(EditTools, ReplaceAsksForEveryFoundCellInYearOrderAndStoresTheConfirmedOnes)
{
    Trees trees(kReplaceTable);
    // No TreeID role: every question names "the record".
    ScriptedConfirmations confirmations({Yes, No, Yes, Yes});
    data::ReplaceSettings settings{"25", "30", false, "", trees.yearFields(), ""};
    const auto run = data::replaceValues(trees.query, settings, confirmations);
    EXPECT_EQ(confirmations.asked, Lines(4, "Replace the case of the record"));
    EXPECT_EQ(run.changed, 3);
    EXPECT_TRUE(trees.query.eof());
    EXPECT_EQ(trees.column("D1995"), (Lines{"30", "30", "40", "30"}));
    EXPECT_EQ(trees.column("D1996"), (Lines{"40", "30", "40", ""}));
    EXPECT_EQ(trees.column("D1997"), (Lines{"25", "", "40", "100"}));

    // With the TreeID role the question names the tree; "selected only" searches one column.
    ScriptedConfirmations byTree({Yes});
    settings = {"40", "45", true, "D1997", trees.yearFields(), "TREE"};
    data::replaceValues(trees.query, settings, byTree);
    EXPECT_EQ(byTree.asked, Lines{"Replace the case of 3"});
    EXPECT_EQ(trees.column("D1997"), (Lines{"25", "", "45", "100"}));
    EXPECT_EQ(trees.column("D1996"), (Lines{"40", "30", "40", ""}));
}

TEST(EditTools, CancelAndRefusalsLeaveTheFileAsTheConfirmedAnswersSay)
{
    Trees trees(kReplaceTable);
    data::ReplaceSettings settings{"25", "30", false, "", trees.yearFields(), "TREE"};

    // Cancel at the first question: not a byte changes.
    ScriptedConfirmations cancelFirst({Cancel});
    EXPECT_TRUE(data::replaceValues(trees.query, settings, cancelFirst).cancelled);
    EXPECT_EQ(readBytes(trees.file), trees.original);

    // "selected only" with the empty item: the column is not found, nothing is asked or written.
    ScriptedConfirmations none({});
    const data::ReplaceSettings emptyColumn{"25", "30", true, "", trees.yearFields(), "TREE"};
    EXPECT_THROW(data::replaceValues(trees.query, emptyColumn, none), common::DataError);
    EXPECT_TRUE(none.asked.empty());

    // A replacement a numeric column cannot hold is refused before the question, naming both.
    const data::ReplaceSettings tooWide{"25", "1000", false, "", trees.yearFields(), "TREE"};
    try {
        data::replaceValues(trees.query, tooWide, none);
        ADD_FAILURE() << "1000 was accepted into N(3,0)";
    } catch (const common::DataError &e) {
        EXPECT_NE(std::string(e.what()).find("1000"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("D1995"), std::string::npos) << e.what();
    }
    EXPECT_EQ(readBytes(trees.file), trees.original);

    // Yes, then Cancel in the same row: the confirmed change of that row is stored, and is undone
    // with the rest of the run.
    ScriptedConfirmations yesThenCancel({Yes, Cancel});
    {
        data::EditJournal::StepScope step(trees.journal);
        EXPECT_TRUE(data::replaceValues(trees.query, settings, yesThenCancel).cancelled);
    }
    EXPECT_EQ(yesThenCancel.asked, Lines(2, "Replace the case of 1"));
    EXPECT_EQ(trees.column("D1995"), (Lines{"30", "30", "40", "25"}));
    EXPECT_EQ(trees.column("D1997"), (Lines{"25", "", "40", "100"}));
    ASSERT_EQ(trees.journal.stepCount(), 1u);
    trees.journal.undo();
    EXPECT_EQ(readBytes(trees.file), trees.original);
}

TEST(EditTools, UndoPutsTheFileBackByteForByteStepByStep)
{
    Trees trees(kReplaceTable);
    // The header's date of last update is that of the original file, not today's.
    ASSERT_EQ(trees.original.substr(1, 3), std::string("\x5f\x07\x1a", 3));

    // A run of Replace is one step.
    ScriptedConfirmations all({Yes, Yes, Yes, Yes});
    {
        data::EditJournal::StepScope step(trees.journal);
        data::replaceValues(trees.query, {"25", "30", false, "", trees.yearFields(), "TREE"}, all);
    }
    const std::string afterReplace = readBytes(trees.file);
    EXPECT_NE(afterReplace, trees.original);

    // A hand edit of one row, as the grid stores it, is a step of its own; values are checked
    // before anything is written.
    trees.query.first();
    const std::size_t record = trees.query.recordNumber();
    EXPECT_THROW(trees.query.storeRecord(record, {{"D1996", "41"}, {"D1997", "x"}}), common::DataError);
    EXPECT_EQ(readBytes(trees.file), afterReplace);
    trees.query.storeRecord(record, {{"D1996", "41"}, {"PLOT", "A1"}});
    EXPECT_EQ(trees.query.recordTexts(record), (Lines{"A1", "1", "SM", "30", "41", "30"}));
    EXPECT_EQ(trees.column("D1996")[0], "41");
    EXPECT_EQ(trees.journal.stepCount(), 2u);

    EXPECT_EQ(trees.journal.undo(), std::vector<std::size_t>{record});
    EXPECT_EQ(readBytes(trees.file), afterReplace);
    EXPECT_EQ(trees.journal.undo().size(), 3u); // trees 1, 2 and 4
    EXPECT_EQ(readBytes(trees.file), trees.original);
    EXPECT_FALSE(trees.journal.canUndo());
    EXPECT_TRUE(trees.journal.undo().empty());
    EXPECT_EQ(trees.journal.takeNote(), "");
    // The engine reads the restored values, not a copy of its own.
    trees.query.first();
    EXPECT_EQ(trees.query.asString("D1995"), "25");

    // An edit of the last record does not lengthen a file that has no end mark.
    Trees unmarked(kReplaceTable, false);
    unmarked.query.first();
    for (int row = 0; row < 3; ++row)
        unmarked.query.next();
    unmarked.query.storeRecord(unmarked.query.recordNumber(), {{"D1996", "5"}});
    EXPECT_EQ(readBytes(unmarked.file).size(), unmarked.original.size());
    unmarked.journal.undo();
    EXPECT_EQ(readBytes(unmarked.file), unmarked.original);
}

TEST(EditTools, AnotherProgramsChangeDropsTheHistoryWithANote)
{
    Trees trees(kReplaceTable);
    trees.query.first();
    const std::size_t record = trees.query.recordNumber();
    trees.query.storeRecord(record, {{"D1996", "41"}});
    ASSERT_TRUE(trees.journal.canUndo());
    EXPECT_FALSE(trees.journal.checkFile());
    // A change of the file's entry alone (its mode) is no change of the table.
    std::filesystem::permissions(trees.file, std::filesystem::perms::others_read,
                                 std::filesystem::perm_options::remove);
    EXPECT_FALSE(trees.journal.checkFile());
    EXPECT_TRUE(trees.journal.canUndo());

    // Another program appends a tree.
    run("dbfadd " + shellQuote(trees.file.string()) + " B2 9 SM 1 2 3");
    const std::string changed = readBytes(trees.file);
    EXPECT_TRUE(trees.journal.undo().empty());
    EXPECT_FALSE(trees.journal.canUndo());
    EXPECT_NE(trees.journal.takeNote().find("was changed by another program"), std::string::npos);
    EXPECT_EQ(trees.journal.takeNote(), "");
    EXPECT_EQ(readBytes(trees.file), changed);

    // The next stored row starts a new history.
    trees.query.storeRecord(record, {{"D1996", "42"}});
    EXPECT_EQ(trees.journal.stepCount(), 1u);
    trees.journal.undo();
    EXPECT_EQ(readBytes(trees.file), changed);
}

TEST(EditTools, AKilledRunLeavesEveryRowOldOrNew)
{
    // Many trees, each with one cell to replace: the child answers Yes to all and is killed while
    // it writes them.
    constexpr std::size_t kTrees = 400;
    YearTable table{kYears, {}};
    for (std::size_t tree = 1; tree <= kTrees; ++tree)
        table.rows.push_back({std::to_string(tree), "25", "40", ""});
    Trees trees(table);
    const auto layout = dbfdump::read(trees.file);
    const std::size_t header = 32 + 32 * layout.fields.size() + 1;
    const std::size_t recordLength = 1 + 10 + 5 + 2 + 3 * 3;
    const std::string oldRecords = trees.original.substr(header, recordLength * kTrees);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        struct AlwaysYes : data::Confirmations
        {
            // A user answers far slower; the pause only keeps the run going until it is killed.
            data::Answer confirm(const std::string &) override
            {
                usleep(200);
                return data::Answer::Yes;
            }
        } yes;
        try {
            data::replaceValues(trees.query, {"25", "30", false, "", trees.yearFields(), "TREE"}, yes);
        } catch (...) {
        }
        _exit(0);
    }
    // Killed once a few dozen trees are stored.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    auto storedCount = [&] {
        const std::string bytes = readBytes(trees.file);
        int count = 0;
        for (std::size_t at = header + 1 + 10 + 5 + 2; at < bytes.size(); at += recordLength)
            count += bytes.compare(at, 3, " 30") == 0;
        return count;
    };
    while (storedCount() < 20 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the run ended before it was killed";

    const std::string bytes = readBytes(trees.file);
    ASSERT_EQ(bytes.size(), trees.original.size());
    EXPECT_EQ(bytes.substr(0, 1) + bytes.substr(4, header - 4),
              trees.original.substr(0, 1) + trees.original.substr(4, header - 4));
    int fresh = 0;
    for (std::size_t row = 0; row < kTrees; ++row) {
        std::string before = oldRecords.substr(row * recordLength, recordLength);
        std::string after = before;
        after.replace(1 + 10 + 5 + 2, 3, " 30");
        const std::string now = bytes.substr(header + row * recordLength, recordLength);
        ASSERT_TRUE(now == before || now == after) << "record " << row + 1 << ": " << now;
        fresh += now == after;
    }
    EXPECT_GE(fresh, 20);
    EXPECT_LT(fresh, static_cast<int>(kTrees));
    // An independent reader reads every row, each with its old or its new value.
    const auto read = dbfdump::read(trees.file);
    ASSERT_EQ(read.rows.size(), kTrees);
    for (std::size_t row = 0; row < read.rows.size(); ++row)
        EXPECT_TRUE(read.at(row, "D1995") == "25" || read.at(row, "D1995") == "30") << row;
}
