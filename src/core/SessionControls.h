#pragma once
// What differs between the front ends of the client: the controls of the main window and the login
// dialog, the executor of the thread that owns them, and where the tips of the sign-in and of the
// settings record go before the tips box shows anything. The Qt window fills one with its widgets'
// ports, the terminal client and the tests with the in-memory controls (HeadlessControls); the
// client session (app/ClientSession) wires everything else from it.

#include "base/Tip.h"

namespace kh {

class ListViewPort;
class ComboBoxPort;
class TextBoxPort;
class CheckBoxPort;
class ToolBarPort;
class StatusBarPort;
class MainWindowPort;
class MessageBoxPort;
class ShellPort;
class ClipboardPort;
class NotifierPort;
class TrayIconPort;
class TipsViewPort;
class SettingsCentrePort;
class LoginDialogPort;
class UiExecutor;

// Every pointer may be null; a manager that needs a missing control reports its tip for that case.
struct SessionControls
{
    TextBoxPort* remarkBox = nullptr;        // 1001, project price and remark
    ComboBoxPort* projectCombo = nullptr;    // 1008
    TextBoxPort* searchBox = nullptr;        // 1009
    ComboBoxPort* provinceCombo = nullptr;   // 1011
    ComboBoxPort* carrierCombo = nullptr;    // 1012
    TextBoxPort* countBox = nullptr;         // 1013
    ListViewPort* numberListView = nullptr;  // 1014
    CheckBoxPort* autoGetSmsBox = nullptr;   // 1015
    CheckBoxPort* autoExtractBox = nullptr;  // 1016
    CheckBoxPort* listAutoSortBox = nullptr; // 1040
    ToolBarPort* toolBar = nullptr;
    StatusBarPort* statusBar = nullptr;
    TipsViewPort* tipsView = nullptr;
    MainWindowPort* window = nullptr;
    MessageBoxPort* messageBox = nullptr;
    ShellPort* shell = nullptr;
    ClipboardPort* clipboard = nullptr;
    NotifierPort* notifier = nullptr;
    TrayIconPort* trayIcon = nullptr;
    SettingsCentrePort* settingsCentre = nullptr;
    LoginDialogPort* loginDialog = nullptr;

    // The thread that owns the windows; null runs view work inline on the calling thread.
    UiExecutor* executor = nullptr;
    // Sign-in tips go to the login dialog's tips line; null sends them to the tips box.
    TipCallback loginTip = nullptr;
    void* loginTipContext = nullptr;
    // Tips of the settings record (loading happens before the tips box shows anything); null
    // sends them to the tips box.
    TipCallback settingsTip = nullptr;
    void* settingsTipContext = nullptr;
};

} // namespace kh
