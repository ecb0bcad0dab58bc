#pragma once
// The main window as its presenter sees it, beside the controls the managers drive through the
// ports (SessionControls): the caption, showing the window and ending it, hiding it to the
// notification area, the export's file choice, the quiet answer to the shutdown question, the
// application's event loop and a nested one, and the end of the port calls. The view reports to
// MainPresenter: a command of the toolbar or of a menu (by command id), a project chosen in the
// project box (its index), the search button, a click on one of the three check boxes (with its
// new state), a click on a column header, a left click on the tray icon, the close box (and
// Alt+F4), Escape anywhere in the window, being minimised, each left or right mouse press in the
// window (inside the tips box or not), and the close notice the shutdown command posts
// (MainWindowPort::PostClose). It decides nothing itself (thread rule in desktop/AppPresenter.h).

#include <string>

namespace kh::desktop {

class MainPresenter;

// The check boxes of the SMS group, each storing one setting.
enum class MainCheckBox
{
    AutoGetSms,
    AutoExtractCode,
    ListAutoSort,
};

class MainView
{
public:
    virtual ~MainView() = default;

    // Where the reports go from now on; null: nowhere.
    virtual void SetPresenter(MainPresenter* presenter) = 0;

    virtual void SetCaption(const std::u16string& caption) = 0;
    virtual void ShowWindow() = 0;
    // The close notice was taken: the window leaves the screen for good.
    virtual void CloseWindow() = 0;
    // Whether the notification area shows the client's icon, through which a hidden window comes
    // back.
    virtual bool CanRestoreFromTray() = 0;
    // Hides the window (minimised to the notification area); a toolkit may do it once the current
    // event has been handled.
    virtual void HideWindow() = 0;

    // The file the number list is exported to: a save dialog offering suggestedName in the user's
    // documents folder. Empty when the user cancelled.
    virtual std::u16string ChooseExportFile(const std::u16string& suggestedName) = 0;

    // From now on the shutdown question is answered with OK without being shown (an open one too)
    // and every other question with Cancel: logging out of the desktop or a stop request.
    virtual void AnswerShutdownWithoutAsking() = 0;

    // The application's event loop: returns after QuitMainLoop, or when the system ends the
    // application (its desktop session ends).
    virtual void RunMainLoop() = 0;
    virtual void QuitMainLoop() = 0;
    // A nested event loop: serves the GUI thread until QuitLoop or until timeoutMs have passed.
    virtual void RunLoop(int timeoutMs) = 0;
    virtual void QuitLoop() = 0;

    // The session stops using the window: every port call returns at once from now on (those
    // waiting too), work posted to the GUI thread is dropped, and nothing more is reported.
    virtual void EndPortCalls() = 0;
};

} // namespace kh::desktop
