// Everything modal that the program asks or tells the user, behind one interface: the program uses
// Qt dialogs (QtDialogs), tests a scripted fake that answers from a queue.
#pragma once

#include "common/messagesink.h"
#include "common/progress.h"

#include <QColor>
#include <QFlags>
#include <QFont>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QDialog;
class QPrinter;

namespace app {

// The kinds of message box: information, warning and error come with OK, a confirmation with Yes and
// No or Yes, No and Cancel.
enum class MessageKind { Information, Warning, Error, Confirmation };

enum class Button { None = 0x0, Ok = 0x1, Yes = 0x2, No = 0x4, Cancel = 0x8 };
Q_DECLARE_FLAGS(Buttons, Button)

// A file chosen in a save dialog, with the index of the filter in force when it was chosen.
struct SaveChoice
{
    QString path;
    int filterIndex = 0;
};

// What a message box shows beyond its text and buttons.
struct MessageExtras
{
    // A check box under the text with this text (none when empty), unticked when the box opens.
    QString checkBox;
    // Lines the user can unfold under the text (none when empty), for a list too long for the text.
    QString details;
};

// The button pressed in a message box, and whether its check box was ticked.
struct MessageAnswer
{
    Button button = Button::None;
    bool checked = false;
};

// What a save dialog does beyond showing its texts.
struct SaveOptions
{
    // Called when the user picks another file type, with its filter's index; returns the default
    // suffix (without the point, empty for none) appended from then on to a name typed without one.
    std::function<QString(int filterIndex)> typeChange;
    // False when the caller asks itself before a file is replaced.
    bool confirmOverwrite = true;
};

class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // A message box; returns the button pressed (Cancel or No when the box is closed otherwise).
    virtual Button message(MessageKind kind, const QString &text, Buttons buttons) = 0;
    // A message box with a check box or details; with neither it is the box above.
    virtual MessageAnswer message(MessageKind kind, const QString &text, Buttons buttons,
                                  const MessageExtras &extras) = 0;

    // A one-line input box pre-filled with defaultText; Cancel returns defaultText. minimumWidth (in
    // pixels at 96 per inch, 0 for the toolkit's own) makes the box wider for long answers.
    virtual QString inputBox(const QString &caption, const QString &prompt, const QString &defaultText,
                             int minimumWidth = 0) = 0;

    // File dialogs. The filter is in Qt's syntax ("DBF table (*.dbf);;all files (*)"); nothing when
    // the user cancels.
    virtual std::optional<QString> openFile(const QString &caption, const QString &filter,
                                            const QString &startDir) = 0;
    // Several files picked at once, in the order the dialog gives them.
    virtual std::optional<QStringList> openFiles(const QString &caption, const QString &filter,
                                                 const QString &startDir) = 0;
    virtual std::optional<SaveChoice> saveFile(const QString &caption, const QString &filter, int filterIndex,
                                               const QString &startDir, const QString &defaultSuffix,
                                               const SaveOptions &options = {}) = 0;
    virtual std::optional<QString> folder(const QString &caption, const QString &startDir) = 0;

    virtual std::optional<QColor> colour(const QColor &initial) = 0;
    virtual std::optional<QFont> font(const QFont &initial) = 0;
    // The printer set-up dialog for this printer; false when cancelled.
    virtual bool printerSetup(QPrinter &printer) = 0;

    // Runs one of the program's own dialogs modally and returns its result (QDialog::Accepted or
    // Rejected), so that tests can answer the program's windows as they answer message boxes.
    virtual int runModal(QDialog &dialog) = 0;

    // A window showing the progress of a long run, with a Cancel button, open while the returned object
    // lives; the run tells it every step and stops when step() returns false. It is not modal in the
    // sense of the others (the run goes on while it is shown), but a test must be able to cancel it.
    // unit names what the run counts in its steps ("Plot 3 of 120").
    virtual std::unique_ptr<common::Progress> progress(const QString &caption,
                                                       const QString &unit = "Plot") = 0;

    // Asks the desktop to open a web, "file:" or "mailto:" address; false when no program could be
    // started for it. Not modal, but a shell service that tests must not perform.
    virtual bool openAddress(const QString &address) = 0;

    // Shorthands for the one-button boxes.
    void information(const QString &text) { message(MessageKind::Information, text, Button::Ok); }
    void warning(const QString &text) { message(MessageKind::Warning, text, Button::Ok); }
    void error(const QString &text) { message(MessageKind::Error, text, Button::Ok); }
};

// Lets the core library's messages reach the user as one-button message boxes.
class DialogsSink : public common::MessageSink
{
public:
    explicit DialogsSink(Dialogs &dialogs) : m_dialogs(dialogs) {}
    void message(common::MessageKind kind, const std::string &text) override;

private:
    Dialogs &m_dialogs;
};

} // namespace app

Q_DECLARE_OPERATORS_FOR_FLAGS(app::Buttons)
