// The plot container.
#include "app/fplotcontainer.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace app {

TFormPlotContainer::TFormPlotContainer(QWidget *parent)
    // A fixed dialog frame with a title but without the close box: the window is hidden by "Close".
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    setObjectName("FormPlotContainer");
    setWindowTitle("PlotContainer");

    MemoList = new QPlainTextEdit;
    MemoList->setObjectName("MemoList");
    MemoList->setReadOnly(true);
    MemoList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoList->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoList->setAccessibleName("Plot names");
    BtnClear = new QPushButton("Clear");
    BtnClear->setObjectName("BtnClear");
    BtnClose = new QPushButton("&Close");
    BtnClose->setObjectName("BtnClose");

    auto *panel = new QHBoxLayout;
    panel->addWidget(BtnClear);
    panel->addWidget(BtnClose);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 4);
    layout->addWidget(MemoList, 1);
    layout->addLayout(panel);
    setFixedSize(kClientWidth, kClientHeight);

    connect(BtnClear, &QPushButton::clicked, this, &TFormPlotContainer::BtnClearClick);
    connect(BtnClose, &QPushButton::clicked, this, &TFormPlotContainer::BtnCloseClick);
}

bool TFormPlotContainer::addPlot(const QString &plot)
{
    if (lines().contains(plot, Qt::CaseInsensitive)) return false;
    MemoList->appendPlainText(plot);
    return true;
}

QStringList TFormPlotContainer::lines() const
{
    const QString text = MemoList->toPlainText();
    return text.isEmpty() ? QStringList() : text.split('\n');
}

void TFormPlotContainer::BtnClearClick()
{
    MemoList->clear();
}

void TFormPlotContainer::BtnCloseClick()
{
    hide();
}

} // namespace app
