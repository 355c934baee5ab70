// Creating a control with its object name in one expression, as the window's page builders do, and
// naming a control after the label beside it.
#pragma once

#include <QLabel>

#include <utility>

namespace app {

template <class W, class... Args> W *named(const char *name, Args &&...args)
{
    auto *w = new W(std::forward<Args>(args)...);
    w->setObjectName(name);
    return w;
}

// An edit, list or grid is known by the label beside it: the label's text becomes its accessible
// name, and the label is its buddy, which desktops report as "labelled by".
inline void nameAfter(QWidget *control, QLabel *label)
{
    label->setBuddy(control);
    control->setAccessibleName(label->text());
}

} // namespace app
