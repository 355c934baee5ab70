// The window's small buttons that show only an icon: their hint is their tooltip and their
// accessible name, so that a screen reader and a test tool find them as a user does.
#pragma once

#include <QStyle>

class QToolButton;

namespace app {

// A 26 by 26 tool button with its object name and hint. QStyle::SP_CustomBase, or a style without a
// fitting picture, shows `text` instead of an icon.
QToolButton *smallButton(const char *name, const char *hint, QStyle::StandardPixmap icon, const char *text);

} // namespace app
