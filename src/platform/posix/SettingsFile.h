#pragma once
// The file behind the Linux settings store (posix/SettingsStore.cpp) and the file operations it
// shares with the autostart entries; the settings tests and the settings-store fuzzer use it to
// look at and damage the file.

#include <string>

namespace kh {

// ConfigHome() + "/BorvanKH/registry.json"; empty when no configuration home is known.
std::string SettingsFilePath();

// Writes content to path through a temporary file in the same directory (fsync, rename, fsync of
// the directory), with the given mode. The directory must exist. kStoreSuccess or a failure code;
// on failure the old file is untouched.
long WriteFileAtomically(const std::string& path, const std::string& content, unsigned mode);

// Creates the directory and its missing parents with mode 0700.
long MakeDirectories(const std::string& path);

} // namespace kh
