// Whole reads and writes at an offset, and the identity of a file.
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

namespace {

long long nanoseconds(const timespec &time)
{
    return static_cast<long long>(time.tv_sec) * 1000000000LL + time.tv_nsec;
}

FileIdentity identityOf(const struct stat &status)
{
    return {status.st_dev,
            status.st_ino,
            status.st_size,
            nanoseconds(status.st_mtim),
            nanoseconds(status.st_ctim),
            S_ISREG(status.st_mode)};
}

} // namespace

std::optional<FileIdentity> openFileIdentity(int fd)
{
    struct stat status
    {
    };
    if (::fstat(fd, &status) != 0) return std::nullopt;
    return identityOf(status);
}

std::optional<FileIdentity> fileIdentity(const std::string &path)
{
    struct stat status
    {
    };
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    return identityOf(status);
}

bool namesOpenFile(const std::string &path, int fd)
{
    const auto opened = openFileIdentity(fd);
    if (!opened) return false;
    const auto named = fileIdentity(path);
    return named && opened->sameFile(*named);
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
