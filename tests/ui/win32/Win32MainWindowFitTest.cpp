// The main window at 150 % (144 DPI): on a 1920x1080 screen, less a taskbar of 48 logical pixels,
// the whole window fits, and every control lies whole inside its client area above the status bar,
// at the dialog's own size, at its smallest and when it grows. The right-hand panel keeps its size
// and its distance from the right edge; the list and the tips box take the rest.
//
// wine takes the system DPI from the registry when a program starts (LogPixels), so the test sets
// it to 144, runs itself again as a child for the checks and puts the value back. CTest runs it
// alone (RUN_SERIAL): a program started meanwhile would see the changed DPI too.

#include "Win32TestSupport.h"
#include "ui/win32/MainDialog.h"
#include "ui/win32/ResourceIds.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kh {
namespace {

constexpr UINT kDpi = 144;
constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr wchar_t kChildVariable[] = L"KH_FIT_TEST_CHILD";

RECT ClientRectOf(HWND owner, HWND control)
{
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(HWND_DESKTOP, owner, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string Describe(HWND control, const RECT& rect)
{
    wchar_t name[64] = {};
    GetClassNameW(control, name, 64);
    std::string text;
    for (const wchar_t* c = name; *c != 0; ++c)
        text += static_cast<char>(*c);
    return text + " id " + std::to_string(GetDlgCtrlID(control)) + " at (" + std::to_string(rect.left) + "," +
           std::to_string(rect.top) + ")-(" + std::to_string(rect.right) + "," + std::to_string(rect.bottom) + ")";
}

class MainWindowFitTest : public test::GuiThreadTest
{
protected:
    // Every visible control lies inside the client area and above the status bar, and neither the
    // number list nor the tips box overlaps any other control.
    void ExpectControlsWhole(const char* when)
    {
        SCOPED_TRACE(when);
        HWND dialog = window.Handle();
        RECT client;
        GetClientRect(dialog, &client);
        HWND status = window.statusBar.Handle();
        ASSERT_NE(status, nullptr);
        RECT bar = ClientRectOf(dialog, status);
        EXPECT_EQ(bar.bottom, client.bottom);
        std::vector<std::pair<HWND, RECT>> controls;
        for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            if (child == status || (GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE) == 0)
                continue;
            RECT rect = ClientRectOf(dialog, child);
            controls.emplace_back(child, rect);
            EXPECT_TRUE(rect.left >= 0 && rect.top >= 0 && rect.right <= client.right && rect.bottom <= bar.top)
                << Describe(child, rect) << " in a client area of " << client.right << "x" << client.bottom
                << " with the status bar from " << bar.top;
        }
        for (HWND whole : {window.numberList.Handle(), window.tipsBox.Handle()}) {
            RECT own = ClientRectOf(dialog, whole);
            for (const auto& [other, rect] : controls) {
                RECT overlap;
                if (other == whole)
                    continue;
                EXPECT_FALSE(IntersectRect(&overlap, &own, &rect))
                    << Describe(whole, own) << " overlaps " << Describe(other, rect);
            }
        }
    }

    SIZE ClientSize()
    {
        RECT client;
        GetClientRect(window.Handle(), &client);
        return {client.right, client.bottom};
    }

    void ResizeClient(int width, int height)
    {
        RECT frame{0, 0, width, height};
        AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window.Handle(), GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(window.Handle(), GWL_EXSTYLE)));
        SetWindowPos(window.Handle(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    void RunChecks();

    win32::MainDialog window;
};

void MainWindowFitTest::RunChecks()
{
    ASSERT_TRUE(window.Create(IDD_MAIN, nullptr));
    ASSERT_TRUE(window.CreateBars());
    HWND dialog = window.Handle();
    EXPECT_NE(GetWindowLongPtrW(dialog, GWL_STYLE) & WS_THICKFRAME, 0) << "the window can be resized";

    // A 1920x1080 screen at 150 % is 1280x720 logical pixels; the taskbar takes 48 of them.
    RECT outer;
    GetWindowRect(dialog, &outer);
    int workWidth = win32::ScaleTo(1280, kDpi);
    int workHeight = win32::ScaleTo(720 - 48, kDpi);
    std::printf("main window at %u DPI: %ldx%ld pixels outside, %ldx%ld client (work area %dx%d)\n", kDpi,
                outer.right - outer.left, outer.bottom - outer.top, ClientSize().cx, ClientSize().cy, workWidth,
                workHeight);
    EXPECT_LE(outer.right - outer.left, workWidth);
    EXPECT_LE(outer.bottom - outer.top, workHeight);
    ExpectControlsWhole("at the dialog's own size");

    // Growing and shrinking: the panel (the project box stands for it) keeps its size and its
    // distance from the right edge; the list takes the new width.
    SIZE start = ClientSize();
    HWND project = window.projectCombo.Handle();
    RECT projectStart = ClientRectOf(dialog, project);
    RECT listStart = ClientRectOf(dialog, window.numberList.Handle());
    RECT tipsStart = ClientRectOf(dialog, window.tipsBox.Handle());
    struct Case
    {
        const char* name;
        int width, height;
    };
    const Case cases[] = {{"grown", start.cx + 300, start.cy + 240}, {"smallest", 1, 1}, {"back", start.cx, start.cy}};
    for (const Case& size : cases) {
        ResizeClient(size.width, size.height);
        SIZE now = ClientSize();
        ExpectControlsWhole(size.name);
        SCOPED_TRACE(size.name);
        RECT projectNow = ClientRectOf(dialog, project);
        EXPECT_EQ(projectNow.right - projectNow.left, projectStart.right - projectStart.left);
        EXPECT_EQ(now.cx - projectNow.right, start.cx - projectStart.right);
        EXPECT_EQ(projectNow.top, projectStart.top);
        RECT listNow = ClientRectOf(dialog, window.numberList.Handle());
        EXPECT_EQ(listNow.right - listStart.right, now.cx - start.cx);
        RECT tipsNow = ClientRectOf(dialog, window.tipsBox.Handle());
        if (now.cy > start.cy) {
            EXPECT_GT(listNow.bottom, listStart.bottom);
            EXPECT_GT(tipsNow.bottom - tipsNow.top, tipsStart.bottom - tipsStart.top);
        }
        if (size.width == 1) {
            // The smallest size is what the window keeps, and it is smaller than the dialog's own.
            SIZE least = window.MinimumClientSize();
            EXPECT_EQ(now.cx, least.cx);
            EXPECT_EQ(now.cy, least.cy);
            EXPECT_LT(now.cy, start.cy);
            EXPECT_LT(now.cx, start.cx);
            // The list is never shorter than the panel beside it.
            RECT panelBottom = ClientRectOf(dialog, window.listAutoSortBox.Handle());
            EXPECT_GE(listNow.bottom, panelBottom.bottom);
        }
    }
}

TEST_F(MainWindowFitTest, FitsA1920x1080ScreenAt150PercentAndResizesWhole)
{
    if (GetDpiForSystem() == kDpi) {
        RunChecks();
        return;
    }
    ASSERT_EQ(_wgetenv(kChildVariable), nullptr) << "the child still runs at " << GetDpiForSystem() << " DPI";

    // The DPI as it was, to put back: the value, or none.
    DWORD old = 0;
    DWORD size = sizeof(old);
    bool had = RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", RRF_RT_REG_DWORD, nullptr, &old, &size) ==
               ERROR_SUCCESS;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    DWORD dpi = kDpi;
    ASSERT_EQ(RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof(dpi)),
              ERROR_SUCCESS);

    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=MainWindowFitTest.*";
    SetEnvironmentVariableW(kChildVariable, L"1");
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    bool started =
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process) != 0;
    DWORD exitCode = 1;
    if (started) {
        WaitForSingleObject(process.hProcess, 120000);
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    SetEnvironmentVariableW(kChildVariable, nullptr);
    if (had)
        RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old), sizeof(old));
    else
        RegDeleteValueW(key, L"LogPixels");
    RegCloseKey(key);
    ASSERT_TRUE(started);
    EXPECT_EQ(exitCode, 0u) << "the checks at " << kDpi << " DPI failed (their output is above)";
}

} // namespace
} // namespace kh
