// The progress window of long runs.
#include "app/progresswindow.h"

#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QProgressDialog>
#include <QResizeEvent>
#include <QStyle>

#include <algorithm>

namespace app {

namespace {

// Qt's progress dialog, which places its label, bar and button itself (not through a layout), with a
// list of notes between the label and the bar: the label keeps the height of its text and the list
// takes the rest that Qt gives the label.
class NotesProgressDialog final : public QProgressDialog
{
public:
    static constexpr int kListHeight = 160;

    explicit NotesProgressDialog(QWidget *owner) : QProgressDialog(owner), m_notes(new QListWidget(this))
    {
        m_notes->setObjectName("ListWarnings");
        m_notes->setAccessibleName("Warnings");
        m_notes->hide();
    }

    QListWidget *notes() const { return m_notes; }

    void addNote(const QString &text)
    {
        m_notes->addItem(text);
        m_notes->scrollToBottom();
        if (m_notes->isHidden()) {
            m_notes->show();
            resize(std::max(width(), sizeHint().width()), std::max(height(), sizeHint().height()));
            placeNotes();
        }
    }

    QSize sizeHint() const override
    {
        const QSize hint = QProgressDialog::sizeHint();
        return m_notes->isHidden() ? hint : QSize(std::max(hint.width(), 480), hint.height() + kListHeight);
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QProgressDialog::resizeEvent(event);
        placeNotes();
    }

private:
    // Placed from the label's top down to the bar, where Qt has put them, so that placing again
    // gives the same.
    void placeNotes()
    {
        auto *label = findChild<QLabel *>(QString(), Qt::FindDirectChildrenOnly);
        auto *bar = findChild<QProgressBar *>(QString(), Qt::FindDirectChildrenOnly);
        if (m_notes->isHidden() || !label || !bar) return;
        const int spacing =
            std::max(0, style()->pixelMetric(QStyle::PM_LayoutVerticalSpacing, nullptr, this));
        const int height = std::max(0, bar->y() - spacing - label->y());
        const int labelHeight = std::min(height, label->sizeHint().height());
        label->setGeometry(label->x(), label->y(), label->width(), labelHeight);
        m_notes->setGeometry(label->x(), label->y() + labelHeight, label->width(), height - labelHeight);
    }

    QListWidget *m_notes;
};

} // namespace

ProgressWindow::ProgressWindow(const QString &caption, QWidget *owner, QString unit)
    : m_dialog(new NotesProgressDialog(owner)), m_unit(std::move(unit))
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
        m_dialog->setLabelText(QString("%1 %2 of %3: %4")
                                   .arg(m_unit)
                                   .arg(done + 1)
                                   .arg(total)
                                   .arg(QString::fromStdString(current)));
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

void ProgressWindow::note(const std::string &text)
{
    if (m_dialog) static_cast<NotesProgressDialog *>(m_dialog.data())->addNote(QString::fromStdString(text));
}

QListWidget *ProgressWindow::notes() const
{
    return m_dialog ? static_cast<NotesProgressDialog *>(m_dialog.data())->notes() : nullptr;
}

} // namespace app
