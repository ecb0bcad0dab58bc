#pragma once
// One set of in-memory controls for the whole main window and the login dialog, with the values a
// freshly opened window shows: the count box reads "1", code extraction and the list's automatic
// sort are checked, and message boxes answer Cancel unless told otherwise. Controls() hands them to
// the client session. The terminal client and the tests use it; the window, the message box and
// the tray icon write into one shared journal, so a test can see the order of what they did.

#include "core/SessionControls.h"
#include "headless/HeadlessCheckBox.h"
#include "headless/HeadlessClipboard.h"
#include "headless/HeadlessComboBox.h"
#include "headless/HeadlessJournal.h"
#include "headless/HeadlessListView.h"
#include "headless/HeadlessLoginDialog.h"
#include "headless/HeadlessMainWindow.h"
#include "headless/HeadlessMessageBox.h"
#include "headless/HeadlessNotifier.h"
#include "headless/HeadlessSettingsCentre.h"
#include "headless/HeadlessShell.h"
#include "headless/HeadlessStatusBar.h"
#include "headless/HeadlessTextBox.h"
#include "headless/HeadlessTipsView.h"
#include "headless/HeadlessToolBar.h"
#include "headless/HeadlessTrayIcon.h"

namespace kh {

class HeadlessControls final
{
public:
    // messageBoxAnswer: what message boxes answer when no answer is queued.
    explicit HeadlessControls(int messageBoxAnswer = kIdCancel);
    HeadlessControls(const HeadlessControls&) = delete;
    HeadlessControls& operator=(const HeadlessControls&) = delete;

    // Every control below, no executor (view work runs on the calling thread) and no separate
    // targets for the sign-in and settings tips.
    SessionControls Controls();

    HeadlessJournal journal;
    HeadlessTextBox remarkBox;
    HeadlessComboBox projectCombo;
    HeadlessTextBox searchBox;
    HeadlessComboBox provinceCombo;
    HeadlessComboBox carrierCombo;
    HeadlessTextBox countBox{u"1"};
    HeadlessListView listView;
    HeadlessCheckBox autoGetSmsBox;
    HeadlessCheckBox autoExtractBox{true};
    HeadlessCheckBox listAutoSortBox{true};
    HeadlessToolBar toolBar;
    HeadlessStatusBar statusBar;
    HeadlessTipsView tipsView;
    HeadlessMainWindow window{&journal};
    HeadlessMessageBox messageBox;
    HeadlessShell shell;
    HeadlessClipboard clipboard;
    HeadlessNotifier notifier;
    HeadlessTrayIcon trayIcon{&journal};
    HeadlessSettingsCentre settingsCentre;
    HeadlessLoginDialog loginDialog;
};

} // namespace kh
