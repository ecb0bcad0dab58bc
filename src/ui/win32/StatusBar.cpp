#include "ui/win32/StatusBar.h"

#include "ui/win32/GuiThread.h"

#include <vector>

namespace kh::win32 {

bool StatusBar::Create(HWND owner)
{
    HWND bar = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | CCS_BOTTOM, 0, 0, 0, 0, owner,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    return bar != nullptr && Attach(bar);
}

int StatusBar::MeasureWidth(const std::u16string& text) const
{
    // The bar's own font, so that the pane fits the text as the bar draws it, plus the room the
    // bar keeps on both sides of a pane's text.
    HDC dc = GetDC(hwnd);
    if (dc == nullptr)
        return 0;
    auto font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
    HGDIOBJ old = font != nullptr ? SelectObject(dc, font) : nullptr;
    SIZE size{};
    GetTextExtentPoint32W(dc, Wide(text), static_cast<int>(text.size()), &size);
    if (old != nullptr)
        SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    int borders[3] = {};
    SendMessageW(hwnd, SB_GETBORDERS, 0, reinterpret_cast<LPARAM>(borders));
    return size.cx + 2 * borders[0] + 2 * borders[2] + Scale(6);
}

bool StatusBar::SetPaneText(int index, const std::u16string& text)
{
    if (index < 0 || index >= kParts)
        return false;
    return OnGuiThread([&] {
        if (hwnd == nullptr)
            return false;
        widths[static_cast<size_t>(index)] = MeasureWidth(text);
        int edges[kParts];
        int right = 0;
        for (int i = 0; i < kParts; ++i) {
            right += widths[static_cast<size_t>(i)];
            edges[i] = right;
        }
        if (!SendMessageW(hwnd, SB_SETPARTS, kParts, reinterpret_cast<LPARAM>(edges)))
            return false;
        return SendMessageW(hwnd, SB_SETTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(Wide(text))) != 0;
    });
}

std::u16string StatusBar::PaneText(int index)
{
    if (index < 0 || index >= kParts)
        return {};
    return OnGuiThread([&] {
        if (hwnd == nullptr)
            return std::u16string();
        auto length = LOWORD(SendMessageW(hwnd, SB_GETTEXTLENGTHW, static_cast<WPARAM>(index), 0));
        std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
        SendMessageW(hwnd, SB_GETTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
        return FromWide(buffer.data(), length);
    });
}

} // namespace kh::win32
