// The Win32 views of the desktop presenters, under wine, where they carry logic of their own: the
// resources' command ids turned into the presenter's, the nested message loop of the main window
// (ended by its quit or by its deadline), the settings centre's fields and modes as the
// presenter names them, and its tab as the page the presenter checks and stores. The whole road through them is
// WindowEndToEnd (tests/ui/win32/e2e).

#include "Win32TestSupport.h"
#include "core/ports/ToolBarPort.h"
#include "desktop/MainPresenter.h"
#include "desktop/SettingsPresenter.h"
#include "settings/ConfigCenter.h"
#include "ui/win32/GuiThread.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/ResourceIds.h"
#include "ui/win32/SettingsWindow.h"

#include <chrono>
#include <gtest/gtest.h>
#include <string>

namespace kh {
namespace {

using ViewsTest = test::GuiThreadTest;

TEST(MainWindowCommands, ResourceIdsBecomeThePresentersIds)
{
    // The list menu's export and the tray menu's two items have other ids in the resources than in
    // the presenter; the toolbar's and the other menu items' are the same.
    const struct
    {
        int resourceId;
        int presenterId;
    } cases[] = {
        {ID_EXPORT_LIST, desktop::kIdExportList},
        {ID_TRAY_SHOW_HIDE, desktop::kIdTrayShowHide},
        {ID_TRAY_EXIT, desktop::kIdTrayExit},
        {ID_GET_NUMBERS, kIdGetNumbers},
        {ID_PROJECT_LINK, kIdProjectLink},
        {ID_COPY_CODE, kIdCopyCode},
        {ID_BLACKLIST_NUMBER, kIdBlacklistNumber},
        {IDC_SEARCH_BUTTON, 0},
        {IDOK, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(win32::MainWindow::PresenterCommand(c.resourceId), c.presenterId) << c.resourceId;
}

TEST_F(ViewsTest, NestedLoopEndsAtItsQuitOrAtItsDeadline)
{
    win32::MainWindow window;
    ASSERT_TRUE(window.Create());

    // Quit from a task the loop itself runs: it returns long before its deadline.
    auto start = std::chrono::steady_clock::now();
    win32::PostToGuiThread([&] { window.QuitLoop(); });
    window.RunLoop(20000);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));

    // An inner loop's quit ends the inner loop only; the outer one then runs to its deadline.
    bool innerEnded = false;
    win32::PostToGuiThread([&] {
        win32::PostToGuiThread([&] { window.QuitLoop(); });
        window.RunLoop(20000);
        innerEnded = true;
    });
    start = std::chrono::steady_clock::now();
    window.RunLoop(300);
    EXPECT_TRUE(innerEnded);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(290));
}

TEST_F(ViewsTest, SettingsFieldsAndModesAreTheCentresOwn)
{
    win32::SettingsWindow view;
    ASSERT_TRUE(view.Create(nullptr));
    win32::SettingsCentre& centre = view.Dialog();
    const struct
    {
        desktop::SettingsField field;
        const win32::Dialog& page;
        int id;
    } fields[] = {
        {desktop::SettingsField::Interval, centre.smsPage, IDC_SMS_INTERVAL},
        {desktop::SettingsField::Timeout, centre.smsPage, IDC_SMS_TIMEOUT},
        {desktop::SettingsField::BetweenHead, centre.rulePage, IDC_BETWEEN_HEAD},
        {desktop::SettingsField::BetweenTail, centre.rulePage, IDC_BETWEEN_TAIL},
        {desktop::SettingsField::AfterKeyword, centre.rulePage, IDC_AFTER_KEYWORD},
        {desktop::SettingsField::AfterCount, centre.rulePage, IDC_AFTER_COUNT},
        {desktop::SettingsField::BeforeKeyword, centre.rulePage, IDC_BEFORE_KEYWORD},
        {desktop::SettingsField::BeforeCount, centre.rulePage, IDC_BEFORE_COUNT},
    };
    int n = 0;
    for (const auto& f : fields) {
        std::u16string text = u"值" + std::u16string(1, static_cast<char16_t>(u'0' + n++));
        view.SetFieldText(f.field, text);
        wchar_t shown[64] = {};
        GetDlgItemTextW(f.page.Handle(), f.id, shown, 64);
        EXPECT_EQ(win32::FromWide(shown, wcslen(shown)), text) << f.id;
        EXPECT_EQ(view.FieldText(f.field), text) << f.id;
    }

    // One mode checked at a time, in the presenter's order: smart, between, after, before.
    const int modeIds[] = {IDC_MODE_SMART, IDC_MODE_BETWEEN, IDC_MODE_AFTER, IDC_MODE_BEFORE};
    for (int mode = 0; mode < 4; ++mode) {
        view.SetMode(mode);
        for (int other = 0; other < 4; ++other)
            EXPECT_EQ(IsDlgButtonChecked(centre.rulePage.Handle(), modeIds[other]) == BST_CHECKED, other == mode)
                << mode << " " << other;
    }
    view.EnableModeFields(3, false);
    EXPECT_FALSE(IsWindowEnabled(centre.beforeKeywordBox.Handle()));
    view.EnableModeFields(3, true);
    EXPECT_TRUE(IsWindowEnabled(centre.beforeKeywordBox.Handle()));

    // The help text's lines are lines of the box: the edit control needs CR LF.
    view.SetHelpText(u"第一行\n第二行");
    EXPECT_EQ(SendMessageW(centre.helpBox.Handle(), EM_GETLINECOUNT, 0, 0), 2);

    view.SetOptionChecked(desktop::SettingsOption::AutoCopyCode, true);
    EXPECT_TRUE(view.IsOptionChecked(desktop::SettingsOption::AutoCopyCode));
    EXPECT_FALSE(view.IsOptionChecked(desktop::SettingsOption::NotifyOnCode));
}

// OK stores only the page in front of the user (or one they changed): a stored 1 s interval,
// which the SMS page shows raised to its 5 s least, stays stored when OK is pressed on the rule
// page, and becomes 5 s when it is pressed on the SMS page.
TEST_F(ViewsTest, SettingsOkStoresThePageOnTheTab)
{
    win32::SettingsWindow view;
    ASSERT_TRUE(view.Create(nullptr));
    ConfigCenter config{nullptr, nullptr, nullptr};
    config.ResetToDefaults();
    desktop::SettingsPresenter presenter{view, config};
    const struct
    {
        int page;
        uint32_t stored;
    } cases[] = {{SettingsCentrePort::kExtractRulePage, 1000}, {SettingsCentrePort::kGetSmsPage, 5000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.page);
        config.Update([](SettingsValues& values) { values.spaceTime = 1000; });
        view.Show();
        EXPECT_EQ(view.FieldText(desktop::SettingsField::Interval), u"5");
        view.SelectPage(c.page);
        EXPECT_EQ(view.CurrentPage(), c.page);
        presenter.OnOk();
        EXPECT_EQ(config.Snapshot().spaceTime, c.stored);
        EXPECT_FALSE(IsWindowVisible(view.Dialog().Handle()));
    }
}

} // namespace
} // namespace kh
