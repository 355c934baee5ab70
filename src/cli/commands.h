// The commands of fenoris-cli. Each takes its arguments (without the command name), writes its
// result to out and its messages to err, and returns the process exit code. Errors of the library
// (common::Error) are caught by main().
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

using Args = std::vector<std::string>;

int runQuery(const Args &args, std::ostream &out, std::ostream &err);
int runGenerate(const Args &args, std::ostream &out, std::ostream &err);
int runRegression(const Args &args, std::ostream &out, std::ostream &err);
int runModel(const Args &args, std::ostream &out, std::ostream &err);
int runTransitions(const Args &args, std::ostream &out, std::ostream &err);
int runModels(const Args &args, std::ostream &out, std::ostream &err);
int runReport(const Args &args, std::ostream &out, std::ostream &err);
int runStatistics(const Args &args, std::ostream &out, std::ostream &err);
int runInfo(const Args &args, std::ostream &out, std::ostream &err);
int runImport(const Args &args, std::ostream &out, std::ostream &err);
int runSetup(const Args &args, std::ostream &out, std::ostream &err);

// A command with its usage: the synopsis a line at a time, each line after the first continued under
// the first one's arguments (spaces before it indent it further), and the notes that follow it.
struct Command
{
    std::string name;
    int (*run)(const Args &args, std::ostream &out, std::ostream &err);
    std::vector<std::string> synopsis;
    std::string notes;
};

// Every command, ordered by name.
const std::vector<Command> &commands();

// The command of that name; nullptr when there is none.
const Command *findCommand(std::string_view name);

// What a command prints when its arguments are wrong: "usage: fenoris-cli NAME ARGUMENTS", its
// continued lines and its notes. Throws std::logic_error for a name that is no command's.
std::string usage(std::string_view name);

// What fenoris-cli without a command, and with --help, prints: the synopsis of every command.
std::string overview();

} // namespace cli
