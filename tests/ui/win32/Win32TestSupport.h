#pragma once
// What the Win32 window's tests share: the GUI thread of the test program (its message-only
// window), a message loop that runs until a condition holds or a deadline passes, and a skip when
// wine has no display driver to make windows with (scripts/test-windows gives it an Xvfb display).

#include "ui/win32/GuiThread.h"
#include "ui/win32/WinApi.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>

namespace kh::test {

// Serves the calling (GUI) thread's messages, dialogs' keyboard included, until condition holds;
// false when the deadline passed first.
inline bool PumpUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds deadline = std::chrono::milliseconds(10000))
{
    auto end = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (condition())
            return true;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return condition();
        // Wakes for any message, sent ones included, or after a short while to look again.
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(std::min<long long>(left.count(), 20)), QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
    }
}

// Makes the test thread the GUI thread for each test, and ends it after.
class GuiThreadTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        win32::ResetClosingForTest();
        if (!win32::StartGuiThread())
            GTEST_SKIP() << "no window can be made: wine needs a display (scripts/test-windows starts Xvfb)";
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
    }

    void TearDown() override
    {
        win32::StopGuiThread();
        win32::ResetClosingForTest();
    }
};

} // namespace kh::test
