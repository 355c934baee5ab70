// The plot container: a small window that stays on top, in which the user collects plot names from
// the plot list to read and copy them.
#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace app {

class TFormPlotContainer : public QWidget
{
    Q_OBJECT
public:
    // Size of the client area.
    static constexpr int kClientWidth = 152;
    static constexpr int kClientHeight = 349;

    explicit TFormPlotContainer(QWidget *parent = nullptr);

    // Adds the plot name as a new last line unless a line already holds it (case ignored); true when
    // it was added.
    bool addPlot(const QString &plot);
    // The memo's lines; none when it is empty.
    QStringList lines() const;

private:
    void BtnClearClick();
    void BtnCloseClick();

    QPlainTextEdit *MemoList;
    QPushButton *BtnClear;
    QPushButton *BtnClose;
};

} // namespace app
