#include "platform/Terminal.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <pthread.h>
#include <signal.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace kh {

namespace {

// The terminal settings before echo was turned off; saved is true while they are to be put back.
termios savedSettings;
std::atomic<bool> saved{false};

} // namespace

void RestoreTerminalEcho()
{
    if (saved.exchange(false))
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedSettings);
}

bool ReadSecretLine(const std::string& prompt, std::string& line)
{
    line.clear();
    bool terminal = isatty(STDIN_FILENO) == 1;
    if (terminal && tcgetattr(STDIN_FILENO, &savedSettings) == 0) {
        termios quiet = savedSettings;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        saved = true;
        if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) != 0)
            saved = false;
    }
    if (terminal) {
        std::fputs(prompt.c_str(), stderr);
        std::fflush(stderr);
    }
    // Byte by byte from the descriptor, so nothing after the line is taken from standard input.
    bool any = false;
    for (;;) {
        char c;
        ssize_t got = read(STDIN_FILENO, &c, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        any = true;
        if (c == '\n')
            break;
        line += c;
    }
    RestoreTerminalEcho();
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return any;
}

} // namespace kh

namespace kh {

namespace {

std::atomic<bool> watchClosing{false};
std::function<void()> watchAction;
std::thread watchThread;

sigset_t StopSignals()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

void WaitForStopSignals()
{
    sigset_t signals = StopSignals();
    for (;;) {
        int received = 0;
        if (sigwait(&signals, &received) != 0)
            continue;
        if (watchClosing)
            return;
        watchAction();
    }
}

} // namespace

void UseUtf8Console() {}

void UseBinaryStdout() {}

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

StopRequestWatch::StopRequestWatch(std::function<void()> onStop)
{
    watchAction = std::move(onStop);
    watchClosing = false;
    sigset_t signals = StopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    watchThread = std::thread(&WaitForStopSignals);
}

StopRequestWatch::~StopRequestWatch()
{
    // The waiting thread is woken by a signal of its own and sees that it is to end.
    watchClosing = true;
    pthread_kill(watchThread.native_handle(), SIGTERM);
    watchThread.join();
    watchAction = nullptr;
}

} // namespace kh
