// The central error handler: an error that escapes an event handler is shown to the user as an error
// box, and the handler ends there. What the handler did before the error stays done.
#pragma once

#include <functional>

namespace app {

class Dialogs;

// Runs the handler; the message of a common::Error or any other std::exception that escapes it is
// shown through dialogs. Nothing escapes this function, so it is safe at the edge of a Qt slot or
// event handler.
void runGuarded(Dialogs &dialogs, const std::function<void()> &handler);

} // namespace app
