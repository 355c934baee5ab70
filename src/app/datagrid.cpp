// The editable grid of the "Data table" page: its model over the live query, its cell editors and
// the view that checks a typed value before the cell is left.
#include "app/datagrid.h"

#include "common/error.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

namespace app {

// ---- DataGridModel ----

void DataGridModel::load(data::Query &query, bool editable)
{
    beginResetModel();
    m_query = &query;
    m_columns = query.fieldNames();
    m_rows.clear();
    m_editedRow = -1;
    m_edits.clear();
    m_editable = editable;
    for (; !query.eof(); query.next()) {
        Row row;
        // Only rows of a live result have records; other results are shown, never edited.
        if (m_editable) row.record = query.recordNumber();
        for (int c = 0; c < static_cast<int>(m_columns.size()); ++c)
            row.texts.push_back(query.valueText(c));
        m_rows.push_back(std::move(row));
    }
    endResetModel();
    emit editStateChanged();
}

void DataGridModel::clear()
{
    beginResetModel();
    m_query = nullptr;
    m_columns.clear();
    m_rows.clear();
    m_editedRow = -1;
    m_edits.clear();
    m_editable = false;
    endResetModel();
    emit editStateChanged();
}

void DataGridModel::refreshRow(int row)
{
    m_rows[static_cast<std::size_t>(row)].texts =
        m_query->recordTexts(m_rows[static_cast<std::size_t>(row)].record);
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void DataGridModel::refresh()
{
    if (!m_editable) return;
    for (int row = 0; row < rowCount(); ++row)
        refreshRow(row);
}

const std::string &DataGridModel::shownText(int row, int column) const
{
    if (row == m_editedRow) {
        auto edited = m_edits.find(column);
        if (edited != m_edits.end()) return edited->second;
    }
    return m_rows[static_cast<std::size_t>(row)].texts[static_cast<std::size_t>(column)];
}

void DataGridModel::checkValue(const QModelIndex &index, const QString &text) const
{
    if (!m_editable || !m_query) throw common::DataError("The rows of this table cannot be edited");
    m_query->checkValue(m_columns[static_cast<std::size_t>(index.column())], text.toStdString());
}

void DataGridModel::storeEditedRow()
{
    if (m_editedRow < 0) return;
    std::vector<std::pair<std::string, std::string>> values;
    for (const auto &[column, text] : m_edits)
        values.emplace_back(m_columns[static_cast<std::size_t>(column)], text);
    const int row = m_editedRow;
    m_query->storeRecord(m_rows[static_cast<std::size_t>(row)].record, values);
    m_editedRow = -1;
    m_edits.clear();
    emit headerDataChanged(Qt::Vertical, row, row);
    emit editStateChanged();
    // What the file holds now: a number typed as 40.0 shows as 40, text is cut to the field's width.
    refreshRow(row);
}

void DataGridModel::cancelEditedRow()
{
    if (m_editedRow < 0) return;
    const int row = m_editedRow;
    m_editedRow = -1;
    m_edits.clear();
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    emit headerDataChanged(Qt::Vertical, row, row);
    emit editStateChanged();
}

int DataGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int DataGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant DataGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    return QString::fromStdString(shownText(index.row(), index.column()));
}

QVariant DataGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal)
        return section < columnCount() ? QString::fromStdString(m_columns[static_cast<std::size_t>(section)])
                                       : QVariant();
    // The row being edited is marked until it is stored, as the user may leave it unsaved.
    return section == m_editedRow ? QString("%1 *").arg(section + 1) : QString::number(section + 1);
}

Qt::ItemFlags DataGridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | (m_editable ? Qt::ItemIsEditable : Qt::NoItemFlags);
}

bool DataGridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || !m_editable) return false;
    if (m_editedRow >= 0 && m_editedRow != index.row()) return false;
    const std::string text = value.toString().toStdString();
    try {
        m_query->checkValue(m_columns[static_cast<std::size_t>(index.column())], text);
    } catch (const common::Error &) {
        return false;
    }
    // Typing the value a cell already holds changes nothing, and the file is not written for it.
    if (text == m_rows[static_cast<std::size_t>(index.row())].texts[static_cast<std::size_t>(index.column())])
        m_edits.erase(index.column());
    else
        m_edits[index.column()] = text;
    const int before = m_editedRow;
    m_editedRow = m_edits.empty() ? -1 : index.row();
    emit dataChanged(index, index);
    if (before != m_editedRow) {
        emit headerDataChanged(Qt::Vertical, index.row(), index.row());
        emit editStateChanged();
    }
    return true;
}

// ---- DataGridDelegate ----

QWidget *DataGridDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const
{
    QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (editor) m_editors[editor] = index;
    return editor;
}

void DataGridDelegate::destroyEditor(QWidget *editor, const QModelIndex &index) const
{
    m_editors.erase(editor);
    QStyledItemDelegate::destroyEditor(editor, index);
}

QModelIndex DataGridDelegate::indexOf(QWidget *editor) const
{
    auto found = m_editors.find(editor);
    return found == m_editors.end() ? QModelIndex() : QModelIndex(found->second);
}

QWidget *DataGridDelegate::openEditor() const
{
    return m_editors.empty() ? nullptr : m_editors.begin()->first;
}

// ---- DataGrid ----

DataGrid::DataGrid(QWidget *parent)
    : QTableView(parent), m_model(new DataGridModel(this)), m_delegate(new DataGridDelegate(this))
{
    setModel(m_model);
    setItemDelegate(m_delegate);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    verticalHeader()->setDefaultSectionSize(20);
}

void DataGrid::commitData(QWidget *editor)
{
    const QModelIndex index = m_delegate->indexOf(editor);
    const auto *line = qobject_cast<QLineEdit *>(editor);
    if (index.isValid() && line) {
        QString refusal;
        // Another row's edits go to the file before this row takes a value (the page stores them
        // when the row is left; here when that could not be done).
        if (m_model->editedRow() >= 0 && m_model->editedRow() != index.row())
            emit rowLeft(m_model->editedRow());
        if (m_model->editedRow() >= 0 && m_model->editedRow() != index.row()) {
            refusal = QString("Row %1 has changes that are not stored yet: store them by leaving that row, "
                              "or drop them with Esc, before you change another row.")
                          .arg(m_model->editedRow() + 1);
        } else {
            try {
                m_model->checkValue(index, line->text());
            } catch (const common::Error &e) {
                refusal = QString::fromUtf8(e.what());
            }
        }
        if (!refusal.isEmpty()) {
            if (!m_refused) {
                m_refused = Refused{index, line->text(), refusal};
                // After the editor has closed and the event that closed it is done.
                QTimer::singleShot(0, this, &DataGrid::reopenRefused);
            }
            return;
        }
    }
    QTableView::commitData(editor);
}

void DataGrid::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    // A refused value neither moves on to the next cell nor submits anything.
    if (m_refused && m_refused->index == m_delegate->indexOf(editor)) hint = QAbstractItemDelegate::NoHint;
    QTableView::closeEditor(editor, hint);
}

void DataGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    // While a refused value waits, its row is not left: the cell opens again.
    if (m_refused) return;
    if (previous.isValid() && current.row() != previous.row()) emit rowLeft(previous.row());
}

void DataGrid::keyPressEvent(QKeyEvent *event)
{
    // Esc in a cell's editor brings back the cell's value (the delegate does it); Esc on the row
    // drops all of its unsaved edits.
    if (event->key() == Qt::Key_Escape && state() != QAbstractItemView::EditingState &&
        m_model->editedRow() >= 0) {
        m_model->cancelEditedRow();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

bool DataGrid::commitEditor()
{
    if (QWidget *editor = m_delegate->openEditor()) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
    return !m_refused;
}

void DataGrid::reopenRefused()
{
    if (!m_refused) return;
    const Refused refused = *m_refused;
    // A grid no longer shown (the window was closed meanwhile) has nothing to open again.
    if (!isVisible()) {
        m_refused.reset();
        return;
    }
    emit valueRefused(refused.message);
    m_refused.reset();
    if (!refused.index.isValid()) return;
    setCurrentIndex(refused.index);
    edit(refused.index);
    if (auto *line = qobject_cast<QLineEdit *>(m_delegate->openEditor())) line->setText(refused.text);
}

} // namespace app
