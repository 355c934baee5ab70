// The usage of every command comes from the program's list of commands: what a command prints when
// its arguments are wrong and what fenoris-cli lists cannot disagree.
#include "cli/commands.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

TEST(Commands, EachPrintsItsUsageFromTheListAndTheListShowsIt)
{
    const std::string overview = cli::overview();
    ASSERT_FALSE(cli::commands().empty());
    for (const cli::Command &command : cli::commands()) {
        std::ostringstream out, err;
        EXPECT_EQ(command.run({}, out, err), 2) << command.name;
        EXPECT_EQ(out.str(), "") << command.name;
        EXPECT_EQ(err.str(), cli::usage(command.name)) << command.name;
        EXPECT_NE(overview.find("\n  fenoris-cli " + command.name + " " + command.synopsis[0] + "\n"),
                  std::string::npos)
            << command.name;
    }
}

TEST(Commands, HelpPrintsEachCommandsUsageToStandardOutput)
{
    // --help anywhere among a command's arguments, even beside arguments it would refuse.
    for (const cli::Command &command : cli::commands())
        for (const std::string args : {" --help", " T.dbf --no-such-option --help"}) {
            std::string out;
            const int status = testsupport::runCommand(
                std::string(FENORIS_CLI_PATH) + " " + command.name + args + " 2>/dev/null", &out);
            EXPECT_EQ(status, 0) << command.name << args;
            EXPECT_EQ(out, cli::usage(command.name)) << command.name << args;
        }
}

TEST(Commands, ContinuedLinesStandUnderTheFirstLinesArguments)
{
    EXPECT_EQ(cli::usage("regression"),
              "usage: fenoris-cli regression TABLE.dbf X Y [--degree N] [--log-x] [--log-y] [--missing-x V]\n"
              "                              [--missing-y V] [--plot P --species S]\n"
              "                              [--picture FILE.bmp|.wmf|.emf|.png|.svg|.pdf [--size WxH]\n"
              "                                         [--settings FILE.gsf]]\n");
    const std::string overview = cli::overview();
    EXPECT_NE(
        overview.find("  fenoris-cli setup TABLE.dbf [--year COLUMN=YEAR ...] [--role ROLE=COLUMN ...]\n"
                      "                    [--dry-run] [--force]\n"),
        std::string::npos);
    EXPECT_EQ(cli::findCommand("unknown"), nullptr);
}

} // namespace
