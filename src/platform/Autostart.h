#pragma once
// The entries that start programs when the user signs in: the values of the current user's Run
// key (kRunKeyPath), one per program, named by the program's entry name and holding its path.
// On Windows they are those registry values. On Linux each is an XDG autostart entry
// $XDG_CONFIG_HOME/autostart/Name.desktop whose Exec line starts the program (posix/DesktopEntry.h).
// SettingsStore routes the Run key's values here; ConfigCenter asks for the running program's path.

#include <string>

namespace kh {

// Result codes as SettingsStore's. ReadAutostartEntry and DeleteAutostartEntry give
// kStoreNotFound when there is no entry; a name that cannot name an entry is kStoreInvalidParameter.
long WriteAutostartEntry(const std::u16string& name, const std::u16string& program);
long ReadAutostartEntry(const std::u16string& name, std::u16string& program);
long DeleteAutostartEntry(const std::u16string& name);

// The full path of the running executable (UTF-8), the program an auto-run entry starts. False
// with the system's error number when it cannot be found.
bool RunningExecutablePath(std::string& path, int& error);

} // namespace kh
