// Controls found as users and screen readers find them: by object name under a window or page.
#pragma once

#include <QObject>
#include <QString>

#include <gtest/gtest.h>

namespace apptest {

// The control of type W named `objectName` under `root`; fails the test (and returns nullptr) when
// there is none or more than one.
template <class W> W *control(const QObject *root, const QString &objectName)
{
    const auto found = root->findChildren<W *>(objectName);
    if (found.size() != 1) {
        ADD_FAILURE() << found.size() << " controls named " << objectName.toStdString();
        return nullptr;
    }
    return found.front();
}

} // namespace apptest
