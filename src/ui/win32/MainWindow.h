#pragma once
// The main window as the main presenter's view (desktop/MainView.h): the dialog resource
// (MainDialog), made hidden at start-up with its toolbar and status bar, whose controls are the
// session's ports. What the user does goes to the presenter: the toolbar's and the list menu's
// commands, the project chosen, the search button, the three check boxes, a header click, the tray
// icon's click and menu, the close box (also Alt+F4 and Escape), being minimised, each mouse press
// (inside the tips box or not) and the close notice. The resource's menu ids are turned into the
// presenter's command ids here. A click on a code's balloon brings the window back to the front, as
// a click on the Linux notification does.
//
// It also runs the GUI thread's message loops: the application's (until QuitMainLoop, or WM_QUIT)
// and nested ones (RunLoop), each passing keyboard messages of the window and of the dialogs added
// with AddDialog through IsDialogMessageW. Decides nothing itself; GUI thread throughout.

#include "core/SessionControls.h"
#include "desktop/MainView.h"
#include "ui/win32/MainDialog.h"

#include <functional>
#include <string>
#include <vector>

namespace kh::win32 {

class MainWindow final : public desktop::MainView
{
public:
    MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Makes the window, hidden, with its toolbar and status bar, and the caption set so far. False
    // when it could not be made. Until then the ports do nothing and the presenter's calls only
    // keep the caption.
    bool Create();
    // A modeless dialog whose keyboard the loops handle too (the settings centre).
    void AddDialog(HWND dialog);

    // Every control of the window as a port, and the GUI thread's executor.
    SessionControls Controls() { return dialog.Controls(); }
    MainDialog& Dialog() { return dialog; }

    // How "导出列表..." asks for the file (a full path offered; empty: no export). Tests answer in
    // advance; by default the common save dialog.
    using FileChooser = std::function<std::u16string(const std::u16string& suggested)>;
    void SetExportFileChooser(FileChooser chooser) { exportFileChooser = std::move(chooser); }

    // The presenter's command id of a command of the window's resources (the toolbar's, the list
    // menu's, the tray menu's); 0 for an id that is none of them.
    static int PresenterCommand(int resourceId);

    // MainView.
    void SetPresenter(desktop::MainPresenter* presenter) override;
    void SetCaption(const std::u16string& caption) override;
    void ShowWindow() override;
    void CloseWindow() override;
    bool CanRestoreFromTray() override;
    void HideWindow() override;
    std::u16string ChooseExportFile(const std::u16string& suggestedName) override;
    void AnswerShutdownWithoutAsking() override;
    void RunMainLoop() override;
    void QuitMainLoop() override;
    void RunLoop(int timeoutMs) override;
    void QuitLoop() override;
    void EndPortCalls() override;

    // Called with the window's messages before the window handles them (the desktop session's
    // end); true when handled, with result as the message's result.
    std::function<bool(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)> onSystemMessage;

private:
    void Connect();
    // Hands one message to the dialogs' keyboard handling or to its window.
    void Dispatch(MSG& message);

    desktop::MainPresenter* presenter = nullptr;
    MainDialog dialog;
    std::vector<HWND> dialogs;
    bool quitMain = false;
    // The quit flags of the nested loops, innermost last.
    std::vector<bool*> loops;
    bool portsEnded = false;
    std::u16string caption;
    FileChooser exportFileChooser;
};

} // namespace kh::win32
