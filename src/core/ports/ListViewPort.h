#pragma once
// The number list's control as the managers see it: a report-style list view with text cells,
// one integer of item data per row, multiple selection, a focused row, a header with column
// titles, and a reordering of the rows by an order the caller has worked out. Calls are
// synchronous, like window messages, so work over many rows goes through the column calls: one
// call instead of one per row; the Qt implementation runs them on the GUI thread
// (thread rule in UiExecutor.h), src/headless keeps them in memory.

#include <cstdint>
#include <string>
#include <vector>

namespace kh {

// Extended styles of the number list: grid lines, full-row selection, double buffering.
inline constexpr uint32_t kListExGridLines = 0x1;
inline constexpr uint32_t kListExFullRowSelect = 0x20;
inline constexpr uint32_t kListExDoubleBuffer = 0x10000;

class ListViewPort
{
public:
    virtual ~ListViewPort() = default;

    // Number of rows; -1 when the query fails.
    virtual int GetItemCount() = 0;
    // Inserts a row whose first cell is text. A position past the end appends. Returns the
    // position the row got, -1 on failure.
    virtual int InsertItem(int position, const std::u16string& text) = 0;
    virtual bool DeleteItem(int row) = 0;
    virtual bool DeleteAllItems() = 0;

    // Cell text; an absent row or column reads as empty text.
    virtual std::u16string GetItemText(int row, int column) = 0;
    virtual bool SetItemText(int row, int column, const std::u16string& text) = 0;
    // One column's texts from the top row down, in one call (absent cells read as empty text).
    virtual std::vector<std::u16string> GetColumnTexts(int column) = 0;
    // Sets one column's text in every row, top down, in one call. False, with nothing changed,
    // when texts does not hold one text per row, the column is absent or the control refuses.
    virtual bool SetColumnTexts(int column, const std::vector<std::u16string>& texts) = 0;
    // Sets one column's text in the rows from firstRow down, one text per row, in one call: for a
    // change to a stretch of a long list, which would otherwise rewrite the whole column. False,
    // with nothing changed, when a row is absent, the column is absent or the control cannot (the
    // default): the caller then writes the whole column with SetColumnTexts.
    virtual bool SetColumnTextsFrom(int /*column*/, int /*firstRow*/, const std::vector<std::u16string>& /*texts*/)
    {
        return false;
    }

    virtual intptr_t GetItemData(int row) = 0;
    virtual bool SetItemData(int row, intptr_t data) = 0;

    virtual bool IsItemSelected(int row) = 0;
    virtual bool SetItemSelected(int row, bool selected) = 0;
    // Selected rows from the top down.
    virtual std::vector<int> GetSelectedRows() = 0;
    // The row with the keyboard focus, -1 when none has it.
    virtual int GetFocusedRow() = 0;
    virtual bool SetFocusedRow(int row) = 0;
    // Scrolls so that row is visible (fully unless partialOk).
    virtual bool EnsureVisible(int row, bool partialOk) = 0;

    // Inserts a left-aligned column; returns its index or -1.
    virtual int InsertColumn(int index, const std::u16string& title, int width) = 0;
    // Columns of the header control; -1 when the list has no header control.
    virtual int GetHeaderColumnCount() = 0;
    // Reads at most maxChars characters of a column title; false when the header query fails.
    virtual bool GetColumnTitle(int column, int maxChars, std::u16string& title) = 0;

    virtual uint32_t GetExtendedStyle() = 0;
    virtual void SetExtendedStyle(uint32_t style) = 0;

    // Reorders the rows, each with its cells, item data, selection and focus: the row now at
    // position order[i] moves to position i. False, with nothing changed, when order is not a
    // permutation of the rows or the control refuses. The caller compares the rows itself, so
    // the control never calls back into it.
    virtual bool ApplyOrder(const std::vector<int>& order) = 0;

    // Moves the row at position from to position to (both as they stand before the move), with its
    // cells, item data and selection, and scrolls it into view when it is selected; the focus does
    // not go with it. One call however far the row moves, for a control that can do that (a long
    // list would otherwise cost a call per cell). False, with nothing changed, when a row is absent
    // or the control cannot: the caller then moves the row with the calls above.
    virtual bool MoveItem(int /*from*/, int /*to*/) { return false; }
};

} // namespace kh
