#pragma once
// A private settings root for one test, restored when the object goes: on Linux a fresh temporary
// directory set as XDG_CONFIG_HOME, so the settings file and the autostart entries land there, and
// its "data" folder as XDG_DATA_HOME, so the journal of rented numbers does too; on Windows a fresh
// temporary registry key that stands for HKEY_CURRENT_USER in this process (RegOverridePredefKey),
// so the settings key and the Run key land there, plus a temporary directory for the files a test
// writes, set as APPDATA, with its "data" folder as LOCALAPPDATA (the journal's home). The key and the directory are
// removed on destruction. Create it before any thread that reads the settings starts, and destroy it after they have
// ended.

#include "platform/Paths.h"

#include <string>

namespace kh::test {

class TempSettingsDir
{
public:
    TempSettingsDir();
    ~TempSettingsDir();
    TempSettingsDir(const TempSettingsDir&) = delete;
    TempSettingsDir& operator=(const TempSettingsDir&) = delete;

    // The temporary directory (on Linux the one that stands for XDG_CONFIG_HOME).
    const std::string& Path() const { return path; }

    // Linux only, for the tests of the settings file (tests/settings/posix):
    // $XDG_CONFIG_HOME/BorvanKH/registry.json
    std::string SettingsFile() const;
    // The directory that stands for XDG_DATA_HOME (Windows: LOCALAPPDATA).
    std::string DataPath() const { return path + kPathSeparator + "data"; }
    // $XDG_CONFIG_HOME/autostart/<name>.desktop
    std::string AutostartFile(const std::string& name) const;
    // Writes text as the settings file (creating its folder), for tests that start from a given store.
    void WriteSettingsFile(const std::string& text) const;
    // Windows only: whether the settings key (HKCU\Software\Zelto\KH) exists in the temporary
    // root, and a value stored there as REG_BINARY (of a type no setting has).
    bool SettingsKeyExists() const;
    void WriteBinarySettingsValue(const std::string& name) const;
    // The whole content of a file, or empty when it cannot be read.
    static std::string ReadFile(const std::string& file);

private:
    std::string path;
    // Windows: the open temporary key standing for HKEY_CURRENT_USER, and its path in the real hive.
    void* overrideKey = nullptr;
    std::string overridePath;
    std::string previous;
    bool hadPrevious = false;
    std::string previousData;
    bool hadPreviousData = false;
};

} // namespace kh::test
