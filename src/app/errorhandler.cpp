// The central error handler.
#include "app/errorhandler.h"

#include "app/dialogs.h"
#include "common/error.h"

namespace app {

namespace {

void show(Dialogs &dialogs, const char *text)
{
    // An error box that cannot be shown has nowhere else to go; the slot must still return normally.
    try {
        dialogs.error(QString::fromUtf8(text));
    } catch (...) {
    }
}

} // namespace

void runGuarded(Dialogs &dialogs, const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const common::Error &e) {
        show(dialogs, e.what());
    } catch (const std::exception &e) {
        show(dialogs, e.what());
    } catch (...) {
        show(dialogs, "Unknown error");
    }
}

} // namespace app
