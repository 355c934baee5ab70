// The progress window of long runs.
#include "app/progresswindow.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace app {

ProgressWindow::ProgressWindow(const QString &caption, QWidget *owner) : m_dialog(new QProgressDialog(owner))
{
    m_dialog->setObjectName("ProgressWindow");
    m_dialog->setWindowTitle(caption);
    m_dialog->setCancelButtonText("Cancel");
    // The run's own steps decide when it ends; the dialog must neither hide nor rewind itself when
    // the bar is full.
    m_dialog->setAutoReset(false);
    m_dialog->setAutoClose(false);
    // Application-modal: the events processed during the run must not reach the main window, whose
    // lists and shared query the run is using.
    m_dialog->setWindowModality(Qt::ApplicationModal);
    m_dialog->setMinimumDuration(0);
    m_dialog->setMinimumWidth(320);
    m_dialog->show();
    QCoreApplication::processEvents();
    m_sinceEvents.start();
}

ProgressWindow::~ProgressWindow()
{
    delete m_dialog.data();
}

bool ProgressWindow::step(int done, int total, const std::string &current)
{
    if (!m_dialog) return false;
    if (done < total)
        m_dialog->setLabelText(
            QString("Plot %1 of %2: %3").arg(done + 1).arg(total).arg(QString::fromStdString(current)));
    // A modal progress dialog handles the pending events whenever its value is set; both wait for
    // the interval.
    if (done >= total || m_sinceEvents.elapsed() >= kEventInterval) {
        m_dialog->setMaximum(total > 0 ? total : 1);
        m_dialog->setValue(done < total ? done : m_dialog->maximum());
        QCoreApplication::processEvents();
        m_sinceEvents.restart();
    }
    return m_dialog && !m_dialog->wasCanceled();
}

bool ProgressWindow::cancelRequested()
{
    if (m_dialog && m_sinceEvents.elapsed() >= kEventInterval) {
        QCoreApplication::processEvents();
        m_sinceEvents.restart();
    }
    return !m_dialog || m_dialog->wasCanceled();
}

} // namespace app
