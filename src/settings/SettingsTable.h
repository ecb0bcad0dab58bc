#pragma once
// The persisted settings, each named once. SettingsValues holds their values: ConfigCenter keeps
// one inside, and its snapshot (taken under the settings lock) is a plain copy of it. SettingsTable()
// lists every value with its stored name, type, member and default, in the order the store is read
// and written; ConfigCenter's Load, Save and ResetToDefaults and the terminal client's show and
// set are loops over it. The functions here take no lock: ConfigCenter wraps them in its own.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kh {

struct SettingsValues
{
    // Zero and empty until filled from the table (DefaultSettings, ConfigCenter's constructor).
    std::u16string userName;
    std::u16string password; // plain text in memory
    uint32_t autoRun = 0;
    uint32_t savePassword = 0;
    uint32_t autoGetSms = 0;
    uint32_t autoExtractCode = 0;
    uint32_t listAutoSort = 0;
    uint32_t spaceTime = 0;   // milliseconds
    uint32_t timeoutTime = 0; // milliseconds
    uint32_t extractMode = 0;
    std::u16string keywordHead;
    std::u16string keywordTail;
    uint32_t codeLength = 0;
    uint32_t windowTop = 0;
    // When a code is extracted: a desktop notification with the number and the code, and a copy
    // of the code on the clipboard.
    uint32_t notifyOnCode = 0;
    uint32_t autoCopyCode = 0;
    // The service's host names ("host" or "host:port"), ANSI.
    std::string apiHost;
    std::string servicesHost;
    std::string webSite;
    // Certificate checking of the HTTPS requests: an extra CA file, and a switch that turns the
    // check off (for a test server only).
    std::u16string tlsCaFile;
    uint32_t tlsInsecure = 0;
};

enum class SettingType
{
    Text,     // REG_SZ; a wide-text member
    Password, // REG_SZ in hexadecimal form (PasswordHex); a wide-text member holding the plain text.
              // Kept in the store only while StartupConfig_SavePwd is on; never shown.
    Number,   // REG_DWORD; a 32-bit member, any value (no bounds are applied)
    Host,     // REG_SZ; an ANSI member, "host" or "host:port". A stored value that is absent or
              // empty keeps the current host.
};

struct SettingEntry
{
    const char* name;  // the stored value name, e.g. "GetSMSConfig_SpaceTime"
    const char* alias; // a short name for the terminal client ("user", "api-host"), or nullptr
    SettingType type;
    // The member of the type's kind; the other two are null.
    std::u16string SettingsValues::*text; // Text, Password
    uint32_t SettingsValues::*number;     // Number
    std::string SettingsValues::*host;    // Host
    const char* defaultText;              // Text, Password, Host (ANSI)
    uint32_t defaultNumber;               // Number

    bool IsSecret() const { return type == SettingType::Password; }
};

// Every persisted setting, in store order.
std::span<const SettingEntry> SettingsTable();

// The entry whose stored name or alias is exactly name, or nullptr.
const SettingEntry* FindSetting(std::string_view name);

// A record holding every table default.
SettingsValues DefaultSettings();

// The value as text: decimal for a number, ANSI for text, the plain text for the password.
std::string SettingText(const SettingsValues& values, const SettingEntry& entry);

// Whether text is a valid value for the entry: a decimal from 0 to 4294967295 for a number,
// "host" or "host:port" for a host, anything for text. On refusal problem says why, naming the
// setting ("GetSMSConfig_SpaceTime takes a number from 0 to 4294967295").
bool CheckSettingText(const SettingEntry& entry, std::string_view text, std::string& problem);

// Stores text that CheckSettingText accepted (text is converted from ANSI for wide members).
void AssignSettingText(SettingsValues& values, const SettingEntry& entry, std::string_view text);

// Plain decimal digits (no sign, no spaces) whose value fits 32 bits.
bool ParseDecimal32(std::string_view text, uint32_t& value);

// "host" or "host:port" with a port from 1 to 65535: no scheme, path, user or spaces.
bool IsHostSyntax(std::string_view text);

} // namespace kh
