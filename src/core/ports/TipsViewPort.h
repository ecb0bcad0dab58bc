#pragma once
// The multi-line tips edit box of the main window as the tips box drives it. Positions and
// lengths count UTF-16 code units, as the edit control does. The tips box makes every call from a
// task of the UI executor, that is on the GUI thread, with none of its locks held.

#include <cstddef>
#include <string>

namespace kh {

class TipsViewPort
{
public:
    virtual ~TipsViewPort() = default;

    virtual size_t TextLength() = 0;
    virtual void GetSelection(size_t& start, size_t& end) = 0;
    // Selects [start, end) (clamped to the text) and scrolls it into view.
    virtual void SetSelection(size_t start, size_t end) = 0;
    // Replaces the selection with text (no undo); the caret ends behind the inserted text.
    virtual void ReplaceSelection(const std::u16string& text) = 0;
    virtual std::u16string GetText() = 0;
    virtual void Clear() = 0;
    virtual void SetRedraw(bool on) = 0;
};

} // namespace kh
