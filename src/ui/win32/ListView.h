#pragma once
// The number list (control 1014): a report-style list view with text cells, one integer of item
// data per row, multiple selection, a focused row and a header whose titles never change; the
// list-view port of the managers. Column widths are given in 96-DPI pixels and scaled to the
// window's DPI. ApplyOrder reorders the rows through the control's own sort (LVM_SORTITEMS), so
// cells, selection and focus move with their rows; the rows' item data is kept as it was.
//
// The user's header clicks and right clicks reach the window's owner through onColumnClick and
// onRightClick (GUI thread).

#include "core/ports/ListViewPort.h"
#include "ui/win32/Wnd.h"

#include <functional>

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

    bool OnReflectedNotify(NMHDR* header, LRESULT& result) override;

private:
    // GUI thread.
    int RowCount() const;
    int ColumnCount() const;
    std::u16string CellText(int row, int column) const;
    bool SetCellText(int row, int column, const std::u16string& text);
    bool SetState(int row, UINT state, UINT mask);
};

} // namespace kh::win32
