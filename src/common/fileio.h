// Reading and writing at an offset of an open file, whole: the system calls may stop after part of
// the bytes or be interrupted by a signal, and every caller would otherwise loop on its own.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <sys/types.h>

namespace common {

// Reads `size` bytes at `offset`, or fewer when the file ends first. Returns the bytes read, or -1
// with errno set when the system refuses.
ssize_t readAt(int fd, void *buffer, std::size_t size, off_t offset);

// Which file a name or descriptor leads to, and in what state: the device and inode tell the file
// apart from every other, the size and time stamps (nanoseconds since 1970) change with what it holds.
struct FileIdentity
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long modified = 0; // the content's last change
    long long changed = 0;  // the last change of the content or of the file's entry (mode, owner, links)
    bool regular = false;   // a plain file, not a folder, device or pipe

    // The same file, whatever it holds now.
    bool sameFile(const FileIdentity &other) const { return device == other.device && inode == other.inode; }
    // The same file, unchanged as far as the file system tells.
    bool operator==(const FileIdentity &) const = default;
    // The same file with the same content as far as the file system tells: a change of its entry
    // alone (mode, owner, links) does not count.
    bool sameContent(const FileIdentity &other) const
    {
        return sameFile(other) && size == other.size && modified == other.modified;
    }
};

// The identity of the open file `fd`, or of the file `path` names now (symbolic links followed);
// nothing, with errno set, when the system cannot tell.
std::optional<FileIdentity> openFileIdentity(int fd);
std::optional<FileIdentity> fileIdentity(const std::string &path);

// True when the open file `fd` is the file that `path` names now: a lock taken on a file that
// another process removed or replaced since it was opened holds nothing.
bool namesOpenFile(const std::string &path, int fd);

// Writes the `size` bytes at `offset`; false with errno set when the system refuses or writes
// nothing (EIO).
bool writeAt(int fd, const void *bytes, std::size_t size, off_t offset);

} // namespace common
