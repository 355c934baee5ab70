// The memo dialog.
#include "app/fmemodlg.h"

#include "app/dialogs.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace app {

TFormMemoDialog::TFormMemoDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName("FormMemoDialog");
    setWindowTitle("Edit text lines");
    // A fixed dialog border without title-bar buttons: the window closes by OK or Cancel.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    Memo = new QPlainTextEdit(this);
    Memo->setObjectName("Memo");
    Memo->setAccessibleName("Text lines");
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    BtnOK = new QPushButton("OK", this);
    BtnOK->setObjectName("BtnOK");
    BtnCancel = new QPushButton("Cancel", this);
    BtnCancel->setObjectName("BtnCancel");
    auto *panel = new QHBoxLayout;
    panel->addStretch(1);
    panel->addWidget(BtnOK);
    panel->addWidget(BtnCancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Memo, 1);
    layout->addLayout(panel);
    setFixedSize(360, 240);

    connect(BtnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

QStringList memoLines(const QString &memoText)
{
    QString text = memoText;
    if (text.isEmpty()) return {};
    if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
    return text.split(QLatin1Char('\n'));
}

QStringList TFormMemoDialog::lines() const
{
    return memoLines(Memo->toPlainText());
}

void TFormMemoDialog::setLines(const QStringList &lines)
{
    Memo->setPlainText(lines.join(QLatin1Char('\n')));
}

bool EditTextLines(QStringList &lines, const QString &caption, Dialogs &dialogs, QWidget *parent)
{
    TFormMemoDialog dialog(parent);
    dialog.setWindowTitle(caption);
    dialog.setLines(lines);
    if (dialogs.runModal(dialog) != QDialog::Accepted) return false;
    lines = dialog.lines();
    return true;
}

} // namespace app
