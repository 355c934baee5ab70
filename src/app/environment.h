// What the main window takes from its surroundings: where the program and the user's settings live,
// where the open dialog starts, the screen's pixels per inch and how the program ends. The program
// takes them from the system; tests give their own.
#pragma once

#include <QString>

#include <filesystem>
#include <functional>

namespace app {

struct Environment
{
    std::filesystem::path programDir; // the directory of the program file: a shipped Graph.ini beside it
    std::filesystem::path configDir;  // the user's configuration directory for this program (userConfigDir)
    QString openDir;                  // where the open dialog of the data table starts
    QString startTable;               // the table named on the command line, opened instead of asking
    int pixelsPerInch = 96;           // the screen's logical pixels per inch
    // Ends the program at once, without closing the main window (a cancelled open dialog).
    std::function<void()> terminate;
    // Whether showing or activating the window starts the start sequence by itself; tests that call
    // FormActivate themselves turn it off.
    bool startOnActivation = true;

    // The running program's values: its own directory, ~/.config/fenoris, the working directory, the
    // primary screen, and leaving the event loop.
    static Environment forProgram();
};

} // namespace app
