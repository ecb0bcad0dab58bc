#pragma once
// The main window's view in memory (desktop/MainView.h), for the presenters' tests: it records
// what the presenter drew (caption, shown, hidden, closed), answers the export's file choice as
// told, and runs its event loops on a HeadlessEventLoop. The close notice the shutdown command
// posts through the main-window port reaches the presenter as it does in a toolkit: posted to the
// GUI thread (the loop). Everything but the port's listener is used on the loop's thread.

#include "desktop/MainView.h"

#include <chrono>
#include <string>

namespace kh {

class HeadlessEventLoop;
class HeadlessMainWindow;
class HeadlessMessageBox;

class HeadlessMainView final : public desktop::MainView
{
public:
    // messageBox, when given, stops asking at a forced shutdown as the window's boxes do.
    HeadlessMainView(HeadlessEventLoop& loop, HeadlessMainWindow& window, HeadlessMessageBox* messageBox = nullptr);
    ~HeadlessMainView() override;
    HeadlessMainView(const HeadlessMainView&) = delete;
    HeadlessMainView& operator=(const HeadlessMainView&) = delete;

    void SetPresenter(desktop::MainPresenter* presenter) override { this->presenter = presenter; }
    void SetCaption(const std::u16string& text) override { caption = text; }
    void ShowWindow() override { shown = true; }
    void CloseWindow() override;
    bool CanRestoreFromTray() override { return trayShown; }
    void HideWindow() override { ++hides; }
    std::u16string ChooseExportFile(const std::u16string& suggestedName) override;
    void AnswerShutdownWithoutAsking() override;
    void RunMainLoop() override;
    void QuitMainLoop() override;
    void RunLoop(int timeoutMs) override;
    void QuitLoop() override;
    void EndPortCalls() override;

    desktop::MainPresenter* Presenter() const { return presenter; }

    // What the presenter did.
    std::u16string caption;
    bool shown = false;
    bool closed = false;
    int hides = 0;
    bool quietShutdown = false;
    bool portCallsEnded = false;
    std::u16string offeredExportName;
    // How the last nested loop ended: true by QuitLoop, false when its time ran out.
    bool lastLoopQuit = false;

    // What the user and the desktop answer.
    bool trayShown = true;
    std::u16string exportAnswer;
    // The main loop's safety net: a test that never closes the window fails instead of hanging.
    std::chrono::milliseconds mainLoopLimit{60000};

private:
    HeadlessEventLoop& loop;
    HeadlessMainWindow& window;
    HeadlessMessageBox* messageBox;
    desktop::MainPresenter* presenter = nullptr;
};

} // namespace kh
