// Helpers shared by the test binaries: temporary directories, file bytes, the shared data folder.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

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

// Runs a shell command, returns its exit status and fills output with its standard output.
int runCommand(const std::string &command, std::string *output = nullptr);

// The names of the entries of a directory, sorted: what a write left behind.
std::vector<std::string> namesIn(const std::filesystem::path &dir);

} // namespace testsupport
