#pragma once
// The one settings record of the client: the user's persisted settings (SettingsValues, named
// once in SettingsTable), the executable's location and the sign-in token (memory only). The
// values are kept inside: a reader takes a Snapshot (a copy made under the settings lock) and a
// writer changes them in one Update call, which holds the lock for the change and nothing else.

#include "base/Tip.h"
#include "platform/Sync.h"
#include "settings/RegistryEditor.h"
#include "settings/SettingsTable.h"

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kh {

struct OwnerWindow;

class ConfigCenter final : public TipSource
{
public:
    ConfigCenter(OwnerWindow* owner, TipCallback callback, void* context);
    ConfigCenter(const ConfigCenter&) = delete;
    ConfigCenter& operator=(const ConfigCenter&) = delete;

    void LocateExecutable();
    // Sets every persisted setting to its table default and empties the token.
    void ResetToDefaults();
    // Reads the persisted values from the settings store; absent ones keep the record's values.
    // Called once at start-up, after LocateExecutable and ResetToDefaults.
    // The remembered password is taken from the credential store (platform/CredentialStore) when
    // it holds one for the user and API host; otherwise from the settings' hexadecimal form, which
    // the next Save moves into the credential store.
    void Load();
    // Writes the persisted values and, unless switched off, the auto-run entry. The record is
    // copied under the settings lock and the stores written after the lock is released; the record
    // keeps the plain password. A password to be remembered goes to the credential store first and
    // only then is its hexadecimal form in the settings emptied, so a save cut short leaves it in
    // one place or the other. Where no credential store answers, the hexadecimal form is written as
    // before, with one tip per ConfigCenter (one per run) saying so and why. A password no longer
    // to be remembered is removed from both.
    // After a Load, only the values this process changed since are written, all under one lock
    // of the settings file, so a value another process stored meanwhile is kept: two clients
    // (or a window and a terminal client) never undo each other's changes.
    void Save();
    // Whether Save writes or removes the auto-run entry (on by default). The terminal client
    // switches it off: it must register or unregister the windowed client only when the user
    // changes StartupConfig_AutoRun. The stored StartupConfig_AutoRun value is saved either way.
    void SetAutoRunEntryManaged(bool managed) { manageAutoRunEntry = managed; }

    // Where the remembered password is kept, as the last Load or Save left it.
    enum class PasswordPlace
    {
        None,
        CredentialStore,
        // The hexadecimal form in the settings: no credential store answered (PasswordStoreProblem
        // says why), or an older version wrote it and no Save has moved it yet.
        Settings,
    };
    PasswordPlace PasswordKeptIn() const;
    // Why the credential store last failed to answer; empty when it has not failed.
    std::string PasswordStoreProblem() const;

    // A copy of every persisted value, taken in one hold of the settings lock.
    SettingsValues Snapshot() const;
    // Runs change on the values under the settings lock, so that what it writes is seen whole by
    // every Snapshot. change must not call back into the record, raise a tip or call a port.
    void Update(const std::function<void(SettingsValues&)>& change);

    // One table entry's value as text (SettingText), read under the settings lock.
    std::string GetSettingText(const SettingEntry& entry) const;
    // Checks text for the entry (CheckSettingText) and, when it is valid, stores it under the
    // settings lock. False with problem set, and the record unchanged, when it is not.
    bool SetSettingText(const SettingEntry& entry, std::string_view text, std::string& problem);

    // One host setting, for callers that need only that value.
    std::string GetApiHost() const;
    std::string GetServicesHost() const;
    std::string GetWebSite() const;

    // The sign-in token (memory only).
    std::string GetToken() const;
    void SetToken(const std::string& value);
    // The running executable (LocateExecutable) and the folder it is in (where the tip log goes).
    // The path is the program the auto-run entry starts; SetExecutableLocation names another one
    // (the terminal client names the windowed client beside it).
    std::u16string ExecutablePath() const;
    std::u16string ExecutableDirectory() const;
    void SetExecutableLocation(const std::u16string& directory, const std::u16string& path);

private:
    // The tip that the password is kept unprotected in the settings, because of why; once only.
    void ReportUnprotected(const std::string& why);

    // The main window the record was built for. The record reports only through its tip callback.
    [[maybe_unused]] OwnerWindow* owner;
    // Recursive; mutable so that queries copying under it are const.
    mutable CriticalSection settingsLock;
    SettingsValues values;
    std::u16string executableDirectory;
    std::u16string executablePath;
    std::string token;
    std::atomic<bool> manageAutoRunEntry{true};
    RegistryEditor registry;
    // The persisted values as last loaded from or saved to the store, under the settings lock;
    // empty before the first Load, when Save writes every value.
    std::optional<SettingsValues> stored;
    // Under the settings lock: where the password is kept; whether the settings hold a hexadecimal
    // password that the next Save moves into the credential store; the store's last failure.
    PasswordPlace passwordPlace = PasswordPlace::None;
    bool hexToMigrate = false;
    std::string storeProblem;
    // The tip about an unprotected password is raised once.
    std::atomic<bool> unprotectedTipRaised{false};
};

} // namespace kh
