// The terminal's progress line.
#include "cli/terminalprogress.h"

#include "cli/interrupt.h"

#include <iostream>
#include <unistd.h>

namespace cli {

bool TerminalProgress::step(int done, int total, const std::string &current)
{
    m_done = done;
    m_total = total;
    if (const int signal = InterruptWatch::signal()) throw Interrupted{signal, done, total};
    const auto now = std::chrono::steady_clock::now();
    if (!m_show || (done < total && now - m_shown < std::chrono::milliseconds(100))) return true;
    m_shown = now;
    clear();
    if (done < total) {
        const std::string text = m_unit + " " + std::to_string(done + 1) + " of " + std::to_string(total) +
                                 (current.empty() ? "" : ": " + current);
        m_stream << text << std::flush;
        m_width = text.size();
    }
    return true;
}

bool TerminalProgress::cancelRequested()
{
    return InterruptWatch::signal() != 0;
}

void TerminalProgress::clear()
{
    if (m_width == 0) return;
    m_stream << "\r" << std::string(m_width, ' ') << "\r" << std::flush;
    m_width = 0;
}

bool TerminalProgress::watched(const std::ostream &err)
{
    return &err == &std::cerr && isatty(STDERR_FILENO);
}

} // namespace cli
