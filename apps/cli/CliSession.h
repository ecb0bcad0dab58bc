#pragma once
// The terminal client's session: the client session over one set of in-memory controls, with the
// tips, message boxes and sign-in messages printed on stderr as they arrive. It uses the settings
// store of the windowed client but leaves the desktop auto-run entry alone (only "set
// StartupConfig_AutoRun" changes it). While it lives, Ctrl-C stops the sign-in and the project,
// account and SMS jobs its command may be waiting for, a request whose reply is still arriving
// included. Quiet, it prints no tips and no messages (for scripts that
// read only the command's results); a failure is still told by the command.

#include "Interrupts.h"
#include "app/ClientSession.h"
#include "headless/HeadlessControls.h"

#include <chrono>
#include <mutex>
#include <string>

namespace kh::cli {

// How long a start-up step (project list, account figures) may keep retrying before the client
// gives up; the managers themselves retry without limit.
inline constexpr std::chrono::seconds kStepDeadline{60};

struct CliOptions
{
    // The clipboard the copy commands and the automatic copy use; null for one in memory.
    ClipboardPort* clipboard = nullptr;
    bool quiet = false;
};

class CliSession final
{
public:
    explicit CliSession(CliOptions options = {});
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;

    // Settings from the store, as the main window loads them before the login dialog.
    void Load();

    // Loads the settings, signs in, starts the command worker and adds the tray icon. False with the
    // exit status in status (the reason already printed) when that fails.
    bool Open(int& status);

    // Runs the project fetch of the start-up and waits for it; false when it did not succeed within
    // the step's deadline, met a damaged list or was interrupted.
    bool FetchProjects();

    // The shutdown command with its question answered OK: settles the numbers, saves the settings
    // and the tip log, and ends the command worker. Nothing when the worker does not run.
    void Close();

    // The text of the number manager's latest tip, the reason when a number request fails.
    std::string LastNumberTip();

    HeadlessControls& Controls() { return controls; }
    ClientSession& Session() { return session; }

private:
    void OnTip(const char* marker, const std::string& message, const std::string& error);
    bool SignIn(std::string& failure);

    // Declared before the session, whose tips they keep.
    std::mutex tipMutex;
    std::string lastLoginTip;
    std::string lastNumberTip;
    HeadlessControls controls;
    // Its destructor ends every worker before the controls they print through are gone.
    ClientSession session;
    // Ends first, so no interrupt reaches a session being destroyed.
    InterruptScope interruptScope;
};

} // namespace kh::cli
