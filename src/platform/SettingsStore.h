#pragma once
// The per-user settings store: the registry's keys and typed values (REG_SZ text, REG_DWORD
// numbers) under the current user's hive, with the registry's operations and result codes.
// RegistryEditor is its user.
//
// Windows (win32/SettingsStore.cpp): the registry itself, HKEY_CURRENT_USER; the Run key is the
// real one.
//
// Linux (posix/SettingsStore.cpp): one JSON file, $XDG_CONFIG_HOME/BorvanKH/registry.json, holding
// hives -> key paths -> typed values; the Run key's values are XDG autostart entries
// (platform/Autostart). Every write replaces the file atomically with mode 0600. A file that cannot
// be parsed is renamed aside (registry.json.damaged-<time>) and the caller is told its new name;
// the store then starts from an empty hive, so a later write never overwrites the damaged data. A
// file that cannot be read at all fails the operation instead.
//
// All operations are safe to call from several threads.

#include "platform/Files.h"

#include <cstdint>
#include <string>

namespace kh {

// The hive of the current user, the only one the client uses.
inline constexpr const char* kCurrentUserHive = "HKEY_CURRENT_USER";
// The key whose values start programs at sign-in (platform/Autostart).
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

// An open key: which hive and path it names. Opening resolves nothing that could go stale (no
// handle is kept open between operations), so a key stays usable while the file is replaced
// underneath it.
struct StoreKey
{
    std::string hive;
    std::string path; // UTF-8
    bool autostart = false;
    bool open = false;
};

// Opens the key, creating it (and the file) when it is missing. keptAside receives the new name
// of a damaged file that was set aside during the call, and stays empty otherwise; the same holds
// for the three value operations.
long OpenStoreKey(const std::string& hive, const std::u16string& path, StoreKey& key, std::string& keptAside);
long CloseStoreKey(StoreKey& key);

// kStoreNotFound when the key or the value is absent.
long QueryStoreValue(const StoreKey& key, const std::u16string& name, StoreValue& value, std::string& keptAside);
long SetStoreValue(const StoreKey& key, const std::u16string& name, const StoreValue& value, std::string& keptAside);
long DeleteStoreValue(const StoreKey& key, const std::u16string& name, std::string& keptAside);

// Holds the store for the current thread and, against every other process of the user, for this
// process: each operation above takes it for itself, and a caller that reads or writes several
// values as one change (a save of every setting) holds one across all of them. Nests within a
// thread. Linux: an exclusive lock on the file beside the store ("registry.json.lock"); while it is
// taken first, temporary files that a killed writer left beside the store are removed. Windows: a
// named mutex of the user's session.
class SettingsStoreLock
{
public:
    SettingsStoreLock();
    ~SettingsStoreLock();
    SettingsStoreLock(const SettingsStoreLock&) = delete;
    SettingsStoreLock& operator=(const SettingsStoreLock&) = delete;
};

} // namespace kh
