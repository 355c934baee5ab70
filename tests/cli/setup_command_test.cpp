// fenoris-cli setup: the side files of a table opened the first time, as its column names suggest
// them and the options correct them, and the refusals that leave no side file.
#include "cli/commands.h"
#include "common/error.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <sstream>

using testsupport::readBytes;
using testsupport::TempDir;

namespace {

namespace fs = std::filesystem;

const fs::path kScbi = testsupport::realData() / "scbi";
const fs::path kFia = testsupport::realData() / "fia_ri";

using testsupport::runCli;

// The FIA table copied without its side files, set up in process with the extra arguments.
struct FiaSetup
{
    explicit FiaSetup(const std::vector<std::string> &options)
    {
        cli::Args args{testsupport::copyInto(kFia / "FIA_RI.DBF", dir.path()).string()};
        args.insert(args.end(), options.begin(), options.end());
        std::ostringstream outStream, errStream;
        status = cli::runSetup(args, outStream, errStream);
        out = outStream.str();
        err = errStream.str();
    }
    fs::path yrs() const { return dir / "FIA_RI.yrs"; }
    fs::path var() const { return dir / "FIA_RI.var"; }

    TempDir dir;
    int status = -1;
    std::string out, err;
};

} // namespace

TEST(SetupCommand, WritesTheSideFilesOfTheFixturesAndStatisticsThenRuns)
{
    TempDir dir;
    const fs::path table = testsupport::copyInto(kScbi / "SCBI_CROWN.DBF", dir.path());
    const std::string quoted = testsupport::shellQuote(table.string());
    const std::string yrs = (dir / "SCBI_CROWN.yrs").string(), var = (dir / "SCBI_CROWN.var").string();
    std::string out, err;

    // Without side files the other commands point to setup.
    EXPECT_EQ(runCli("statistics " + quoted, &out, &err), 1);
    EXPECT_EQ(err,
              "The years side file " + yrs +
                  " of SCBI_CROWN.DBF is missing; assign the table's columns and press Set OK in Fenoris, "
                  "or run fenoris-cli setup SCBI_CROWN.DBF\n");

    const std::string chosen = "PLOT   -     PlotNames\n"
                               "TREE   -     TreeID\n"
                               "SP     -     Species\n"
                               "DBH    -     DBH\n"
                               "D2014  2014  -\n"
                               "D2015  2015  -\n"
                               "D2016  2016  -\n"
                               "D2017  2017  -\n"
                               "D2018  2018  -\n"
                               "D2019  2019  -\n"
                               "D2021  2021  -\n";
    ASSERT_EQ(runCli("setup " + quoted + " --dry-run", &out, &err), 0) << err;
    EXPECT_EQ(out, chosen + "Dry run: no side file written\n");
    EXPECT_EQ(testsupport::namesIn(dir.path()), (std::vector<std::string>{"SCBI_CROWN.DBF"}));

    ASSERT_EQ(runCli("setup " + quoted, &out, &err), 0) << err;
    EXPECT_EQ(out, chosen + "Written: " + yrs + ", " + var + "\n");
    EXPECT_EQ(err, "");
    EXPECT_EQ(readBytes(yrs), readBytes(kScbi / "SCBI_CROWN.yrs"));
    EXPECT_EQ(readBytes(var), readBytes(kScbi / "SCBI_CROWN.var"));

    EXPECT_EQ(runCli("statistics " + quoted, &out, &err), 0) << err;
    EXPECT_TRUE(fs::exists(dir / "TRANSIT.DBF"));

    // Side files once written are replaced only on request.
    EXPECT_EQ(runCli("setup " + quoted + " --role DBH=-", &out, &err), 1);
    EXPECT_EQ(err, "The side file " + yrs + " exists already; give --force to replace it\n");
    EXPECT_EQ(readBytes(var), readBytes(kScbi / "SCBI_CROWN.var"));
    EXPECT_EQ(runCli("setup " + quoted + " --role DBH=- --force", &out, &err), 0) << err;
    EXPECT_EQ(readBytes(var),
              "Specials\r\nPlotNames\r\nTreeID\r\nSpecies\r\n-\r\n-\r\n-\r\n-\r\n-\r\n-\r\n-\r\n-\r\n");
}

TEST(SetupCommand, OptionsCorrectTheSuggestion)
{
    {
        const FiaSetup fia({});
        ASSERT_EQ(fia.status, 0) << fia.err;
        EXPECT_EQ(readBytes(fia.yrs()), readBytes(kFia / "FIA_RI.yrs"));
        EXPECT_EQ(readBytes(fia.var()), readBytes(kFia / "FIA_RI.var"));
    }
    struct Case
    {
        std::vector<std::string> options;
        const char *years; // the cells after the heading, of PLOT TREE SP DBH HEIGHT D2004 D2005 D2009 D2010
        const char *roles;
    };
    const Case cases[] = {
        {{"--year", "D2004=-", "--role", "Height=-"},
         "- - - - - - 2005 2009 2010",
         "PlotNames TreeID Species DBH - - - - -"},
        // Names of columns and roles are compared ignoring case; the last of repeated years wins.
        {{"--year", "d2005=2006", "--year", "D2005=2007"},
         "- - - - - 2004 2007 2009 2010",
         "PlotNames TreeID Species DBH Height - - - -"},
        // A role leaves the column that had it, and the column it goes to loses its own.
        {{"--role", "dbh=HEIGHT", "--role", "TreeID=D2010", "--year", "D2010=-"},
         "- - - - - 2004 2005 2009 -",
         "PlotNames - Species - DBH - - - TreeID"},
    };
    for (const auto &c : cases) {
        const FiaSetup fia(c.options);
        SCOPED_TRACE(fia.out);
        ASSERT_EQ(fia.status, 0) << fia.err;
        auto lines = [](const char *heading, std::string cells) {
            for (char &ch : cells)
                if (ch == ' ') ch = '\n';
            std::string text = std::string(heading) + "\n" + cells + "\n";
            std::string crlf;
            for (char ch : text)
                crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
            return crlf;
        };
        EXPECT_EQ(readBytes(fia.yrs()), lines("Defoliations", c.years));
        EXPECT_EQ(readBytes(fia.var()), lines("Specials", c.roles));
    }
}

TEST(SetupCommand, RefusesBadOptionsAndAnIncompleteSetupWritingNothing)
{
    struct Case
    {
        std::vector<std::string> options;
        const char *message;
    };
    const Case cases[] = {
        {{"--year", "D2004"}, "--year needs COLUMN=YEAR, not 'D2004'"},
        {{"--year", "=2004"}, "--year needs COLUMN=YEAR, not '=2004'"},
        {{"--role", "PlotNames="}, "--role needs ROLE=COLUMN, not 'PlotNames='"},
        {{"--year", "NOPE=2004"}, "--year NOPE=2004: the table has no column 'NOPE'"},
        {{"--year", "D2004=20x4"}, "--year D2004=20x4: '20x4' is not a valid integer value"},
        {{"--year", "D2004=0"}, "--year D2004=0: a survey year is a whole number above 0, or - for none"},
        {{"--role", "Plot=PLOT"},
         "--role Plot=PLOT: 'Plot' is not a role; the roles are PlotNames, TreeID, Species, DBH and Height"},
        {{"--role", "TreeID=NOPE"}, "--role TreeID=NOPE: the table has no column 'NOPE'"},
        {{"--colour", "red"}, "Unknown option --colour"},
        {{"--role"}, "Option --role needs a value"},
        // What the other commands would refuse is not written, not even on a dry run.
        {{"--role", "Species=-"},
         "No column has the role Species: give it with --role Species=COLUMN; no side file written"},
        {{"--year", "D2004=-", "--year", "D2005=-", "--year", "D2009=-", "--year", "D2010=-", "--dry-run"},
         "No column has a survey year: give them with --year COLUMN=YEAR; no side file written"},
        // Nor what the statistics would misuse.
        {{"--year", "D2005=2004"},
         "The survey year 2004 is given to columns D2004 and D2005: each survey year belongs to one column; "
         "no side file written"},
        {{"--year", "D2009=99999"},
         "Column D2009: the survey year 99999 is not a year from 1000 to 9999; no side file written"},
        {{"--year", "DBH=2011"},
         "Column DBH has both the survey year 2011 and the role DBH: a column has one of them; no side file "
         "written"},
        {{"--year", "PLOT=2000", "--dry-run"},
         "Column PLOT holds no numbers: it cannot have a survey year; no side file written"},
        {{"--year", "TREE=2000"},
         "Column TREE has both the survey year 2000 and the role TreeID: a column has one of them; no side "
         "file written"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message);
        TempDir dir;
        cli::Args args{testsupport::copyInto(kFia / "FIA_RI.DBF", dir.path()).string()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        std::ostringstream out, err;
        try {
            cli::runSetup(args, out, err);
            ADD_FAILURE() << "not refused: " << out.str();
        } catch (const common::Error &e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
        EXPECT_EQ(testsupport::namesIn(dir.path()), (std::vector<std::string>{"FIA_RI.DBF"}));
    }

    TempDir dir;
    std::ostringstream out, err;
    EXPECT_EQ(cli::runSetup({}, out, err), 2);
    EXPECT_EQ(cli::runSetup({"a.dbf", "b.dbf"}, out, err), 2);
    EXPECT_EQ(err.str().substr(0, 33), "usage: fenoris-cli setup TABLE.db");
    EXPECT_THROW(cli::runSetup({(dir / "none.dbf").string()}, out, err), common::FileError);
    EXPECT_TRUE(testsupport::namesIn(dir.path()).empty());
}
