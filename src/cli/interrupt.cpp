// Noting SIGINT and SIGTERM.
#include "cli/interrupt.h"

#include <csignal>

namespace cli {

namespace {

volatile std::sig_atomic_t g_signal = 0;
struct sigaction g_formerInt, g_formerTerm;

extern "C" void noteSignal(int number)
{
    g_signal = number;
}

} // namespace

InterruptWatch::InterruptWatch()
{
    g_signal = 0;
    struct sigaction action
    {
    };
    action.sa_handler = noteSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &g_formerInt);
    sigaction(SIGTERM, &action, &g_formerTerm);
}

InterruptWatch::~InterruptWatch()
{
    sigaction(SIGINT, &g_formerInt, nullptr);
    sigaction(SIGTERM, &g_formerTerm, nullptr);
}

int InterruptWatch::signal()
{
    return g_signal;
}

} // namespace cli
