// The window that shows how far a long run has got, with a Cancel button: the statistics run walks
// thousands of plots, and the user must see that it works and be able to stop it.
#pragma once

#include "common/progress.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>
#include <QString>

class QListWidget;
class QWidget;

namespace app {

class ProgressWindow : public common::Progress
{
public:
    // Shows the window at once, in front of owner (may be null), taking the input of every other
    // window of the program while it is open, so that nothing changes under the run. unit names what
    // the steps count.
    ProgressWindow(const QString &caption, QWidget *owner, QString unit = "Plot");
    // Closes the window.
    ~ProgressWindow() override;
    ProgressWindow(const ProgressWindow &) = delete;
    ProgressWindow &operator=(const ProgressWindow &) = delete;

    // Shows "<unit> <done + 1> of <total>: <current>" and the bar at done of total, then lets the
    // program handle its pending events (painting, the Cancel button), at most every kEventInterval
    // milliseconds: painting the window and the lists for each of thousands of quick plots would take
    // longer than the run itself. False once Cancel was pressed or the window was closed.
    bool step(int done, int total, const std::string &current) override;
    // Handles the pending events as step() does, at most every kEventInterval milliseconds, so that
    // Cancel is seen while a statement runs; true once Cancel was pressed or the window was closed.
    bool cancelRequested() override;
    // Adds the text to the list "Warnings" under the plot line, which shows from the first note on;
    // the window is painted with it at the next step.
    void note(const std::string &text) override;

    // The Qt dialog, for tests.
    QProgressDialog *dialog() const { return m_dialog; }
    // The list of notes, hidden until the first; null once the window was closed.
    QListWidget *notes() const;

    static constexpr int kEventInterval = 100;

private:
    QPointer<QProgressDialog> m_dialog;
    QElapsedTimer m_sinceEvents;
    QString m_unit;
};

} // namespace app
