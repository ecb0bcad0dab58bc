#include "headless/HeadlessMainWindow.h"

#include "headless/HeadlessJournal.h"

namespace kh {

void HeadlessMainWindow::Show()
{
    visible = true;
    Note(journal, "window.show");
}

void HeadlessMainWindow::Hide()
{
    visible = false;
    Note(journal, "window.hide");
}

void HeadlessMainWindow::SwitchTo()
{
    ++switches;
    Note(journal, "window.switch");
}

void HeadlessMainWindow::SetTopMost(bool on)
{
    topMost = on;
    Note(journal, on ? "window.topmost" : "window.notopmost");
}

void HeadlessMainWindow::PostClose()
{
    Note(journal, "window.close");
    closeEvent.Set();
    std::lock_guard<std::mutex> guard(listenerMutex);
    if (closeListener)
        closeListener();
}

void HeadlessMainWindow::SetCloseListener(std::function<void()> listener)
{
    std::lock_guard<std::mutex> guard(listenerMutex);
    closeListener = std::move(listener);
}

} // namespace kh
