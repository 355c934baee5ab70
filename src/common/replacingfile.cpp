// Whole-file writes through a temporary file and a rename.
#include "common/replacingfile.h"

#include "common/error.h"
#include "common/fileio.h"
#include "common/scopeexit.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

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

// The file a write of target replaces: a symbolic link is followed to the file it names (however
// many links deep, and also when that file does not exist yet), so the link stays a link and its
// target gets the new content.
std::string resolvedTarget(std::string target)
{
    std::error_code ec;
    for (int depth = 0; depth < 40 && fs::is_symlink(fs::symlink_status(target, ec)); ++depth) {
        const fs::path link = fs::read_symlink(target, ec);
        if (ec) break;
        target =
            (link.is_absolute() ? link : fs::path(target).parent_path() / link).lexically_normal().string();
    }
    return target;
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

ReplacingFile::ReplacingFile(std::string target) : m_target(resolvedTarget(std::move(target)))
{
    const fs::path path(m_target);
    struct stat existing
    {
    };
    if (::stat(m_target.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) throw FileError(fileMessage("Cannot create file", m_target, EISDIR));
        // A pipe or a device is no file to replace: renaming over it would put a regular file in
        // its place.
        if (!S_ISREG(existing.st_mode))
            throw FileError("Cannot create file \"" + m_target + "\". It is not a regular file");
    }
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
        if (namesOpenFile(pattern, fd)) {
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
    struct stat old
    {
    };
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

namespace {

// The journal of a pair being committed: ".~commit-XXXXXX.journal" in the targets' folder, holding
// the names of both temporary files and their targets between a first and a last line, so that a
// journal cut short by a kill is known as one whose renames never began.
constexpr const char *kJournalHead = "fenoris commit";
constexpr const char *kJournalEnd = "end";
constexpr const char *kJournalPrefix = ".~commit-";
constexpr const char *kJournalExtension = ".journal";

bool isJournal(const std::string &name)
{
    const std::string prefix = kJournalPrefix, extension = kJournalExtension;
    return name.size() == prefix.size() + 6 + extension.size() &&
           name.compare(0, prefix.size(), prefix) == 0 &&
           name.compare(name.size() - extension.size(), extension.size(), extension) == 0;
}

// The journal written and on disk, locked while this process commits; removed once both renames are.
class Journal
{
public:
    // Writes it in dir for the pairs of file names, or throws FileError naming `target`.
    Journal(const fs::path &dir, const std::vector<std::pair<std::string, std::string>> &renames,
            const std::string &target)
    {
        std::string text = std::string(kJournalHead) + "\n";
        for (const auto &[from, to] : renames)
            text += from + "\n" + to + "\n";
        text += std::string(kJournalEnd) + "\n";
        m_path = (dir / (std::string(kJournalPrefix) + "XXXXXX" + kJournalExtension)).string();
        m_fd = mkstemps(m_path.data(), static_cast<int>(std::string(kJournalExtension).size()));
        if (m_fd < 0) throw FileError(fileMessage("Cannot write file", target, errno));
        ::flock(m_fd, LOCK_EX);
        if (!writeAll(m_fd, text) || ::fsync(m_fd) != 0) {
            const int error = errno;
            ::unlink(m_path.c_str());
            ::close(m_fd);
            throw FileError(fileMessage("Cannot write file", target, error));
        }
        syncDirectory(m_path);
    }
    ~Journal()
    {
        // Left in place after a failed rename: the next look at the folder finishes what it can.
        ::close(m_fd);
    }
    void remove() { ::unlink(m_path.c_str()); }

private:
    std::string m_path;
    int m_fd = -1;
};

// Whether a name can stand on a line of the journal.
bool journalName(const std::string &name)
{
    return !name.empty() && name.find('\n') == std::string::npos;
}

// Rolls the journal's commit forward: the temporary files still there renamed onto their targets,
// then the journal removed. A journal still locked is a live process's, which finishes it itself.
void finishJournal(const fs::path &journal)
{
    const int fd = ::open(journal.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return;
    const ScopeExit closing([fd] { ::close(fd); });
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !namesOpenFile(journal, fd)) return;
    std::string text(4096, '\0');
    const ssize_t n = readAt(fd, text.data(), text.size(), 0);
    text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string::npos) break;
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    const fs::path dir = journal.parent_path();
    const bool whole = lines.size() >= 2 && lines.size() % 2 == 0 && lines.front() == kJournalHead &&
                       lines.back() == kJournalEnd;
    // A journal cut short was being written when its process died: no rename had begun, and its
    // temporary files are leftovers like any other.
    if (whole)
        for (std::size_t i = 1; i + 1 < lines.size(); i += 2) {
            const fs::path from = dir / lines[i], to = dir / lines[i + 1];
            struct stat left
            {
            };
            if (::lstat(from.c_str(), &left) != 0) continue;     // renamed before the kill
            if (::rename(from.c_str(), to.c_str()) != 0) return; // kept for a later look
        }
    syncDirectory(journal.string());
    ::unlink(journal.c_str());
    syncDirectory(journal.string());
}

} // namespace

void commitTogether(const std::vector<ReplacingFile *> &files)
{
    if (files.empty()) return;
    for (ReplacingFile *file : files)
        file->sync();
    const fs::path dir = fs::path(files.front()->m_target).parent_path();
    const auto name = [](const std::string &path) { return fs::path(path).filename().string(); };
    // The journal makes the renames one commit: a kill between them is finished by the next program
    // that looks at the folder (finishInterruptedCommits).
    std::vector<std::pair<std::string, std::string>> renames;
    bool oneFolder = true;
    for (ReplacingFile *file : files) {
        oneFolder = oneFolder && fs::path(file->m_target).parent_path() == dir &&
                    journalName(name(file->m_temp)) && journalName(name(file->m_target));
        renames.emplace_back(name(file->m_temp), name(file->m_target));
    }
    std::optional<Journal> journal;
    if (oneFolder && files.size() > 1)
        journal.emplace(dir.empty() ? fs::path(".") : dir, renames, files.front()->m_target);
    for (ReplacingFile *file : files)
        file->rename();
    std::vector<fs::path> synced;
    for (ReplacingFile *file : files) {
        const fs::path folder = fs::path(file->m_target).parent_path();
        if (std::find(synced.begin(), synced.end(), folder) != synced.end()) continue;
        syncDirectory(file->m_target);
        synced.push_back(folder);
    }
    if (journal) journal->remove();
}

void finishInterruptedCommits(const std::string &dir)
{
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(dir.empty() ? fs::path(".") : fs::path(dir), ec))
        if (isJournal(entry.path().filename().string())) finishJournal(entry.path());
}

void removeLeftoverTemporaries(const std::string &target)
{
    const fs::path path(target);
    const fs::path dir = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    const std::string targetName = path.filename().string();
    // The temporary files of a pair whose commit a kill cut short are not leftovers: they are put in
    // place first.
    finishInterruptedCommits(dir.string());
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

void removeLeftoverTemporariesOfType(const std::string &dir, const std::string &extension)
{
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(dir.empty() ? fs::path(".") : fs::path(dir), ec)) {
        const std::string name = entry.path().filename().string();
        // ".~" + any stem + "-XXXXXX" + the extension, as ReplacingFile names them.
        if (name.size() < 2 + 7 + extension.size() || name.compare(0, 2, ".~") != 0 ||
            name.compare(name.size() - extension.size(), extension.size(), extension) != 0 ||
            name[name.size() - extension.size() - 7] != '-')
            continue;
        const int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) continue;
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
