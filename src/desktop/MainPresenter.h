#pragma once
// What the main window does, for every toolkit. Its handlers never do work: they turn the user's
// actions into commands of the session's queue (the command each toolbar button and menu item
// pushes, the project box's choice past its count line, search, a column header's sort, the tray
// icon's click), store the check box clicked in its own setting (checking automatic fetching or
// extraction also queues its command), pause the tips box's auto-scroll on a press inside it and
// resume it on a press elsewhere, and hide the minimised window to the notification area. The
// close box and Escape queue the shutdown command, which asks first; only its close notice ends
// the window. The list's export asks the view for a file and runs in the background.
//
// Order of use: construct over the view and the session built with the view's controls, then
// ShowSettings once the session has loaded the settings; after the sign-in the session is started
// and the window shown; Detach before the session's workers are stopped. GUI thread throughout
// (thread rule in desktop/AppPresenter.h).

#include "desktop/MainView.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace kh {
class ClientSession;
class UiExecutor;
} // namespace kh

namespace kh::desktop {

// Command ids of the window's own menus, beside the toolbar's and the number list menu's
// (core/ports/ToolBarPort.h).
enum WindowCommandId : int
{
    kIdExportList = 32783,
    kIdTrayShowHide = 32784,
    kIdTrayExit = 32785,
};

// One entry of a menu or one toolbar button: its command id and text; in a menu a command id of 0
// is a separator.
struct MenuItem
{
    int commandId;
    const char16_t* text;
};

class MainPresenter final
{
public:
    // How long closing waits for an export in progress to finish.
    static constexpr int kExportFinishMs = 10000;

    MainPresenter(MainView& view, ClientSession& session);
    ~MainPresenter();
    MainPresenter(const MainPresenter&) = delete;
    MainPresenter& operator=(const MainPresenter&) = delete;

    // The window's caption for a web site "host" or "host:port".
    static std::u16string Caption(const std::string& webSite);
    // The toolbar's buttons, left to right (a toolkit gives each its icon); the number list's
    // context menu and the tray icon's menu, top down.
    static const std::vector<MenuItem>& ToolBar();
    static const std::vector<MenuItem>& ListMenu();
    static const std::vector<MenuItem>& TrayMenu();
    // The file name the export offers: 号码列表-<local time yyyymmdd-hhmmss>.csv.
    static std::u16string ExportFileName();

    // Pushes the settings into the controls: the three check boxes, the number count, the search
    // box and the caption.
    void ShowSettings();
    void ShowWindow();

    // Serves the application's event loop until the close notice (or until the system ends the
    // application, when the window is still open on return).
    void RunUntilClosed();
    // Serves the GUI thread until the close notice, at most milliseconds; true once it came.
    bool WaitForCloseNotice(int milliseconds);
    // Logging out of the desktop or a stop request: the shutdown runs without asking.
    void ForceShutdown();
    bool IsClosed() const { return closed; }
    // Ends the session's use of the window: an export in progress is let finish first (at most
    // kExportFinishMs), then the view ends its port calls and the handlers push nothing more.
    // Before the session's workers are stopped.
    void Detach();

    // The view's reports.
    void OnCommand(int commandId);
    // The project box's entry index: entry 0 is the count line, not a project.
    void OnProjectChosen(int index);
    void OnSearch();
    void OnCheckBoxClicked(MainCheckBox box, bool checked);
    void OnHeaderClicked(int column);
    void OnTrayClicked();
    // True when the window may close now (after the close notice); otherwise the shutdown command
    // is queued and the window stays.
    bool OnCloseRequested();
    void OnEscape();
    void OnMinimised();
    void OnMousePress(bool insideTips);
    void OnCloseNotice();

private:
    void Push(int32_t code, int32_t argument = 0);
    void ExportList();
    void OnExportFinished();

    MainView& view;
    ClientSession& session;
    UiExecutor* executor;
    bool closed = false;
    bool detached = false;
    bool inMainLoop = false;
    bool waitingForClose = false;
    bool waitingForExports = false;
    // Exports started and not yet reported finished on the GUI thread.
    std::atomic<int> exportsRunning{0};
};

} // namespace kh::desktop
