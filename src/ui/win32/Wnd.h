#pragma once
// The base of every window object of the Win32 window: it owns nothing but the link to one HWND
// and routes that window's messages to small virtual hooks. A control made by a dialog resource or
// by CreateWindowEx is attached (subclassed); what it reports to its parent (WM_COMMAND,
// WM_NOTIFY) is reflected back by the parent dialog to the control's object, which turns it into a
// callback member (onClick, onSelectionChanged, ...). Objects hold no behaviour of the client: the
// code that owns them decides what a callback does.

#include "ui/win32/WinApi.h"

#include <string>

namespace kh::win32 {

class Wnd
{
public:
    Wnd() = default;
    virtual ~Wnd();
    Wnd(const Wnd&) = delete;
    Wnd& operator=(const Wnd&) = delete;

    // Attaches this object to window (subclassing it). False for a null window or when the window
    // has an object already.
    bool Attach(HWND window);
    // Lets go of the window (it stays as it is). Also done when the window is destroyed.
    void Detach();
    // The object attached to window, or null.
    static Wnd* FromHandle(HWND window);

    HWND Handle() const { return hwnd; }
    int ControlId() const;
    bool IsVisible() const;
    void SetVisible(bool visible);
    void SetEnabled(bool enabled);
    std::u16string Text() const;
    void SetText(const std::u16string& text);
    // The window's rectangle in the client coordinates of its parent.
    RECT RectInParent() const;
    // The window's DPI (96 at 100 %) and a length of 96-DPI pixels scaled to it.
    UINT Dpi() const;
    int Scale(int pixels) const;

    // A command (WM_COMMAND) or notification (WM_NOTIFY) this window sent to its parent, handed
    // back by the parent. True when handled (result: the notification's result).
    virtual bool OnReflectedCommand(int code);
    virtual bool OnReflectedNotify(NMHDR* header, LRESULT& result);

protected:
    // Every message of the window; the default passes it on to the window's own procedure.
    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd = nullptr;

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data);
};

// The DPI of a window (the system's when the window is null or the call is missing).
UINT DpiOf(HWND window);
// A length of 96-DPI pixels at dpi.
inline int ScaleTo(int pixels, UINT dpi)
{
    return MulDiv(pixels, static_cast<int>(dpi), 96);
}

} // namespace kh::win32
