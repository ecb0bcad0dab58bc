#pragma once
// The number list (control 1014): a report-style list view with text cells, one integer of item
// data per row, multiple selection, a focused row and a header whose titles never change; the
// list-view port of the managers. Column widths are given in 96-DPI pixels and scaled to the
// window's DPI. ApplyOrder and MoveItem reorder the rows through the control's own sort
// (LVM_SORTITEMS), so cells and selection move with their rows in one step; the rows' item data
// is kept as it was.
//
// Each call from a worker costs the GUI thread a sent message, and under wine every message that
// changes the control costs a trip through wine's server as well. So a column is read or written
// in one pass (row and column counts taken once), and a cell whose text would not change is left
// alone: rewriting the serial column after a row moved touches only the rows that moved. For that
// the list keeps a copy of every cell's text (only this class changes the control's cells), which
// it also answers reads from; when the control's row count no longer matches the copy, the copy is
// read again from the control. And a change turns the list's drawing off until the GUI thread gets
// to its posted work (or for a fifth of a second at most): a burst of calls from the workers then
// updates the scroll bar and draws once, where each insert or delete would otherwise redraw the
// scroll bar (tens of milliseconds under wine).
//
// The user's header clicks and right clicks reach the window's owner through onColumnClick and
// onRightClick (GUI thread).

#include "core/ports/ListViewPort.h"
#include "ui/win32/Wnd.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kh::win32 {

class ListView : public Wnd, public ListViewPort
{
public:
    // A header click: the column's index.
    std::function<void(int column)> onColumnClick;
    // A right click anywhere in the list, on a row or not: the cursor in screen coordinates.
    std::function<void(POINT screen)> onRightClick;

    int GetItemCount() override;
    int InsertItem(int position, const std::u16string& text) override;
    bool DeleteItem(int row) override;
    bool DeleteAllItems() override;
    std::u16string GetItemText(int row, int column) override;
    bool SetItemText(int row, int column, const std::u16string& text) override;
    std::vector<std::u16string> GetColumnTexts(int column) override;
    bool SetColumnTexts(int column, const std::vector<std::u16string>& texts) override;
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

    bool OnReflectedNotify(NMHDR* header, LRESULT& result) override;

private:
    // GUI thread.
    int RowCount() const;
    int ColumnCount();
    std::u16string CellText(int row, int column);
    // The same without checking row and column, for loops that checked them once.
    std::u16string ReadCell(int row, int column) const;
    bool SetCellText(int row, int column, const std::u16string& text);
    // Writes a cell unless it already shows text; row and column are not checked.
    bool WriteCell(int row, int column, const std::u16string& text);
    // Reorders the rows: the row at order[i] goes to position i. order was checked.
    bool Reorder(const std::vector<int>& order);
    // The copy of the cells, read again from the control when its row count differs; the row
    // count.
    int SyncCells();
    // The cell's entry in the copy, the row's cells widened to the column first.
    std::u16string& CopyOf(int row, int column);

    // Turns the drawing off until the posted release runs (or kLongestHold has passed).
    void HoldDrawing();
    void ReleaseDrawing();

    static constexpr int kColumnsUnknown = -2;
    static constexpr std::chrono::milliseconds kLongestHold{200};
    bool held = false;
    std::chrono::steady_clock::time_point heldSince;
    // The posted release runs only while the list exists.
    std::shared_ptr<int> lifetime = std::make_shared<int>(0);
    int columnCount = kColumnsUnknown;
    // The cells' texts as the control shows them, row by row (GUI thread).
    std::vector<std::vector<std::u16string>> cells;
    bool SetState(int row, UINT state, UINT mask);
};

} // namespace kh::win32
