#pragma once
// A drop-down list combo box in memory, unsorted: items keep the order in which they were added
// or inserted, the selection follows its item when items are inserted or deleted above it, and
// the window text is the selected item's text. Thread-safe; FailNext makes single calls fail.

#include "core/ports/ComboBoxPort.h"
#include "headless/FailureSchedule.h"

#include <mutex>
#include <vector>

namespace kh {

class HeadlessComboBox final : public ComboBoxPort
{
public:
    enum class Op
    {
        Count,
        Add,
        Insert,
    };

    int GetCount() override;
    int AddString(const std::u16string& text) override;
    int InsertString(int index, const std::u16string& text) override;
    bool GetItemText(int index, std::u16string& text) override;
    intptr_t GetItemData(int index) override;
    bool SetItemData(int index, intptr_t data) override;
    bool DeleteString(int index) override;
    void ResetContent() override;
    int GetCurSel() override;
    bool SetCurSel(int index) override;
    std::u16string GetWindowText() override;
    void SetRedraw(bool redraw) override;
    void Invalidate(bool erase) override;

    // Makes the next `times` calls of op fail.
    void FailNext(Op op, int times = 1);

    // For tests: every item text in order, whether redrawing is on, and how many full repaints
    // (with the background erased) were asked for.
    std::vector<std::u16string> Items();
    bool Redrawing();
    int ErasedRepaints();

private:
    struct Item
    {
        std::u16string text;
        intptr_t data = 0;
    };

    bool Consume(Op op) { return failures.Take(op); }
    bool ValidIndex(int index) const { return index >= 0 && index < static_cast<int>(items.size()); }

    std::mutex mutex;
    std::vector<Item> items;
    FailureSchedule<Op> failures;
    int selected = -1;
    bool redrawing = true;
    int erasedRepaints = 0;
};

} // namespace kh
