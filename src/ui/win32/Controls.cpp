#include "ui/win32/Controls.h"

#include "ui/win32/GuiThread.h"

#include <vector>

namespace kh::win32 {

bool Button::OnReflectedCommand(int code)
{
    if (code != BN_CLICKED || !onClick)
        return false;
    onClick();
    return true;
}

bool CheckBox::IsChecked()
{
    return OnGuiThread([&] { return SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED; });
}

void CheckBox::SetChecked(bool checked)
{
    OnGuiThread([&] { SendMessageW(hwnd, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0); });
}

bool CheckBox::OnReflectedCommand(int code)
{
    if (code != BN_CLICKED || !onClick)
        return false;
    onClick(SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED);
    return true;
}

std::u16string Edit::GetWindowText()
{
    return OnGuiThread([&] { return Text(); });
}

bool Edit::SetWindowText(const std::u16string& text)
{
    return OnGuiThread([&] { return hwnd != nullptr && SetWindowTextW(hwnd, Wide(text)) != 0; });
}

int ComboBox::Insert(int index, const std::u16string& text)
{
    if (hwnd == nullptr)
        return -1;
    auto count = static_cast<int>(SendMessageW(hwnd, CB_GETCOUNT, 0, 0));
    if (index < -1 || index > count)
        return -1;
    LRESULT result =
        SendMessageW(hwnd, CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(Wide(text)));
    if (result < 0)
        return -1;
    SendMessageW(hwnd, CB_SETITEMDATA, static_cast<WPARAM>(result), 0);
    return static_cast<int>(result);
}

int ComboBox::GetCount()
{
    return OnGuiThread([&] { return hwnd != nullptr ? static_cast<int>(SendMessageW(hwnd, CB_GETCOUNT, 0, 0)) : -1; },
                       -1);
}

int ComboBox::AddString(const std::u16string& text)
{
    // The box is unsorted, so appending is inserting at the end.
    return OnGuiThread([&] { return Insert(-1, text); }, -1);
}

int ComboBox::InsertString(int index, const std::u16string& text)
{
    return OnGuiThread([&] { return Insert(index, text); }, -1);
}

bool ComboBox::GetItemText(int index, std::u16string& text)
{
    return OnGuiThread([&] {
        LRESULT length = SendMessageW(hwnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
        if (hwnd == nullptr || index < 0 || length < 0)
            return false;
        std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
        LRESULT copied =
            SendMessageW(hwnd, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
        if (copied < 0)
            return false;
        text = FromWide(buffer.data(), static_cast<size_t>(copied));
        return true;
    });
}

intptr_t ComboBox::GetItemData(int index)
{
    return OnGuiThread(
        [&] {
            if (hwnd == nullptr || index < 0 || index >= static_cast<int>(SendMessageW(hwnd, CB_GETCOUNT, 0, 0)))
                return intptr_t(-1);
            return static_cast<intptr_t>(SendMessageW(hwnd, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
        },
        intptr_t(-1));
}

bool ComboBox::SetItemData(int index, intptr_t data)
{
    return OnGuiThread([&] {
        return hwnd != nullptr && index >= 0 &&
               SendMessageW(hwnd, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data)) != CB_ERR;
    });
}

bool ComboBox::DeleteString(int index)
{
    return OnGuiThread([&] {
        return hwnd != nullptr && index >= 0 &&
               SendMessageW(hwnd, CB_DELETESTRING, static_cast<WPARAM>(index), 0) != CB_ERR;
    });
}

void ComboBox::ResetContent()
{
    OnGuiThread([&] { SendMessageW(hwnd, CB_RESETCONTENT, 0, 0); });
}

int ComboBox::GetCurSel()
{
    return OnGuiThread([&] { return hwnd != nullptr ? static_cast<int>(SendMessageW(hwnd, CB_GETCURSEL, 0, 0)) : -1; },
                       -1);
}

bool ComboBox::SetCurSel(int index)
{
    return OnGuiThread([&] {
        if (hwnd == nullptr || index < -1 || index >= static_cast<int>(SendMessageW(hwnd, CB_GETCOUNT, 0, 0)))
            return false;
        // CB_SETCURSEL with -1 clears the selection and "fails" by design.
        SendMessageW(hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        return true;
    });
}

std::u16string ComboBox::GetWindowText()
{
    // A drop-down list shows the selected item, and nothing without a selection.
    return OnGuiThread([&] {
        std::u16string text;
        auto selected = static_cast<int>(SendMessageW(hwnd, CB_GETCURSEL, 0, 0));
        if (hwnd == nullptr || selected < 0)
            return text;
        LRESULT length = SendMessageW(hwnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(selected), 0);
        if (length <= 0)
            return text;
        std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
        LRESULT copied =
            SendMessageW(hwnd, CB_GETLBTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(buffer.data()));
        if (copied > 0)
            text = FromWide(buffer.data(), static_cast<size_t>(copied));
        return text;
    });
}

void ComboBox::SetRedraw(bool redraw)
{
    OnGuiThread([&] { SendMessageW(hwnd, WM_SETREDRAW, redraw ? TRUE : FALSE, 0); });
}

void ComboBox::Invalidate(bool erase)
{
    OnGuiThread([&] {
        if (hwnd != nullptr)
            InvalidateRect(hwnd, nullptr, erase ? TRUE : FALSE);
    });
}

bool ComboBox::OnReflectedCommand(int code)
{
    if (code != CBN_SELCHANGE || !onSelectionChanged)
        return false;
    onSelectionChanged(static_cast<int>(SendMessageW(hwnd, CB_GETCURSEL, 0, 0)));
    return true;
}

void Static::SetBitmap(HBITMAP bitmap)
{
    if (hwnd != nullptr)
        SendMessageW(hwnd, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
}

void Static::SetIcon(HICON icon)
{
    if (hwnd != nullptr)
        SendMessageW(hwnd, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
}

bool Static::OnReflectedCommand(int code)
{
    if (code != STN_CLICKED || !onClick)
        return false;
    onClick();
    return true;
}

LRESULT Static::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // A static control that can be clicked shows the hand over itself.
    if (message == WM_SETCURSOR && onClick) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
    }
    return DefaultProc(message, wParam, lParam);
}

int TabControl::AddTab(const std::u16string& title)
{
    if (hwnd == nullptr)
        return -1;
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    std::u16string copy = title;
    item.pszText = reinterpret_cast<wchar_t*>(copy.data());
    auto count = static_cast<int>(SendMessageW(hwnd, TCM_GETITEMCOUNT, 0, 0));
    auto index = static_cast<int>(
        SendMessageW(hwnd, TCM_INSERTITEMW, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(&item)));
    if (index >= 0 && static_cast<size_t>(index) >= pages.size())
        pages.resize(static_cast<size_t>(index) + 1, nullptr);
    return index;
}

void TabControl::SetPage(int index, HWND page)
{
    if (hwnd == nullptr || index < 0 || page == nullptr)
        return;
    if (static_cast<size_t>(index) >= pages.size())
        pages.resize(static_cast<size_t>(index) + 1, nullptr);
    pages[static_cast<size_t>(index)] = page;
    // The display area: the tab control's client area less its tabs, in the parent's coordinates.
    RECT area;
    GetClientRect(hwnd, &area);
    SendMessageW(hwnd, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    MapWindowPoints(hwnd, GetParent(page), reinterpret_cast<POINT*>(&area), 2);
    SetWindowPos(page, HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top, SWP_NOACTIVATE);
    ShowWindow(page, index == Selected() ? SW_SHOW : SW_HIDE);
}

bool TabControl::Select(int index)
{
    if (hwnd == nullptr || index < 0 || index >= static_cast<int>(SendMessageW(hwnd, TCM_GETITEMCOUNT, 0, 0)))
        return false;
    SendMessageW(hwnd, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    ShowPage(index);
    return true;
}

int TabControl::Selected() const
{
    return hwnd != nullptr ? static_cast<int>(SendMessageW(hwnd, TCM_GETCURSEL, 0, 0)) : -1;
}

void TabControl::ShowPage(int index)
{
    for (size_t i = 0; i < pages.size(); ++i) {
        if (pages[i] != nullptr && static_cast<int>(i) != index)
            ShowWindow(pages[i], SW_HIDE);
    }
    if (index >= 0 && static_cast<size_t>(index) < pages.size() && pages[static_cast<size_t>(index)] != nullptr)
        ShowWindow(pages[static_cast<size_t>(index)], SW_SHOW);
}

bool TabControl::OnReflectedNotify(NMHDR* header, LRESULT& result)
{
    if (header->code != TCN_SELCHANGE)
        return false;
    int index = Selected();
    if (index < 0)
        return false;
    ShowPage(index);
    if (onSelectionChanged)
        onSelectionChanged(index);
    result = 0;
    return true;
}

bool Tooltip::Create(HWND owner)
{
    HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    if (tip == nullptr)
        return false;
    Attach(tip);
    // A positive width makes the tooltip break its text at \n; wide enough that no line of ours
    // wraps otherwise (Chinese text may break between any two characters).
    SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, Scale(600));
    return true;
}

bool Tooltip::AddTool(HWND tool, const std::u16string& text)
{
    if (hwnd == nullptr || tool == nullptr)
        return false;
    TTTOOLINFOW info{};
    info.cbSize = sizeof(info);
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = GetParent(tool);
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    std::u16string copy = text;
    info.lpszText = reinterpret_cast<wchar_t*>(copy.data());
    return SendMessageW(hwnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)) != 0;
}

} // namespace kh::win32
