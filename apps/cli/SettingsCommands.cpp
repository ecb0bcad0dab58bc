// set and show: the settings by their stored names, through the settings record the windowed
// client loads and saves. The password never comes from the command line and is never printed.

#include "CliSession.h"
#include "Commands.h"
#include "Interrupts.h"
#include "Output.h"
#include "numbers/SMSManager.h"
#include "platform/CredentialStore.h"
#include "platform/Terminal.h"
#include "platform/TextCodec.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace kh::cli {

namespace {

const char* kSetHelp = R"(usage: borvankh-cli set NAME VALUE
       borvankh-cli set password

Stores one setting. NAME is the stored name or its short form:
  user (LoginConfig_User), api-host (ServerConfig_ApiHost), services-host
  (ServerConfig_ServicesHost), web-site (ServerConfig_WebSite), tls-ca-file
  (ServerConfig_TlsCaFile), tls-insecure (ServerConfig_TlsInsecure), and every other stored name
  as "borvankh-cli show" lists it.
Numbers take 0 to 4294967295; hosts take "host" or "host:port", optionally after "http://" or
"https://", with at most a trailing "/"; the web site also takes an IPv6 address in brackets
("[::1]:8080"), the API and services hosts only names and IPv4 addresses.
GetSMSConfig_SpaceTime and GetSMSConfig_TimeoutTime (milliseconds) outside what the settings
centre accepts (5 to 60 seconds, 1 to 20 minutes) are stored with a warning; SMS fetching never
asks for a number more often than every 100 ms.
The password (LoginConfig_Pwd) is never given on the command line, where every user of the
machine can read it: "set password" reads one line from standard input (typed without echo on a
terminal, or piped), and also sets StartupConfig_SavePwd to 1 so that the password is kept.
It is kept in the system's credential store (the Secret Service of the desktop session's keyring
on Linux, Credential Manager on Windows); where none answers, in the settings as hexadecimal digits,
unprotected, with a warning that says why.
The desktop auto-run entry of the windowed client is changed only by "set StartupConfig_AutoRun".
)";

const char* kShowHelp = R"(usage: borvankh-cli show

Prints every setting as NAME=VALUE. The password is never printed: its line says where it is kept,
in the system's credential store or unprotected in the settings, or that there is none.
)";

constexpr const char* kAutoRunName = "StartupConfig_AutoRun";

// What the settings centre accepts for the polling settings. set stores a value outside it all the
// same (short values are legitimate for tests and scripts), but says so.
struct AdvisedRange
{
    const char* name;
    uint32_t low;
    uint32_t high;
    const char* words;
};
constexpr AdvisedRange kAdvisedRanges[] = {
    {"GetSMSConfig_SpaceTime", 5000, 60000, "5 to 60 seconds (5000 to 60000 ms)"},
    {"GetSMSConfig_TimeoutTime", 60000, 1200000, "1 to 20 minutes (60000 to 1200000 ms)"},
};

// The warning for value of the setting name, empty when it lies within what the settings centre
// accepts (or the setting has no such range).
std::string RangeWarning(const std::string& name, const std::string& value)
{
    uint32_t number = 0;
    if (!ParseDecimal32(value, number))
        return {};
    for (const AdvisedRange& range : kAdvisedRanges) {
        if (name != range.name || (number >= range.low && number <= range.high))
            continue;
        std::string warning = "borvankh-cli: warning: " + name + "=" + value +
                              " lies outside what the settings centre accepts, " + range.words +
                              "; stored all the same";
        if (name == "GetSMSConfig_SpaceTime" && number < SMSManager::kMinIntervalMs)
            warning += " (SMS fetching waits at least " + std::to_string(SMSManager::kMinIntervalMs) +
                       " ms between two requests for a number)";
        return warning;
    }
    return {};
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

// Where the remembered password is kept, in place of its value.
std::string PasswordShown(const ConfigCenter& config, const SettingsValues& values)
{
    if (values.password.empty())
        return "(none)";
    switch (config.PasswordKeptIn()) {
    case ConfigCenter::PasswordPlace::CredentialStore:
        return std::string("(stored in ") + CredentialStoreName() + ")";
    case ConfigCenter::PasswordPlace::Settings: {
        std::string why = config.PasswordStoreProblem();
        return "(stored unprotected in the settings, as hexadecimal digits" +
               (why.empty() ? std::string() : ": no credential store: " + why) + ")";
    }
    case ConfigCenter::PasswordPlace::None:
        break;
    }
    return "(not stored)";
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
    const SettingEntry* entry = FindSetting(args[0]);
    if (entry == nullptr)
        return Usage("unknown setting \"" + args[0] + "\"", kSetHelp);
    std::string value;
    if (entry->IsSecret()) {
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
    std::string problem;
    if (!CheckSettingText(*entry, value, problem))
        return Usage(problem, kSetHelp);

    CliSession cli;
    cli.Load();
    ConfigCenter& config = cli.Session().Config();
    bool autoRun = std::string(entry->name) == kAutoRunName;
    config.SetSettingText(*entry, value, problem);
    if (entry->IsSecret())
        config.Update([](SettingsValues& values) { values.savePassword = 1; });
    std::u16string program = config.ExecutablePath();
    // Only this setting registers or unregisters the windowed client for the desktop session.
    config.SetAutoRunEntryManaged(autoRun);
    config.Save();
    PrintOut(std::string(entry->name) + "=" + (entry->IsSecret() ? PasswordShown(config, config.Snapshot()) : value));
    if (std::string warning = RangeWarning(entry->name, value); !warning.empty())
        PrintErr(warning);
    if (autoRun && value != "0" && !std::filesystem::exists(std::filesystem::path(program)))
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
    SettingsValues values = config.Snapshot();
    for (const SettingEntry& entry : SettingsTable()) {
        std::string value = SettingText(values, entry);
        if (entry.IsSecret())
            value = PasswordShown(config, values);
        PrintOut(std::string(entry.name) + "=" + value);
    }
    return kExitOk;
}

} // namespace kh::cli
