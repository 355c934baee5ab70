// Reading and writing at an offset of an open file, whole: the system calls may stop after part of
// the bytes or be interrupted by a signal, and every caller would otherwise loop on its own.
#pragma once

#include <cstddef>
#include <string>
#include <sys/types.h>

namespace common {

// Reads `size` bytes at `offset`, or fewer when the file ends first. Returns the bytes read, or -1
// with errno set when the system refuses.
ssize_t readAt(int fd, void *buffer, std::size_t size, off_t offset);

// True when the open file `fd` is the file that `path` names now: a lock taken on a file that
// another process removed or replaced since it was opened holds nothing.
bool namesOpenFile(const std::string &path, int fd);

// Writes the `size` bytes at `offset`; false with errno set when the system refuses or writes
// nothing (EIO).
bool writeAt(int fd, const void *bytes, std::size_t size, off_t offset);

} // namespace common
