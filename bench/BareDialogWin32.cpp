// The working set of a bare dialog program under wine, printed beside the Win32 window's own
// figures (bench/run-windows): a dialog with one edit box, made from a template in memory and shown
// for a moment, in a program linked as the window is (static, common controls), and the same with
// 100 idle threads besides, as many as the window's pollers with 100 numbers. What wine itself
// costs a program with a window and with threads; the window's figures less these are the
// client's own.

#include "ui/win32/WinApi.h"

// After windows.h (WinApi.h).
// clang-format off
#include <psapi.h>
// clang-format on
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

INT_PTR CALLBACK BareDialogProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG) {
        SetTimer(dialog, 1, 300, nullptr);
        return TRUE;
    }
    if (message == WM_TIMER) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

// A dialog template: a 200x100 dialog-unit box with one edit control.
std::vector<WORD> BareTemplate()
{
    std::vector<WORD> words(64, 0);
    auto* dialog = reinterpret_cast<DLGTEMPLATE*>(words.data());
    dialog->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_CENTER;
    dialog->cdit = 1;
    dialog->cx = 200;
    dialog->cy = 100;
    size_t at = sizeof(DLGTEMPLATE) / sizeof(WORD) + 3; // no menu, default class, empty title
    at = (at + 1) & ~size_t(1);                         // items start on a DWORD boundary
    auto* item = reinterpret_cast<DLGITEMTEMPLATE*>(words.data() + at);
    item->style = WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL;
    item->x = 10;
    item->y = 10;
    item->cx = 180;
    item->cy = 14;
    item->id = 100;
    at += sizeof(DLGITEMTEMPLATE) / sizeof(WORD);
    words[at++] = 0xFFFF;
    words[at++] = 0x0081; // the edit class
    words[at++] = 0;      // empty text
    words[at++] = 0;      // no creation data
    return words;
}

double WorkingSetMb()
{
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory)))
        return -1;
    return static_cast<double>(memory.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

} // namespace

int main()
{
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    std::vector<WORD> words = BareTemplate();
    if (DialogBoxIndirectW(GetModuleHandleW(nullptr), reinterpret_cast<DLGTEMPLATE*>(words.data()), nullptr,
                           BareDialogProc) != 0) {
        std::printf("no dialog: wine needs a display\n");
        return 1;
    }
    std::printf("peak working set of a bare dialog program: %.1f MB\n", WorkingSetMb());
    std::vector<std::thread> threads;
    for (int i = 0; i < 100; ++i)
        threads.emplace_back([] { std::this_thread::sleep_for(std::chrono::seconds(1)); });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::printf("the same with 100 idle threads: %.1f MB\n", WorkingSetMb());
    for (std::thread& thread : threads)
        thread.join();
    return 0;
}
