// Graph.ini: location, loading and saving.
#include "app/graphini.h"

#include "app/manual.h"
#include "common/textfile.h"

#include <unistd.h>

namespace app {

namespace fs = std::filesystem;

namespace {

bool isWritableDirectory(const fs::path &dir)
{
    std::error_code ec;
    return fs::is_directory(dir, ec) && ::access(dir.c_str(), W_OK) == 0;
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
    // An installed program keeps it per user even where it could write beside itself (run by root):
    // a file in the system's bin folder would belong to no package and outlive the program's removal.
    std::error_code ec;
    const bool installed = fs::is_directory(installedDocDir(programDir), ec);
    if (isWritableDirectory(programDir) && !installed) return programDir / kGraphIniName;
    return configDir / kGraphIniName;
}

std::vector<std::string> loadGraphIni(const fs::path &file)
{
    std::error_code ec;
    if (!fs::exists(file, ec)) return {};
    return common::splitLines(common::readTextFile(file.string()));
}

void saveGraphIni(const fs::path &file, const std::vector<std::string> &lines)
{
    std::error_code ec;
    if (file.has_parent_path()) fs::create_directories(file.parent_path(), ec);
    common::writeTextLines(file.string(), lines);
}

} // namespace app
