#pragma once
// The one settings record of the client: the user's persisted settings, the executable's
// location, the service's host names and the sign-in token (memory only). Every reader and
// writer copies values in or out under the settings lock and holds it for nothing else.

#include "base/Tip.h"
#include "platform/Sync.h"
#include "settings/RegistryEditor.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace kh {

struct OwnerWindow;

class ConfigCenter final : public TipSource
{
public:
    ConfigCenter(OwnerWindow* owner, TipCallback callback, void* context);
    ConfigCenter(const ConfigCenter&) = delete;
    ConfigCenter& operator=(const ConfigCenter&) = delete;

    void LocateExecutable();
    void ResetToDefaults();
    // Reads the persisted values from the settings store; absent ones keep the record's values.
    // Called once at start-up, after LocateExecutable and ResetToDefaults.
    void Load();
    // Writes the persisted values (the password in its hexadecimal form, removed again unless it
    // is to be remembered) and, unless switched off, the auto-run entry. The record is copied under
    // the settings lock and the store written after the lock is released; the record keeps the
    // plain password.
    void Save();
    // Whether Save writes or removes the auto-run entry (on by default). The terminal client
    // switches it off: it must register or unregister the windowed client only when the user
    // changes StartupConfig_AutoRun. The stored StartupConfig_AutoRun value is saved either way.
    void SetAutoRunEntryManaged(bool managed) { manageAutoRunEntry = managed; }

    CriticalSection& SettingsLock() { return settingsLock; }
    void Lock() { settingsLock.Lock(); }
    void Unlock() { settingsLock.Unlock(); }

    // Copies under the settings lock, for callers that need one value.
    std::string GetToken();
    void SetToken(const std::string& value);
    std::string GetApiHost();
    std::string GetServicesHost();
    std::string GetWebSite();

    // Members, read and written under the settings lock.
    std::u16string executableDirectory;
    std::u16string executablePath;
    std::u16string userName;
    std::u16string password;
    std::string token;
    uint32_t autoRun = 1;
    uint32_t savePassword = 0;
    uint32_t autoGetSms = 0;
    uint32_t autoExtractCode = 1;
    uint32_t listAutoSort = 1;
    uint32_t spaceTime = 10000;
    uint32_t timeoutTime = 600000;
    uint32_t extractMode = 0;
    std::u16string keywordHead;
    std::u16string keywordTail;
    uint32_t codeLength = 6;
    uint32_t windowTop = 0;
    // The service's host names ("host" or "host:port"), ANSI.
    std::string apiHost;
    std::string servicesHost;
    std::string webSite;

private:
    // The persisted members, copied out of and back into the record under the settings lock so
    // that the store is read and written without holding it.
    struct StoredValues
    {
        std::u16string userName;
        std::u16string password;
        uint32_t autoRun;
        uint32_t savePassword;
        uint32_t autoGetSms;
        uint32_t autoExtractCode;
        uint32_t listAutoSort;
        uint32_t spaceTime;
        uint32_t timeoutTime;
        uint32_t extractMode;
        std::u16string keywordHead;
        std::u16string keywordTail;
        uint32_t codeLength;
        uint32_t windowTop;
        std::string apiHost;
        std::string servicesHost;
        std::string webSite;
    };
    StoredValues CopyStoredValues();
    void AssignStoredValues(const StoredValues& values);

    OwnerWindow* owner;
    std::atomic<bool> manageAutoRunEntry{true};
    CriticalSection settingsLock;
    RegistryEditor registry;
};

} // namespace kh
