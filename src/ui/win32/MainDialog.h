#pragma once
// The main window (dialog resource 102) with every control of it as a port: the number list,
// the tips box, the project, province and carrier boxes, the search box, the project remark, the
// number count, the three SMS check boxes, the toolbar, the status bar, the tray icon with its
// balloons, message boxes, the shell, the clipboard and the GUI thread's executor. It is also the
// main-window port. The window decides nothing: what the user does arrives at the callback members
// (and at onCommand / onMessage of Dialog) for the code that owns the window.
//
// Use: construct; Create (modeless) or RunModal with onInit set; in onInit (or after Create)
// Controls() gives the ports to the session; CreateBars makes the toolbar and the status bar
// (after the sign-in). The owner's message loop must pass the main window's messages through
// IsDialogMessageW, and the settings centre's too.

#include "core/SessionControls.h"
#include "core/ports/MainWindowPort.h"
#include "ui/win32/Clipboard.h"
#include "ui/win32/Controls.h"
#include "ui/win32/Dialog.h"
#include "ui/win32/GuiExecutor.h"
#include "ui/win32/ListView.h"
#include "ui/win32/MessageBoxes.h"
#include "ui/win32/Shell.h"
#include "ui/win32/StatusBar.h"
#include "ui/win32/TipsEdit.h"
#include "ui/win32/ToolBar.h"
#include "ui/win32/TrayIcon.h"

#include <functional>

namespace kh::win32 {

class MainDialog final : public Dialog, public MainWindowPort
{
public:
    // The close box, Alt+F4 and Escape (the window stays; the owner decides).
    std::function<void()> onClose;
    // The close notice posted by PostClose has arrived.
    std::function<void()> onCloseNotice;
    // A left or right button press anywhere in the window, in the window's client coordinates,
    // before the control under the mouse sees it.
    std::function<void(POINT client)> onMousePress;
    // The window was minimised. Without this callback, minimising hides the window when the tray
    // icon can bring it back.
    std::function<void()> onMinimised;

    MainDialog();
    ~MainDialog() override;

    // Every control of the window as a port, and the executor. After the dialog exists.
    SessionControls Controls();
    // Creates the toolbar in the placeholder's place and the status bar. GUI thread.
    bool CreateBars();
    // Shows the number list's context menu (menu 138) at a screen point, owned by the window; the
    // chosen item arrives as a command.
    void ShowListMenu(POINT screen);

    // MainWindowPort; any thread.
    bool IsVisible() override;
    void Show() override;
    void Hide() override;
    void SwitchTo() override;
    void SetTopMost(bool topMost) override;
    void PostClose() override;

    ListView numberList;
    TipsEdit tipsBox;
    ComboBox projectCombo;
    Edit searchBox;
    Button searchButton;
    Edit projectInfo;
    Edit countBox;
    ComboBox provinceCombo;
    ComboBox carrierCombo;
    CheckBox autoGetSmsBox;
    CheckBox autoExtractBox;
    CheckBox listAutoSortBox;
    ToolBar toolBar;
    StatusBar statusBar;
    Tooltip tooltip;
    TrayIcon trayIcon;
    TrayNotifier notifier{trayIcon};
    MessageBoxes messageBoxes;
    Shell shell;
    Clipboard clipboard;
    GuiExecutor executor;

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    static LRESULT CALLBACK WatchMouse(int code, WPARAM wParam, LPARAM lParam);

    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    HHOOK mouseHook = nullptr;
};

// Loads icon resource id at size pixels (the nearest image of the .ico, scaled).
HICON LoadIconSized(int id, int size);

} // namespace kh::win32
