#pragma once
// A private configuration home for one test: a fresh temporary directory set as XDG_CONFIG_HOME
// while the object lives, so the settings store and autostart entries land there, and its "data"
// folder as XDG_DATA_HOME, so the journal of rented numbers does too. The previous values are
// restored and the directory removed on destruction. Create it before any thread that
// reads the settings starts, and destroy it after they have ended.

#include <string>

namespace kh::test {

class TempSettingsDir
{
public:
    TempSettingsDir();
    ~TempSettingsDir();
    TempSettingsDir(const TempSettingsDir&) = delete;
    TempSettingsDir& operator=(const TempSettingsDir&) = delete;

    // The directory that stands for XDG_CONFIG_HOME.
    const std::string& Path() const { return path; }
    // $XDG_CONFIG_HOME/BorvanKH/registry.json
    std::string SettingsFile() const;
    // The directory that stands for XDG_DATA_HOME.
    std::string DataPath() const { return path + "/data"; }
    // $XDG_CONFIG_HOME/autostart/<name>.desktop
    std::string AutostartFile(const std::string& name) const;

    // Writes text as the settings file (creating its folder), for tests that start from a given store.
    void WriteSettingsFile(const std::string& text) const;
    // The whole content of a file, or empty when it cannot be read.
    static std::string ReadFile(const std::string& file);

private:
    std::string path;
    std::string previous;
    bool hadPrevious = false;
    std::string previousData;
    bool hadPreviousData = false;
};

} // namespace kh::test
