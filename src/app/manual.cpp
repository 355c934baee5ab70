// Finding the manual beside the program or in its installation.
#include "app/manual.h"

namespace app {

std::filesystem::path installedDocDir(const std::filesystem::path &programDir)
{
    return (programDir / ".." / "share" / "doc" / "fenoris").lexically_normal();
}

std::vector<std::filesystem::path> manualPlaces(const std::filesystem::path &programDir)
{
    return {programDir / "manual.html", installedDocDir(programDir) / "manual.html"};
}

std::optional<std::filesystem::path> findManual(const std::filesystem::path &programDir)
{
    std::error_code ec;
    for (const auto &place : manualPlaces(programDir))
        if (std::filesystem::is_regular_file(place, ec)) return place;
    return std::nullopt;
}

} // namespace app
