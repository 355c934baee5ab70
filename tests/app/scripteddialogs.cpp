// The scripted dialogs of the window tests.
#include "scripteddialogs.h"

#include <QDialog>

#include <typeinfo>

#include <gtest/gtest.h>

namespace apptest {

using app::Button;
using app::Buttons;
using app::MessageKind;

namespace {

std::string quoted(const QString &text)
{
    return "\"" + text.toStdString() + "\"";
}

std::string kindName(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Information:
        return "Information";
    case MessageKind::Warning:
        return "Warning";
    case MessageKind::Error:
        return "Error";
    case MessageKind::Confirmation:
        break;
    }
    return "Confirmation";
}

std::string buttonNames(Buttons buttons)
{
    const std::pair<Button, const char *> names[] = {
        {Button::Ok, "OK"}, {Button::Yes, "Yes"}, {Button::No, "No"}, {Button::Cancel, "Cancel"}};
    std::string text;
    for (const auto &[b, name] : names)
        if (buttons.testFlag(b)) text += (text.empty() ? "" : "|") + std::string(name);
    return "[" + text + "]";
}

std::string openQuestion(const char *what, std::initializer_list<QString> texts)
{
    std::string q = what;
    for (const auto &t : texts)
        q += " " + quoted(t);
    return q;
}

// An input box as recorded; a width asked for follows the texts.
std::string inputBoxQuestion(const QString &caption, const QString &prompt, const QString &defaultText,
                             int minimumWidth)
{
    return openQuestion("inputBox", {caption, prompt, defaultText}) +
           (minimumWidth > 0 ? " width " + std::to_string(minimumWidth) : std::string());
}

std::string progressQuestion(const QString &caption, const QString &unit)
{
    return openQuestion("progress", {caption}) + (unit == "Plot" ? "" : " unit " + quoted(unit));
}

// The scripted progress window: answers each step as the test's function does and keeps the notes.
class ScriptedProgress : public common::Progress
{
public:
    ScriptedProgress(ScriptedDialogs::ProgressStep onStep, std::vector<std::string> &notes)
        : m_onStep(std::move(onStep)), m_notes(notes)
    {
    }
    bool step(int done, int total, const std::string &current) override
    {
        return !m_onStep || m_onStep(done, total, current);
    }
    void note(const std::string &text) override { m_notes.push_back(text); }

private:
    ScriptedDialogs::ProgressStep m_onStep;
    std::vector<std::string> &m_notes;
};

} // namespace

ScriptedDialogs::~ScriptedDialogs()
{
    for (const auto &e : m_expected)
        ADD_FAILURE() << "expected but never asked: " << e.question;
}

std::string ScriptedDialogs::describeMessage(MessageKind kind, const QString &text, Buttons buttons,
                                             const app::MessageExtras &extras)
{
    return "message " + kindName(kind) + " " + quoted(text) + " " + buttonNames(buttons) +
           (extras.checkBox.isEmpty() ? "" : " check " + quoted(extras.checkBox)) +
           (extras.details.isEmpty() ? "" : " details " + quoted(extras.details));
}

void ScriptedDialogs::expectMessage(MessageKind kind, const QString &text, Buttons buttons, Button answer)
{
    m_expected.push_back({describeMessage(kind, text, buttons), answer, {}});
}

void ScriptedDialogs::expectMessage(MessageKind kind, const QString &text, Buttons buttons,
                                    const app::MessageExtras &extras, app::MessageAnswer answer)
{
    m_expected.push_back({describeMessage(kind, text, buttons, extras), answer, {}});
}

void ScriptedDialogs::expectMessageStartingWith(MessageKind kind, const QString &prefix, Buttons buttons,
                                                Button answer)
{
    const std::string whole = describeMessage(kind, prefix, buttons);
    const std::string start = whole.substr(0, whole.rfind('"'));
    const std::string end = whole.substr(whole.rfind('"'));
    auto matches = [start, end](const std::string &question) {
        return question.size() >= start.size() + end.size() &&
               question.compare(0, start.size(), start) == 0 &&
               question.compare(question.size() - end.size(), end.size(), end) == 0;
    };
    m_expected.push_back({start + "...\"" + end.substr(1), answer, {}, matches});
}

void ScriptedDialogs::expectInputBox(const QString &caption, const QString &prompt,
                                     const QString &defaultText, const QString &answer, int minimumWidth)
{
    m_expected.push_back({inputBoxQuestion(caption, prompt, defaultText, minimumWidth), answer, {}});
}

void ScriptedDialogs::expectOpenFile(const QString &caption, const QString &filter, const QString &startDir,
                                     std::optional<QString> answer)
{
    m_expected.push_back({openQuestion("openFile", {caption, filter, startDir}), answer, {}});
}

void ScriptedDialogs::expectOpenFiles(const QString &caption, const QString &filter, const QString &startDir,
                                      std::optional<QStringList> answer)
{
    m_expected.push_back({openQuestion("openFiles", {caption, filter, startDir}), answer, {}});
}

namespace {

std::string saveQuestion(const QString &caption, const QString &filter, int filterIndex,
                         const QString &startDir, const QString &defaultSuffix, bool confirmOverwrite)
{
    return openQuestion("saveFile",
                        {caption, filter, QString::number(filterIndex), startDir, defaultSuffix}) +
           (confirmOverwrite ? "" : " (no overwrite question)");
}

} // namespace

void ScriptedDialogs::expectSaveFile(const QString &caption, const QString &filter, int filterIndex,
                                     const QString &startDir, const QString &defaultSuffix,
                                     std::optional<app::SaveChoice> answer)
{
    m_expected.push_back(
        {saveQuestion(caption, filter, filterIndex, startDir, defaultSuffix, true), answer, {}});
}

void ScriptedDialogs::expectSaveFileTyped(const QString &caption, const QString &filter, int filterIndex,
                                          const QString &startDir, const QString &defaultSuffix,
                                          bool confirmOverwrite, std::optional<Typed> answer)
{
    m_expected.push_back(
        {saveQuestion(caption, filter, filterIndex, startDir, defaultSuffix, confirmOverwrite), answer, {}});
}

void ScriptedDialogs::expectFolder(const QString &caption, const QString &startDir,
                                   std::optional<QString> answer)
{
    m_expected.push_back({openQuestion("folder", {caption, startDir}), answer, {}});
}

void ScriptedDialogs::expectColour(const QColor &initial, std::optional<QColor> answer)
{
    m_expected.push_back({openQuestion("colour", {initial.name(QColor::HexArgb)}), answer, {}});
}

void ScriptedDialogs::expectFont(const QFont &initial, std::optional<QFont> answer)
{
    m_expected.push_back({openQuestion("font", {initial.toString()}), answer, {}});
}

void ScriptedDialogs::expectPrinterSetup(bool answer)
{
    m_expected.push_back({"printerSetup", answer, {}});
}

void ScriptedDialogs::expectPrinterSetup(bool answer, std::function<void(QPrinter &)> setUp)
{
    m_expected.push_back({"printerSetup", PrinterAnswer{answer, std::move(setUp)}, {}});
}

void ScriptedDialogs::expectModal(const QString &objectName, std::function<int(QDialog &)> answer)
{
    m_expected.push_back({openQuestion("modal", {objectName}), {}, std::move(answer)});
}

void ScriptedDialogs::expectProgress(const QString &caption, ProgressStep onStep, const QString &unit)
{
    m_expected.push_back({progressQuestion(caption, unit), std::move(onStep), {}});
}

const ScriptedDialogs::Expected *ScriptedDialogs::take(const std::string &question)
{
    m_asked.push_back(question);
    if (m_expected.empty()) {
        ADD_FAILURE() << "unexpected question: " << question;
        return nullptr;
    }
    m_current = std::move(m_expected.front());
    m_expected.pop_front();
    if (m_current.question != question && !(m_current.matches && m_current.matches(question))) {
        ADD_FAILURE() << "asked:    " << question << "\nexpected: " << m_current.question;
        return nullptr;
    }
    return &m_current;
}

Button ScriptedDialogs::message(MessageKind kind, const QString &text, Buttons buttons)
{
    if (const Expected *e = take(describeMessage(kind, text, buttons))) {
        if (e->answer.type() == typeid(app::MessageAnswer))
            return std::any_cast<app::MessageAnswer>(e->answer).button;
        return std::any_cast<Button>(e->answer);
    }
    return buttons.testFlag(Button::Cancel) ? Button::Cancel
           : buttons.testFlag(Button::No)   ? Button::No
                                            : Button::Ok;
}

app::MessageAnswer ScriptedDialogs::message(MessageKind kind, const QString &text, Buttons buttons,
                                            const app::MessageExtras &extras)
{
    if (const Expected *e = take(describeMessage(kind, text, buttons, extras))) {
        if (e->answer.type() == typeid(app::MessageAnswer))
            return std::any_cast<app::MessageAnswer>(e->answer);
        return {std::any_cast<Button>(e->answer), false};
    }
    return {buttons.testFlag(Button::Cancel) ? Button::Cancel
            : buttons.testFlag(Button::No)   ? Button::No
                                             : Button::Ok,
            false};
}

QString ScriptedDialogs::inputBox(const QString &caption, const QString &prompt, const QString &defaultText,
                                  int minimumWidth)
{
    if (const Expected *e = take(inputBoxQuestion(caption, prompt, defaultText, minimumWidth)))
        return std::any_cast<QString>(e->answer);
    return defaultText;
}

std::optional<QString> ScriptedDialogs::openFile(const QString &caption, const QString &filter,
                                                 const QString &startDir)
{
    if (const Expected *e = take(openQuestion("openFile", {caption, filter, startDir})))
        return std::any_cast<std::optional<QString>>(e->answer);
    return std::nullopt;
}

std::optional<QStringList> ScriptedDialogs::openFiles(const QString &caption, const QString &filter,
                                                      const QString &startDir)
{
    if (const Expected *e = take(openQuestion("openFiles", {caption, filter, startDir})))
        return std::any_cast<std::optional<QStringList>>(e->answer);
    return std::nullopt;
}

std::optional<app::SaveChoice> ScriptedDialogs::saveFile(const QString &caption, const QString &filter,
                                                         int filterIndex, const QString &startDir,
                                                         const QString &defaultSuffix,
                                                         const app::SaveOptions &options)
{
    const Expected *e =
        take(saveQuestion(caption, filter, filterIndex, startDir, defaultSuffix, options.confirmOverwrite));
    if (!e) return std::nullopt;
    if (e->answer.type() == typeid(std::optional<app::SaveChoice>))
        return std::any_cast<std::optional<app::SaveChoice>>(e->answer);
    const auto typed = std::any_cast<std::optional<Typed>>(e->answer);
    if (!typed) return std::nullopt;
    QString suffix = defaultSuffix;
    if (typed->filterIndex != filterIndex && options.typeChange)
        suffix = options.typeChange(typed->filterIndex);
    QString path = typed->name;
    const QString fileName = path.mid(path.lastIndexOf('/') + 1);
    if (!suffix.isEmpty() && !fileName.contains('.')) path += "." + suffix;
    return app::SaveChoice{path, typed->filterIndex};
}

std::optional<QString> ScriptedDialogs::folder(const QString &caption, const QString &startDir)
{
    if (const Expected *e = take(openQuestion("folder", {caption, startDir})))
        return std::any_cast<std::optional<QString>>(e->answer);
    return std::nullopt;
}

std::optional<QColor> ScriptedDialogs::colour(const QColor &initial)
{
    if (const Expected *e = take(openQuestion("colour", {initial.name(QColor::HexArgb)})))
        return std::any_cast<std::optional<QColor>>(e->answer);
    return std::nullopt;
}

std::optional<QFont> ScriptedDialogs::font(const QFont &initial)
{
    if (const Expected *e = take(openQuestion("font", {initial.toString()})))
        return std::any_cast<std::optional<QFont>>(e->answer);
    return std::nullopt;
}

bool ScriptedDialogs::printerSetup(QPrinter &printer)
{
    const Expected *e = take("printerSetup");
    if (!e) return false;
    if (e->answer.type() == typeid(bool)) return std::any_cast<bool>(e->answer);
    const auto answer = std::any_cast<PrinterAnswer>(e->answer);
    answer.setUp(printer);
    return answer.accepted;
}

int ScriptedDialogs::runModal(QDialog &dialog)
{
    // A copy: the dialog may ask questions of its own, which take the place of this one.
    if (const Expected *e = take(openQuestion("modal", {dialog.objectName()})))
        return std::function(e->modal)(dialog);
    return QDialog::Rejected;
}

std::unique_ptr<common::Progress> ScriptedDialogs::progress(const QString &caption, const QString &unit)
{
    if (const Expected *e = take(progressQuestion(caption, unit)))
        return std::make_unique<ScriptedProgress>(std::any_cast<ProgressStep>(e->answer), m_progressNotes);
    return std::make_unique<ScriptedProgress>(ProgressStep{}, m_progressNotes);
}

bool ScriptedDialogs::openAddress(const QString &address)
{
    m_addresses.push_back(address);
    return m_addressesOpen;
}

} // namespace apptest
