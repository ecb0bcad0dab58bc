// The Win32 dialogs and the ports that answer for a whole window, under wine: message boxes
// answered by pressing their buttons as a user would (from the box's own modal loop), the shutdown
// question's rules, the login dialog's collapsed and expanded sizes and its posted success notice,
// the settings centre's pages, the main window port, and the clipboard. The top-most placement is
// not checked: under wine's X11 driver the flag did not stick on the dialog in this sequence.

#include "Win32TestSupport.h"
#include "base/Version.h"
#include "ui/win32/Clipboard.h"
#include "ui/win32/LoginDialog.h"
#include "ui/win32/MainDialog.h"
#include "ui/win32/MessageBoxes.h"
#include "ui/win32/ResourceIds.h"
#include "ui/win32/SettingsCentre.h"

#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace kh {
namespace {

using test::PumpUntil;

std::u16string ItemText(HWND dialog, int id)
{
    wchar_t buffer[512] = {};
    GetDlgItemTextW(dialog, id, buffer, 512);
    return std::u16string(reinterpret_cast<const char16_t*>(buffer));
}

// Presses a button of the innermost open box once one is open; runs as a timer of the GUI thread,
// so inside the box's own modal loop.
struct Answerer
{
    win32::MessageBoxes* boxes = nullptr;
    // The button to press, or 0 to do something else through onOpen.
    int button = IDOK;
    std::function<void(HWND box)> onOpen;
    std::vector<HWND> seen;
    std::u16string text;
    bool hadCancel = false;

    static Answerer*& Current()
    {
        static Answerer* current = nullptr;
        return current;
    }

    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        Answerer* self = Current();
        if (self == nullptr)
            return;
        std::vector<HWND> open = self->boxes->OpenBoxes();
        if (open.empty() || (!self->seen.empty() && self->seen.back() == open.back()))
            return;
        HWND box = open.back();
        self->seen.push_back(box);
        // The box's text is the static control 0xFFFF.
        self->text = ItemText(box, 0xFFFF);
        self->hadCancel = GetDlgItem(box, IDCANCEL) != nullptr;
        if (self->onOpen)
            self->onOpen(box);
        else
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(self->button, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, self->button)));
    }

    explicit Answerer(win32::MessageBoxes& boxes) : boxes(&boxes)
    {
        Current() = this;
        timer = SetTimer(nullptr, 0, 20, Tick);
    }
    ~Answerer()
    {
        KillTimer(nullptr, timer);
        Current() = nullptr;
    }

    UINT_PTR timer = 0;
};

using DialogsTest = test::GuiThreadTest;

TEST_F(DialogsTest, MessageBoxesGiveTheButtonPressed)
{
    win32::MessageBoxes boxes;
    struct Case
    {
        unsigned flags;
        int press;
        int answer;
        bool cancelButton;
    };
    const Case cases[] = {
        {kMbOkCancel | kMbIconQuestion | kMbDefButton2, IDOK, kIdOk, true},
        {kMbOkCancel | kMbIconQuestion | kMbDefButton2, IDCANCEL, kIdCancel, true},
        {kMbOk | kMbIconError, IDOK, kIdOk, false},
    };
    for (const Case& c : cases) {
        Answerer answerer(boxes);
        answerer.button = c.press;
        EXPECT_EQ(boxes.Show(u"更新内容：\r\n第一行", u"发现新版本", c.flags, false), c.answer);
        EXPECT_EQ(answerer.seen.size(), 1u);
        EXPECT_EQ(answerer.text, u"更新内容：\r\n第一行");
        EXPECT_EQ(answerer.hadCancel, c.cancelButton);
    }
}

TEST_F(DialogsTest, AWorkersQuestionIsAskedOnTheGuiThread)
{
    win32::MessageBoxes boxes;
    Answerer answerer(boxes);
    answerer.button = IDCANCEL;
    std::atomic<int> answer{0};
    std::thread worker([&] {
        answer = boxes.Show(win32::MessageBoxes::kShutdownQuestion, win32::MessageBoxes::kShutdownCaption,
                            kMbOkCancel | kMbIconQuestion | kMbDefButton2, true);
    });
    bool answered = PumpUntil([&] { return answer.load() != 0; });
    worker.join();
    ASSERT_TRUE(answered);
    EXPECT_EQ(answer.load(), kIdCancel);
    EXPECT_FALSE(boxes.ShutdownUnderway());
}

TEST_F(DialogsTest, AConfirmedShutdownAnswersEveryLaterQuestionWithoutAsking)
{
    win32::MessageBoxes boxes;
    {
        Answerer answerer(boxes);
        answerer.button = IDOK;
        EXPECT_EQ(boxes.Show(win32::MessageBoxes::kShutdownQuestion, win32::MessageBoxes::kShutdownCaption,
                             kMbOkCancel | kMbIconQuestion | kMbDefButton2, true),
                  kIdOk);
    }
    EXPECT_TRUE(boxes.ShutdownUnderway());
    Answerer watcher(boxes);
    EXPECT_EQ(boxes.Show(u"是否下载新版本？", u"发现新版本", kMbOkCancel, true), kIdCancel);
    EXPECT_EQ(boxes.Show(u"提示", u"提示", kMbOk, true), kIdOk);
    EXPECT_TRUE(watcher.seen.empty());
}

TEST_F(DialogsTest, AForcedShutdownAnswersTheOpenQuestionWithOk)
{
    win32::MessageBoxes boxes;
    Answerer answerer(boxes);
    answerer.onOpen = [&](HWND) { boxes.AnswerShutdownWithoutAsking(); };
    EXPECT_EQ(boxes.Show(win32::MessageBoxes::kShutdownQuestion, win32::MessageBoxes::kShutdownCaption,
                         kMbOkCancel | kMbIconQuestion | kMbDefButton2, true),
              kIdOk);
    EXPECT_EQ(answerer.seen.size(), 1u);
}

TEST_F(DialogsTest, LoginDialogShowsItsTipsStripOnlyWhenExpanded)
{
    win32::LoginDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_LOGIN, nullptr));
    RECT window;
    RECT tips;
    GetWindowRect(dialog.Handle(), &window);
    GetWindowRect(dialog.tipsLine.Handle(), &tips);
    EXPECT_TRUE(dialog.IsCollapsed());
    EXPECT_EQ(window.bottom, tips.top);

    bool succeeded = false;
    int closes = 0;
    dialog.onSucceeded = [&] { succeeded = true; };
    dialog.onClose = [&] { ++closes; };
    // A worker's tip and caption, as the sign-in controller sends them.
    std::atomic<bool> done{false};
    std::thread worker([&] {
        dialog.SetButtonCaption(u"正在登录");
        dialog.ShowTip(u"用户名或密码错误！");
        dialog.PostSuccessNotice();
        done = true;
    });
    bool finished = PumpUntil([&] { return done.load(); });
    worker.join();
    ASSERT_TRUE(finished);
    GetWindowRect(dialog.Handle(), &window);
    EXPECT_FALSE(dialog.IsCollapsed());
    EXPECT_GE(window.bottom, tips.bottom);
    EXPECT_EQ(dialog.tipsLine.Text(), u"用户名或密码错误！");
    EXPECT_EQ(dialog.signInButton.Text(), u"正在登录");

    // The posted notice, the close box and Escape reach the owner's callbacks (Escape: none).
    ASSERT_TRUE(PumpUntil([&] { return succeeded; }));
    SendMessageW(dialog.Handle(), WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(closes, 0);
    SendMessageW(dialog.Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(IsWindow(dialog.Handle()));
    dialog.Collapse();
    EXPECT_TRUE(dialog.IsCollapsed());
}

TEST_F(DialogsTest, SettingsCentreShowsOnePageAtATime)
{
    win32::SettingsCentre centre;
    ASSERT_TRUE(centre.CreateHidden(nullptr));
    EXPECT_FALSE(IsWindowVisible(centre.Handle()));
    EXPECT_TRUE(IsWindowVisible(centre.smsPage.Handle()) || !IsWindowVisible(centre.Handle()));
    auto pageShown = [&](const win32::Dialog& page) {
        return (GetWindowLongW(page.Handle(), GWL_STYLE) & WS_VISIBLE) != 0;
    };
    EXPECT_TRUE(pageShown(centre.smsPage));
    EXPECT_FALSE(pageShown(centre.rulePage));

    std::thread worker([&] {
        centre.SelectPage(SettingsCentrePort::kExtractRulePage);
        centre.Centre();
        centre.Show();
    });
    PumpUntil([&] { return IsWindowVisible(centre.Handle()) != 0; });
    worker.join();
    EXPECT_TRUE(IsWindowVisible(centre.Handle()));
    EXPECT_TRUE(pageShown(centre.rulePage));
    EXPECT_FALSE(pageShown(centre.smsPage));
    EXPECT_EQ(centre.tabs.Selected(), 1);

    // Only the chosen mode's fields can be used.
    centre.EnableMode(2);
    EXPECT_TRUE(IsWindowEnabled(centre.afterKeywordBox.Handle()));
    EXPECT_TRUE(IsWindowEnabled(centre.afterCountBox.Handle()));
    EXPECT_FALSE(IsWindowEnabled(centre.betweenHeadBox.Handle()));
    EXPECT_FALSE(IsWindowEnabled(centre.beforeCountBox.Handle()));
    int clicked = -1;
    centre.onModeClicked = [&](int mode) { clicked = mode; };
    SendMessageW(centre.modeButtons[3].Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicked, 3);

    // OK and Cancel only report; the owner hides the centre.
    int oks = 0;
    centre.onOk = [&] { ++oks; };
    SendMessageW(centre.Handle(), WM_COMMAND, IDOK, 0);
    EXPECT_EQ(oks, 1);
    EXPECT_TRUE(IsWindowVisible(centre.Handle()));
}

TEST_F(DialogsTest, MainWindowPortShowsHidesAndPostsItsClose)
{
    win32::MainDialog window;
    ASSERT_TRUE(window.Create(IDD_MAIN, nullptr));
    bool closeNotice = false;
    window.onCloseNotice = [&] { closeNotice = true; };
    std::atomic<bool> done{false};
    std::vector<bool> visible;
    std::thread worker([&] {
        window.Show();
        visible.push_back(window.IsVisible());
        window.Hide();
        visible.push_back(window.IsVisible());
        window.PostClose();
        done = true;
    });
    bool finished = PumpUntil([&] { return done.load(); });
    worker.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(visible, (std::vector<bool>{true, false}));
    EXPECT_TRUE(PumpUntil([&] { return closeNotice; }));
    int closes = 0;
    window.onClose = [&] { ++closes; };
    SendMessageW(window.Handle(), WM_CLOSE, 0, 0);
    SendMessageW(window.Handle(), WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(closes, 2);
}

TEST_F(DialogsTest, ClipboardTakesUnicodeTextAndRefusesWhileHeldElsewhere)
{
    win32::Clipboard clipboard;
    auto read = [] {
        std::u16string text;
        if (!OpenClipboard(nullptr))
            return std::u16string(u"<not opened>");
        HANDLE data = GetClipboardData(CF_UNICODETEXT);
        if (data != nullptr) {
            auto* chars = static_cast<const char16_t*>(GlobalLock(data));
            if (chars != nullptr)
                text = chars;
            GlobalUnlock(data);
        } else {
            text = u"<no text>";
        }
        CloseClipboard();
        return text;
    };
    for (const std::u16string& text :
         {std::u16string(u"168168"), std::u16string(u"【云购】验证码\U0001F600"), std::u16string()}) {
        ASSERT_TRUE(clipboard.Open());
        EXPECT_TRUE(clipboard.Empty());
        EXPECT_TRUE(clipboard.SetUnicodeText(text));
        EXPECT_TRUE(clipboard.Close());
        EXPECT_EQ(read(), text);
    }

    // Another holder (a thread standing for another program) keeps it open: the copy cannot start.
    HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        // Another program holds it with a window of its own.
        HWND own = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        OpenClipboard(own);
        SetEvent(opened);
        WaitForSingleObject(release, 10000);
        CloseClipboard();
        DestroyWindow(own);
    });
    ASSERT_EQ(WaitForSingleObject(opened, 10000), WAIT_OBJECT_0);
    EXPECT_FALSE(clipboard.Open());
    SetEvent(release);
    holder.join();
    EXPECT_EQ(read(), u"");
    EXPECT_TRUE(clipboard.Open());
    EXPECT_TRUE(clipboard.Close());
    CloseHandle(opened);
    CloseHandle(release);
}

} // namespace
} // namespace kh

namespace kh {
namespace {

// The program's version resource carries the one version of the build (project(VERSION)).
TEST(VersionResource, CarriesTheBuildsVersion)
{
    wchar_t path[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(path, &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), KH_VERSION_MAJOR);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), KH_VERSION_MINOR);
    wchar_t* text = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\080404b0\\ProductVersion",
                               reinterpret_cast<void**>(&text), &length));
    std::string version;
    for (const wchar_t* c = text; *c != L'\0'; ++c)
        version.push_back(static_cast<char>(*c));
    EXPECT_EQ(version, KH_VERSION);
}

} // namespace
} // namespace kh
