#include "settings/ConfigCenter.h"

#include "platform/Autostart.h"
#include "platform/TextCodec.h"
#include "settings/HostDefaults.h"
#include "settings/PasswordHex.h"

#include <string>

namespace kh {

ConfigCenter::ConfigCenter(OwnerWindow* owner, TipCallback callback, void* context)
    : TipSource("ConfigCenter.", callback, context), owner(owner), registry(callback, context)
{
    apiHost = kDefaultApiHost;
    servicesHost = kDefaultServicesHost;
    webSite = kDefaultWebSite;
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
        ReportTip({}, 1, std::to_string(error) + ".");
        return;
    }
    std::u16string wide = AnsiToWide(path);
    // The directory is cut at the last "/", which is dropped.
    size_t slash = wide.rfind(u'/');
    {
        std::lock_guard<CriticalSection> guard(settingsLock);
        executablePath = wide;
        executableDirectory = slash == std::u16string::npos ? wide : wide.substr(0, slash);
    }
    if (slash == std::u16string::npos)
        ReportTip({}, 2);
}

void ConfigCenter::ResetToDefaults()
{
    std::lock_guard<CriticalSection> guard(settingsLock);
    userName.clear();
    password.clear();
    token.clear();
    autoRun = 1;
    savePassword = 0;
    autoGetSms = 0;
    autoExtractCode = 1;
    listAutoSort = 1;
    spaceTime = 10000;
    timeoutTime = 600000;
    extractMode = 0;
    keywordHead.clear();
    keywordTail.clear();
    codeLength = 6;
    windowTop = 0;
    apiHost = kDefaultApiHost;
    servicesHost = kDefaultServicesHost;
    webSite = kDefaultWebSite;
}

std::string ConfigCenter::GetToken()
{
    std::lock_guard<CriticalSection> guard(settingsLock);
    return token;
}

void ConfigCenter::SetToken(const std::string& value)
{
    std::lock_guard<CriticalSection> guard(settingsLock);
    token = value;
}

std::string ConfigCenter::GetApiHost()
{
    std::lock_guard<CriticalSection> guard(settingsLock);
    return apiHost;
}

std::string ConfigCenter::GetServicesHost()
{
    std::lock_guard<CriticalSection> guard(settingsLock);
    return servicesHost;
}

std::string ConfigCenter::GetWebSite()
{
    std::lock_guard<CriticalSection> guard(settingsLock);
    return webSite;
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

// Reads a host setting; an absent or empty value keeps the current host.
void ReadHost(RegistryEditor& registry, const char16_t* name, std::string& host)
{
    std::u16string value;
    registry.ReadString(name, value);
    if (!value.empty())
        host = WideToAnsi(value);
}

} // namespace

ConfigCenter::StoredValues ConfigCenter::CopyStoredValues()
{
    std::lock_guard<CriticalSection> guard(settingsLock);
    return StoredValues{userName,     password,  autoRun,     savePassword, autoGetSms,  autoExtractCode,
                        listAutoSort, spaceTime, timeoutTime, extractMode,  keywordHead, keywordTail,
                        codeLength,   windowTop, apiHost,     servicesHost, webSite};
}

void ConfigCenter::AssignStoredValues(const StoredValues& v)
{
    std::lock_guard<CriticalSection> guard(settingsLock);
    userName = v.userName;
    password = v.password;
    autoRun = v.autoRun;
    savePassword = v.savePassword;
    autoGetSms = v.autoGetSms;
    autoExtractCode = v.autoExtractCode;
    listAutoSort = v.listAutoSort;
    spaceTime = v.spaceTime;
    timeoutTime = v.timeoutTime;
    extractMode = v.extractMode;
    keywordHead = v.keywordHead;
    keywordTail = v.keywordTail;
    codeLength = v.codeLength;
    windowTop = v.windowTop;
    apiHost = v.apiHost;
    servicesHost = v.servicesHost;
    webSite = v.webSite;
}

void ConfigCenter::Load()
{
    // Every value starts from the record, so an absent one keeps what the record held (the
    // defaults at start-up). The password starts from its own stored form for the same reason.
    StoredValues v = CopyStoredValues();
    std::u16string storedPassword = HexEncode(v.password);

    registry.SetKey(RootKey::CurrentUser, kSettingsKey);
    registry.ReadString(u"LoginConfig_User", v.userName);
    registry.ReadString(u"LoginConfig_Pwd", storedPassword);
    registry.ReadDword(u"StartupConfig_AutoRun", v.autoRun);
    registry.ReadDword(u"StartupConfig_SavePwd", v.savePassword);
    registry.ReadDword(u"GetSMSConfig_AutoGetSMS", v.autoGetSms);
    registry.ReadDword(u"GetSMSConfig_AutoExtractVCode", v.autoExtractCode);
    registry.ReadDword(u"GetSMSConfig_ListAutoSort", v.listAutoSort);
    registry.ReadDword(u"GetSMSConfig_SpaceTime", v.spaceTime);
    registry.ReadDword(u"GetSMSConfig_TimeoutTime", v.timeoutTime);
    registry.ReadDword(u"ExtractRuleConfig_ExtractMode", v.extractMode);
    registry.ReadString(u"ExtractRuleConfig_KeywordHead", v.keywordHead);
    registry.ReadString(u"ExtractRuleConfig_KeywordTail", v.keywordTail);
    registry.ReadDword(u"ExtractRuleConfig_VCodeLen", v.codeLength);
    registry.ReadDword(u"OtherConfig_WindowTop", v.windowTop);
    ReadHost(registry, u"ServerConfig_ApiHost", v.apiHost);
    ReadHost(registry, u"ServerConfig_ServicesHost", v.servicesHost);
    ReadHost(registry, u"ServerConfig_WebSite", v.webSite);
    v.password = HexDecode(storedPassword);

    AssignStoredValues(v);
}

void ConfigCenter::Save()
{
    // The record keeps the plain password: the encoded form exists only in the store, so saving
    // twice stores the same text rather than the encoding of the encoding.
    StoredValues v = CopyStoredValues();
    std::u16string program;
    {
        std::lock_guard<CriticalSection> guard(settingsLock);
        program = executablePath;
    }

    registry.SetKey(RootKey::CurrentUser, kSettingsKey);
    registry.WriteString(u"LoginConfig_User", v.userName);
    registry.WriteString(u"LoginConfig_Pwd", HexEncode(v.password));
    registry.WriteDword(u"StartupConfig_AutoRun", v.autoRun);
    registry.WriteDword(u"StartupConfig_SavePwd", v.savePassword);
    registry.WriteDword(u"GetSMSConfig_AutoGetSMS", v.autoGetSms);
    registry.WriteDword(u"GetSMSConfig_AutoExtractVCode", v.autoExtractCode);
    registry.WriteDword(u"GetSMSConfig_ListAutoSort", v.listAutoSort);
    registry.WriteDword(u"GetSMSConfig_SpaceTime", v.spaceTime);
    registry.WriteDword(u"GetSMSConfig_TimeoutTime", v.timeoutTime);
    registry.WriteDword(u"ExtractRuleConfig_ExtractMode", v.extractMode);
    registry.WriteString(u"ExtractRuleConfig_KeywordHead", v.keywordHead);
    registry.WriteString(u"ExtractRuleConfig_KeywordTail", v.keywordTail);
    registry.WriteDword(u"ExtractRuleConfig_VCodeLen", v.codeLength);
    registry.WriteDword(u"OtherConfig_WindowTop", v.windowTop);
    registry.WriteString(u"ServerConfig_ApiHost", AnsiToWide(v.apiHost));
    registry.WriteString(u"ServerConfig_ServicesHost", AnsiToWide(v.servicesHost));
    registry.WriteString(u"ServerConfig_WebSite", AnsiToWide(v.webSite));
    if (v.savePassword == 0)
        registry.DeleteValue(u"LoginConfig_Pwd");

    if (!manageAutoRunEntry)
        return;
    registry.SetKey(RootKey::CurrentUser, kRunKeyPath);
    if (v.autoRun != 0)
        registry.WriteString(kAutoRunValue, program);
    else
        registry.DeleteValue(kAutoRunValue);
}

} // namespace kh
