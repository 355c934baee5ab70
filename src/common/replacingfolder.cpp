// Folders written whole under a temporary name.
#include "common/replacingfolder.h"

#include "common/error.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace common {

namespace fs = std::filesystem;

namespace {

fs::path parentOf(const fs::path &target)
{
    return target.parent_path().empty() ? fs::path(".") : target.parent_path();
}

// "out/report/" names the folder "out/report": the slash must not make it a folder inside itself.
std::string withoutTrailingSlashes(std::string target)
{
    while (target.size() > 1 && target.back() == '/')
        target.pop_back();
    return target;
}

std::string nameOf(const std::string &target)
{
    return fs::path(withoutTrailingSlashes(target)).filename().string();
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

// A new folder ".~NAME-XXXXXX" in parent. mkdtemp would make it 0700 whatever the umask, and the
// report would then be readable by its owner only; mkdir gives it the mode every new folder gets.
std::string makeTemporaryFolder(const fs::path &parent, const std::string &name)
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::mt19937 random(seed());
    std::uniform_int_distribution<std::size_t> pick(0, sizeof letters - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix(6, ' ');
        for (char &c : suffix)
            c = letters[pick(random)];
        const std::string path = (parent / (".~" + name + "-" + suffix)).string();
        if (::mkdir(path.c_str(), 0777) == 0) return path;
        if (errno != EEXIST) return {};
    }
    errno = EEXIST;
    return {};
}

} // namespace

bool isReplacingFolderTemporary(const std::string &name, const std::string &targetName)
{
    const std::string prefix = ".~" + targetName + "-";
    return name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0;
}

ReplacingFolder::ReplacingFolder(std::string target, bool replace, ReplaceCheck mayReplace)
    : m_target(withoutTrailingSlashes(std::move(target))), m_replace(replace),
      m_mayReplace(std::move(mayReplace)), m_lock(lockFile(m_target))
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
        // A folder that may not be replaced at all is refused as such, not as one that needs --overwrite.
        if (m_mayReplace) m_mayReplace(m_target);
        if (!m_replace) throw FileError("The folder " + m_target + " exists; --overwrite replaces it");
    }
    const fs::path parent = parentOf(m_target);
    // The lock is held: no live run writes this target, so what a temporary name holds was left by
    // a killed one.
    removeLeftovers(parent, name);
    m_temp = makeTemporaryFolder(parent, name);
    if (m_temp.empty()) throw FileError("Cannot write the folder " + m_target + ". " + std::strerror(errno));
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
    // What the target holds may have changed while the new folder was written.
    if (exists && m_mayReplace) m_mayReplace(m_target);
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
            const std::string aside = makeTemporaryFolder(parentOf(m_target), nameOf(m_target));
            if (aside.empty() || ::rename(m_target.c_str(), aside.c_str()) != 0)
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
