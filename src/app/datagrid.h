// The editable grid of the "Data table" page: the rows of the live selected-trees query, edited cell
// by cell and stored a row at a time when the user leaves the row.
//
// The grid keeps the record of every row it shows, so a row is written into its own record even when
// an edit took it out of the selection. A typed value is checked when the cell is left: a value the
// column cannot hold is refused with a message, and the cell opens again with the text typed, for
// correction; Esc in the cell brings back the value it had, Esc on the row drops its unsaved edits.
#pragma once

#include "data/database.h"

#include <QAbstractTableModel>
#include <QPersistentModelIndex>
#include <QStyledItemDelegate>
#include <QTableView>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace app {

class DataGridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    // Shows every row of the open live query, in its order; the cursor ends past the last row.
    // Cells can be edited when editable is set.
    void load(data::Query &query, bool editable);
    void clear();
    // Reads every shown row again from the file (after a tool run or an undo).
    void refresh();

    bool isEditable() const { return m_editable; }
    // The row with edits not yet stored, or -1.
    int editedRow() const { return m_editedRow; }
    // Throws common::DataError, naming the column and the value, when the cell's column cannot hold
    // text.
    void checkValue(const QModelIndex &index, const QString &text) const;
    // Stores the edits of the edited row into its record at once; nothing when there are none.
    // Throws common::DataError with the edits kept.
    void storeEditedRow();
    // Drops the edits of the edited row.
    void cancelEditedRow();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Takes a value for a cell of the edited row; another row's edits must have been stored first.
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

signals:
    // The edited row appeared, was stored or was dropped.
    void editStateChanged();

private:
    struct Row
    {
        std::size_t record = 0;
        std::vector<std::string> texts;
    };
    void refreshRow(int row);
    const std::string &shownText(int row, int column) const;

    data::Query *m_query = nullptr;
    std::vector<std::string> m_columns;
    std::vector<Row> m_rows;
    bool m_editable = false;
    int m_editedRow = -1;
    std::map<int, std::string> m_edits; // column -> text, of m_editedRow
};

// The cell editors of the grid, known by the cell they edit.
class DataGridDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void destroyEditor(QWidget *editor, const QModelIndex &index) const override;
    QModelIndex indexOf(QWidget *editor) const;
    QWidget *openEditor() const;

private:
    mutable std::map<QWidget *, QPersistentModelIndex> m_editors;
};

class DataGrid : public QTableView
{
    Q_OBJECT
public:
    explicit DataGrid(QWidget *parent = nullptr);
    DataGridModel *dataModel() const { return m_model; }

    // Commits a cell editor that is open, as leaving the cell does; false when its value is refused
    // (the message and the reopened cell follow) or a refused value is still waiting for them.
    bool commitEditor();
    bool hasRefusedValue() const { return m_refused.has_value(); }

signals:
    // The user left a row (the page stores its edits).
    void rowLeft(int row);
    // A typed value was refused; the page shows why, then the cell opens again.
    void valueRefused(const QString &message);

protected:
    void commitData(QWidget *editor) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    struct Refused
    {
        QPersistentModelIndex index;
        QString text;
        QString message;
    };
    void reopenRefused();

    DataGridModel *m_model;
    DataGridDelegate *m_delegate;
    std::optional<Refused> m_refused;
};

} // namespace app
