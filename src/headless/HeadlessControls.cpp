#include "headless/HeadlessControls.h"

namespace kh {

HeadlessControls::HeadlessControls(int messageBoxAnswer) : messageBox(messageBoxAnswer, &journal) {}

SessionControls HeadlessControls::Controls()
{
    SessionControls controls;
    controls.remarkBox = &remarkBox;
    controls.projectCombo = &projectCombo;
    controls.searchBox = &searchBox;
    controls.provinceCombo = &provinceCombo;
    controls.carrierCombo = &carrierCombo;
    controls.countBox = &countBox;
    controls.numberListView = &listView;
    controls.autoGetSmsBox = &autoGetSmsBox;
    controls.autoExtractBox = &autoExtractBox;
    controls.listAutoSortBox = &listAutoSortBox;
    controls.toolBar = &toolBar;
    controls.statusBar = &statusBar;
    controls.tipsView = &tipsView;
    controls.window = &window;
    controls.messageBox = &messageBox;
    controls.shell = &shell;
    controls.clipboard = &clipboard;
    controls.notifier = &notifier;
    controls.trayIcon = &trayIcon;
    controls.settingsCentre = &settingsCentre;
    controls.loginDialog = &loginDialog;
    return controls;
}

} // namespace kh
