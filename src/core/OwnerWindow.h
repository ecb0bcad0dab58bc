#pragma once
// The owner window as the managers see it: the main window's records, managers and controls.
// The Qt main window fills one in; tests and the terminal client fill one with the in-memory
// ports of src/headless. Managers reach each other and every control only through it, and every
// pointer may be null (a manager that needs a missing one reports its tip for that case).
// It is also the tip context of the managers' tip callback, ShowTip.

namespace kh {

class ConfigCenter;
class TipsBox;
class CommandQueue;
class LoginCtrl;
class ProjectManager;
class PhoneNumManager;
class NumberBatch;
class NumberJournal;
class LeftoverManager;
class SMSManager;
class PhoneSMSListCtrl;
class UserInfoManager;
class UpdateManager;

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

struct OwnerWindow
{
    // Records and managers, owned by the main window.
    ConfigCenter* config = nullptr;
    TipsBox* tipsBox = nullptr;
    CommandQueue* commands = nullptr;
    LoginCtrl* login = nullptr;
    ProjectManager* projects = nullptr;
    PhoneNumManager* numbers = nullptr;
    // The number manager's batch (&numbers->Batch()): SMS fetching and the number list use it.
    NumberBatch* batch = nullptr;
    // The journal of rented numbers and the job that settles what earlier runs left in it.
    NumberJournal* journal = nullptr;
    LeftoverManager* leftovers = nullptr;
    SMSManager* sms = nullptr;
    PhoneSMSListCtrl* numberList = nullptr;
    UserInfoManager* userInfo = nullptr;
    UpdateManager* updates = nullptr;

    // Controls of the main window, by their control identifiers.
    TextBoxPort* remarkBox = nullptr;        // 1001, project price and remark
    ComboBoxPort* projectCombo = nullptr;    // 1008
    TextBoxPort* searchBox = nullptr;        // 1009, search keyword
    ComboBoxPort* provinceCombo = nullptr;   // 1011
    ComboBoxPort* carrierCombo = nullptr;    // 1012
    TextBoxPort* countBox = nullptr;         // 1013, how many numbers
    ListViewPort* numberListView = nullptr;  // 1014
    CheckBoxPort* autoGetSmsBox = nullptr;   // 1015
    CheckBoxPort* autoExtractBox = nullptr;  // 1016
    CheckBoxPort* listAutoSortBox = nullptr; // 1040
    ToolBarPort* toolBar = nullptr;
    StatusBarPort* statusBar = nullptr;
    TipsViewPort* tipsView = nullptr;

    // The window itself and what it opens.
    MainWindowPort* window = nullptr;
    MessageBoxPort* messageBox = nullptr;
    ShellPort* shell = nullptr;
    ClipboardPort* clipboard = nullptr;
    NotifierPort* notifier = nullptr; // a notice for each extracted code
    TrayIconPort* trayIcon = nullptr;
    SettingsCentrePort* settingsCentre = nullptr;
};

} // namespace kh
