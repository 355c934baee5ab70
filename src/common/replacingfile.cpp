// Whole-file writes through a temporary file and a rename.
#include "common/replacingfile.h"

#include "common/error.h"
#include "common/fileio.h"
#include "common/messagesink.h"
#include "common/scopeexit.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
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

// Creates a new file from the mkstemps pattern (six X before a suffix of suffixLength characters),
// locked, and returns its descriptor with the pattern filled in. Another process clearing leftovers
// may take a new file for one before it is locked, so the name must still be this file once the lock
// is held; a file system without locks is written all the same. Throws FileError "<what> "<target>"".
int createLockedFile(std::string &pattern, std::size_t suffixLength, const char *what,
                     const std::string &target)
{
    const std::string model = pattern;
    for (int attempt = 0;; ++attempt) {
        pattern = model;
        // mkstemps creates the file 0600 and keeps the suffix after the six letters it fills in.
        const int fd = mkstemps(pattern.data(), static_cast<int>(suffixLength));
        if (fd < 0) throw FileError(fileMessage(what, target, errno));
        ::flock(fd, LOCK_EX);
        if (namesOpenFile(pattern, fd)) return fd;
        const int error = errno;
        ::close(fd);
        if (attempt >= 8) throw FileError(fileMessage(what, target, error));
    }
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
    m_temp = (dir / (".~" + stem + "-XXXXXX" + extension)).string();
    m_fd = createLockedFile(m_temp, extension.size(), "Cannot create file", m_target);
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

// The journal of files being committed together: ".~commit-XXXXXX.journal" in the targets' folder.
// Between a first and a last line it holds, for every file, three lines: the temporary file's name,
// its target's name (plain names in the journal's folder) and the identities of both as they were
// when the journal was written (device, inode, size and modification time of the temporary file,
// then of the target or "-" when there was none). A journal cut short by a kill is known by its
// missing last line; the identities bind it to its own files, so that it never moves another file
// and never puts an old file over a target that a later commit replaced.
constexpr const char *kJournalHead = "fenoris commit 2";
constexpr const char *kJournalEnd = "end";
constexpr const char *kJournalPrefix = ".~commit-";
constexpr const char *kJournalExtension = ".journal";
constexpr const char *kSetAsideExtension = ".stale";
constexpr std::size_t kJournalMaxBytes = 64 * 1024;

bool isJournal(const std::string &name)
{
    const std::string prefix = kJournalPrefix, extension = kJournalExtension;
    return name.size() == prefix.size() + 6 + extension.size() &&
           name.compare(0, prefix.size(), prefix) == 0 &&
           name.compare(name.size() - extension.size(), extension.size(), extension) == 0;
}

// What the journal records of a file: enough to tell it from any other and from itself changed.
struct Stamp
{
    unsigned long long device = 0, inode = 0;
    long long size = 0, modified = 0;
    bool operator==(const Stamp &) const = default;
};

Stamp stampOf(const struct stat &status)
{
    return {static_cast<unsigned long long>(status.st_dev), static_cast<unsigned long long>(status.st_ino),
            static_cast<long long>(status.st_size),
            static_cast<long long>(status.st_mtim.tv_sec) * 1000000000LL + status.st_mtim.tv_nsec};
}

std::string stampText(const std::optional<Stamp> &stamp)
{
    if (!stamp) return "-";
    return std::to_string(stamp->device) + " " + std::to_string(stamp->inode) + " " +
           std::to_string(stamp->size) + " " + std::to_string(stamp->modified);
}

// The regular file `name` in the folder, not followed if it is a link; nothing when there is none.
// `other` tells that something else stands under the name (a link, a folder).
std::optional<Stamp> stampAt(int dirFd, const std::string &name, bool &other)
{
    struct stat status
    {
    };
    other = false;
    if (::fstatat(dirFd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        other = errno != ENOENT;
        return std::nullopt;
    }
    if (!S_ISREG(status.st_mode)) {
        other = true;
        return std::nullopt;
    }
    return stampOf(status);
}

// A file name in the journal's own folder: no folder part, no way up or out.
bool plainName(const std::string &name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\n') == std::string::npos && name.find('\0') == std::string::npos;
}

struct JournalEntry
{
    std::string temporary, target;
    Stamp written;                 // the temporary file, complete
    std::optional<Stamp> replaced; // the target it replaces, nothing when it was new
};

std::string entryText(const JournalEntry &entry)
{
    return entry.temporary + "\n" + entry.target + "\n" + stampText(entry.written) + " " +
           stampText(entry.replaced) + "\n";
}

std::optional<Stamp> parseStamp(const std::vector<std::string> &words, std::size_t at)
{
    if (at + 4 > words.size()) return std::nullopt;
    Stamp stamp;
    unsigned long long *unsignedParts[] = {&stamp.device, &stamp.inode};
    long long *signedParts[] = {&stamp.size, &stamp.modified};
    for (std::size_t i = 0; i < 4; ++i) {
        const std::string &word = words[at + i];
        if (word.empty() || word.find_first_not_of("0123456789") != std::string::npos || word.size() > 19)
            return std::nullopt;
        if (i < 2)
            *unsignedParts[i] = std::stoull(word);
        else
            *signedParts[i - 2] = std::stoll(word);
    }
    return stamp;
}

// The entries of a whole journal's text, or nothing when it is cut short or not of this form.
std::optional<std::vector<JournalEntry>> parseJournal(const std::string &text)
{
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string::npos) return std::nullopt;
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    if (lines.size() < 5 || (lines.size() - 2) % 3 != 0 || lines.front() != kJournalHead ||
        lines.back() != kJournalEnd)
        return std::nullopt;
    std::vector<JournalEntry> entries;
    for (std::size_t i = 1; i + 1 < lines.size(); i += 3) {
        std::vector<std::string> words;
        for (std::size_t at = 0; at <= lines[i + 2].size();) {
            const std::size_t space = std::min(lines[i + 2].find(' ', at), lines[i + 2].size());
            words.push_back(lines[i + 2].substr(at, space - at));
            at = space + 1;
        }
        JournalEntry entry{lines[i], lines[i + 1], {}, std::nullopt};
        const auto written = parseStamp(words, 0);
        if (!written) return std::nullopt;
        entry.written = *written;
        if (words.size() == 5 && words[4] == "-") {
            // a new target
        } else if (words.size() == 8) {
            entry.replaced = parseStamp(words, 4);
            if (!entry.replaced) return std::nullopt;
        } else {
            return std::nullopt;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

// The journal written and on disk, locked while this process commits; removed once all renames are.
class Journal
{
public:
    // Writes it in dir for the entries, or throws FileError naming `target`.
    Journal(const fs::path &dir, const std::vector<JournalEntry> &entries, const std::string &target)
    {
        std::string text = std::string(kJournalHead) + "\n";
        for (const JournalEntry &entry : entries)
            text += entryText(entry);
        text += std::string(kJournalEnd) + "\n";
        // Another process finishing journals may set an empty one aside before it is locked.
        m_path = (dir / (std::string(kJournalPrefix) + "XXXXXX" + kJournalExtension)).string();
        m_fd = createLockedFile(m_path, std::string(kJournalExtension).size(), "Cannot write file", target);
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
    return plainName(name);
}

// Where the warnings about journals set aside go.
struct Warnings
{
    std::mutex mutex;
    MessageSink *sink = nullptr;
};

Warnings &warnings()
{
    static Warnings state;
    return state;
}

void warn(const std::string &text)
{
    Warnings &state = warnings();
    const std::lock_guard lock(state.mutex);
    if (state.sink)
        state.sink->warning(text);
    else
        std::fprintf(stderr, "%s\n", text.c_str());
}

// Why the journal's entries cannot be replayed, empty when they can: every name plain and a
// temporary file of its own target, and every file as the journal recorded it, either still
// waiting (the temporary file unchanged, the target as it was) or already renamed (the target is
// the temporary file). `pending` gets the entries whose rename is still to be done.
std::string checkEntries(int dirFd, const std::vector<JournalEntry> &entries,
                         std::vector<const JournalEntry *> &pending)
{
    std::set<std::string> names;
    for (const JournalEntry &entry : entries) {
        if (!plainName(entry.temporary) || !plainName(entry.target) ||
            !isReplacingTemporary(entry.temporary, entry.target) || isJournal(entry.target))
            return "it names " + entry.temporary + " for " + entry.target +
                   ", which is no temporary file of that file in this folder";
        if (!names.insert(entry.temporary).second || !names.insert(entry.target).second)
            return "it names " + entry.target + " twice";
    }
    for (const JournalEntry &entry : entries) {
        bool otherTemporary = false, otherTarget = false;
        const auto temporary = stampAt(dirFd, entry.temporary, otherTemporary);
        const auto target = stampAt(dirFd, entry.target, otherTarget);
        if (temporary && *temporary == entry.written && !otherTarget && target == entry.replaced)
            pending.push_back(&entry);
        else if (!temporary && !otherTemporary && target && *target == entry.written)
            continue; // renamed before the kill
        else
            return entry.target + " or " + entry.temporary + " changed since it was written";
    }
    return {};
}

// Gives the journal a name that is never replayed, and says so.
void setAside(int dirFd, const fs::path &journal, const std::string &reason)
{
    const std::string name = journal.filename().string();
    const std::string kept = name + kSetAsideExtension;
    const bool renamed = ::renameat(dirFd, name.c_str(), dirFd, kept.c_str()) == 0;
    warn("The journal " + journal.string() + " of an interrupted save does not match the files beside it (" +
         reason + "): nothing was renamed by it" + (renamed ? "; it is kept as " + kept : std::string()));
}

// Rolls the journal's commit forward when it is whole and matches its files: the temporary files
// still there renamed onto their targets, then the journal removed. A journal still locked is a live
// process's, which finishes it itself; one that does not match its files is set aside with a warning.
void finishJournal(int dirFd, const fs::path &journal)
{
    const std::string name = journal.filename().string();
    const int fd = ::openat(dirFd, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return;
    const ScopeExit closing([fd] { ::close(fd); });
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !namesOpenFile(journal, fd)) return;
    struct stat status
    {
    };
    if (::fstat(fd, &status) != 0) return;
    // A process killed after it created its journal but before it wrote it (the text goes in with one
    // write) leaves it empty: it holds nothing and had begun no rename.
    if (S_ISREG(status.st_mode) && status.st_size == 0) {
        ::unlinkat(dirFd, name.c_str(), 0);
        return;
    }
    std::optional<std::vector<JournalEntry>> entries;
    if (S_ISREG(status.st_mode) && status.st_size <= static_cast<off_t>(kJournalMaxBytes)) {
        std::string text(static_cast<std::size_t>(status.st_size), '\0');
        const ssize_t n = readAt(fd, text.data(), text.size(), 0);
        if (n == static_cast<ssize_t>(text.size())) entries = parseJournal(text);
    }
    // A journal that is not whole was not written by a commit: it renames nothing, and the temporary
    // files it names are leftovers like any other.
    if (!entries) return setAside(dirFd, journal, "it is not a whole journal of this program");
    std::vector<const JournalEntry *> pending;
    const std::string mismatch = checkEntries(dirFd, *entries, pending);
    if (!mismatch.empty()) return setAside(dirFd, journal, mismatch);
    for (const JournalEntry *entry : pending)
        if (::renameat(dirFd, entry->temporary.c_str(), dirFd, entry->target.c_str()) != 0)
            return; // kept for a later look
    ::fsync(dirFd);
    ::unlinkat(dirFd, name.c_str(), 0);
    ::fsync(dirFd);
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
    std::vector<JournalEntry> entries;
    bool oneFolder = true;
    for (ReplacingFile *file : files) {
        oneFolder = oneFolder && fs::path(file->m_target).parent_path() == dir &&
                    journalName(name(file->m_temp)) && journalName(name(file->m_target));
        JournalEntry entry{name(file->m_temp), name(file->m_target), {}, std::nullopt};
        struct stat status
        {
        };
        if (::fstat(file->m_fd, &status) != 0) file->fail(errno);
        entry.written = stampOf(status);
        if (::lstat(file->m_target.c_str(), &status) == 0) entry.replaced = stampOf(status);
        entries.push_back(std::move(entry));
    }
    std::optional<Journal> journal;
    if (oneFolder && files.size() > 1)
        journal.emplace(dir.empty() ? fs::path(".") : dir, entries, files.front()->m_target);
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
    const fs::path folder = dir.empty() ? fs::path(".") : fs::path(dir);
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) return;
    const ScopeExit closing([dirFd] { ::close(dirFd); });
    std::error_code ec;
    std::vector<fs::path> journals;
    for (const auto &entry : fs::directory_iterator(folder, ec))
        if (isJournal(entry.path().filename().string())) journals.push_back(entry.path());
    std::sort(journals.begin(), journals.end());
    for (const fs::path &journal : journals)
        finishJournal(dirFd, journal);
}

void setCommitWarnings(MessageSink *sink)
{
    Warnings &state = warnings();
    const std::lock_guard lock(state.mutex);
    state.sink = sink;
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

void ReplacingFile::write(std::string_view bytes)
{
    const int fd = ::open(m_temp.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) throw FileError(fileMessage("Cannot write file", m_target, errno));
    const bool written = writeAll(fd, bytes);
    const int error = errno;
    if (::close(fd) != 0 && written) throw FileError(fileMessage("Cannot write file", m_target, errno));
    if (!written) throw FileError(fileMessage("Cannot write file", m_target, error));
}

void writeFileWhole(const std::string &file, std::string_view bytes)
{
    ReplacingFile replacing(file);
    replacing.write(bytes);
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
