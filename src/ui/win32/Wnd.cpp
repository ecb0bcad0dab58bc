#include "ui/win32/Wnd.h"

#include <vector>

namespace kh::win32 {

namespace {

constexpr UINT_PTR kSubclassId = 0x4B48; // "KH"
// The window property that leads from a window to its object (GetWindowSubclass, which could,
// is exported by ordinal only).
constexpr wchar_t kObjectProperty[] = L"BorvanKH.Wnd";

} // namespace

Wnd::~Wnd()
{
    Detach();
}

bool Wnd::Attach(HWND window)
{
    if (window == nullptr || FromHandle(window) != nullptr)
        return false;
    Detach();
    if (!SetPropW(window, kObjectProperty, this))
        return false;
    if (!SetWindowSubclass(window, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        RemovePropW(window, kObjectProperty);
        return false;
    }
    hwnd = window;
    return true;
}

void Wnd::Detach()
{
    if (hwnd == nullptr)
        return;
    RemoveWindowSubclass(hwnd, SubclassProc, kSubclassId);
    RemovePropW(hwnd, kObjectProperty);
    hwnd = nullptr;
}

Wnd* Wnd::FromHandle(HWND window)
{
    return window != nullptr ? static_cast<Wnd*>(GetPropW(window, kObjectProperty)) : nullptr;
}

LRESULT CALLBACK Wnd::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
{
    auto* self = reinterpret_cast<Wnd*>(data);
    if (message == WM_NCDESTROY) {
        LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        RemoveWindowSubclass(window, SubclassProc, kSubclassId);
        RemovePropW(window, kObjectProperty);
        self->hwnd = nullptr;
        return result;
    }
    return self->WndProc(message, wParam, lParam);
}

LRESULT Wnd::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefaultProc(message, wParam, lParam);
}

LRESULT Wnd::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

bool Wnd::OnReflectedCommand(int)
{
    return false;
}

bool Wnd::OnReflectedNotify(NMHDR*, LRESULT&)
{
    return false;
}

int Wnd::ControlId() const
{
    return hwnd != nullptr ? GetDlgCtrlID(hwnd) : 0;
}

bool Wnd::IsVisible() const
{
    return hwnd != nullptr && IsWindowVisible(hwnd);
}

void Wnd::SetVisible(bool visible)
{
    if (hwnd != nullptr)
        ShowWindow(hwnd, visible ? SW_SHOW : SW_HIDE);
}

void Wnd::SetEnabled(bool enabled)
{
    if (hwnd != nullptr)
        EnableWindow(hwnd, enabled);
}

std::u16string Wnd::Text() const
{
    if (hwnd == nullptr)
        return {};
    int length = GetWindowTextLengthW(hwnd);
    if (length <= 0)
        return {};
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    int copied = GetWindowTextW(hwnd, buffer.data(), length + 1);
    return FromWide(buffer.data(), static_cast<size_t>(copied > 0 ? copied : 0));
}

void Wnd::SetText(const std::u16string& text)
{
    if (hwnd != nullptr)
        SetWindowTextW(hwnd, Wide(text));
}

RECT Wnd::RectInParent() const
{
    RECT rect{};
    if (hwnd == nullptr)
        return rect;
    GetWindowRect(hwnd, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

UINT Wnd::Dpi() const
{
    return DpiOf(hwnd);
}

int Wnd::Scale(int pixels) const
{
    return ScaleTo(pixels, Dpi());
}

UINT DpiOf(HWND window)
{
    // GetDpiForWindow exists from Windows 10 1607 on (and in wine); older systems use the
    // screen's DPI.
    using DpiForWindow = UINT(WINAPI*)(HWND);
    static const auto dpiForWindow = reinterpret_cast<DpiForWindow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (window != nullptr && dpiForWindow != nullptr) {
        UINT dpi = dpiForWindow(window);
        if (dpi != 0)
            return dpi;
    }
    HDC screen = GetDC(nullptr);
    UINT dpi = screen != nullptr ? static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSY)) : 96;
    if (screen != nullptr)
        ReleaseDC(nullptr, screen);
    return dpi != 0 ? dpi : 96;
}

} // namespace kh::win32
