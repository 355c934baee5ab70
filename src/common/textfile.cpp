// Whole text files as CR LF lines.
#include "common/textfile.h"

#include "common/error.h"
#include "common/replacingfile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include <sys/stat.h>

namespace common {

namespace {

std::string fileMessage(const char *what, const std::string &file)
{
    return std::string(what) + " \"" + file + "\". " + std::strerror(errno);
}

} // namespace

std::string readTextFile(const std::string &file)
{
    // Looked at before it is opened: opening a pipe would wait for a writer.
    struct stat status
    {
    };
    if (::stat(file.c_str(), &status) == 0 && !S_ISREG(status.st_mode))
        throw FileError("Cannot open file \"" + file + "\". It is not a regular file");
    std::ifstream in(file, std::ios::binary);
    if (!in) throw FileError(fileMessage("Cannot open file", file));
    // One byte beyond the limit tells a file that grew while it was read too.
    std::string bytes(kMaxTextFileBytes + 1, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (in.bad()) throw FileError(fileMessage("Cannot read file", file));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > kMaxTextFileBytes)
        throw FileError("Cannot open file \"" + file + "\". It is larger than 1 MB, which no side file is");
    return bytes;
}

std::vector<std::string> splitLines(const std::string &text)
{
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(pos, end - pos));
        pos = end;
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
    }
    return lines;
}

void writeTextLines(const std::string &file, const std::vector<std::string> &lines)
{
    std::string text;
    for (const auto &line : lines)
        text += line + "\r\n";
    writeFileWhole(file, text);
}

} // namespace common
