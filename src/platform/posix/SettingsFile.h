#pragma once
// The file behind the Linux settings store (posix/SettingsStore.cpp); the settings tests and the
// settings-store fuzzer use it to look at and damage the file. The file operations themselves are
// in platform/Files.h.

#include <string>

namespace kh {

// ConfigHome() + "/BorvanKH/registry.json"; empty when no configuration home is known.
std::string SettingsFilePath();

} // namespace kh
