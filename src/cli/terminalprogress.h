// The progress of a long command on the terminal, and Ctrl+C (or SIGTERM) noted at its steps.
#pragma once

#include "cli/interrupt.h"
#include "common/error.h"
#include "common/progress.h"

#include <chrono>
#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <utility>

namespace cli {

// Thrown by TerminalProgress::step when Ctrl+C or SIGTERM came (InterruptWatch): the run ends as on
// an error, and the command says how far it got.
struct Interrupted
{
    int signal;
    int done, total;
};

// Asks at every step whether the run was interrupted, and shows one line "plot k of n: NAME" on a
// terminal (or "picture k of n" in another unit, the name left out when empty), rewritten at most ten
// times a second and cleared at the end.
class TerminalProgress : public common::Progress
{
public:
    // show: whether anyone watches the stream (a terminal, not a file, a pipe or a test's stream).
    TerminalProgress(std::ostream &stream, bool show) : m_stream(stream), m_show(show) {}
    ~TerminalProgress() override { clear(); }

    bool step(int done, int total, const std::string &current) override;
    // What the steps count from now on ("plot" at first).
    void setUnit(std::string unit)
    {
        m_unit = std::move(unit);
        m_shown = {}; // the first step of the new unit is shown at once
    }
    // True once Ctrl+C or SIGTERM came.
    bool cancelRequested() override;
    void clear();
    // How far the run got by the last step, for a run that a signal stopped inside the engine.
    Interrupted interrupted(int signal) const { return {signal, m_done, m_total}; }
    // Runs the walk; a signal noted at a step or one that stopped a statement of the engine ends it
    // with how far it got (the progress line cleared), any other error is thrown on.
    template <class Walk> std::optional<Interrupted> runInterruptible(Walk &&walk);

    // True when err is the process's standard error and that is a terminal.
    static bool watched(const std::ostream &err);

private:
    std::ostream &m_stream;
    bool m_show;
    std::chrono::steady_clock::time_point m_shown{};
    std::size_t m_width = 0;
    int m_done = 0, m_total = 0;
    std::string m_unit = "plot";
};

template <class Walk> std::optional<Interrupted> TerminalProgress::runInterruptible(Walk &&walk)
{
    try {
        walk();
        return std::nullopt;
    } catch (const common::Error &) {
        // The signal stopped a statement of the engine: told as at a step.
        const int signal = InterruptWatch::signal();
        if (!signal) throw;
        clear();
        return interrupted(signal);
    } catch (const Interrupted &stopped) {
        clear();
        return stopped;
    }
}

} // namespace cli
