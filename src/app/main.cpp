// Fenoris: the program a user starts, with the table to open as its one argument.
#include "app/environment.h"
#include "app/fmain.h"
#include "app/qtdialogs.h"
#include "common/version.h"

#include <QApplication>

#include <clocale>
#include <cstring>
#include <iostream>

namespace {

const char *const kUsage = "usage: fenoris [TABLE.dbf]\n"
                           "Opens the table after the about box; without one the open dialog asks for it.\n"
                           "  --version  print the version\n"
                           "  --help     print this help\n";

int wrongUse(const std::string &message)
{
    std::cerr << "fenoris: " << message << "\n" << kUsage;
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    // Answered before Qt starts, so that they need no display. Qt's own options have one dash.
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::cout << "fenoris " << common::kProgramVersion << "\n";
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::cout << kUsage;
            return 0;
        }
        if (std::strncmp(argv[i], "--", 2) == 0) return wrongUse(std::string("unknown option ") + argv[i]);
    }

    QApplication application(argc, argv);
    // QApplication takes the user's locale for everything; the dBASE files must keep the point.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName("Fenoris");
    QApplication::setApplicationVersion(QString::fromUtf8(common::kProgramVersion));

    // What Qt left of the arguments: at most one table.
    QStringList tables;
    bool options = true;
    for (const QString &arg : QCoreApplication::arguments().mid(1)) {
        if (options && arg == "--")
            options = false;
        else if (options && arg.size() > 1 && arg.startsWith('-'))
            return wrongUse("unknown option " + arg.toStdString());
        else
            tables << arg;
    }
    if (tables.size() > 1) return wrongUse("one table at a time");

    app::Environment environment = app::Environment::forProgram();
    if (!tables.isEmpty()) environment.startTable = tables.first();
    app::QtDialogs dialogs;
    app::TFormMain FormMain(dialogs, std::move(environment));
    FormMain.show();
    return QApplication::exec();
}
