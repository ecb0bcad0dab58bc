#include "settings/ConfigCenter.h"

#include "platform/Autostart.h"
#include "platform/CredentialStore.h"
#include "platform/Paths.h"
#include "platform/SettingsStore.h"
#include "platform/TextCodec.h"
#include "settings/PasswordHex.h"

#include <string>
#include <utility>

namespace kh {
namespace {

// Site codes of this module's internal tips.
enum Site : int
{
    kSiteNoExecutablePath = 1,
    kSiteNoDirectory = 2,
};

} // namespace

ConfigCenter::ConfigCenter(OwnerWindow* owner, TipCallback callback, void* context)
    : TipSource("ConfigCenter.", callback, context), owner(owner), values(DefaultSettings()),
      registry(callback, context)
{
}

void ConfigCenter::LocateExecutable()
{
    // The path is found and cut outside the lock, and tips are raised after it is released.
    std::string path;
    int error = 0;
    if (!RunningExecutablePath(path, error)) {
        {
            std::lock_guard<CriticalSection> guard(settingsLock);
            executableDirectory.clear();
        }
        ReportTip({}, kSiteNoExecutablePath, std::to_string(error) + ".");
        return;
    }
    std::u16string wide = AnsiToWide(path);
    // The directory is cut at the last separator ("/" or "\\" by the system), which is dropped.
    size_t slash = wide.rfind(static_cast<char16_t>(kPathSeparator));
    {
        std::lock_guard<CriticalSection> guard(settingsLock);
        executablePath = wide;
        executableDirectory = slash == std::u16string::npos ? wide : wide.substr(0, slash);
    }
    if (slash == std::u16string::npos)
        ReportTip({}, kSiteNoDirectory);
}

void ConfigCenter::ResetToDefaults()
{
    SettingsValues defaults = DefaultSettings();
    std::lock_guard<CriticalSection> guard(settingsLock);
    values = std::move(defaults);
    token.clear();
}

SettingsValues ConfigCenter::Snapshot() const
{
    std::lock_guard<CriticalSection> guard(settingsLock);
    return values;
}

void ConfigCenter::Update(const std::function<void(SettingsValues&)>& change)
{
    std::lock_guard<CriticalSection> guard(settingsLock);
    change(values);
}

std::string ConfigCenter::GetSettingText(const SettingEntry& entry) const
{
    std::lock_guard<CriticalSection> guard(settingsLock);
    return SettingText(values, entry);
}

bool ConfigCenter::SetSettingText(const SettingEntry& entry, std::string_view text, std::string& problem)
{
    if (!CheckSettingText(entry, text, problem))
        return false;
    std::lock_guard<CriticalSection> guard(settingsLock);
    AssignSettingText(values, entry, text);
    return true;
}

std::string ConfigCenter::GetToken() const
{
    std::lock_guard<CriticalSection> guard(settingsLock);
    return token;
}

void ConfigCenter::SetToken(const std::string& value)
{
    std::lock_guard<CriticalSection> guard(settingsLock);
    token = value;
}

std::string ConfigCenter::GetApiHost() const
{
    std::lock_guard<CriticalSection> guard(settingsLock);
    return values.apiHost;
}

std::string ConfigCenter::GetServicesHost() const
{
    std::lock_guard<CriticalSection> guard(settingsLock);
    return values.servicesHost;
}

std::string ConfigCenter::GetWebSite() const
{
    std::lock_guard<CriticalSection> guard(settingsLock);
    return values.webSite;
}

std::u16string ConfigCenter::ExecutablePath() const
{
    std::lock_guard<CriticalSection> guard(settingsLock);
    return executablePath;
}

std::u16string ConfigCenter::ExecutableDirectory() const
{
    std::lock_guard<CriticalSection> guard(settingsLock);
    return executableDirectory;
}

void ConfigCenter::SetExecutableLocation(const std::u16string& directory, const std::u16string& path)
{
    std::lock_guard<CriticalSection> guard(settingsLock);
    executableDirectory = directory;
    executablePath = path;
}

} // namespace kh

// Persistence: the record's values in the store under "Software\Zelto\KH" of the current user,
// and the auto-run entry. The settings lock is held only while values are copied out of or into
// the record, never across the store's file I/O, so the user-interface thread and the managers
// are not held up by a slow disk during Save.

namespace kh {

namespace {

const char16_t* const kSettingsKey = u"Software\\Zelto\\KH";
const char16_t* const kAutoRunValue = u"ZeltoKH";

std::u16string StoredName(const SettingEntry& entry)
{
    return AnsiToWide(entry.name);
}

// Whether a stored host value can name a host; otherwise problem is the tip that names the setting.
bool CheckStoredHost(const SettingEntry& entry, const std::string& stored, const std::string& kept,
                     std::string& problem)
{
    if (IsHostValue(entry, stored))
        return true;
    problem = "设置 " + std::string(entry.name) + " 的值“" + stored +
              "”不是有效的主机地址（应为“主机”或“主机:端口”，端口 1 至 65535），本次使用默认值 " + kept + "。";
    return false;
}

// Reads the password's hexadecimal form: an absent value keeps the record's password. True when the
// settings hold a password in that form.
bool ReadStoredPassword(RegistryEditor& registry, const SettingEntry& entry, SettingsValues& values)
{
    // A line feed is never a stored hexadecimal form, so it marks an absent value.
    const std::u16string absent = u"\n";
    std::u16string stored = absent;
    registry.ReadString(StoredName(entry), stored);
    if (stored == absent)
        return false;
    values.*entry.text = HexDecode(stored);
    return !(values.*entry.text).empty();
}

// Writes the password's hexadecimal form, writes it empty (the password is in the credential store
// or there is none to remember), or removes it; with none of the three it is left as it is.
void WriteStoredPassword(RegistryEditor& registry, const SettingEntry& entry, const SettingsValues& values, bool write,
                         bool empty, bool remove)
{
    if (write)
        registry.WriteString(StoredName(entry), HexEncode(values.*entry.text));
    else if (empty)
        registry.WriteString(StoredName(entry), u"");
    else if (remove)
        registry.DeleteValue(StoredName(entry));
}

// The credential store's item for the password of the record's user at its API host.
CredentialKey PasswordKey(const SettingsValues& values)
{
    return {"BorvanKH", WideToUtf8(values.userName), AnsiToUtf8(values.apiHost)};
}

// Reads one setting into values; an absent value leaves the member as it was. problem is set when
// a stored value cannot be used (the member then stays as it was, too).
void ReadSetting(RegistryEditor& registry, const SettingEntry& entry, SettingsValues& values, std::string& problem)
{
    switch (entry.type) {
    case SettingType::Text:
        registry.ReadString(StoredName(entry), values.*entry.text);
        break;
    case SettingType::Password:
        ReadStoredPassword(registry, entry, values);
        break;
    case SettingType::Number:
        registry.ReadDword(StoredName(entry), values.*entry.number);
        break;
    case SettingType::Host: {
        // An empty stored host would leave the client without a server, so it keeps the current one.
        // One that cannot be a host would fail every request as a network failure; it is reported
        // as the bad setting it is.
        std::u16string stored;
        registry.ReadString(StoredName(entry), stored);
        if (!stored.empty() && CheckStoredHost(entry, WideToAnsi(stored), values.*entry.host, problem))
            values.*entry.host = WideToAnsi(stored);
        break;
    }
    }
}

void WriteSetting(RegistryEditor& registry, const SettingEntry& entry, const SettingsValues& values)
{
    switch (entry.type) {
    case SettingType::Text:
        registry.WriteString(StoredName(entry), values.*entry.text);
        break;
    case SettingType::Password:
        // Written apart (WriteStoredPassword), once the credential store has been asked.
        break;
    case SettingType::Number:
        registry.WriteDword(StoredName(entry), values.*entry.number);
        break;
    case SettingType::Host:
        registry.WriteString(StoredName(entry), AnsiToWide(values.*entry.host));
        break;
    }
}

} // namespace

void ConfigCenter::Load()
{
    // Every value starts from the record, so an absent one keeps what the record held (the
    // defaults at start-up).
    SettingsValues loaded = Snapshot();
    registry.SetKey(RootKey::CurrentUser, kSettingsKey);
    bool hexInSettings = false;
    for (const SettingEntry& entry : SettingsTable()) {
        if (entry.type == SettingType::Password) {
            hexInSettings = ReadStoredPassword(registry, entry, loaded) || hexInSettings;
            continue;
        }
        std::string problem;
        ReadSetting(registry, entry, loaded, problem);
        if (!problem.empty())
            ReportTip(problem, 0);
    }

    // The credential store is asked with no lock held: it may take up to its time bound.
    PasswordPlace place = hexInSettings ? PasswordPlace::Settings : PasswordPlace::None;
    std::string problem;
    if (loaded.savePassword != 0) {
        std::u16string secret;
        CredentialResult found = LoadCredential(PasswordKey(loaded), secret);
        if (found.status == CredentialStatus::Done) {
            loaded.password = std::move(secret);
            place = PasswordPlace::CredentialStore;
        } else if (found.status == CredentialStatus::NoStore) {
            problem = found.why;
        }
    }

    {
        std::lock_guard<CriticalSection> guard(settingsLock);
        stored = loaded;
        values = std::move(loaded);
        passwordPlace = place;
        hexToMigrate = hexInSettings;
        storeProblem = problem;
    }
    if (hexInSettings && !problem.empty())
        ReportUnprotected(problem);
}

void ConfigCenter::Save()
{
    // The record keeps the plain password: the encoded form exists only in the store, so saving
    // twice stores the same text rather than the encoding of the encoding.
    SettingsValues saved;
    std::optional<SettingsValues> baseline;
    std::u16string program;
    bool migrate = false;
    {
        std::lock_guard<CriticalSection> guard(settingsLock);
        saved = values;
        baseline = stored;
        program = executablePath;
        migrate = hexToMigrate;
    }
    auto changedHere = [&](const SettingEntry& entry) {
        return !baseline || SettingText(saved, entry) != SettingText(*baseline, entry);
    };
    // A password neither changed nor unremembered here, under the same user and host, is left as
    // it is: another process may have stored one meanwhile.
    bool passwordTouched = !baseline || baseline->password != saved.password ||
                           baseline->savePassword != saved.savePassword || baseline->userName != saved.userName ||
                           baseline->apiHost != saved.apiHost;

    // The credential store first, with no lock held (neither the settings lock nor the settings
    // file's: it may take up to its time bound), and before the settings lose the hexadecimal form.
    enum class HexForm
    {
        Keep,
        Write,
        Empty,
        Remove,
    };
    HexForm hex = HexForm::Keep;
    PasswordPlace place = PasswordPlace::None;
    std::string problem;
    if (passwordTouched || migrate) {
        CredentialKey key = PasswordKey(saved);
        if (saved.savePassword != 0 && !saved.password.empty()) {
            CredentialResult result = SaveCredential(key, saved.password);
            if (result.status == CredentialStatus::Done) {
                hex = HexForm::Empty;
                place = PasswordPlace::CredentialStore;
            } else {
                hex = HexForm::Write;
                place = PasswordPlace::Settings;
                problem = result.why;
            }
        } else {
            // Nothing to remember, or no longer: the item goes, under the current user and host and
            // under those the password was loaded for. A user who was not remembering a password
            // before is not made to wait for the store on each save.
            bool wasRemembered = !baseline || baseline->savePassword != 0 || migrate;
            if (wasRemembered || saved.savePassword != 0)
                RemoveCredential(key);
            if (baseline && saved.savePassword == 0 && wasRemembered) {
                CredentialKey before = PasswordKey(*baseline);
                if (before.user != key.user || before.host != key.host)
                    RemoveCredential(before);
            }
            hex = saved.savePassword != 0 ? HexForm::Empty : HexForm::Remove;
        }
    }

    {
        // One hold of the settings file for the whole save: no other process writes in between.
        SettingsStoreLock fileLock;
        registry.SetKey(RootKey::CurrentUser, kSettingsKey);
        for (const SettingEntry& entry : SettingsTable()) {
            if (entry.type == SettingType::Password) {
                WriteStoredPassword(registry, entry, saved, hex == HexForm::Write, hex == HexForm::Empty,
                                    hex == HexForm::Remove);
                continue;
            }
            if (changedHere(entry))
                WriteSetting(registry, entry, saved);
        }
    }
    {
        std::lock_guard<CriticalSection> guard(settingsLock);
        stored = saved;
        if (hex != HexForm::Keep) {
            passwordPlace = place;
            // After a failed store the hexadecimal form waits for the next run, which asks the
            // store again; this one does not wait for it on every save.
            hexToMigrate = false;
            if (!problem.empty())
                storeProblem = problem;
        }
    }
    if (hex == HexForm::Write)
        ReportUnprotected(problem);

    if (!manageAutoRunEntry)
        return;
    registry.SetKey(RootKey::CurrentUser, kRunKeyPath);
    if (saved.autoRun != 0)
        registry.WriteString(kAutoRunValue, program);
    else
        registry.DeleteValue(kAutoRunValue);
}

ConfigCenter::PasswordPlace ConfigCenter::PasswordKeptIn() const
{
    std::lock_guard<CriticalSection> guard(settingsLock);
    return passwordPlace;
}

std::string ConfigCenter::PasswordStoreProblem() const
{
    std::lock_guard<CriticalSection> guard(settingsLock);
    return storeProblem;
}

void ConfigCenter::ReportUnprotected(const std::string& why)
{
    if (unprotectedTipRaised.exchange(true))
        return;
    ReportTip("无法使用系统的密码存储（" + why + "），记住的密码未加密，以十六进制形式保存在设置中。", 0);
}

} // namespace kh
