#include "ui/win32/TipsEdit.h"

#include "ui/win32/GuiThread.h"

#include <algorithm>

namespace kh::win32 {

bool TipsEdit::AttachEdit(HWND edit)
{
    if (!Attach(edit))
        return false;
    // 0: the largest text a multi-line edit control can hold.
    SendMessageW(hwnd, EM_SETLIMITTEXT, 0, 0);
    return true;
}

size_t TipsEdit::Length() const
{
    return hwnd != nullptr ? static_cast<size_t>(GetWindowTextLengthW(hwnd)) : 0;
}

size_t TipsEdit::TextLength()
{
    return OnGuiThread([&] { return Length(); }, size_t(0));
}

void TipsEdit::GetSelection(size_t& start, size_t& end)
{
    DWORD first = 0;
    DWORD last = 0;
    OnGuiThread(
        [&] { SendMessageW(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&first), reinterpret_cast<LPARAM>(&last)); });
    start = first;
    end = last;
}

void TipsEdit::SetSelection(size_t start, size_t end)
{
    OnGuiThread([&] {
        size_t length = Length();
        SendMessageW(hwnd, EM_SETSEL, static_cast<WPARAM>(std::min(start, length)),
                     static_cast<LPARAM>(std::min(end, length)));
        SendMessageW(hwnd, EM_SCROLLCARET, 0, 0);
    });
}

void TipsEdit::ReplaceSelection(const std::u16string& text)
{
    // FALSE: the insertion cannot be undone.
    OnGuiThread([&] { SendMessageW(hwnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(Wide(text))); });
}

std::u16string TipsEdit::GetText()
{
    return OnGuiThread([&] { return Text(); });
}

void TipsEdit::Clear()
{
    OnGuiThread([&] {
        if (hwnd != nullptr)
            SetWindowTextW(hwnd, L"");
    });
}

void TipsEdit::SetRedraw(bool on)
{
    OnGuiThread([&] {
        if (hwnd == nullptr)
            return;
        SendMessageW(hwnd, WM_SETREDRAW, on ? TRUE : FALSE, 0);
        // Switched back on, the control has to paint what changed meanwhile.
        if (on)
            InvalidateRect(hwnd, nullptr, TRUE);
    });
}

} // namespace kh::win32
