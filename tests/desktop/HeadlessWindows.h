#pragma once
// The in-memory toolkit of the presenter tests: the test's own thread stands for the GUI thread
// and runs the HeadlessEventLoop; the main window's in-memory controls and the three in-memory
// views are wired as the windowed client wires its own (the loop is the UI executor, the settings
// view the settings-centre port, the message box stops asking at a forced shutdown).

#include "core/SessionControls.h"
#include "headless/HeadlessControls.h"
#include "headless/HeadlessEventLoop.h"
#include "headless/HeadlessLoginView.h"
#include "headless/HeadlessMainView.h"
#include "headless/HeadlessSettingsView.h"

namespace kh::test {

struct HeadlessWindows
{
    SessionControls Controls()
    {
        SessionControls plugged = controls.Controls();
        plugged.executor = &loop;
        plugged.settingsCentre = &settingsView;
        return plugged;
    }

    HeadlessEventLoop loop;
    HeadlessControls controls;
    HeadlessMainView mainView{loop, controls.window, &controls.messageBox};
    HeadlessLoginView loginView{loop};
    HeadlessSettingsView settingsView{loop};
};

} // namespace kh::test
