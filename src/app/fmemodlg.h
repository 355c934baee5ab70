// The memo dialog "Edit text lines": a few lines of text edited in a modal window, for the text of a
// chart shape.
#pragma once

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;
class QPushButton;

namespace app {

class Dialogs;

class TFormMemoDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TFormMemoDialog(QWidget *parent = nullptr);

    // The memo's lines (memoLines).
    QStringList lines() const;
    void setLines(const QStringList &lines);

private:
    QPlainTextEdit *Memo;
    QPushButton *BtnOK;
    QPushButton *BtnCancel;
};

// The lines of a memo's text; a final line break makes no empty last line, and an empty text has none.
QStringList memoLines(const QString &text);

// Shows the lines in the memo dialog with the caption, modally through the dialogs interface. OK
// replaces the lines with the memo's and returns true; Cancel leaves them and returns false.
bool EditTextLines(QStringList &lines, const QString &caption, Dialogs &dialogs, QWidget *parent = nullptr);

} // namespace app
