#pragma once
// The per-user settings store of this platform, standing where the registry stands on Windows:
// one JSON file, $XDG_CONFIG_HOME/BorvanKH/registry.json, holding hives -> key paths -> typed
// values (REG_SZ text, REG_DWORD numbers), with the registry's operations and result codes. The
// auto-run key maps onto XDG autostart entries (platform/Autostart). RegistryEditor is its user.
//
// Every write replaces the file atomically with mode 0600. A file that cannot be parsed is renamed
// aside (registry.json.damaged-<time>) and the caller is told its new name; the store then starts
// from an empty hive, so a later write never overwrites the damaged data. A file that cannot be
// read at all fails the operation instead. All operations are safe to call from several threads.

#include "platform/Files.h"

#include <cstdint>
#include <string>

namespace kh {

// The hive of the current user, the only one the client uses.
inline constexpr const char* kCurrentUserHive = "HKEY_CURRENT_USER";
// The key whose values start programs at sign-in; on Linux each value is an autostart entry.
inline constexpr const char16_t* kRunKeyPath = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

enum class StoreType
{
    String, // REG_SZ
    Dword,  // REG_DWORD
};

struct StoreValue
{
    StoreType type = StoreType::String;
    std::u16string text;
    uint32_t number = 0;
};

// An open key: which hive and path it names. Opening resolves nothing that could go stale, so a
// key stays usable while the file is replaced underneath it.
struct StoreKey
{
    std::string hive;
    std::string path; // UTF-8
    bool autostart = false;
    bool open = false;
};

// ConfigHome() + "/BorvanKH/registry.json"; empty when no configuration home is known.
std::string SettingsFilePath();

// Opens the key, creating it (and the file) when it is missing. keptAside receives the new name
// of a damaged file that was set aside during the call, and stays empty otherwise; the same holds
// for the three value operations.
long OpenStoreKey(const std::string& hive, const std::u16string& path, StoreKey& key, std::string& keptAside);
long CloseStoreKey(StoreKey& key);

// kStoreNotFound when the key or the value is absent.
long QueryStoreValue(const StoreKey& key, const std::u16string& name, StoreValue& value, std::string& keptAside);
long SetStoreValue(const StoreKey& key, const std::u16string& name, const StoreValue& value, std::string& keptAside);
long DeleteStoreValue(const StoreKey& key, const std::u16string& name, std::string& keptAside);

// Holds the store for the current thread and, through an exclusive lock on the file beside it
// ("registry.json.lock"), for this process against every other: each operation above takes it for
// itself, and a caller that reads or writes several values as one change (a save of every
// setting) holds one across all of them. Nests within a thread. While the lock is taken first,
// temporary files that a killed writer left beside the store are removed.
class SettingsFileLock
{
public:
    SettingsFileLock();
    ~SettingsFileLock();
    SettingsFileLock(const SettingsFileLock&) = delete;
    SettingsFileLock& operator=(const SettingsFileLock&) = delete;
};

} // namespace kh
