// A folder of files that belong together (a report with its pages and pictures), written whole: it is
// made under a temporary name beside the target and renamed into place once complete, so that an
// error, a cancel or a kill leaves the folder before as it was and never half a new one.
#pragma once

#include "common/writerlock.h"

#include <functional>
#include <string>

namespace common {

// The folder is built in path() and put in place by commit(); destroyed without commit() it is
// removed with what it holds. While it lives, a lock file beside the target (".~NAME.lock") keeps a
// second writer of the same target out; temporary folders that a killed run left (".~NAME-XXXXXX")
// are removed when the next one begins. The folder gets the mode a new folder gets from the umask.
class ReplacingFolder
{
public:
    // Called with the target when it exists (before replace is looked at): throws (FileError) when the folder
    // holds anything its writer cannot prove it wrote, which replacing would delete.
    using ReplaceCheck = std::function<void(const std::string &target)>;

    // Throws FileError when the target exists and replace is false ("... exists"), when the target is
    // a file, when mayReplace refuses it, when another process writes the same target, and when the
    // temporary folder cannot be made (the system's reason named). Trailing slashes of the target are
    // dropped. The folder above the target must exist.
    ReplacingFolder(std::string target, bool replace, ReplaceCheck mayReplace = {});
    ~ReplacingFolder();
    ReplacingFolder(const ReplacingFolder &) = delete;
    ReplacingFolder &operator=(const ReplacingFolder &) = delete;

    const std::string &target() const { return m_target; }
    // The temporary folder, ".~NAME-XXXXXX" beside the target.
    const std::string &path() const { return m_temp; }

    // Flushes what the folder holds and puts it in place of the target; an existing target is checked
    // again by mayReplace, swapped with it in one step where the file system can, and then removed.
    // Throws FileError; the target is then as it was.
    void commit();

private:
    std::string m_target;
    std::string m_temp;
    bool m_replace;
    ReplaceCheck m_mayReplace;
    bool m_committed = false;
    WriterLock m_lock;
};

// True for a name ReplacingFolder gives its temporary folders for the target name.
bool isReplacingFolderTemporary(const std::string &name, const std::string &targetName);

} // namespace common
