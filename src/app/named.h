// Creating a control with its object name in one expression, as the window's page builders do.
#pragma once

#include <utility>

namespace app {

template <class W, class... Args> W *named(const char *name, Args &&...args)
{
    auto *w = new W(std::forward<Args>(args)...);
    w->setObjectName(name);
    return w;
}

} // namespace app
