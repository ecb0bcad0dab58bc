#pragma once
// A private settings root for one test, restored when the object goes: on Linux a fresh temporary
// directory set as XDG_CONFIG_HOME, so the settings file and the autostart entries land there; on
// Windows a fresh temporary registry key that stands for HKEY_CURRENT_USER in this process
// (RegOverridePredefKey), so the settings key and the Run key land there, plus a temporary
// directory for the files a test writes. The key and the directory are removed on destruction.
// Create it before any thread that reads the settings starts, and destroy it after they have ended.

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
    // $XDG_CONFIG_HOME/autostart/<name>.desktop
    std::string AutostartFile(const std::string& name) const;
    // Writes text as the settings file (creating its folder), for tests that start from a given store.
    void WriteSettingsFile(const std::string& text) const;
    // The whole content of a file, or empty when it cannot be read.
    static std::string ReadFile(const std::string& file);

private:
    std::string path;
    // Windows: the open temporary key standing for HKEY_CURRENT_USER, and its path in the real hive.
    void* overrideKey = nullptr;
    std::string overridePath;
    std::string previous;
    bool hadPrevious = false;
};

} // namespace kh::test
