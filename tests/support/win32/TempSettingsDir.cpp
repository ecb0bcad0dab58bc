#include "support/TempSettingsDir.h"

#include "platform/TextCodec.h"
#include "support/SupportHooks.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <windows.h>

namespace kh::test {

namespace {

// The temporary keys live here, in the real current-user hive, one per object.
const wchar_t* kTestKeysPath = L"Software\\BorvanKH-Tests";

std::wstring WideOf(const std::string& utf8)
{
    std::u16string wide = Utf8ToWide(utf8);
    return std::wstring(wide.begin(), wide.end());
}

std::string Utf8Of(const std::wstring& wide)
{
    return WideToUtf8(std::u16string(wide.begin(), wide.end()));
}

// The variable's value, or false when it is not set.
bool ReadVariable(const wchar_t* name, std::wstring& value)
{
    DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return false;
    value.assign(size, L'\0');
    DWORD n = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(n < size ? n : 0);
    return true;
}

std::wstring UniqueName()
{
    static std::atomic<unsigned> counter{0};
    return std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount64()) + L"-" +
           std::to_wstring(counter++);
}

} // namespace

TempSettingsDir::TempSettingsDir()
{
    wchar_t temp[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    if (n == 0 || n > MAX_PATH) {
        ReportSupportFailure("cannot find the temporary folder");
        return;
    }
    std::wstring name = UniqueName();
    std::filesystem::path folder = std::filesystem::path(temp) / (L"kh-settings-" + name);
    std::error_code ec;
    if (!std::filesystem::create_directory(folder, ec)) {
        ReportSupportFailure("cannot create a temporary settings directory");
        return;
    }
    path = Utf8Of(folder.wstring());
    // The per-user folders the program reads (platform/win32/Paths.cpp), for this process and the
    // programs it starts.
    std::wstring value;
    hadPrevious = ReadVariable(L"APPDATA", value);
    previous = Utf8Of(value);
    hadPreviousData = ReadVariable(L"LOCALAPPDATA", value);
    previousData = Utf8Of(value);
    SetEnvironmentVariableW(L"APPDATA", WideOf(path).c_str());
    SetEnvironmentVariableW(L"LOCALAPPDATA", WideOf(DataPath()).c_str());

    // The key is made in the real hive before the override, which then points the predefined
    // handle at it for this process only.
    std::wstring keyPath = std::wstring(kTestKeysPath) + L"\\" + name;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        ReportSupportFailure("cannot create a temporary registry key");
        return;
    }
    if (RegOverridePredefKey(HKEY_CURRENT_USER, key) != ERROR_SUCCESS) {
        RegCloseKey(key);
        RegDeleteTreeW(HKEY_CURRENT_USER, keyPath.c_str());
        ReportSupportFailure("cannot point HKEY_CURRENT_USER at a temporary registry key");
        return;
    }
    overrideKey = key;
    overridePath = Utf8Of(keyPath);
}

TempSettingsDir::~TempSettingsDir()
{
    if (overrideKey != nullptr) {
        // Back to the real hive first; the temporary key is then removed from it.
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        RegCloseKey(static_cast<HKEY>(overrideKey));
        std::wstring keyPath = WideOf(overridePath);
        RegDeleteTreeW(HKEY_CURRENT_USER, keyPath.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, keyPath.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, kTestKeysPath); // fails while other tests hold keys there
    }
    if (!path.empty()) {
        SetEnvironmentVariableW(L"APPDATA", hadPrevious ? WideOf(previous).c_str() : nullptr);
        SetEnvironmentVariableW(L"LOCALAPPDATA", hadPreviousData ? WideOf(previousData).c_str() : nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(WideOf(path)), ignored);
    }
}

bool TempSettingsDir::SettingsKeyExists() const
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Zelto\\KH", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void TempSettingsDir::WriteBinarySettingsValue(const std::string& name) const
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Zelto\\KH", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        ReportSupportFailure("cannot create the settings key");
        return;
    }
    const BYTE bytes[] = {1, 2, 3};
    if (RegSetValueExW(key, WideOf(name).c_str(), 0, REG_BINARY, bytes, sizeof bytes) != ERROR_SUCCESS)
        ReportSupportFailure("cannot write a registry value");
    RegCloseKey(key);
}

std::string TempSettingsDir::ReadFile(const std::string& file)
{
    std::ifstream in(std::filesystem::path(WideOf(file)), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace kh::test
