#include "settings/SettingsTable.h"

#include "platform/TextCodec.h"
#include "settings/HostDefaults.h"
#include "settings/ServiceAddress.h"

#include <array>

namespace kh {

namespace {

constexpr SettingEntry Text(const char* name, std::u16string SettingsValues::*member, const char* alias = nullptr)
{
    return {name, alias, SettingType::Text, member, nullptr, nullptr, "", 0};
}

constexpr SettingEntry Password(const char* name, std::u16string SettingsValues::*member, const char* alias)
{
    return {name, alias, SettingType::Password, member, nullptr, nullptr, "", 0};
}

constexpr SettingEntry Number(const char* name, uint32_t SettingsValues::*member, uint32_t defaultValue,
                              const char* alias = nullptr)
{
    return {name, alias, SettingType::Number, nullptr, member, nullptr, nullptr, defaultValue};
}

constexpr SettingEntry Host(const char* name, std::string SettingsValues::*member, const char* defaultHost,
                            const char* alias)
{
    return {name, alias, SettingType::Host, nullptr, nullptr, member, defaultHost, 0};
}

// The store is read and written in this order, so a failing store reports its tips in this order.
constexpr std::array kTable = {
    Text("LoginConfig_User", &SettingsValues::userName, "user"),
    Password("LoginConfig_Pwd", &SettingsValues::password, "password"),
    Number("StartupConfig_AutoRun", &SettingsValues::autoRun, 1),
    Number("StartupConfig_SavePwd", &SettingsValues::savePassword, 0),
    Number("GetSMSConfig_AutoGetSMS", &SettingsValues::autoGetSms, 0),
    Number("GetSMSConfig_AutoExtractVCode", &SettingsValues::autoExtractCode, 1),
    Number("GetSMSConfig_ListAutoSort", &SettingsValues::listAutoSort, 1),
    Number("GetSMSConfig_SpaceTime", &SettingsValues::spaceTime, 10000),
    Number("GetSMSConfig_TimeoutTime", &SettingsValues::timeoutTime, 600000),
    Number("ExtractRuleConfig_ExtractMode", &SettingsValues::extractMode, 0),
    Text("ExtractRuleConfig_KeywordHead", &SettingsValues::keywordHead),
    Text("ExtractRuleConfig_KeywordTail", &SettingsValues::keywordTail),
    Number("ExtractRuleConfig_VCodeLen", &SettingsValues::codeLength, 6),
    Number("OtherConfig_WindowTop", &SettingsValues::windowTop, 0),
    Number("OtherConfig_NotifyOnCode", &SettingsValues::notifyOnCode, 1),
    Number("OtherConfig_AutoCopyCode", &SettingsValues::autoCopyCode, 0),
    Host("ServerConfig_ApiHost", &SettingsValues::apiHost, kDefaultApiHost, "api-host"),
    Host("ServerConfig_ServicesHost", &SettingsValues::servicesHost, kDefaultServicesHost, "services-host"),
    Host("ServerConfig_WebSite", &SettingsValues::webSite, kDefaultWebSite, "web-site"),
    Text("ServerConfig_TlsCaFile", &SettingsValues::tlsCaFile, "tls-ca-file"),
    Number("ServerConfig_TlsInsecure", &SettingsValues::tlsInsecure, 0, "tls-insecure"),
};

} // namespace

std::span<const SettingEntry> SettingsTable()
{
    return kTable;
}

const SettingEntry* FindSetting(std::string_view name)
{
    for (const SettingEntry& entry : kTable)
        if (name == entry.name || (entry.alias != nullptr && name == entry.alias))
            return &entry;
    return nullptr;
}

SettingsValues DefaultSettings()
{
    SettingsValues values;
    for (const SettingEntry& entry : kTable) {
        switch (entry.type) {
        case SettingType::Text:
        case SettingType::Password:
            values.*entry.text = AnsiToWide(entry.defaultText);
            break;
        case SettingType::Number:
            values.*entry.number = entry.defaultNumber;
            break;
        case SettingType::Host:
            values.*entry.host = entry.defaultText;
            break;
        }
    }
    return values;
}

std::string SettingText(const SettingsValues& values, const SettingEntry& entry)
{
    switch (entry.type) {
    case SettingType::Text:
    case SettingType::Password:
        return WideToAnsi(values.*entry.text);
    case SettingType::Number:
        return std::to_string(values.*entry.number);
    case SettingType::Host:
        return values.*entry.host;
    }
    return {};
}

bool CheckSettingText(const SettingEntry& entry, std::string_view text, std::string& problem)
{
    uint32_t number = 0;
    if (entry.type == SettingType::Number && !ParseDecimal32(text, number)) {
        problem = std::string(entry.name) + " takes a number from 0 to 4294967295";
        return false;
    }
    if (entry.type == SettingType::Host && !IsHostValue(entry, text)) {
        ServiceAddress address;
        if (ServiceAddress::Parse(text, address))
            problem = std::string(entry.name) + " takes a host name or an IPv4 address: the client connects over IPv4";
        else
            problem = std::string(entry.name) + " takes " + kServiceAddressForms;
        return false;
    }
    return true;
}

void AssignSettingText(SettingsValues& values, const SettingEntry& entry, std::string_view text)
{
    switch (entry.type) {
    case SettingType::Text:
    case SettingType::Password:
        values.*entry.text = AnsiToWide(text);
        break;
    case SettingType::Number: {
        uint32_t number = 0;
        if (ParseDecimal32(text, number))
            values.*entry.number = number;
        break;
    }
    case SettingType::Host:
        values.*entry.host = std::string(text);
        break;
    }
}

bool ParseDecimal32(std::string_view text, uint32_t& value)
{
    // At most ten digits (4294967295 has ten), so the sum below cannot overflow 64 bits.
    if (text.empty() || text.size() > 10)
        return false;
    uint64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        result = result * 10 + static_cast<uint64_t>(c - '0');
    }
    if (result > 0xFFFFFFFFull)
        return false;
    value = static_cast<uint32_t>(result);
    return true;
}

bool IsHostValue(const SettingEntry& entry, std::string_view text)
{
    ServiceAddress address;
    return ServiceAddress::Parse(text, address) && (!address.IsIpv6() || entry.host == &SettingsValues::webSite);
}

} // namespace kh
