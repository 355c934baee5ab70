// The commands of fenoris-cli. Each takes its arguments (without the command name), writes its
// result to out and its messages to err, and returns the process exit code. Errors of the library
// (common::Error) are caught by main().
#pragma once

#include <iosfwd>
#include <string>
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

} // namespace cli
