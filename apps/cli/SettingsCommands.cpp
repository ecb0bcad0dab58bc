// set and show: the settings by their stored names, through the settings record the windowed
// client loads and saves. The password never comes from the command line and is never printed.

#include "CliSession.h"
#include "Commands.h"
#include "Interrupts.h"
#include "Output.h"
#include "platform/Terminal.h"
#include "platform/TextCodec.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kh::cli {

namespace {

const char* kSetHelp = R"(usage: borvankh-cli set NAME VALUE
       borvankh-cli set password

Stores one setting. NAME is the stored name or its short form:
  user (LoginConfig_User), api-host (ServerConfig_ApiHost), services-host
  (ServerConfig_ServicesHost), web-site (ServerConfig_WebSite), and every other stored name as
  "borvankh-cli show" lists it.
Numbers take 0 to 4294967295; hosts take "host" or "host:port".
The password (LoginConfig_Pwd) is never given on the command line, where every user of the
machine can read it: "set password" reads one line from standard input (typed without echo on a
terminal, or piped), and also sets StartupConfig_SavePwd to 1 so that the password is kept.
The desktop auto-run entry of the windowed client is changed only by "set StartupConfig_AutoRun".
)";

const char* kShowHelp = R"(usage: borvankh-cli show

Prints every setting as NAME=VALUE. The password shows only whether one is stored.
)";

constexpr const char* kAutoRunName = "StartupConfig_AutoRun";

struct SettingInfo
{
    const char* name;
    const char* alias;
    enum Kind
    {
        Text,
        Number,
        Host,
        Secret,
    } kind;
    std::function<std::string(ConfigCenter&)> get;
    std::function<void(ConfigCenter&, const std::string&)> set;
};

template <std::u16string ConfigCenter::*member>
SettingInfo WideSetting(const char* name, const char* alias, SettingInfo::Kind kind = SettingInfo::Text)
{
    return {name, alias, kind, [](ConfigCenter& c) { return WideToAnsi(c.*member); },
            [](ConfigCenter& c, const std::string& v) { c.*member = AnsiToWide(v); }};
}

template <uint32_t ConfigCenter::*member> SettingInfo NumberSetting(const char* name, const char* alias = nullptr)
{
    return {name, alias, SettingInfo::Number, [](ConfigCenter& c) { return std::to_string(c.*member); },
            [](ConfigCenter& c, const std::string& v) { c.*member = static_cast<uint32_t>(std::stoul(v)); }};
}

template <std::string ConfigCenter::*member> SettingInfo HostSetting(const char* name, const char* alias)
{
    return {name, alias, SettingInfo::Host, [](ConfigCenter& c) { return c.*member; },
            [](ConfigCenter& c, const std::string& v) { c.*member = v; }};
}

const std::vector<SettingInfo>& Settings()
{
    static const std::vector<SettingInfo> settings = {
        WideSetting<&ConfigCenter::userName>("LoginConfig_User", "user"),
        WideSetting<&ConfigCenter::password>("LoginConfig_Pwd", "password", SettingInfo::Secret),
        NumberSetting<&ConfigCenter::autoRun>(kAutoRunName),
        NumberSetting<&ConfigCenter::savePassword>("StartupConfig_SavePwd"),
        NumberSetting<&ConfigCenter::autoGetSms>("GetSMSConfig_AutoGetSMS"),
        NumberSetting<&ConfigCenter::autoExtractCode>("GetSMSConfig_AutoExtractVCode"),
        NumberSetting<&ConfigCenter::listAutoSort>("GetSMSConfig_ListAutoSort"),
        NumberSetting<&ConfigCenter::spaceTime>("GetSMSConfig_SpaceTime"),
        NumberSetting<&ConfigCenter::timeoutTime>("GetSMSConfig_TimeoutTime"),
        NumberSetting<&ConfigCenter::extractMode>("ExtractRuleConfig_ExtractMode"),
        WideSetting<&ConfigCenter::keywordHead>("ExtractRuleConfig_KeywordHead", nullptr),
        WideSetting<&ConfigCenter::keywordTail>("ExtractRuleConfig_KeywordTail", nullptr),
        NumberSetting<&ConfigCenter::codeLength>("ExtractRuleConfig_VCodeLen"),
        NumberSetting<&ConfigCenter::windowTop>("OtherConfig_WindowTop"),
        HostSetting<&ConfigCenter::apiHost>("ServerConfig_ApiHost", "api-host"),
        HostSetting<&ConfigCenter::servicesHost>("ServerConfig_ServicesHost", "services-host"),
        HostSetting<&ConfigCenter::webSite>("ServerConfig_WebSite", "web-site"),
    };
    return settings;
}

const SettingInfo* FindSetting(const std::string& name)
{
    for (const SettingInfo& entry : Settings())
        if (name == entry.name || (entry.alias != nullptr && name == entry.alias))
            return &entry;
    return nullptr;
}

// "host" or "host:port": no scheme, no path, no spaces.
bool IsHost(const std::string& text)
{
    if (text.empty() || text.find_first_of(" /\t\r\n?#@") != std::string::npos)
        return false;
    size_t colon = text.rfind(':');
    if (colon == std::string::npos)
        return true;
    std::string port = text.substr(colon + 1);
    return colon > 0 && IsDecimal32(port) && std::stoul(port) >= 1 && std::stoul(port) <= 65535;
}

// The password from standard input; an interrupt while it is typed puts the terminal's echo back.
bool ReadPassword(std::string& password)
{
    InterruptScope restoreEcho([] {
        RestoreTerminalEcho();
        std::_Exit(kExitInterrupted);
    });
    return ReadSecretLine("Password: ", password) && !password.empty();
}

} // namespace

int CommandSet(const std::vector<std::string>& args)
{
    if (WantsHelp(args)) {
        PrintOut(kSetHelp);
        return kExitOk;
    }
    if (args.empty() || args.size() > 2)
        return Usage("set takes a NAME and a VALUE", kSetHelp);
    const SettingInfo* entry = FindSetting(args[0]);
    if (entry == nullptr)
        return Usage("unknown setting \"" + args[0] + "\"", kSetHelp);
    std::string value;
    if (entry->kind == SettingInfo::Secret) {
        if (args.size() == 2)
            return Usage("the password is not taken on the command line, where other users can read it in the "
                         "process list; run \"borvankh-cli set password\" and type it, or pipe it to it",
                         kSetHelp);
        if (!ReadPassword(value))
            return Usage("no password on standard input", kSetHelp);
    } else {
        if (args.size() != 2)
            return Usage("set takes a NAME and a VALUE", kSetHelp);
        value = args[1];
    }
    if (entry->kind == SettingInfo::Number && !IsDecimal32(value))
        return Usage(std::string(entry->name) + " takes a number from 0 to 4294967295", kSetHelp);
    if (entry->kind == SettingInfo::Host && !IsHost(value))
        return Usage(std::string(entry->name) + " takes \"host\" or \"host:port\"", kSetHelp);

    CliSession cli;
    cli.Load();
    ConfigCenter& config = cli.Session().Config();
    bool autoRun = std::string(entry->name) == kAutoRunName;
    std::u16string program;
    {
        std::lock_guard<CriticalSection> guard(config.SettingsLock());
        entry->set(config, value);
        if (entry->kind == SettingInfo::Secret)
            config.savePassword = 1;
        program = config.executablePath;
    }
    // Only this setting registers or unregisters the windowed client for the desktop session.
    config.SetAutoRunEntryManaged(autoRun);
    config.Save();
    PrintOut(std::string(entry->name) + "=" + (entry->kind == SettingInfo::Secret ? "(stored)" : value));
    if (autoRun && value != "0" && !std::filesystem::exists(WideToUtf8(program)))
        PrintErr("borvankh-cli: note: the auto-run entry starts " + WideToUtf8(program) + ", which is not built yet");
    return kExitOk;
}

int CommandShow(const std::vector<std::string>& args)
{
    if (WantsHelp(args)) {
        PrintOut(kShowHelp);
        return kExitOk;
    }
    if (!args.empty())
        return Usage("show takes no arguments", kShowHelp);
    CliSession cli;
    cli.Load();
    ConfigCenter& config = cli.Session().Config();
    std::lock_guard<CriticalSection> guard(config.SettingsLock());
    for (const SettingInfo& entry : Settings()) {
        std::string value = entry.get(config);
        if (entry.kind == SettingInfo::Secret)
            value = value.empty() ? "(none)" : "(stored)";
        PrintOut(std::string(entry.name) + "=" + value);
    }
    return kExitOk;
}

} // namespace kh::cli
