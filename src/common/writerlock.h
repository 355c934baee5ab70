// One writer at a time: a lock file that a process holds while it writes a set of files in a folder,
// with the holder's process id in it, so that a second writer can be refused naming the first.
#pragma once

#include <string>

namespace common {

// Tries to take the lock of the file when constructed, without waiting. The file is created when
// missing and removed when the holder lets go; the lock dies with its process, so a killed writer
// never blocks the next one. The holder writes its process id in it, and what it does ("import"),
// when given, on a second line.
class WriterLock
{
public:
    explicit WriterLock(std::string file, const std::string &activity = {});
    ~WriterLock();
    WriterLock(const WriterLock &) = delete;
    WriterLock &operator=(const WriterLock &) = delete;

    // True when this process now holds the lock, and also when the file cannot be created at all (a
    // folder without write access, where nothing can be written anyway).
    bool held() const { return m_fd >= 0 || m_holder == 0; }
    // The process id of the holder when another process holds the lock, -1 when it is unknown (the
    // holder has not written it yet).
    long holder() const { return m_holder; }
    // What the holder said it does, empty when it said nothing.
    const std::string &holderActivity() const { return m_holderActivity; }

private:
    std::string m_file;
    int m_fd = -1;
    long m_holder = 0;
    std::string m_holderActivity;
};

} // namespace common
