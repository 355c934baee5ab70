// Folders written whole under a temporary name.
#include "common/replacingfolder.h"

#include "common/error.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

namespace common {

namespace fs = std::filesystem;

namespace {

fs::path parentOf(const fs::path &target)
{
    return target.parent_path().empty() ? fs::path(".") : target.parent_path();
}

std::string nameOf(std::string target)
{
    while (target.size() > 1 && target.back() == '/')
        target.pop_back();
    return fs::path(target).filename().string();
}

std::string lockFile(const std::string &target)
{
    return (parentOf(target) / (".~" + nameOf(target) + ".lock")).string();
}

void removeLeftovers(const fs::path &parent, const std::string &name)
{
    std::error_code ec;
    std::vector<fs::path> leftovers;
    for (const auto &entry : fs::directory_iterator(parent, ec))
        if (isReplacingFolderTemporary(entry.path().filename().string(), name))
            leftovers.push_back(entry.path());
    for (const auto &path : leftovers)
        fs::remove_all(path, ec);
}

// Everything the folder holds on disk before the rename makes it the target: one flush of its file
// system rather than one per file, which for the thousands of pages and pictures of a report would
// take longer than writing them.
void syncTree(const fs::path &folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::syncfs(fd);
    ::close(fd);
}

} // namespace

bool isReplacingFolderTemporary(const std::string &name, const std::string &targetName)
{
    const std::string prefix = ".~" + targetName + "-";
    return name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0;
}

ReplacingFolder::ReplacingFolder(std::string target, bool replace)
    : m_target(std::move(target)), m_replace(replace), m_lock(lockFile(m_target))
{
    const std::string name = nameOf(m_target);
    if (name.empty() || name == "." || name == "..")
        throw FileError("Cannot write the folder " + m_target + ": give it a name");
    if (!m_lock.held())
        throw FileError("Another process (" +
                        (m_lock.holder() > 0 ? std::to_string(m_lock.holder()) : std::string("unknown")) +
                        ") is writing " + m_target);
    std::error_code ec;
    const auto status = fs::symlink_status(m_target, ec);
    if (fs::exists(status)) {
        if (!fs::is_directory(status))
            throw FileError("Cannot write the folder " + m_target + ": a file of this name is in the way");
        if (!m_replace) throw FileError("The folder " + m_target + " exists; --overwrite replaces it");
    }
    const fs::path parent = parentOf(m_target);
    // The lock is held: no live run writes this target, so what a temporary name holds was left by
    // a killed one.
    removeLeftovers(parent, name);
    std::string pattern = (parent / (".~" + name + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
        throw FileError("Cannot write the folder " + m_target + ". " + std::strerror(errno));
    m_temp = pattern;
}

ReplacingFolder::~ReplacingFolder()
{
    std::error_code ec;
    if (!m_committed && !m_temp.empty()) fs::remove_all(m_temp, ec);
}

void ReplacingFolder::commit()
{
    syncTree(m_temp);
    std::error_code ec;
    const bool exists = fs::exists(fs::symlink_status(m_target, ec));
    if (!exists) {
        if (::rename(m_temp.c_str(), m_target.c_str()) != 0)
            throw FileError("Cannot write the folder " + m_target + ". " + std::strerror(errno));
    } else {
        // The old folder and the new swap names at once; the old one is then under the temporary name.
        if (::renameat2(AT_FDCWD, m_temp.c_str(), AT_FDCWD, m_target.c_str(), RENAME_EXCHANGE) != 0) {
            if (errno != EINVAL && errno != ENOSYS)
                throw FileError("Cannot write the folder " + m_target + ". " + std::strerror(errno));
            // A file system without the swap: the old folder steps aside first. A kill between the
            // two renames leaves both under temporary names, which the next run removes.
            std::string aside = (parentOf(m_target) / (".~" + nameOf(m_target) + "-XXXXXX")).string();
            if (!::mkdtemp(aside.data()) || ::rename(m_target.c_str(), aside.c_str()) != 0)
                throw FileError("Cannot write the folder " + m_target + ". " + std::strerror(errno));
            if (::rename(m_temp.c_str(), m_target.c_str()) != 0) {
                const int error = errno;
                ::rename(aside.c_str(), m_target.c_str());
                throw FileError("Cannot write the folder " + m_target + ". " + std::strerror(error));
            }
            m_temp = aside;
        }
        fs::remove_all(m_temp, ec);
    }
    const int fd = ::open(parentOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    m_committed = true;
}

} // namespace common
