// Ctrl+C (SIGINT) and SIGTERM during a long command: the signal is only noted, and the command stops
// at its next step as on an error, so that what it writes replaces nothing and it can say so.
#pragma once

namespace cli {

// Notes SIGINT and SIGTERM while it lives instead of letting them end the process; the former
// handlers come back when it is destroyed.
class InterruptWatch
{
public:
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch &) = delete;
    InterruptWatch &operator=(const InterruptWatch &) = delete;

    // The signal that came since the watch began, or 0.
    static int signal();
};

} // namespace cli
