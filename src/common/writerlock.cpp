// The lock file of a folder's writer.
#include "common/writerlock.h"

#include "common/fileio.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace common {

namespace {

// The holder writes its id right after taking the lock: a few short waits cover that moment.
long readHolder(int fd, std::string &activity)
{
    for (int look = 0; look < 20; ++look) {
        char text[128] = {};
        const ssize_t n = readAt(fd, text, sizeof text - 1, 0);
        char *end = nullptr;
        const long pid = n > 0 ? std::strtol(text, &end, 10) : 0;
        if (n > 0 && end != text && pid > 0 && *end == '\n') {
            const std::string rest(end + 1);
            const std::size_t line = rest.find('\n');
            // Printable words only: the file is anyone's to write.
            if (line != std::string::npos && line <= 40 &&
                rest.find_first_not_of("abcdefghijklmnopqrstuvwxyz ") >= line)
                activity = rest.substr(0, line);
            return pid;
        }
        ::usleep(10000);
    }
    return -1;
}

} // namespace

WriterLock::WriterLock(std::string file, const std::string &activity) : m_file(std::move(file))
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int fd = ::open(m_file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0) return; // nowhere to write, so nothing to guard
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            m_holder = errno == EWOULDBLOCK ? readHolder(fd, m_holderActivity) : 0;
            ::close(fd);
            if (m_holder != 0) return;
            continue;
        }
        // The holder before may have removed the file between the open and the lock: the lock must be
        // on the file that has the name.
        if (namesOpenFile(m_file, fd)) {
            const std::string pid =
                std::to_string(::getpid()) + "\n" + (activity.empty() ? "" : activity + "\n");
            if (::ftruncate(fd, 0) == 0 && !writeAt(fd, pid.data(), pid.size(), 0)) {
                // The lock holds without the id; a second writer is then told the process is unknown.
            }
            m_fd = fd;
            m_holder = 0;
            return;
        }
        ::close(fd);
    }
}

WriterLock::~WriterLock()
{
    if (m_fd < 0) return;
    ::unlink(m_file.c_str());
    ::close(m_fd);
}

} // namespace common
