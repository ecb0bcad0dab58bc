#include "ui/win32/Dialog.h"

namespace kh::win32 {

Dialog::~Dialog()
{
    if (hwnd == nullptr)
        return;
    HWND window = hwnd;
    // The procedure no longer reaches this object.
    SetWindowLongPtrW(window, DWLP_USER, 0);
    hwnd = nullptr;
    if (!modal)
        DestroyWindow(window);
}

INT_PTR Dialog::RunModal(int resourceId, HWND owner)
{
    modal = true;
    INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId), owner, DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    modal = false;
    return result;
}

bool Dialog::Create(int resourceId, HWND parent)
{
    modal = false;
    return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId), parent, DialogProc,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
}

void Dialog::End(INT_PTR result)
{
    if (hwnd != nullptr && modal)
        EndDialog(hwnd, result);
}

void Dialog::Destroy()
{
    if (hwnd != nullptr && !modal)
        DestroyWindow(hwnd);
}

void Dialog::CentreOnScreen()
{
    if (hwnd == nullptr)
        return;
    HWND owner = GetWindow(hwnd, GW_OWNER);
    HMONITOR monitor =
        MonitorFromWindow(owner != nullptr && IsWindowVisible(owner) ? owner : hwnd, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(monitor, &info))
        return;
    RECT rect;
    GetWindowRect(hwnd, &rect);
    const RECT& area = info.rcWork;
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    // A dialog larger than the work area keeps its caption on the screen.
    if (x < area.left)
        x = area.left;
    if (y < area.top)
        y = area.top;
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK Dialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        self->hwnd = window;
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
    }
    if (self == nullptr)
        return FALSE;
    INT_PTR handled = self->Route(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        self->hwnd = nullptr;
    }
    return handled;
}

INT_PTR Dialog::Route(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog() ? TRUE : FALSE;
    case WM_COMMAND: {
        auto* control = reinterpret_cast<HWND>(lParam);
        // A control's own report goes to its object first.
        if (control != nullptr) {
            Wnd* object = FromHandle(control);
            if (object != nullptr && object->OnReflectedCommand(HIWORD(wParam)))
                return TRUE;
        }
        return OnCommand(LOWORD(wParam), HIWORD(wParam), control) ? TRUE : FALSE;
    }
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        LRESULT result = 0;
        Wnd* object = FromHandle(header->hwndFrom);
        bool handled = (object != nullptr && object->OnReflectedNotify(header, result)) || OnNotify(header, result);
        if (!handled)
            return FALSE;
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    default: {
        LRESULT result = 0;
        if (!OnMessage(message, wParam, lParam, result))
            return FALSE;
        // Messages whose result is the procedure's own return value rather than DWLP_MSGRESULT.
        switch (message) {
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_QUERYDRAGICON:
            return static_cast<INT_PTR>(result);
        default:
            SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
            return TRUE;
        }
    }
    }
}

bool Dialog::OnInitDialog()
{
    return onInit ? onInit() : true;
}

bool Dialog::OnCommand(int id, int code, HWND)
{
    return onCommand ? onCommand(id, code) : false;
}

bool Dialog::OnNotify(NMHDR* header, LRESULT& result)
{
    return onNotify ? onNotify(header, result) : false;
}

bool Dialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    return onMessage ? onMessage(message, wParam, lParam, result) : false;
}

} // namespace kh::win32
