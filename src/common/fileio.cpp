#include "common/fileio.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace common {

ssize_t readAt(int fd, void *buffer, std::size_t size, off_t offset)
{
    char *bytes = static_cast<char *>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, bytes + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

bool namesOpenFile(const std::string &path, int fd)
{
    struct stat opened
    {
    }, named{};
    return ::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 && opened.st_ino == named.st_ino &&
           opened.st_dev == named.st_dev;
}

bool writeAt(int fd, const void *bytes, std::size_t size, off_t offset)
{
    const char *from = static_cast<const char *>(bytes);
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = ::pwrite(fd, from + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace common
