#pragma once
// XDG autostart entries: the Linux form of the values under the auto-run key. The value "Name"
// is the file $XDG_CONFIG_HOME/autostart/Name.desktop, and its text is the program that the
// entry's Exec line starts. SettingsStore routes the auto-run key's values here.

#include <string>

namespace kh {

std::string AutostartDirectory();

// Result codes as SettingsStore's. ReadAutostartEntry and DeleteAutostartEntry give
// kStoreNotFound when there is no entry; a name that cannot be a file name is kStoreInvalidParameter.
long WriteAutostartEntry(const std::u16string& name, const std::u16string& program);
long ReadAutostartEntry(const std::u16string& name, std::u16string& program);
long DeleteAutostartEntry(const std::u16string& name);

// The full path of the running executable, the program an auto-run entry starts. False with the
// system's error number when it cannot be found.
bool RunningExecutablePath(std::string& path, int& error);

// The Exec value that starts program with no arguments (quoted and escaped as desktop entries
// require), and the program named by an Exec value's first argument.
std::string ExecLineForProgram(const std::string& program);
std::string ProgramFromExecLine(const std::string& exec);

} // namespace kh
