#pragma once
// The desktop-entry side of the Linux auto-run entries (posix/Autostart.cpp): where they live and
// how the Exec line holds the program. The settings tests check the entries through it.

#include <string>

namespace kh {

// $XDG_CONFIG_HOME/autostart; empty when no configuration home is known.
std::string AutostartDirectory();

// The Exec value that starts program with no arguments (quoted and escaped as desktop entries
// require), and the program named by an Exec value's first argument.
std::string ExecLineForProgram(const std::string& program);
std::string ProgramFromExecLine(const std::string& exec);

} // namespace kh
