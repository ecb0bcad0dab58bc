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
}

} // namespace kh
