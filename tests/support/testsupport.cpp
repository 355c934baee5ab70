// Helpers shared by the test binaries.
#include "support/testsupport.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>

namespace testsupport {

TempDir::TempDir()
{
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = std::filesystem::temp_directory_path() /
                         ("fenoris-test-" + std::to_string(rd()) + "-" + std::to_string(attempt));
        if (std::filesystem::create_directory(candidate)) {
            m_path = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string readBytes(const std::filesystem::path &file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + file.string());
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeBytes(const std::filesystem::path &file, const std::string &bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + file.string());
    out << bytes;
}

std::filesystem::path realData() { return FENORIS_FIXTURES; }
std::filesystem::path fixtures() { return FENORIS_FIXTURES; }

std::filesystem::path copyInto(const std::filesystem::path &file, const std::filesystem::path &dir)
{
    auto target = dir / file.filename();
    std::filesystem::copy_file(file, target, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(target, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    return target;
}

std::string shellQuote(const std::string &text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

int runCommand(const std::string &command, std::string *output)
{
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    std::array<char, 4096> buffer{};
    std::string text;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) text.append(buffer.data(), n);
    int status = pclose(pipe);
    if (output) *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int runCli(const std::string &arguments, std::string *out, std::string *err)
{
    TempDir scratch;
    const auto errFile = scratch / "stderr.txt";
    const int status =
        runCommand(std::string(FENORIS_CLI_PATH) + " " + arguments + " 2>'" + errFile.string() + "'", out);
    *err = readBytes(errFile);
    return status;
}

std::vector<std::string> namesIn(const std::filesystem::path &dir)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace testsupport
