// A list whose click comes from the user alone.
#include "app/listbox.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace app {

int ListBox::selectedRow() const
{
    const QList<QListWidgetItem *> items = selectedItems();
    return items.isEmpty() ? -1 : row(items.first());
}

void ListBox::selectRow(int row)
{
    if (row < 0) {
        clearSelection();
        setCurrentRow(-1, QItemSelectionModel::Clear);
    } else {
        setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    }
}

void ListBox::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    QListWidget::mousePressEvent(event);
}

void ListBox::mouseReleaseEvent(QMouseEvent *event)
{
    QListWidget::mouseReleaseEvent(event);
    // The release that ends a double-click is not a click of its own.
    if (event->button() == Qt::LeftButton && m_pressed &&
        viewport()->rect().contains(event->position().toPoint())) {
        m_pressed = false;
        emit userClicked();
    }
}

void ListBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    m_pressed = false;
    QListWidget::mouseDoubleClickEvent(event);
}

void ListBox::keyPressEvent(QKeyEvent *event)
{
    const int before = selectedRow();
    QListWidget::keyPressEvent(event);
    if (selectedRow() != before) emit userClicked();
}

} // namespace app
