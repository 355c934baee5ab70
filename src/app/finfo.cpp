// The about box: its parts by group, the version information and the contact line.
#include "app/finfo.h"

#include "app/dialogs.h"
#include "app/errorhandler.h"
#include "app/resources.h"
#include "common/version.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace app {

namespace {

constexpr int kDesignWidth = 380;
constexpr int kLessHeight = 248;
constexpr int kMoreHeight = 392;
const char *const kDefaultCopyright = "Copyright (C) 2026 Fenoris developers";

QString valueOf(const TFormInfo::VersionEntries &entries, const QString &key)
{
    for (const auto &[k, v] : entries)
        if (k == key) return v;
    return {};
}

} // namespace

TFormInfo::TFormInfo(Dialogs &dialogs, int pixelsPerInch, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_dialogs(dialogs),
      m_pixelsPerInch(pixelsPerInch)
{
    initResources();
    setObjectName("FormInfo");
    setWindowTitle("Program info");

    auto *layout = new QVBoxLayout(this);
    // The box has fixed heights of its own; the layout only places the parts within them.
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    layout->addLayout(createTexts());
    layout->addLayout(createButtons());
    layout->addWidget(Memo1, 1);

    fillVersionInfo(compiledVersionInfo());
    setContactAddress(QString::fromUtf8(common::kIssueTracker));
    setBoxHeight(kLessHeight);
}

QLayout *TFormInfo::createTexts()
{
    ProgramIcon = new QLabel(this);
    ProgramIcon->setObjectName("ProgramIcon");
    ProgramIcon->setPixmap(QPixmap(":/fenoris/fenoris-64.png"));
    ProgramIcon->setFixedSize(64, 64);

    auto label = [this](const char *name) {
        auto *l = new QLabel(this);
        l->setObjectName(name);
        return l;
    };
    LblTitle = label("LblTitle");
    QFont titleFont = LblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    LblTitle->setFont(titleFont);
    LblTitle->setStyleSheet("color: #0000c0;");
    LblComment = label("LblComment");
    LblComment->setWordWrap(true);
    LblVersion = label("LblVersion");
    LblCopyright = label("LblCopyright");
    LblContact = label("LblContact");
    LblContact->setText("Questions and comments:");
    LblAddress = label("LblAddress");
    LblAddress->setStyleSheet("color: #0000ff; text-decoration: underline;");
    LblAddress->setCursor(Qt::PointingHandCursor);
    LblAddress->installEventFilter(this);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    for (QLabel *l : {LblTitle, LblComment, LblVersion, LblCopyright})
        texts->addWidget(l);
    texts->addSpacing(6);
    texts->addWidget(LblContact);
    texts->addWidget(LblAddress);
    texts->addStretch(1);
    auto *top = new QHBoxLayout;
    top->addWidget(ProgramIcon, 0, Qt::AlignTop);
    top->addSpacing(8);
    top->addLayout(texts, 1);
    return top;
}

QLayout *TFormInfo::createButtons()
{
    BtnOK = new QPushButton("OK", this);
    BtnOK->setObjectName("BtnOK");
    BtnOK->setDefault(true);
    BtnMore = new QPushButton("More Info >>", this);
    BtnMore->setObjectName("BtnMore");
    BtnMore->setVisible(false);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    Memo1->setVisible(false);
    Memo1->setAccessibleName("Version information");
    connect(BtnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtnMore, &QPushButton::clicked, this,
            [this] { runGuarded(m_dialogs, [this] { BtnMoreClick(); }); });

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(BtnMore);
    buttons->addStretch(1);
    buttons->addWidget(BtnOK);
    return buttons;
}

void TFormInfo::setContactAddress(const QString &address)
{
    LblAddress->setText(address);
    LblContact->setVisible(!address.isEmpty());
    LblAddress->setVisible(!address.isEmpty());
}

TFormInfo::VersionEntries TFormInfo::compiledVersionInfo()
{
    VersionEntries entries;
    for (const auto &e : common::kVersionInfo)
        entries.emplace_back(QString::fromUtf8(e.key), QString::fromUtf8(e.value));
    return entries;
}

void TFormInfo::fillVersionInfo(const VersionEntries &entries)
{
    QStringList lines;
    for (const auto &[key, value] : entries)
        if (!value.isEmpty()) lines << key + "=" + value;
    Memo1->setPlainText(lines.join('\n'));
    BtnMore->setVisible(!lines.isEmpty());

    const QString internalName = valueOf(entries, "InternalName");
    LblTitle->setText("Program " +
                      (internalName.isEmpty() ? QCoreApplication::applicationName() : internalName));
    LblComment->setText(valueOf(entries, "FileDescription"));
    LblVersion->setText("Version " + valueOf(entries, "FileVersion"));
    const QString copyright = valueOf(entries, "LegalCopyright");
    LblCopyright->setText(copyright.isEmpty() ? QString::fromUtf8(kDefaultCopyright) : copyright);
}

void TFormInfo::BtnMoreClick()
{
    const bool show = !Memo1->isVisibleTo(this);
    Memo1->setVisible(show);
    BtnMore->setText(show ? "<< Info" : "More Info >>");
    setBoxHeight(show ? kMoreHeight : kLessHeight);
}

void TFormInfo::LblAddressClick()
{
    const QString address = LblAddress->text();
    if (address.isEmpty()) return;
    // A web address (the issue tracker) opens as it is; an e-mail address as a mail with a subject.
    const QString target = address.contains("://")
                               ? address
                               : "mailto:" + address + "?Subject=" + LblTitle->text() + ": User request";
    if (!m_dialogs.openAddress(target))
        m_dialogs.information("No program could be started to open " + address);
}

bool TFormInfo::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == LblAddress && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        runGuarded(m_dialogs, [this] { LblAddressClick(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TFormInfo::setBoxHeight(int designHeight)
{
    setFixedSize(scaled(kDesignWidth), scaled(designHeight));
}

} // namespace app
