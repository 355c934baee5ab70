// Progress of a long run, told to whoever watches it: a progress dialog, a terminal line, a test.
#pragma once

#include <string>

namespace common {

class Progress
{
public:
    virtual ~Progress() = default;
    // done of total units are finished and `current` names the one now started (empty once all are
    // done). Returns false to cancel: the run then stops before the next unit, keeping what it wrote.
    // It may also throw, which ends the run as an error does (Ctrl+C on the command line).
    virtual bool step(int done, int total, const std::string &current) = 0;
};

} // namespace common
