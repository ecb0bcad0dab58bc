#pragma once
// The tips box at the bottom of the main window (control 1000): a read-only multi-line edit
// control, as the tips box drives it. Positions and lengths are the control's own: UTF-16 code
// units, with CR LF between lines, so a surrogate pair counts two and a line break two. Attach
// lifts the control's text limit (an edit control holds 32767 characters unless told otherwise),
// so the box can grow to the size at which the tips box saves it.

#include "core/ports/TipsViewPort.h"
#include "ui/win32/Wnd.h"

namespace kh::win32 {

class TipsEdit : public Wnd, public TipsViewPort
{
public:
    // Attaches the edit control and lifts its text limit.
    bool AttachEdit(HWND edit);

    size_t TextLength() override;
    void GetSelection(size_t& start, size_t& end) override;
    void SetSelection(size_t start, size_t end) override;
    void ReplaceSelection(const std::u16string& text) override;
    std::u16string GetText() override;
    void Clear() override;
    void SetRedraw(bool on) override;

private:
    size_t Length() const;
};

} // namespace kh::win32
