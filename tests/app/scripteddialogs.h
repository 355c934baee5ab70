// The dialogs of the program answered from a script: every question is recorded as one line of text
// (kind, texts and buttons), compared exactly with the next expected one and answered as scripted.
// A question that was not expected, or that differs from the expected one, fails the test.
#pragma once

#include "app/dialogs.h"

#include <any>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace apptest {

class ScriptedDialogs : public app::Dialogs
{
public:
    ~ScriptedDialogs() override;

    void expectMessage(app::MessageKind kind, const QString &text, app::Buttons buttons,
                       app::Button answer = app::Button::Ok);
    // A message box with a check box or details (recorded after its buttons as check "..." and
    // details "..."), answered with a button and the check box ticked or not.
    void expectMessage(app::MessageKind kind, const QString &text, app::Buttons buttons,
                       const app::MessageExtras &extras, app::MessageAnswer answer);
    // A message whose text starts with `prefix` (a number computed in floating point follows, say);
    // asked() holds the whole text.
    void expectMessageStartingWith(app::MessageKind kind, const QString &prefix, app::Buttons buttons,
                                   app::Button answer = app::Button::Ok);
    // minimumWidth as the program asks for it; 0 for the toolkit's own (recorded without a width).
    void expectInputBox(const QString &caption, const QString &prompt, const QString &defaultText,
                        const QString &answer, int minimumWidth = 0);
    void expectOpenFile(const QString &caption, const QString &filter, const QString &startDir,
                        std::optional<QString> answer);
    // A multi-file open dialog, recorded as openFiles with its texts.
    void expectOpenFiles(const QString &caption, const QString &filter, const QString &startDir,
                         std::optional<QStringList> answer);
    void expectSaveFile(const QString &caption, const QString &filter, int filterIndex,
                        const QString &startDir, const QString &defaultSuffix,
                        std::optional<app::SaveChoice> answer);
    // A save dialog answered as a user types a name and picks a file type, and as Qt's dialog then
    // does: a type other than the one offered calls the caller's type-change handler, and the
    // default suffix then in force is appended to a name typed without a point. When the caller
    // asks about overwriting itself, the question is recorded with " (no overwrite question)".
    struct Typed
    {
        QString name;
        int filterIndex = 0;
    };
    void expectSaveFileTyped(const QString &caption, const QString &filter, int filterIndex,
                             const QString &startDir, const QString &defaultSuffix, bool confirmOverwrite,
                             std::optional<Typed> answer);
    void expectFolder(const QString &caption, const QString &startDir, std::optional<QString> answer);
    void expectColour(const QColor &initial, std::optional<QColor> answer);
    void expectFont(const QFont &initial, std::optional<QFont> answer);
    void expectPrinterSetup(bool answer);
    // The printer set-up dialog, where the test also sets the printer up (a PDF file, a page size).
    void expectPrinterSetup(bool answer, std::function<void(QPrinter &)> setUp);
    // A dialog of the program run modally, known by its object name; answer may look at it and press
    // its buttons, and returns the dialog's result.
    void expectModal(const QString &objectName, std::function<int(QDialog &)> answer);
    // A progress window with this caption, counting in this unit (recorded after the caption when it
    // is not "Plot"). onStep sees every step of the run while it goes on and
    // returns false to press Cancel; without it every step goes on.
    using ProgressStep = std::function<bool(int done, int total, const std::string &current)>;
    void expectProgress(const QString &caption, ProgressStep onStep = {}, const QString &unit = "Plot");

    // The notes the run has listed in its progress windows, in order.
    const std::vector<std::string> &progressNotes() const { return m_progressNotes; }
    // Every question asked so far, in order, as recorded.
    const std::vector<std::string> &asked() const { return m_asked; }
    // Addresses handed to the desktop, in order, and whether the desktop finds a program for them
    // (yes unless told otherwise).
    const std::vector<QString> &openedAddresses() const { return m_addresses; }
    void setAddressesOpen(bool open) { m_addressesOpen = open; }
    // Expectations not yet asked.
    size_t pending() const { return m_expected.size(); }

    app::Button message(app::MessageKind kind, const QString &text, app::Buttons buttons) override;
    app::MessageAnswer message(app::MessageKind kind, const QString &text, app::Buttons buttons,
                               const app::MessageExtras &extras) override;
    QString inputBox(const QString &caption, const QString &prompt, const QString &defaultText,
                     int minimumWidth = 0) override;
    std::optional<QString> openFile(const QString &caption, const QString &filter,
                                    const QString &startDir) override;
    std::optional<QStringList> openFiles(const QString &caption, const QString &filter,
                                         const QString &startDir) override;
    std::optional<app::SaveChoice> saveFile(const QString &caption, const QString &filter, int filterIndex,
                                            const QString &startDir, const QString &defaultSuffix,
                                            const app::SaveOptions &options = {}) override;
    std::optional<QString> folder(const QString &caption, const QString &startDir) override;
    std::optional<QColor> colour(const QColor &initial) override;
    std::optional<QFont> font(const QFont &initial) override;
    bool printerSetup(QPrinter &printer) override;
    int runModal(QDialog &dialog) override;
    std::unique_ptr<common::Progress> progress(const QString &caption, const QString &unit = "Plot") override;
    bool openAddress(const QString &address) override;

    // The recorded form of a message box, as asked() lists it.
    static std::string describeMessage(app::MessageKind kind, const QString &text, app::Buttons buttons,
                                       const app::MessageExtras &extras = {});

private:
    struct Expected
    {
        std::string question;
        std::any answer;
        std::function<int(QDialog &)> modal;
        // Set for questions matched otherwise than by their whole text.
        std::function<bool(const std::string &)> matches = {};
    };
    struct PrinterAnswer
    {
        bool accepted = false;
        std::function<void(QPrinter &)> setUp;
    };

    // Records the question and takes the matching expectation; nullptr (and a failure) otherwise.
    const Expected *take(const std::string &question);

    std::deque<Expected> m_expected;
    Expected m_current;
    std::vector<std::string> m_asked;
    std::vector<QString> m_addresses;
    std::vector<std::string> m_progressNotes;
    bool m_addressesOpen = true;
};

} // namespace apptest
