// Files the program writes whole (settings, side files, result tables, pictures) are written under a
// temporary name beside the target and renamed over it once complete: a full disk, an error or a kill
// leaves the old file as it was, never a half-written one under the user's name.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace common {

class MessageSink;

// A temporary file beside the target, created empty when constructed. Write it by its path (any
// library that opens files by name can), then commit() to put it in place of the target. Destroyed
// without commit() it removes itself, so an error leaves the target untouched. While it lives it
// holds a lock on its file, by which removeLeftoverTemporaries tells it from one that a killed
// process left behind.
class ReplacingFile
{
public:
    // Throws FileError "Cannot create file "<target>". <reason>" when the temporary file cannot be
    // created (missing or read-only directory).
    explicit ReplacingFile(std::string target);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile &) = delete;
    ReplacingFile &operator=(const ReplacingFile &) = delete;

    const std::string &target() const { return m_target; }
    // The temporary file: in the target's directory, named ".~" + target's stem + "-XXXXXX" + the
    // target's extension, so that writers choosing a format by extension see the right one.
    const std::string &path() const { return m_temp; }

    // Writes the bytes as the whole content of the temporary file. Throws FileError "Cannot write
    // file "<target>". <reason>"; the target is unchanged.
    void write(std::string_view bytes);

    // Flushes the temporary file to disk and renames it over the target, keeping the permissions of
    // the file it replaces. Throws FileError "Cannot write file "<target>". <reason>"; the target is
    // then unchanged and the temporary file removed.
    void commit();
    // The first half of commit(): the temporary file on disk with the target's permissions. Throws
    // as commit(); commit() then only renames.
    void sync();

private:
    friend void commitTogether(const std::vector<ReplacingFile *> &files);
    void fail(int error);
    void setMode();
    void rename();

    std::string m_target;
    std::string m_temp;
    int m_fd = -1; // open on the temporary file, locked, until it is committed or removed
    bool m_synced = false;
    bool m_committed = false;
};

// Commits files that belong together, such as the two tables of one run or a table with its side
// files, as one: all are flushed, then a journal naming every temporary file and its target, with
// the identity of both (device, inode, size, modification time), is written beside them and forced
// to disk, all are renamed and the journal is removed. A kill between the renames leaves the
// journal, by which finishInterruptedCommits puts the rest in place too, so the files are all old or
// all new. (Targets in more than one folder are renamed without a journal.) Throws as commit(); a
// failure before the renames leaves every target untouched.
void commitTogether(const std::vector<ReplacingFile *> &files);
inline void commitTogether(ReplacingFile &first, ReplacingFile &second)
{
    commitTogether({&first, &second});
}

// Finishes the commits in the folder that a kill cut short between their renames: the temporary
// files still there are renamed onto their targets and the journal removed. A journal whose process
// still lives is left to it. A journal is replayed only when it is whole and matches the files
// beside it: plain names in its own folder, each a temporary file of its target (isReplacingTemporary),
// each temporary file unchanged since the journal was written and each target still the file it
// replaced (or already the temporary file, renamed before the kill). An empty journal (its writer
// was killed before it wrote it) is removed. Any other journal (cut short, made by hand, or one whose
// target a later commit replaced) renames nothing: it is set aside as NAME.journal.stale with a
// warning naming it (setCommitWarnings), and its temporary files are left to
// removeLeftoverTemporaries. A rename that fails leaves the journal for a later look.
// removeLeftoverTemporaries calls it first, and opening a data folder does.
void finishInterruptedCommits(const std::string &dir);

// Where finishInterruptedCommits sends its warnings: the command line's standard error, the window's
// message boxes. Without one (or with nullptr) they go to standard error. The sink must outlive its
// use; calls from several threads are serialised.
void setCommitWarnings(MessageSink *sink);

// While one lives (in any thread of the process), a ReplacingFile whose target does not exist yet is
// renamed into place without first waiting for the disk: a batch of many new files, such as the
// pictures of every plot, then costs one flush when the last DeferredSync ends instead of two per
// file. A file that replaces an existing one is still flushed before its rename, so the old content
// is never lost. A kill loses nothing either way (what was written stays in the system's cache); only
// a power failure before the final flush could leave some of the new files empty.
class DeferredSync
{
public:
    DeferredSync();
    // Flushes the file systems of the directories written into; errors are not reported.
    ~DeferredSync();
    DeferredSync(const DeferredSync &) = delete;
    DeferredSync &operator=(const DeferredSync &) = delete;
};

// Removes the temporary files that ReplacingFiles of the target left in its directory when their
// process was killed. Those of a ReplacingFile still alive, in this or another process, stay.
void removeLeftoverTemporaries(const std::string &target);

// Removes the temporary files of any target with the extension (".svg") that killed processes left
// in the folder, such as the pictures of a killed run; those still written stay.
void removeLeftoverTemporariesOfType(const std::string &dir, const std::string &extension);

// Writes the bytes as the whole new content of the file, through a ReplacingFile. Throws FileError.
void writeFileWhole(const std::string &file, std::string_view bytes);

// True for a name ReplacingFile gives its temporary files ("~" + stem + "-XXXXXX" + extension
// after the leading dot), so a program can clear what a killed run left behind.
bool isReplacingTemporary(const std::string &fileName, const std::string &targetName);

} // namespace common
