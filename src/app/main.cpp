// Fenoris: the program a user starts.
#include "app/environment.h"
#include "app/fmain.h"
#include "app/qtdialogs.h"
#include "common/version.h"

#include <QApplication>

#include <clocale>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    // QApplication takes the user's locale for everything; the dBASE files must keep the point.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName("Fenoris");
    QApplication::setApplicationVersion(QString::fromUtf8(common::kProgramVersion));

    app::QtDialogs dialogs;
    app::TFormMain FormMain(dialogs, app::Environment::forProgram());
    FormMain.show();
    return QApplication::exec();
}
