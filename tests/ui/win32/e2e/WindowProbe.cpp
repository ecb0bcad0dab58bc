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

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4) {
        std::fputs("usage: kh-window-probe rect|rows|items|text CAPTION ID\n", stderr);
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
        wchar_t text[4096] = {};
        GetWindowTextW(control, text, 4096);
        PrintUtf8(text);
        return 0;
    }
    std::fputs("kh-window-probe: unknown question\n", stderr);
    return 2;
}
