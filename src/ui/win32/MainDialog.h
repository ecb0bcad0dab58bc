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
//
// The window can be resized. The right-hand panel (project, numbers, SMS boxes) keeps its size and
// its distance from the right edge; the number list takes the width and most of the height the
// window gains or loses, the tips box the width and the rest of the height, and the toolbar's
// buttons spread across the new width. The smallest size keeps every control whole: the list as
// tall as the panel, the tips box two lines high, the toolbar's buttons side by side.

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
#include <vector>

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
    // The smallest client size the window can be resized to, in pixels.
    SIZE MinimumClientSize() const { return minimumClient; }
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

    // How a control follows the window's size.
    enum class Anchor
    {
        Panel,   // moves right with the window's right edge
        List,    // grows right and down
        Tips,    // moves down and grows right and down
        ToolBar, // grows right (the placeholder of the buttons)
    };
    struct Placed
    {
        HWND control;
        RECT start; // client coordinates, at the dialog's own size
        Anchor anchor;
    };
    // Notes where every control of the dialog resource starts and works out the smallest size.
    void RecordLayout();
    // Places the controls for a client area of width x height pixels.
    void LayOut(int width, int height);
    void UpdateMinimumSize();
    // The room below the tips box, in pixels.
    int BottomGap() const;

    std::vector<Placed> placed;
    SIZE startClient{};
    SIZE minimumClient{};
    // The list's and the tips box's heights at the dialog's own size, and the tips box's least.
    int tipsStartHeight = 0;
    int tipsMinimumHeight = 0;

    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    HHOOK mouseHook = nullptr;
};

// Loads icon resource id at size pixels (the nearest image of the .ico, scaled).
HICON LoadIconSized(int id, int size);

} // namespace kh::win32
