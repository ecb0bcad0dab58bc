#include "ui/win32/GuiThread.h"

#include "ui/win32/WinApi.h"

#include <atomic>
#include <memory>
#include <thread>

namespace kh::win32 {

namespace {

// A task sent by a worker (lParam: the caller's std::function, alive while it waits) and a task
// posted (lParam: a heap copy the receiver frees).
constexpr UINT kMsgRunTask = WM_APP + 0x100;
constexpr UINT kMsgPostedTask = WM_APP + 0x101;

constexpr wchar_t kClassName[] = L"BorvanKH.GuiThread";

std::atomic<HWND> guiWindow{nullptr};
std::atomic<DWORD> guiThreadId{0};
std::atomic<bool> closing{false};
std::atomic<unsigned long long> sentCalls{0};
std::atomic<TaskTimer> taskTimer{nullptr};

void RunTimed(const std::function<void()>& task, bool sent)
{
    TaskTimer timer = taskTimer.load(std::memory_order_relaxed);
    if (timer == nullptr) {
        task();
        return;
    }
    auto start = std::chrono::steady_clock::now();
    task();
    timer(task.target_type(), sent, std::chrono::steady_clock::now() - start);
}

LRESULT CALLBACK GuiThreadProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kMsgRunTask) {
        // A call that was on its way when closing began is answered without running: its caller
        // gets the fallback, as a call made after that moment does.
        if (closing.load())
            return 0;
        RunTimed(*reinterpret_cast<const std::function<void()>*>(lParam), true);
        return 1;
    }
    if (message == kMsgPostedTask) {
        std::unique_ptr<std::function<void()>> task(reinterpret_cast<std::function<void()>*>(lParam));
        RunTimed(*task, false);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace

bool StartGuiThread()
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = GuiThreadProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kClassName;
    // Registered once per process; a second start finds the class there.
    if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return false;
    HWND window = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    if (window == nullptr)
        return false;
    guiThreadId.store(GetCurrentThreadId());
    guiWindow.store(window);
    return true;
}

void StopGuiThread()
{
    HWND window = guiWindow.exchange(nullptr);
    if (window == nullptr)
        return;
    // Posted tasks still queued are freed unrun: what they point to may be going away.
    MSG message;
    while (PeekMessageW(&message, window, kMsgPostedTask, kMsgPostedTask, PM_REMOVE))
        delete reinterpret_cast<std::function<void()>*>(message.lParam);
    DestroyWindow(window);
    guiThreadId.store(0);
}

bool IsGuiThread()
{
    return guiWindow.load() != nullptr && guiThreadId.load() == GetCurrentThreadId();
}

void BeginClosing()
{
    closing.store(true);
}

bool IsClosing()
{
    return closing.load();
}

void ResetClosingForTest()
{
    closing.store(false);
}

bool RunOnGuiThread(const std::function<void()>& task)
{
    if (closing.load())
        return false;
    HWND window = guiWindow.load();
    if (window == nullptr)
        return false;
    if (guiThreadId.load() == GetCurrentThreadId()) {
        task();
        return true;
    }
    sentCalls.fetch_add(1, std::memory_order_relaxed);
    return SendMessageW(window, kMsgRunTask, 0, reinterpret_cast<LPARAM>(&task)) != 0;
}

unsigned long long SentCallCount()
{
    return sentCalls.load(std::memory_order_relaxed);
}

void SetTaskTimer(TaskTimer timer)
{
    taskTimer.store(timer);
}

bool PostToGuiThread(std::function<void()> task)
{
    HWND window = guiWindow.load();
    if (window == nullptr)
        return false;
    auto posted = std::make_unique<std::function<void()>>(std::move(task));
    if (!PostMessageW(window, kMsgPostedTask, 0, reinterpret_cast<LPARAM>(posted.get())))
        return false;
    posted.release();
    return true;
}

void RunServingCalls(const std::function<void()>& work)
{
    if (!IsGuiThread()) {
        work();
        return;
    }
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (done == nullptr) {
        work();
        return;
    }
    std::thread worker([&] {
        work();
        SetEvent(done);
    });
    // Only sent messages are answered here (QS_SENDMESSAGE): posted ones and input wait for the
    // message loop, so nothing of the window runs while it is being taken down.
    for (;;) {
        DWORD woken = MsgWaitForMultipleObjectsEx(1, &done, INFINITE, QS_SENDMESSAGE, 0);
        if (woken == WAIT_OBJECT_0)
            break;
        if (woken != WAIT_OBJECT_0 + 1) {
            WaitForSingleObject(done, INFINITE);
            break;
        }
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    worker.join();
    CloseHandle(done);
}

} // namespace kh::win32
