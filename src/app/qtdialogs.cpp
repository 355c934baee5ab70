// Qt dialogs behind the dialogs interface.
#include "app/qtdialogs.h"

#include "app/progresswindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QUrl>

#include <algorithm>

namespace app {

namespace {

struct KindLook
{
    QMessageBox::Icon icon;
    const char *title;
};

KindLook look(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Information:
        return {QMessageBox::Information, "Information"};
    case MessageKind::Warning:
        return {QMessageBox::Warning, "Warning"};
    case MessageKind::Error:
        return {QMessageBox::Critical, "Error"};
    case MessageKind::Confirmation:
        break;
    }
    return {QMessageBox::Question, "Confirm"};
}

const std::pair<Button, QMessageBox::StandardButton> kButtons[] = {
    {Button::Ok, QMessageBox::Ok},
    {Button::Yes, QMessageBox::Yes},
    {Button::No, QMessageBox::No},
    {Button::Cancel, QMessageBox::Cancel},
};

} // namespace

QWidget *QtDialogs::owner()
{
    return QApplication::activeWindow();
}

Button QtDialogs::message(MessageKind kind, const QString &text, Buttons buttons)
{
    return message(kind, text, buttons, MessageExtras{}).button;
}

MessageAnswer QtDialogs::message(MessageKind kind, const QString &text, Buttons buttons,
                                 const MessageExtras &extras)
{
    const KindLook l = look(kind);
    QMessageBox box(l.icon, QString::fromLatin1(l.title), text, QMessageBox::NoButton, owner());
    for (const auto &[ours, qt] : kButtons)
        if (buttons.testFlag(ours)) box.addButton(qt);
    if (buttons.testFlag(Button::Yes)) box.setDefaultButton(QMessageBox::Yes);
    // The box owns the check box; its text is its accessible name.
    if (!extras.checkBox.isEmpty()) box.setCheckBox(new QCheckBox(extras.checkBox));
    if (!extras.details.isEmpty()) box.setDetailedText(extras.details);
    box.exec();
    MessageAnswer answer;
    answer.checked = box.checkBox() && box.checkBox()->isChecked();
    answer.button = buttons.testFlag(Button::Cancel) ? Button::Cancel : Button::No;
    const auto clicked = box.standardButton(box.clickedButton());
    for (const auto &[ours, qt] : kButtons)
        if (qt == clicked) answer.button = ours;
    return answer;
}

QString QtDialogs::inputBox(const QString &caption, const QString &prompt, const QString &defaultText,
                            int minimumWidth)
{
    QInputDialog dialog(owner());
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(defaultText);
    if (minimumWidth > 0) {
        const int width = minimumWidth * dialog.logicalDpiX() / 96;
        dialog.setMinimumWidth(width);
        dialog.resize(std::max(width, dialog.sizeHint().width()), dialog.sizeHint().height());
    }
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : defaultText;
}

std::optional<QString> QtDialogs::openFile(const QString &caption, const QString &filter,
                                           const QString &startDir)
{
    const QString file = QFileDialog::getOpenFileName(owner(), caption, startDir, filter);
    if (file.isEmpty()) return std::nullopt;
    return file;
}

std::optional<QStringList> QtDialogs::openFiles(const QString &caption, const QString &filter,
                                                const QString &startDir)
{
    const QStringList files = QFileDialog::getOpenFileNames(owner(), caption, startDir, filter);
    if (files.isEmpty()) return std::nullopt;
    return files;
}

std::optional<SaveChoice> QtDialogs::saveFile(const QString &caption, const QString &filter, int filterIndex,
                                              const QString &startDir, const QString &defaultSuffix,
                                              const SaveOptions &options)
{
    // An instance, not the static function: only it adds the default suffix.
    QFileDialog dialog(owner(), caption, startDir, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.confirmOverwrite);
    const QStringList filters = dialog.nameFilters();
    if (filterIndex >= 0 && filterIndex < filters.size()) dialog.selectNameFilter(filters[filterIndex]);
    if (options.typeChange) {
        // Only the user's choice of a type signals this, not the selection made above.
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString &chosen) {
            dialog.setDefaultSuffix(options.typeChange(static_cast<int>(filters.indexOf(chosen))));
        });
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return SaveChoice{dialog.selectedFiles().first(),
                      static_cast<int>(std::max<qsizetype>(0, filters.indexOf(dialog.selectedNameFilter())))};
}

std::optional<QString> QtDialogs::folder(const QString &caption, const QString &startDir)
{
    const QString dir = QFileDialog::getExistingDirectory(owner(), caption, startDir);
    if (dir.isEmpty()) return std::nullopt;
    return dir;
}

std::optional<QColor> QtDialogs::colour(const QColor &initial)
{
    const QColor chosen = QColorDialog::getColor(initial, owner());
    if (!chosen.isValid()) return std::nullopt;
    return chosen;
}

std::optional<QFont> QtDialogs::font(const QFont &initial)
{
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, initial, owner());
    if (!ok) return std::nullopt;
    return chosen;
}

bool QtDialogs::printerSetup(QPrinter &printer)
{
    QPrintDialog dialog(&printer, owner());
    return dialog.exec() == QDialog::Accepted;
}

int QtDialogs::runModal(QDialog &dialog)
{
    return dialog.exec();
}

std::unique_ptr<common::Progress> QtDialogs::progress(const QString &caption, const QString &unit)
{
    return std::make_unique<ProgressWindow>(caption, owner(), unit);
}

bool QtDialogs::openAddress(const QString &address)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Qt starts xdg-open and calls that success, also where it finds no browser and gives up at once.
    // Started here, its failure is seen: an exit with an error within moments is a browser that did
    // not start; one still running hands the address on and is left to it.
    auto *opener = new QProcess(qApp);
    opener->setProcessChannelMode(QProcess::ForwardedChannels);
    opener->start(QStringLiteral("xdg-open"), {address});
    if (opener->waitForStarted(2000)) {
        if (opener->waitForFinished(1500)) {
            const bool opened = opener->exitStatus() == QProcess::NormalExit && opener->exitCode() == 0;
            opener->deleteLater();
            return opened;
        }
        QObject::connect(opener, &QProcess::finished, opener, &QObject::deleteLater);
        return true;
    }
    opener->deleteLater();
#endif
    return QDesktopServices::openUrl(QUrl(address));
}

} // namespace app
