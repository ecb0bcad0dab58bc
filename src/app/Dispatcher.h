#pragma once
// The command dispatcher: carries out one command of the command queue on the queue's worker
// thread, by calling into the managers and the controls of the owner window, and runs the
// shutdown sequence. The client session hands it to CommandQueue::Start.

#include "core/CommandQueue.h"

namespace kh {

struct OwnerWindow;

// Command codes, as the main window's handlers and its start-up queue them.
enum CommandCode : int32_t
{
    kCmdAddTrayIcon = 1,
    kCmdShutdown = 2,
    kCmdTrayNotify = 3,
    kCmdFetchProjects = 4,
    kCmdShowProjectInfo = 5,
    kCmdSearchProjects = 6,
    kCmdSetupChoices = 7,
    kCmdSetupList = 8,
    kCmdGetNumbers = 9,
    kCmdToggleSmsFetch = 10,
    kCmdAutoGetSmsChecked = 11,
    kCmdExtractRule = 12,
    kCmdAutoExtractChecked = 13,
    kCmdSortColumn = 14,
    kCmdRefreshUserInfo = 15,
    kCmdCopyNumber = 16,
    kCmdCopySms = 17,
    kCmdCopyCode = 18,
    kCmdBlacklistSelected = 19,
    kCmdSettingsCentre = 20,
    kCmdProjectManagement = 21,
    kCmdRecharge = 22,
    kCmdToggleWindowTop = 23,
    kCmdApplyWindowTop = 24,
    kCmdVersionCheck = 25,
    kCmdProjectLink = 26,
    // The first and last code the dispatcher carries out.
    kCmdFirst = kCmdAddTrayIcon,
    kCmdLast = kCmdProjectLink,
};

// The mouse message of a tray notification that toggles the window (a left-button press).
inline constexpr int32_t kTrayLeftButtonDown = 0x201;

// The question the shutdown command asks (OK and Cancel, Cancel the default), and its caption.
inline constexpr const char16_t* kShutdownQuestion = u"确定要关闭软件吗？";
inline constexpr const char16_t* kShutdownCaption = u"关闭软件";

// The commands queued at start-up, in their order.
inline constexpr int32_t kStartupCommands[] = {kCmdAddTrayIcon,     kCmdFetchProjects,  kCmdSetupChoices, kCmdSetupList,
                                               kCmdRefreshUserInfo, kCmdApplyWindowTop, kCmdVersionCheck};

// Carries out record for owner; true only for a confirmed shutdown, which ends the worker.
// Codes outside kCmdFirst to kCmdLast are ignored.
bool DispatchCommand(OwnerWindow* owner, const Command& record);

// The dispatcher in the form CommandQueue::Start takes.
CommandQueue::Dispatcher MakeDispatcher(OwnerWindow* owner);

} // namespace kh
