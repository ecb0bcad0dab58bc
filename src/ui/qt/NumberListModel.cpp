#include "ui/qt/NumberListModel.h"

#include <algorithm>

namespace kh::ui {

int NumberListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows.size());
}

int NumberListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(titles.size());
}

QVariant NumberListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return Text(index.row(), index.column());
    if (role == Qt::ToolTipRole && fullTextColumns.contains(index.column())) {
        QString text = Text(index.row(), index.column());
        if (!text.isEmpty())
            return text;
    }
    return {};
}

QVariant NumberListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return Title(section);
}

Qt::ItemFlags NumberListModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

int NumberListModel::InsertRow(int position, const QString& text)
{
    position = std::clamp(position, 0, static_cast<int>(rows.size()));
    Row row;
    row.cells.resize(CellCount());
    row.cells[0] = text;
    beginInsertRows(QModelIndex(), position, position);
    rows.insert(position, std::move(row));
    endInsertRows();
    return position;
}

bool NumberListModel::RemoveRow(int row)
{
    if (!ValidRow(row))
        return false;
    beginRemoveRows(QModelIndex(), row, row);
    rows.removeAt(row);
    endRemoveRows();
    return true;
}

void NumberListModel::RemoveAll()
{
    beginResetModel();
    rows.clear();
    endResetModel();
}

QString NumberListModel::Text(int row, int column) const
{
    if (!ValidRow(row) || column < 0 || column >= rows[row].cells.size())
        return {};
    return rows[row].cells[column];
}

bool NumberListModel::SetText(int row, int column, const QString& text)
{
    if (!ValidRow(row) || column < 0 || column >= CellCount())
        return false;
    QStringList& cells = rows[row].cells;
    if (cells.size() < CellCount())
        cells.resize(CellCount());
    if (cells[column] != text) {
        cells[column] = text;
        QModelIndex cell = index(row, column);
        emit dataChanged(cell, cell, {Qt::DisplayRole});
    }
    return true;
}

bool NumberListModel::SetColumn(int column, const QStringList& texts)
{
    return texts.size() == rows.size() && SetColumnFrom(column, 0, texts);
}

bool NumberListModel::SetColumnFrom(int column, int firstRow, const QStringList& texts)
{
    if (firstRow < 0 || firstRow + texts.size() > rows.size() || column < 0 || column >= CellCount())
        return false;
    int first = -1;
    int last = -1;
    for (int row = firstRow; row < firstRow + texts.size(); ++row) {
        QStringList& cells = rows[row].cells;
        if (cells.size() < CellCount())
            cells.resize(CellCount());
        const QString& text = texts[row - firstRow];
        if (cells[column] == text)
            continue;
        cells[column] = text;
        if (first < 0)
            first = row;
        last = row;
    }
    if (first >= 0)
        emit dataChanged(index(first, column), index(last, column), {Qt::DisplayRole});
    return true;
}

intptr_t NumberListModel::Data(int row) const
{
    return ValidRow(row) ? rows[row].data : 0;
}

bool NumberListModel::SetData(int row, intptr_t value)
{
    if (!ValidRow(row))
        return false;
    rows[row].data = value;
    return true;
}

int NumberListModel::InsertColumn(int index, const QString& title)
{
    index = std::clamp(index, 0, static_cast<int>(titles.size()));
    bool hadColumns = !titles.isEmpty();
    beginInsertColumns(QModelIndex(), index, index);
    titles.insert(index, title);
    // The first column takes over the cell a list without columns already holds.
    if (hadColumns) {
        for (Row& row : rows)
            row.cells.insert(std::min(index, static_cast<int>(row.cells.size())), QString());
    }
    endInsertColumns();
    return index;
}

QString NumberListModel::Title(int column) const
{
    return column >= 0 && column < titles.size() ? titles[column] : QString();
}

int NumberListModel::RowAfterMove(int row, int from, int to)
{
    if (row == from)
        return to;
    if (from > to && row >= to && row < from)
        return row + 1;
    if (from < to && row > from && row <= to)
        return row - 1;
    return row;
}

bool NumberListModel::MoveRow(int from, int to)
{
    if (!ValidRow(from) || !ValidRow(to))
        return false;
    if (from == to)
        return true;
    const QModelIndexList persistent = persistentIndexList();
    if (!persistent.isEmpty()) {
        QModelIndexList moved;
        moved.reserve(persistent.size());
        for (const QModelIndex& old : persistent)
            moved.append(index(RowAfterMove(old.row(), from, to), old.column()));
        changePersistentIndexList(persistent, moved);
    }
    rows.move(from, to);
    if (columnCount() > 0)
        emit dataChanged(index(std::min(from, to), 0), index(std::max(from, to), columnCount() - 1), {Qt::DisplayRole});
    return true;
}

void NumberListModel::Reorder(const std::vector<int>& order)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // Moves every persistent index (selection, focus) along with its row.
    std::vector<int> newPosition(order.size());
    for (size_t i = 0; i < order.size(); ++i)
        newPosition[static_cast<size_t>(order[i])] = static_cast<int>(i);
    const QModelIndexList persistent = persistentIndexList();
    QModelIndexList moved;
    moved.reserve(persistent.size());
    for (const QModelIndex& old : persistent)
        moved.append(index(newPosition[static_cast<size_t>(old.row())], old.column()));
    changePersistentIndexList(persistent, moved);

    QList<Row> sorted;
    sorted.reserve(rows.size());
    for (int from : order)
        sorted.append(std::move(rows[from]));
    rows = std::move(sorted);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace kh::ui
