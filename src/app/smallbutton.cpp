// The window's small icon buttons.
#include "app/smallbutton.h"

#include "app/named.h"

#include <QApplication>
#include <QToolButton>

namespace app {

QToolButton *smallButton(const char *name, const char *hint, QStyle::StandardPixmap icon, const char *text)
{
    auto *b = named<QToolButton>(name);
    b->setToolTip(hint);
    b->setAccessibleName(hint);
    // SP_CustomBase asks for the text: not every style has a fitting picture.
    const QIcon i = icon == QStyle::SP_CustomBase ? QIcon() : QApplication::style()->standardIcon(icon);
    if (i.isNull())
        b->setText(text);
    else
        b->setIcon(i);
    b->setAutoRaise(false);
    b->setFixedSize(26, 26);
    return b;
}

} // namespace app
