// Whole-file writes through a temporary file and a rename.
#include "common/replacingfile.h"

#include "common/error.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace common {

namespace {

namespace fs = std::filesystem;

std::string fileMessage(const char *what, const std::string &file, int error)
{
    return std::string(what) + " \"" + file + "\". " + std::strerror(error);
}

// The mode a new file gets from the process's umask, as open(2) would give it.
mode_t defaultMode()
{
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

ReplacingFile::ReplacingFile(std::string target) : m_target(std::move(target))
{
    const fs::path path(m_target);
    struct stat existing {};
    if (::stat(m_target.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode))
        throw FileError(fileMessage("Cannot create file", m_target, EISDIR));
    const std::string stem = path.stem().string();
    const std::string extension = path.extension().string();
    fs::path dir = path.parent_path();
    for (int attempt = 0; m_fd < 0; ++attempt) {
        std::string pattern = (dir / (".~" + stem + "-XXXXXX" + extension)).string();
        // mkstemps creates the file 0600 and keeps the extension after the six letters it fills in.
        const int fd = mkstemps(pattern.data(), static_cast<int>(extension.size()));
        if (fd < 0) throw FileError(fileMessage("Cannot create file", m_target, errno));
        // Another process clearing leftovers may have taken the new file for one before it was
        // locked; the name must still be this file once the lock is held. A file system without
        // locks is written all the same.
        ::flock(fd, LOCK_EX);
        struct stat mine
        {
        }, named{};
        if (::fstat(fd, &mine) == 0 && ::stat(pattern.c_str(), &named) == 0 && mine.st_ino == named.st_ino &&
            mine.st_dev == named.st_dev) {
            m_fd = fd;
            m_temp = pattern;
        } else {
            const int error = errno;
            ::close(fd);
            if (attempt >= 8) throw FileError(fileMessage("Cannot create file", m_target, error));
        }
    }
}

ReplacingFile::~ReplacingFile()
{
    if (!m_committed) ::unlink(m_temp.c_str());
    if (m_fd >= 0) ::close(m_fd);
}

void ReplacingFile::fail(int error)
{
    ::unlink(m_temp.c_str());
    m_committed = true; // nothing left to remove
    throw FileError(fileMessage("Cannot write file", m_target, error));
}

void ReplacingFile::setMode()
{
    struct stat old {};
    const mode_t mode = ::stat(m_target.c_str(), &old) == 0 ? (old.st_mode & 07777) : defaultMode();
    if (::fchmod(m_fd, mode) != 0) fail(errno);
}

void ReplacingFile::sync()
{
    if (m_synced) return;
    setMode();
    if (::fsync(m_fd) != 0) fail(errno);
    m_synced = true;
}

void ReplacingFile::rename()
{
    if (::rename(m_temp.c_str(), m_target.c_str()) != 0) fail(errno);
    m_committed = true;
}

namespace {

// The rename is durable once the directory is on disk too; a failure here loses nothing.
void syncDirectory(const std::string &target)
{
    const std::string dir = fs::path(target).parent_path().string();
    const int dirFd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

} // namespace

namespace {

// The batches of DeferredSync: how many are open, and the directories their new files went into.
struct Deferred
{
    std::mutex mutex;
    int open = 0;
    std::set<std::string> directories;
};

Deferred &deferred()
{
    static Deferred state;
    return state;
}

// True, with the directory noted for the flush at the end, when the target's flush may wait.
bool deferredFor(const std::string &target)
{
    Deferred &state = deferred();
    const std::lock_guard lock(state.mutex);
    if (state.open == 0) return false;
    struct stat existing
    {
    };
    if (::lstat(target.c_str(), &existing) == 0) return false;
    const std::string dir = fs::path(target).parent_path().string();
    state.directories.insert(dir.empty() ? "." : dir);
    return true;
}

} // namespace

DeferredSync::DeferredSync()
{
    Deferred &state = deferred();
    const std::lock_guard lock(state.mutex);
    ++state.open;
}

DeferredSync::~DeferredSync()
{
    Deferred &state = deferred();
    const std::lock_guard lock(state.mutex);
    if (--state.open > 0) return;
    // syncfs flushes the whole file system at once: the files and the directory entries.
    for (const std::string &dir : state.directories) {
        const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) continue;
        ::syncfs(fd);
        ::close(fd);
    }
    state.directories.clear();
}

void ReplacingFile::commit()
{
    if (!m_synced && deferredFor(m_target)) {
        setMode();
        rename();
        return;
    }
    sync();
    rename();
    syncDirectory(m_target);
}

void commitTogether(ReplacingFile &first, ReplacingFile &second)
{
    first.sync();
    second.sync();
    first.rename();
    second.rename();
    syncDirectory(first.m_target);
    if (fs::path(second.m_target).parent_path() != fs::path(first.m_target).parent_path())
        syncDirectory(second.m_target);
}

void removeLeftoverTemporaries(const std::string &target)
{
    const fs::path path(target);
    const fs::path dir = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    const std::string targetName = path.filename().string();
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        if (!isReplacingTemporary(name, targetName)) continue;
        const int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) continue;
        // A lock held means a ReplacingFile still writes it; a killed process holds none.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(entry.path().c_str());
        ::close(fd);
    }
}

void writeFileWhole(const std::string &file, std::string_view bytes)
{
    ReplacingFile replacing(file);
    const int fd = ::open(replacing.path().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) throw FileError(fileMessage("Cannot write file", file, errno));
    const bool written = writeAll(fd, bytes);
    const int error = errno;
    if (::close(fd) != 0 && written) throw FileError(fileMessage("Cannot write file", file, errno));
    if (!written) throw FileError(fileMessage("Cannot write file", file, error));
    replacing.commit();
}

bool isReplacingTemporary(const std::string &fileName, const std::string &targetName)
{
    const fs::path target(targetName);
    const std::string prefix = ".~" + target.stem().string() + "-";
    const std::string extension = target.extension().string();
    if (fileName.size() != prefix.size() + 6 + extension.size()) return false;
    return fileName.compare(0, prefix.size(), prefix) == 0 &&
           fileName.compare(fileName.size() - extension.size(), extension.size(), extension) == 0;
}

} // namespace common
