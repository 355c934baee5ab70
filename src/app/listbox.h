// A list whose click comes from the user alone, as the program's list handlers expect it: a mouse
// click or a key that moves the selection emits clicked(); selecting a row from code stays silent, so
// that code which selects a row calls the handler itself, once.
#pragma once

#include <QListWidget>

namespace app {

class ListBox : public QListWidget
{
    Q_OBJECT
public:
    using QListWidget::QListWidget;

    // The row of the selected item, or -1 when no item is selected (the current row may be set
    // without a selection, by the keyboard focus).
    int selectedRow() const;
    // Selects the row (-1: none) without emitting userClicked().
    void selectRow(int row);

signals:
    void userClicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool m_pressed = false;
};

} // namespace app
