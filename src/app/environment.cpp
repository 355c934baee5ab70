// The running program's environment.
#include "app/environment.h"

#include "app/graphini.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>

#include <cmath>
#include <cstdlib>

namespace app {

Environment Environment::forProgram()
{
    Environment env;
    env.programDir = QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
    env.configDir = userConfigDir(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    env.openDir = QDir::currentPath();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        env.pixelsPerInch = static_cast<int>(std::lround(screen->logicalDotsPerInchY()));
    env.terminate = [] { QCoreApplication::exit(0); };
    return env;
}

} // namespace app
