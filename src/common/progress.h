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
    // Asked again and again while a statement of the engine runs between two steps (a slow
    // condition, a slow read): true stops the statement, and the run ends as on a cancel at a step.
    // It may handle the watcher's pending events, but nothing that uses the engine.
    virtual bool cancelRequested() { return false; }
    // Something the run tells and goes on after, such as a warning about one plot: listed by the
    // watcher while the run goes on (a window shows it in a list; others may pass it over).
    virtual void note(const std::string &text) { (void)text; }
};

} // namespace common
