// Graph.ini: location, loading and saving.
#include "app/graphini.h"

#include "common/error.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace app {

namespace fs = std::filesystem;

namespace {

bool isWritableDirectory(const fs::path &dir)
{
    std::error_code ec;
    return fs::is_directory(dir, ec) && ::access(dir.c_str(), W_OK) == 0;
}

std::string fileMessage(const char *what, const fs::path &file, int error)
{
    return std::string(what) + " \"" + file.string() + "\". " + std::strerror(error);
}

} // namespace

fs::path graphIniReadPath(const fs::path &programDir, const fs::path &configDir)
{
    std::error_code ec;
    const fs::path beside = programDir / kGraphIniName;
    if (fs::exists(beside, ec)) return beside;
    return configDir / kGraphIniName;
}

fs::path graphIniWritePath(const fs::path &programDir, const fs::path &configDir)
{
    if (isWritableDirectory(programDir)) return programDir / kGraphIniName;
    return configDir / kGraphIniName;
}

std::vector<std::string> loadGraphIni(const fs::path &file)
{
    std::error_code ec;
    if (!fs::exists(file, ec)) return {};
    std::ifstream in(file, std::ios::binary);
    if (!in) throw common::FileError(fileMessage("Cannot open file", file, errno));
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string text = bytes.str();

    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(pos, end - pos));
        pos = end;
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
    }
    return lines;
}

void saveGraphIni(const fs::path &file, const std::vector<std::string> &lines)
{
    std::error_code ec;
    if (file.has_parent_path()) fs::create_directories(file.parent_path(), ec);
    std::string text;
    for (const auto &line : lines)
        text += line + "\r\n";
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) throw common::FileError(fileMessage("Cannot create file", file, errno));
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) throw common::FileError(fileMessage("Cannot write file", file, errno));
}

} // namespace app
