#pragma once
// The terminal side of the command-line programs: reading a secret from standard input (on a
// terminal the typed characters are not echoed, so a password never appears on the screen nor,
// unlike a command-line argument, in the process list), the console's text and the program's
// arguments as UTF-8, binary standard output, and the user's requests to stop (Ctrl-C).

#include <functional>
#include <string>
#include <vector>

namespace kh {

// Reads one line from standard input into line, without its line end. On a terminal, echo is off
// while the line is typed and prompt is written to stderr first. False when standard input ended
// before anything was read.
bool ReadSecretLine(const std::string& prompt, std::string& line);

// Turns the terminal's echo back on if ReadSecretLine turned it off and has not finished yet: for a
// program that ends while the secret is being typed. Async-signal-safe.
void RestoreTerminalEcho();

// The console shows the program's UTF-8 output as UTF-8 (Windows: the console's code pages become
// UTF-8; Linux terminals are UTF-8 already).
void UseUtf8Console();

// Standard output passes bytes through unchanged (Windows: no LF to CR LF translation), for a
// program that prints data rather than lines of text.
void UseBinaryStdout();

// The program's arguments as UTF-8: argv itself on Linux; on Windows the wide command line, since
// argv there holds only what the ANSI code page can show.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// While it lives, every request to stop the program calls onStop on a thread that is not the one
// interrupted, where onStop may take locks and touch the program's objects: SIGINT and SIGTERM on
// Linux (blocked in every thread and taken by one waiting thread that the watch owns), Ctrl-C,
// Ctrl-Break and closing the console window on Windows (the system's handler thread). One, made by
// main before any other thread starts; the destructor stops watching and waits for its thread.
class StopRequestWatch final
{
public:
    explicit StopRequestWatch(std::function<void()> onStop);
    ~StopRequestWatch();
    StopRequestWatch(const StopRequestWatch&) = delete;
    StopRequestWatch& operator=(const StopRequestWatch&) = delete;
};

} // namespace kh
