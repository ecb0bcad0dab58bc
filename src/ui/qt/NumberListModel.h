#pragma once
// The rows of the number list as the list view shows them: text cells, one integer of item data per
// row, titled columns with their widths. Rows are reordered as a whole (with their selection, which
// the view keeps by persistent index). Used only by GuiListView, on the GUI thread.

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace kh::ui {

class NumberListModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit NumberListModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Inserts a row at position (clamped to the end) whose first cell is text; its position.
    int InsertRow(int position, const QString& text);
    bool RemoveRow(int row);
    void RemoveAll();
    QString Text(int row, int column) const;
    bool SetText(int row, int column, const QString& text);
    // Sets one column's cell in every row, top down; false, with nothing changed, when texts does not
    // hold one text per row or the column is absent. The rows whose cell changed are reported to the
    // view as one range, so renumbering a long list costs the view one update, not one per row.
    bool SetColumn(int column, const QStringList& texts);
    // The same for the rows from firstRow down, one text per row; false, with nothing changed, when
    // a row or the column is absent.
    bool SetColumnFrom(int column, int firstRow, const QStringList& texts);
    intptr_t Data(int row) const;
    bool SetData(int row, intptr_t value);
    // Inserts a column (clamped to the end); its index.
    int InsertColumn(int index, const QString& title);
    QString Title(int column) const;
    // Moves one row from one position to another (positions before the move); persistent indexes
    // (the current row, open editors) go with their rows. The views are told of it as changed cells
    // of the rows from one place to the other, not as a move of rows: a table view lays itself out
    // again after a move, and that repaints the whole window around it, which at a thousand rows
    // and an arrival every few milliseconds is most of the GUI thread's work. The caller carries
    // the selection over (RowAfterMove).
    bool MoveRow(int from, int to);
    // Where the row at position row before MoveRow(from, to) is afterwards.
    static int RowAfterMove(int row, int from, int to);
    // Puts the rows into the order given: order[i] is the old position of the row that goes to i.
    void Reorder(const std::vector<int>& order);
    // The columns whose cells give their whole text as their tooltip (texts too long for the column).
    void SetFullTextColumns(const QList<int>& columns) { fullTextColumns = columns; }

private:
    struct Row
    {
        QStringList cells;
        intptr_t data = 0;
    };

    bool ValidRow(int row) const { return row >= 0 && row < rows.size(); }
    // A list without columns still holds its first cell.
    int CellCount() const { return titles.isEmpty() ? 1 : static_cast<int>(titles.size()); }

    QList<Row> rows;
    QStringList titles;
    QList<int> fullTextColumns;
};

} // namespace kh::ui
