// Connecting a signal to a handler of a window or page that runs under the central error handler:
// an exception must never leave a Qt slot.
#pragma once

#include "app/errorhandler.h"

#include <QObject>

namespace app {

template <class Receiver, class Sender, class Signal>
void connectGuarded(Receiver *receiver, Dialogs &dialogs, Sender *sender, Signal signal,
                    void (Receiver::*handler)())
{
    QObject::connect(sender, signal, receiver, [receiver, &dialogs, handler] {
        runGuarded(dialogs, [receiver, handler] { (receiver->*handler)(); });
    });
}

} // namespace app
