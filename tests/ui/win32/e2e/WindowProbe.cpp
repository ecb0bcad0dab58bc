// kh-window-probe.exe: what the end-to-end test of borvankh.exe cannot see through X, asked of the
// windows themselves. Wine draws a program's child controls inside its top-level X windows, so
// xdotool finds the windows but not the controls in them; this program runs beside the client, in
// the same wine prefix, and prints what the test needs to aim its clicks and to wait on.
//   kh-window-probe rect CAPTION ID   the screen rectangle "x y width height" of control ID of the
//                                     visible top-level window whose caption contains CAPTION
//                                     (ID 0: the window itself)
//   kh-window-probe rows CAPTION ID   the number of rows of list view ID
//   kh-window-probe items CAPTION ID  the number of entries of combo box ID
//   kh-window-probe text CAPTION ID   the text of control ID (UTF-8)
//   kh-window-probe cell CAPTION ID ROW COLUMN   the text of a cell of list view ID (UTF-8)
// Exit status 0 on success, 1 when the window or control is not there, 2 on a usage error.

#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#define WIN32_LEAN_AND_MEAN
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
// clang-format on
#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Search
{
    const wchar_t* caption;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM context)
{
    auto* search = reinterpret_cast<Search*>(context);
    if (!IsWindowVisible(window))
        return TRUE;
    wchar_t title[512] = {};
    GetWindowTextW(window, title, 512);
    if (std::wcsstr(title, search->caption) == nullptr)
        return TRUE;
    search->found = window;
    return FALSE;
}

void PrintUtf8(const std::wstring& text)
{
    int size =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fputc('\n', stdout);
}

// A control's text, asked with WM_GETTEXT: GetWindowText of another process's window gives only
// the text it was made with.
std::wstring ControlText(HWND control)
{
    wchar_t text[8192] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXT, 8192, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                             &copied))
        return {};
    return std::wstring(text, static_cast<size_t>(copied));
}

// A list view's cell: the item record and its text buffer must be in the list's own process, so
// they are made there and read back.
bool CellText(HWND list, int row, int column, std::wstring& text)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(list, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (process == nullptr)
        return false;
    constexpr size_t kChars = 1024;
    auto* remote = static_cast<char*>(
        VirtualAllocEx(process, nullptr, sizeof(LVITEMW) + kChars * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE));
    bool read = false;
    if (remote != nullptr) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
        item.cchTextMax = kChars;
        wchar_t buffer[kChars] = {};
        if (WriteProcessMemory(process, remote, &item, sizeof(item), nullptr)) {
            LRESULT length =
                SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
            read = ReadProcessMemory(process, remote + sizeof(LVITEMW), buffer, sizeof(buffer), nullptr) != 0;
            if (read)
                text.assign(buffer, static_cast<size_t>(std::min<LRESULT>(length, kChars - 1)));
        }
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return read;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4 && argc != 6) {
        std::fputs("usage: kh-window-probe rect|rows|items|text CAPTION ID, cell CAPTION ID ROW COLUMN\n", stderr);
        return 2;
    }
    std::wstring what = argv[1];
    Search search{argv[2], nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr)
        return 1;
    int id = _wtoi(argv[3]);
    HWND control = id == 0 ? search.found : GetDlgItem(search.found, id);
    if (control == nullptr)
        return 1;
    if (what == L"rect") {
        RECT rect;
        GetWindowRect(control, &rect);
        std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
        return 0;
    }
    if (what == L"rows") {
        std::printf("%ld\n", static_cast<long>(SendMessageW(control, LVM_GETITEMCOUNT, 0, 0)));
        return 0;
    }
    if (what == L"items") {
        std::printf("%ld\n", static_cast<long>(SendMessageW(control, CB_GETCOUNT, 0, 0)));
        return 0;
    }
    if (what == L"text") {
        PrintUtf8(ControlText(control));
        return 0;
    }
    if (what == L"cell" && argc == 6) {
        std::wstring text;
        if (!CellText(control, _wtoi(argv[4]), _wtoi(argv[5]), text))
            return 1;
        PrintUtf8(text);
        return 0;
    }
    std::fputs("kh-window-probe: unknown question\n", stderr);
    return 2;
}
