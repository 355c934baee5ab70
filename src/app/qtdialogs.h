// The dialogs interface on Qt's own dialogs: what the program shows.
#pragma once

#include "app/dialogs.h"

class QWidget;

namespace app {

class QtDialogs : public Dialogs
{
public:
    Button message(MessageKind kind, const QString &text, Buttons buttons) override;
    MessageAnswer message(MessageKind kind, const QString &text, Buttons buttons,
                          const MessageExtras &extras) override;
    QString inputBox(const QString &caption, const QString &prompt, const QString &defaultText,
                     int minimumWidth = 0) override;
    std::optional<QString> openFile(const QString &caption, const QString &filter,
                                    const QString &startDir) override;
    std::optional<QStringList> openFiles(const QString &caption, const QString &filter,
                                         const QString &startDir) override;
    std::optional<SaveChoice> saveFile(const QString &caption, const QString &filter, int filterIndex,
                                       const QString &startDir, const QString &defaultSuffix,
                                       const SaveOptions &options = {}) override;
    std::optional<QString> folder(const QString &caption, const QString &startDir) override;
    std::optional<QColor> colour(const QColor &initial) override;
    std::optional<QFont> font(const QFont &initial) override;
    bool printerSetup(QPrinter &printer) override;
    int runModal(QDialog &dialog) override;
    std::unique_ptr<common::Progress> progress(const QString &caption, const QString &unit = "Plot") override;
    bool openAddress(const QString &address) override;

private:
    // The window the dialogs are centred on: the active one.
    static QWidget *owner();
};

} // namespace app
