// Helpers shared by the test binaries: temporary directories, file bytes, the fixtures folder, and
// the one way a test may skip.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

// A test skips only on purpose and says why: scripts/check-skips fails the suite for a skipped test
// whose output lacks "Skipped on purpose: " and a reason.
#define FENORIS_SKIP_ON_PURPOSE(reason) GTEST_SKIP() << "Skipped on purpose: " << reason

namespace testsupport {

// A fresh directory under the system temp folder, removed with everything in it when destroyed.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::filesystem::path &path() const { return m_path; }
    std::filesystem::path operator/(const std::string &name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

std::string readBytes(const std::filesystem::path &file);
void writeBytes(const std::filesystem::path &file, const std::string &bytes);

// The real tables kept with the tests (tests/fixtures: scbi/, fia_ri/), and the fixtures folder.
std::filesystem::path realData();
std::filesystem::path fixtures();

// Copies a file into dir and returns the copy's path; the copy is writable.
std::filesystem::path copyInto(const std::filesystem::path &file, const std::filesystem::path &dir);

// The text as one word of a shell command: O'Hara.dbf gives 'O'\''Hara.dbf'.
std::string shellQuote(const std::string &text);

// Runs a shell command, returns its exit status and fills output with its standard output.
int runCommand(const std::string &command, std::string *output = nullptr);

// Runs fenoris-cli with the arguments (already quoted for the shell); its standard output and
// error go to out and err. Returns the exit status.
int runCli(const std::string &arguments, std::string *out, std::string *err);

// The names of the entries of a directory, sorted: what a write left behind.
std::vector<std::string> namesIn(const std::filesystem::path &dir);

} // namespace testsupport
