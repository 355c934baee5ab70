// Graph.ini: location, loading and saving.
#include "app/graphini.h"

#include "common/textfile.h"

#include <system_error>

namespace app {

namespace fs = std::filesystem;

fs::path userConfigDir(const char *xdgConfigHome, const char *home)
{
    if (xdgConfigHome && fs::path(xdgConfigHome).is_absolute()) return fs::path(xdgConfigHome) / "fenoris";
    return fs::path(home ? home : "") / ".config" / "fenoris";
}

fs::path graphIniReadPath(const fs::path &programDir, const fs::path &configDir)
{
    std::error_code ec;
    const fs::path own = configDir / kGraphIniName;
    if (fs::exists(own, ec)) return own;
    const fs::path shipped = programDir / kGraphIniName;
    if (fs::exists(shipped, ec)) return shipped;
    return own;
}

fs::path graphIniWritePath(const fs::path &configDir)
{
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
