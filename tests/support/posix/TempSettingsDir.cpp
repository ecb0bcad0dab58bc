#include "support/TempSettingsDir.h"

#include "support/SupportHooks.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kh::test {

TempSettingsDir::TempSettingsDir()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/kh-settings-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        ReportSupportFailure("cannot create a temporary settings directory");
        return;
    }
    path = pattern;
    const char* old = std::getenv("XDG_CONFIG_HOME");
    hadPrevious = old != nullptr;
    if (hadPrevious)
        previous = old;
    setenv("XDG_CONFIG_HOME", path.c_str(), 1);
    const char* oldData = std::getenv("XDG_DATA_HOME");
    hadPreviousData = oldData != nullptr;
    if (hadPreviousData)
        previousData = oldData;
    setenv("XDG_DATA_HOME", DataPath().c_str(), 1);
}

TempSettingsDir::~TempSettingsDir()
{
    if (path.empty())
        return;
    if (hadPrevious)
        setenv("XDG_CONFIG_HOME", previous.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    if (hadPreviousData)
        setenv("XDG_DATA_HOME", previousData.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string TempSettingsDir::SettingsFile() const
{
    return path + "/BorvanKH/registry.json";
}

std::string TempSettingsDir::AutostartFile(const std::string& name) const
{
    return path + "/autostart/" + name + ".desktop";
}

void TempSettingsDir::WriteSettingsFile(const std::string& text) const
{
    std::filesystem::create_directories(path + "/BorvanKH");
    std::ofstream(SettingsFile(), std::ios::binary | std::ios::trunc) << text;
}

std::string TempSettingsDir::ReadFile(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace kh::test
