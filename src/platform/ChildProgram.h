#pragma once
// Running a helper program to its end: the terminal client hands each new code to the desktop's
// clipboard tool this way. The program gets the text on its standard input and nothing for its
// outputs (/dev/null, or none on Windows: a tool that stays in the background to serve the
// clipboard must not hold a pipe of ours open), the caller's environment, and default signal
// handling.

#include <cstdint>
#include <string>
#include <vector>

namespace kh {

// The full path of name found in a directory of $PATH (name itself when it holds a slash and can
// be run); empty when there is none. Windows: found by SearchPathW, ".exe" added when name has no
// extension.
std::string FindProgram(const std::string& name);

// The command that puts the text on its standard input on the desktop's clipboard: xclip for the
// X display's clipboard on Linux (it needs DISPLAY), clip.exe on Windows. Empty with the reason for
// the user in problem when there is none.
std::vector<std::string> ClipboardCommand(std::string& problem);

// Runs argv (argv[0] a path) with input (a short text: it is written whole before the wait, so it
// must fit a pipe's buffer unless the program reads it) on its standard input, then closed, and waits at most
// timeoutMs for it to end; one that takes longer is killed. Its exit status, or -1 with problem
// set when it could not be started, was killed or ended by a signal.
int RunProgramWithInput(const std::vector<std::string>& argv, const std::string& input, uint32_t timeoutMs,
                        std::string& problem);

} // namespace kh
