// The Win32 window's figures under wine, printed only (bench/run-windows prints them beside the Qt
// window's): the start of what wWinMain does to the login dialog shown (and process start to that
// point, which under wine is mostly wine's own start), sign-in to the main window filled
// (projects and account figures), the GUI thread's longest stall while 100 pollers report arrivals
// (how late it takes a task posted every 10 ms) with the port calls the workers sent meanwhile, and
// the working set with the login dialog shown and its peak with 100 numbers. The real
// client (Win32Client) runs against the sandbox named in KH_WINDOWS_SANDBOX, with its settings in a
// temporary registry key; the sign-in button is pressed as soon as the dialog shows.
// During sign-in and while the 100 pollers report, the GUI thread's work is timed piece by piece (each port call a
// worker sent, each posted task, each message the loop dispatched, and each time the loop's
// PeekMessage answered the sent calls waiting) and the longest pieces are printed, to show where a
// stall comes from.

#include "core/ports/ToolBarPort.h"
#include "desktop/AppPresenter.h"
#include "settings/ConfigCenter.h"
#include "support/SandboxProcess.h"
#include "support/TempSettingsDir.h"
#include "ui/win32/GuiThread.h"
#include "ui/win32/LoginWindow.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/Win32Client.h"
#include "ui/win32/WinApi.h"

// After windows.h (WinApi.h).
// clang-format off
#include <objbase.h>
#include <psapi.h>
// clang-format on
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace kh;
using Clock = std::chrono::steady_clock;

namespace {

// Three projects, the first sending its code after smsDelayMs; room for 200 numbers.
std::string Scenario(int smsDelayMs)
{
    std::string delay = std::to_string(smsDelayMs);
    return R"({"accounts":[{"user":"demo","pwd":"demo","balance":"100000","level":"VIP2","discount":9.5,)"
           R"("score":12,"max_mobiles":200}],"projects":[{"pid":"3001","pname":"云购商城","p_price":"0.50",)"
           R"("remark":"注册","sms_template":"【云购商城】您的验证码是{code}。","code_length":6,"delay_min_ms":)" +
           delay + R"(,"delay_max_ms":)" + delay +
           R"(,"offline_probability":0,"no_sms_probability":0},)"
           R"({"pid":"3002","pname":"快跑外卖","p_price":"0.30","remark":"登录"},)"
           R"({"pid":"3003","pname":"星河影视","p_price":"0.20","remark":"找回密码"}],)"
           R"("pool":{"generate":1000}})";
}

double WorkingSetMb(bool peak)
{
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory)))
        return -1;
    return static_cast<double>(peak ? memory.PeakWorkingSetSize : memory.WorkingSetSize) / (1024.0 * 1024.0);
}

long long MsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Milliseconds since the process was made (its creation time as the system keeps it).
long long MsSinceProcessStart()
{
    FILETIME created, exited, kernel, user, now;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return -1;
    GetSystemTimePreciseAsFileTime(&now);
    auto ticks = [](const FILETIME& time) {
        return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return static_cast<long long>((ticks(now) - ticks(created)) / 10000);
}

// The GUI thread's work, piece by piece, while profiling is on (GUI thread only).
class WorkProfile
{
public:
    static WorkProfile& Get()
    {
        static WorkProfile profile;
        return profile;
    }
    // Starts again from nothing.
    void Start()
    {
        kinds.clear();
        on = true;
        win32::SetTaskTimer(&WorkProfile::OnTask);
    }
    void Stop()
    {
        win32::SetTaskTimer(nullptr);
        on = false;
    }
    bool On() const { return on; }
    void Add(const std::string& what, Clock::duration took)
    {
        long long micros = std::chrono::duration_cast<std::chrono::microseconds>(took).count();
        Kind& kind = kinds[what];
        ++kind.count;
        kind.totalMicros += micros;
        kind.longestMicros = std::max(kind.longestMicros, micros);
    }
    // The kinds of work with the longest single pieces, and those that took most time in all.
    void Print(const char* phase) const
    {
        std::vector<std::pair<std::string, Kind>> sorted(kinds.begin(), kinds.end());
        auto show = [&](const char* title) {
            if (*title != '\0')
                std::printf("%s\n", title);
            for (size_t i = 0; i < sorted.size() && i < 8; ++i) {
                const Kind& kind = sorted[i].second;
                std::printf("    %7.1f ms longest, %8.1f ms in %5llu: %s\n", kind.longestMicros / 1000.0,
                            kind.totalMicros / 1000.0, kind.count, sorted[i].first.c_str());
            }
        };
        std::sort(sorted.begin(), sorted.end(),
                  [](const auto& a, const auto& b) { return a.second.longestMicros > b.second.longestMicros; });
        std::printf("  the GUI thread's work %s, longest single pieces:\n", phase);
        show("");
        std::sort(sorted.begin(), sorted.end(),
                  [](const auto& a, const auto& b) { return a.second.totalMicros > b.second.totalMicros; });
        show("  and most time in all:");
    }

private:
    struct Kind
    {
        unsigned long long count = 0;
        long long totalMicros = 0;
        long long longestMicros = 0;
    };
    // A task's name: the function its lambda was written in.
    static void OnTask(const std::type_info& task, bool sent, Clock::duration took)
    {
        int status = 0;
        char* demangled = abi::__cxa_demangle(task.name(), nullptr, nullptr, &status);
        std::string name = status == 0 && demangled != nullptr ? demangled : task.name();
        std::free(demangled);
        // "kh::win32::ListView::InsertItem(int, ...)::{lambda()#1}" -> "ListView::InsertItem"
        // A call with a result runs inside OnGuiThread<the caller's lambda, ...>.
        for (const std::string noise : {"(anonymous namespace)::", "kh::win32::", "kh::", "OnGuiThread<"}) {
            for (size_t at = name.find(noise); at != std::string::npos; at = name.find(noise))
                name.erase(at, noise.size());
        }
        name = name.substr(0, name.find('('));
        Get().Add((sent ? "sent call " : "posted task ") + name, took);
    }
    bool on = false;
    std::map<std::string, Kind> kinds;
};

std::string WindowClass(HWND window)
{
    wchar_t name[64] = L"";
    if (window == nullptr || GetClassNameW(window, name, 64) == 0)
        return "no window";
    std::string narrow;
    for (const wchar_t* c = name; *c != L'\0'; ++c)
        narrow += *c < 128 ? static_cast<char>(*c) : '?';
    return narrow;
}

// Serves the GUI thread until condition holds (looked at every 50 ms) or timeoutMs pass.
bool PumpUntil(const std::function<bool()>& condition, int timeoutMs)
{
    auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    WorkProfile& profile = WorkProfile::Get();
    for (;;) {
        MSG message;
        for (;;) {
            // PeekMessage answers every sent call waiting before it returns a posted message.
            Clock::time_point peek = Clock::now();
            bool got = PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);
            if (profile.On())
                profile.Add("PeekMessage, the sent calls answered in it", Clock::now() - peek);
            if (!got)
                break;
            Clock::time_point dispatch = Clock::now();
            TranslateMessage(&message);
            DispatchMessageW(&message);
            // Posted tasks are timed as such (the GUI thread's own window).
            std::string target = profile.On() ? WindowClass(message.hwnd) : std::string();
            if (profile.On() && target != "BorvanKH.GuiThread") {
                char what[96];
                std::snprintf(what, sizeof(what), "message 0x%04x to %s", message.message, target.c_str());
                profile.Add(what, Clock::now() - dispatch);
            }
        }
        if (condition())
            return true;
        if (Clock::now() >= end)
            return false;
        MsgWaitForMultipleObjectsEx(0, nullptr, 50, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

// How late the GUI thread takes a task posted every 10 ms from another thread: the longest wait is
// the longest time the window could not answer. (A WM_TIMER would say less: Windows makes one
// only when the queue is empty, so a busy queue holds it back without the thread stalling.)
class StallMeter
{
public:
    void Start()
    {
        running = true;
        pinger = std::thread([this] {
            while (running) {
                Clock::time_point sent = Clock::now();
                win32::PostToGuiThread([this, sent] {
                    longest = std::max(
                        longest, std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent).count());
                });
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
    }
    void Stop()
    {
        running = false;
        if (pinger.joinable())
            pinger.join();
    }
    // GUI thread.
    long long Longest() const { return longest; }

private:
    std::atomic<bool> running{false};
    std::thread pinger;
    long long longest = 0;
};

} // namespace

int main()
{
    Clock::time_point mainStart = Clock::now();
    test::TempSettingsDir settings;
    test::SandboxOptions options;
    options.scenarioJson = Scenario(1500);
    test::SandboxProcess sandbox(options);
    if (!sandbox.Started()) {
        std::printf("no sandbox: %s\n", sandbox.Error().c_str());
        return 1;
    }
    // From here on the bench does what borvankh.exe's wWinMain does.
    Clock::time_point clientStart = Clock::now();
    long long processToClient = MsSinceProcessStart();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    if (!win32::StartGuiThread()) {
        std::printf("no window can be made: wine needs a display\n");
        return 1;
    }
    int status = 0;
    {
        win32::Win32Client client;
        desktop::AppPresenter& app = client.App();
        app.LoadSettings();
        ConfigCenter& config = app.Session().Config();
        config.Update([&](SettingsValues& values) {
            values.apiHost = values.servicesHost = values.webSite = sandbox.Host();
            values.userName = u"demo";
            values.password = u"demo";
            values.spaceTime = 100;
            values.autoGetSms = 1;
            values.autoExtractCode = 1;
            values.listAutoSort = 1;
            values.autoRun = 0;
        });
        std::string folder = settings.Path();
        config.SetExecutableLocation(std::u16string(folder.begin(), folder.end()), config.ExecutablePath());
        app.Main().ShowSettings();

        // The dialog is on the screen when the first task posted from its WM_INITDIALOG runs.
        Clock::time_point signInStart;
        client.onLoginShown = [&] {
            win32::PostToGuiThread([&] {
                std::printf("wWinMain to login dialog shown: %lld ms (process start to wWinMain under wine: %lld ms, "
                            "less %lld ms of the bench's own set-up)\n",
                            MsSince(clientStart), processToClient, MsSince(mainStart) - MsSince(clientStart));
                std::printf("working set with the login dialog shown: %.1f MB\n", WorkingSetMb(false));
                signInStart = Clock::now();
                WorkProfile::Get().Start();
                app.Login().OnSignIn();
            });
        };
        if (!app.SignIn() || !client.MakeWindows() || !app.Start()) {
            std::printf("sign-in failed\n");
            status = 1;
        } else {
            win32::MainDialog& window = client.Window().Dialog();
            bool filled = PumpUntil(
                [&] { return window.projectCombo.GetCount() == 4 && window.statusBar.PaneText(0) != u"用户名："; },
                30000);
            std::printf("sign-in to main window filled: %lld ms%s\n", MsSince(signInStart),
                        filled ? "" : " (not filled)");
            WorkProfile::Get().Stop();
            WorkProfile::Get().Print("during sign-in (tasks; the login dialog's own loop is not timed)");

            // 100 numbers, polled every 100 ms.
            StallMeter stalls;
            stalls.Start();
            WorkProfile::Get().Start();
            unsigned long long callsBefore = win32::SentCallCount();
            Clock::time_point pollStart = Clock::now();
            // The first project, as a user picks it in the box (entry 0 is the count line).
            window.projectCombo.SetCurSel(1);
            app.Main().OnProjectChosen(1);
            window.countBox.SetWindowText(u"100");
            app.Main().OnCommand(kIdGetNumbers);
            auto codes = [&] {
                int count = 0;
                for (const std::u16string& code : window.numberList.GetColumnTexts(3))
                    count += code.size() == 6 &&
                             std::all_of(code.begin(), code.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
                return count;
            };
            bool arrived = PumpUntil([&] { return codes() == 100; }, 120000);
            unsigned long long calls = win32::SentCallCount() - callsBefore;
            long long pollMs = MsSince(pollStart);
            stalls.Stop();
            // The last pings are taken before the figure is read.
            PumpUntil([] { return false; }, 100);
            WorkProfile::Get().Stop();
            std::printf("GUI thread's longest stall while 100 pollers report: %lld ms (%d rows, %d codes)%s\n",
                        stalls.Longest(), window.numberList.GetItemCount(), codes(),
                        arrived ? "" : " (not all arrived)");

            std::printf("port calls sent by workers meanwhile: %llu in %lld ms (%.2f per poller per second)\n", calls,
                        pollMs,
                        pollMs > 0 ? static_cast<double>(calls) * 1000.0 / 100.0 / static_cast<double>(pollMs) : 0.0);
            WorkProfile::Get().Print("while 100 pollers report");
            std::printf("peak working set with 100 numbers: %.1f MB\n", WorkingSetMb(true));
            app.Main().ForceShutdown();
            app.Main().WaitForCloseNotice(desktop::AppPresenter::kForcedShutdownMs);
        }
        client.End();
    }
    win32::StopGuiThread();
    CoUninitialize();
    return status;
}
