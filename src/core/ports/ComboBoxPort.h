#pragma once
// A drop-down list combo box (project, province and carrier boxes) as the managers see it. The
// boxes are unsorted, so items keep the order in which they were added or inserted. Calls are
// synchronous, like window messages.

#include <cstdint>
#include <string>

namespace kh {

class ComboBoxPort
{
public:
    virtual ~ComboBoxPort() = default;

    // Number of items; -1 when the query fails.
    virtual int GetCount() = 0;
    // Appends an item; returns its index, -1 when refused.
    virtual int AddString(const std::u16string& text) = 0;
    // Inserts at index (-1 appends); returns the index the item got, -1 when refused.
    virtual int InsertString(int index, const std::u16string& text) = 0;
    // The text of one item; false for an index outside the items.
    virtual bool GetItemText(int index, std::u16string& text) = 0;
    virtual intptr_t GetItemData(int index) = 0;
    virtual bool SetItemData(int index, intptr_t data) = 0;
    virtual bool DeleteString(int index) = 0;
    virtual void ResetContent() = 0;

    // Selected index, -1 when nothing is selected.
    virtual int GetCurSel() = 0;
    // Selects index (-1 clears the selection); false for an index outside the items.
    virtual bool SetCurSel(int index) = 0;
    // The text shown in the box: the selected item's text, empty when nothing is selected.
    virtual std::u16string GetWindowText() = 0;

    // Redrawing off while a refill runs, on again afterwards with a full repaint.
    virtual void SetRedraw(bool redraw) = 0;
    virtual void Invalidate(bool erase) = 0;
};

} // namespace kh
