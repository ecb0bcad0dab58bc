#include "platform/Terminal.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <termios.h>
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
