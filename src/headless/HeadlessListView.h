#pragma once
// The list view in memory, with the observable behaviour of a report-style list control: an
// insert reports the position the row got (past the end appends), rows carry cells, item data,
// selection and focus, the header has titled columns, and a new order moves whole rows.
// Thread-safe. Tests make single calls fail with FailNext to reach the callers' error paths. An
// optional observer hears of every change of the rows and their texts (the terminal client prints
// the rows as they change).

#include "core/ports/ListViewPort.h"
#include "headless/FailureSchedule.h"

#include <functional>
#include <mutex>

namespace kh {

class HeadlessListView final : public ListViewPort
{
public:
    enum class Op
    {
        ItemCount,
        Insert,
        // The next insert succeeds but the row lands at another position (as in a sorted list).
        InsertElsewhere,
        Delete,
        DeleteAll,
        SetText,
        SetData,
        Select,
        EnsureVisible,
        InsertColumn,
        ColumnTitle,
        ApplyOrder,
        // MoveItem refuses, as a control that cannot move a row in one step does.
        Move,
    };

    int GetItemCount() override;
    int InsertItem(int position, const std::u16string& text) override;
    bool DeleteItem(int row) override;
    bool DeleteAllItems() override;
    std::u16string GetItemText(int row, int column) override;
    bool SetItemText(int row, int column, const std::u16string& text) override;
    std::vector<std::u16string> GetColumnTexts(int column) override;
    // Fails with a planned SetText failure, like a single cell.
    bool SetColumnTexts(int column, const std::vector<std::u16string>& texts) override;
    bool SetColumnTextsFrom(int column, int firstRow, const std::vector<std::u16string>& texts) override;
    intptr_t GetItemData(int row) override;
    bool SetItemData(int row, intptr_t data) override;
    bool IsItemSelected(int row) override;
    bool SetItemSelected(int row, bool selected) override;
    std::vector<int> GetSelectedRows() override;
    int GetFocusedRow() override;
    bool SetFocusedRow(int row) override;
    bool EnsureVisible(int row, bool partialOk) override;
    int InsertColumn(int index, const std::u16string& title, int width) override;
    int GetHeaderColumnCount() override;
    bool GetColumnTitle(int column, int maxChars, std::u16string& title) override;
    uint32_t GetExtendedStyle() override;
    void SetExtendedStyle(uint32_t style) override;
    bool ApplyOrder(const std::vector<int>& order) override;
    bool MoveItem(int from, int to) override;

    // Makes the next `times` calls of op fail.
    void FailNext(Op op, int times = 1);
    // Takes the header control away (or gives it back).
    void SetHeaderPresent(bool present);
    // changed runs after every insert, delete, cell text change and new order, once the list's lock is
    // released, on the thread that made the change. It may read the list.
    void SetObserver(std::function<void()> changed);

    // For tests: one column's texts from the top, the column widths, the last row made visible
    // and how many new orders were applied.
    std::vector<std::u16string> ColumnTexts(int column);
    std::vector<int> ColumnWidths();
    int LastVisibleRow();
    int SortCount();

private:
    struct Row
    {
        std::vector<std::u16string> cells;
        intptr_t data = 0;
        bool selected = false;
        bool focused = false;
    };
    struct Column
    {
        std::u16string title;
        int width = 0;
    };

    // Declared before the lock guard of a changing call, so that it calls the observer after the
    // lock is released, when the call has set `made`.
    struct ChangeNotice
    {
        explicit ChangeNotice(HeadlessListView& list) : list(list) {}
        ~ChangeNotice();
        HeadlessListView& list;
        bool made = false;
    };

    bool Consume(Op op) { return failures.Take(op); }
    bool ValidRow(int row) const { return row >= 0 && row < static_cast<int>(rows.size()); }
    size_t CellCount() const { return columns.empty() ? 1 : columns.size(); }

    std::recursive_mutex mutex;
    std::vector<Row> rows;
    std::vector<Column> columns;
    FailureSchedule<Op> failures;
    uint32_t extendedStyle = 0;
    bool headerPresent = true;
    int lastVisibleRow = -1;
    int sortCount = 0;
    std::function<void()> observer;
};

} // namespace kh
