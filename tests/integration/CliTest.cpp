// borvankh-cli as a process against the sandbox: the whole get flow (sign in, rent, SMS, codes,
// shutdown with the tip log), the failures that end it with the tip as the message, the command
// line, the password read from standard input and never from the command line, the desktop
// auto-run entry left alone unless asked for, that neither the password nor the token is ever
// printed, and the script-facing options of get: --quiet, --csv and --copy.

#include "platform/Json.h"
#include "platform/TextCodec.h"
#include "settings/PasswordHex.h"
#include "support/ChildProcess.h"
#include "support/CsvReader.h"
#include "support/SandboxProcess.h"
#include "support/TempSettingsDir.h"

#include <cJSON.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <memory>
#include <regex>
#include <sstream>

namespace kh {
namespace {

using test::SandboxProcess;
using test::TempSettingsDir;

using CliResult = test::ProcessResult;

// The tests see no credential store (their session bus is switched off), so a remembered password
// is kept in the settings; posix/CliKeyringTest.cpp runs the client with one.
constexpr const char* kUnprotectedPassword = "LoginConfig_Pwd=(stored unprotected in the settings";

// The entry the windowed client registers for the desktop session.
constexpr const char* kAutostartName = "ZeltoKH";

class CliTest : public ::testing::Test
{
protected:
    // Runs the client with args and input on its standard input. The settings home is the
    // temporary one, which the child inherits.
    CliResult Cli(const std::vector<std::string>& args, const std::string& input = {})
    {
        std::vector<std::string> argv = {KH_BORVANKH_CLI_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        return test::RunProcess(argv, input);
    }

    bool HasAutostartEntry() { return std::filesystem::exists(settings.AutostartFile(kAutostartName)); }

    // Points the stored hosts at the sandbox and stores the account, as a user would.
    void Configure(const std::string& password = "demo") { Configure(sandbox, password); }
    void Configure(SandboxProcess& target, const std::string& password = "demo")
    {
        ASSERT_TRUE(target.Started()) << target.Error();
        for (const char* name : {"api-host", "services-host", "web-site"})
            ASSERT_EQ(Cli({"set", name, target.Host()}).status, 0);
        ASSERT_EQ(Cli({"set", "user", "demo"}).status, 0);
        ASSERT_EQ(Cli({"set", "password"}, password + "\n").status, 0);
        ASSERT_EQ(Cli({"set", "GetSMSConfig_SpaceTime", "200"}).status, 0);
    }

    TempSettingsDir settings;
    SandboxProcess sandbox;
};

const cJSON* DemoAccount(const cJSON* dump)
{
    const cJSON* item = nullptr;
    cJSON_ArrayForEach(item, cJSON_GetObjectItemCaseSensitive(dump, "accounts"))
    {
        const cJSON* user = cJSON_GetObjectItemCaseSensitive(item, "user");
        if (cJSON_IsString(user) && std::string(user->valuestring) == "demo")
            return item;
    }
    return nullptr;
}

std::string Member(const cJSON* object, const char* name)
{
    const cJSON* value = cJSON_GetObjectItemCaseSensitive(object, name);
    return cJSON_IsString(value) ? value->valuestring : "";
}

TEST_F(CliTest, GetRentsNumbersPrintsTheirCodesAndClosesLikeTheWindow)
{
    Configure();
    CliResult run = Cli({"get", "--project", "1001", "--count", "3"});
    ASSERT_EQ(run.status, 0) << run.err;

    // The last printed state of each number: number, SMS, code.
    std::map<std::string, std::pair<std::string, std::string>> rows;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, std::regex("([0-9]{11})\t([^\t]*)\t([^\t]*)"))) << line;
        rows[m[1]] = {m[2], m[3]};
    }
    ASSERT_EQ(rows.size(), 3u) << run.out;

    JsonPtr dump = ParseJson(sandbox.State());
    const cJSON* account = DemoAccount(dump.get());
    ASSERT_NE(account, nullptr);
    const cJSON* held = nullptr;
    int matched = 0;
    cJSON_ArrayForEach(held, cJSON_GetObjectItemCaseSensitive(account, "held"))
    {
        auto row = rows.find(Member(held, "mobile"));
        if (row == rows.end())
            continue;
        ++matched;
        EXPECT_EQ(Member(held, "status"), "received");
        EXPECT_EQ(row->second.second, Member(held, "code")) << row->first;
        EXPECT_NE(row->second.first.find(Member(held, "code")), std::string::npos);
    }
    EXPECT_EQ(matched, 3);

    // Tips on stderr with their time stamps, ending with the shutdown and the saved-to line.
    std::regex stamped(R"(\[\d\d-\d\d\] \[\d\d:\d\d:\d\d\] .*)");
    std::istringstream errLines(run.err);
    std::string last;
    for (std::string line; std::getline(errLines, line);) {
        EXPECT_TRUE(std::regex_match(line, stamped)) << line;
        last = line;
    }
    EXPECT_NE(run.err.find("正在获取手机号码...成功获取了 3 个手机号码。"), std::string::npos);
    EXPECT_NE(run.err.find("正在关闭软件...关闭完成。"), std::string::npos);
    std::smatch saved;
    // The saved-to line names the log file by its full path.
    ASSERT_TRUE(std::regex_search(last, saved, std::regex(R"(已经保存到了 (/.+\.log) 文件中)"))) << last;
    std::string logFile = saved[1].str();
    EXPECT_EQ(logFile.rfind(std::filesystem::path(KH_BORVANKH_CLI_PATH).parent_path().string() + "/TipsLog/", 0), 0u)
        << logFile;
    std::u16string log;
    MultiByteToWide(kCpGbk, TempSettingsDir::ReadFile(logFile), log);
    EXPECT_NE(WideToUtf8(log).find("正在关闭软件...关闭完成。"), std::string::npos) << logFile;

    // Signing in, renting and saving at shutdown registered nothing for the desktop session.
    EXPECT_FALSE(HasAutostartEntry());

    // The token the sandbox issued appears nowhere.
    std::string token = Member(account, "token");
    ASSERT_FALSE(token.empty());
    EXPECT_EQ(run.out.find(token), std::string::npos);
    EXPECT_EQ(run.err.find(token), std::string::npos);
}

TEST_F(CliTest, FailuresExitNonZeroWithTheTipAsTheMessage)
{
    Configure("wrong-password");
    CliResult refused = Cli({"get", "--project", "1001"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(std::regex_search(refused.err, std::regex("borvankh-cli: 登录失败！[1-9][0-9]*"))) << refused.err;
    EXPECT_EQ(refused.err.find("wrong-password"), std::string::npos);

    ASSERT_EQ(Cli({"set", "password"}, "demo\n").status, 0);
    test::SandboxFault fault;
    fault.path = "/get_mobile";
    fault.kind = "reply";
    fault.code = "911";
    fault.msg = "没有可用号码";
    ASSERT_TRUE(sandbox.InjectFault(fault));
    CliResult noNumbers = Cli({"get", "--project", "1001", "--count", "2"});
    EXPECT_EQ(noNumbers.status, 1);
    EXPECT_NE(noNumbers.err.find("borvankh-cli: 正在获取手机号码...获取失败！911没有可用号码"), std::string::npos)
        << noNumbers.err;
    EXPECT_NE(noNumbers.err.find("正在关闭软件...关闭完成。"), std::string::npos);

    // A project list cut short is a failure, not an empty list fetched.
    fault.path = "/get_project_list";
    fault.kind = "malformed";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"projects"}, std::vector<std::string>{"get", "--project", "1001"}}) {
        ASSERT_TRUE(sandbox.InjectFault(fault));
        CliResult damaged = Cli(args);
        EXPECT_EQ(damaged.status, 1) << args[0];
        EXPECT_NE(damaged.err.find("正在获取项目列表...获取失败！项目列表已损坏。"), std::string::npos) << damaged.err;
        EXPECT_EQ(damaged.err.find("获取成功"), std::string::npos) << damaged.err;
        EXPECT_EQ(damaged.out, "");
    }
}

// The exit status of get says whether every rented number got its code: 0 only then, 3 when the
// run ended with a number without one, 1 when it failed before any number was rented.
TEST_F(CliTest, GetExitStatusSaysWhetherEveryNumberGotItsCode)
{
    // Quick SMS, one project whose SMS never come, one whose SMS hold no code and one that is not a
    // favourite (the project box shows only the favourites).
    test::SandboxOptions options;
    options.seed = 7;
    options.scenarioJson = R"({"accounts": [{"user": "demo", "pwd": "demo", "balance": "100.00",
                                              "favourites": ["1001", "2001", "2002"]}],
        "projects": [{"pid": "1001", "pname": "云购商城", "delay_min_ms": 0, "delay_max_ms": 100},
                     {"pid": "2001", "pname": "静默商城", "no_sms_probability": 1.0},
                     {"pid": "2002", "pname": "无码商城", "sms_template": "【无码商城】欢迎注册。",
                      "delay_min_ms": 0, "delay_max_ms": 100},
                     {"pid": "3003", "pname": "外部商城", "delay_min_ms": 0, "delay_max_ms": 100}]})";
    SandboxProcess quick(options);
    Configure(quick);
    ASSERT_EQ(Cli({"set", "GetSMSConfig_SpaceTime", "100"}).status, 0);
    ASSERT_EQ(Cli({"set", "GetSMSConfig_TimeoutTime", "1500"}).status, 0);

    struct Case
    {
        const char* name;
        std::vector<std::string> args;
        bool malformedSms; // every /get_sms reply is broken JSON
        int status;
    } cases[] = {
        {"every number gets its code", {"get", "--project", "1001", "--count", "2"}, false, 0},
        {"every SMS reply malformed", {"get", "--project", "1001", "--count", "2"}, true, 3},
        {"SMS never come", {"get", "--project", "2001"}, false, 3},
        {"SMS without a code", {"get", "--project", "2002"}, false, 3},
        {"project id outside the favourites", {"get", "--project", "3003"}, false, 0},
        {"word of a name outside the favourites", {"get", "--project", "外部"}, false, 0},
        {"unknown project", {"get", "--project", "9999"}, false, 1},
        {"bad count", {"get", "--project", "1001", "--count", "-1"}, false, 2},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(quick.ClearFaults());
        if (c.malformedSms) {
            test::SandboxFault fault;
            fault.path = "/get_sms";
            fault.kind = "malformed";
            fault.count = 1000000;
            ASSERT_TRUE(quick.InjectFault(fault));
        }
        CliResult run = Cli(c.args);
        EXPECT_EQ(run.status, c.status) << c.name << "\n" << run.out << run.err;
        // Numbers were rented in every case that got past the project: they are settled at exit.
        if (c.status == 0 || c.status == 3) {
            EXPECT_NE(run.err.find("正在关闭软件...关闭完成。"), std::string::npos) << c.name << "\n" << run.err;
        }
    }
}

// Anyone may send an SMS to a rented number: its control characters (a title change, a cursor
// move, a bidirectional override) are shown visibly on the terminal, never acted on, while the CSV
// export keeps the exact text.
TEST_F(CliTest, ControlCharactersFromTheServerNeverReachTheTerminal)
{
    test::SandboxOptions options;
    options.scenarioJson = R"({"accounts": [{"user": "demo", "pwd": "demo", "balance": "100.00"}],
        "projects": [{"pid": "3001", "pname": "控制\u001b[2J商城", "delay_min_ms": 0, "delay_max_ms": 50,
                      "sms_template": "\u001b]0;pwned\u0007【控制】验证码{code}\u202e\u009b2J\u007f"}]})";
    SandboxProcess hostile(options);
    Configure(hostile);
    ASSERT_EQ(Cli({"set", "GetSMSConfig_SpaceTime", "100"}).status, 0);
    std::string csv = settings.Path() + "/list.csv";

    CliResult run = Cli({"get", "--project", "3001", "--csv", csv});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const std::string* stream : {&run.out, &run.err}) {
        for (const char* raw : {"\x1b", "\x07", "\x7f", "\xc2\x9b", "\xe2\x80\xae"})
            EXPECT_EQ(stream->find(raw), std::string::npos) << ::testing::PrintToString(*stream);
    }
    EXPECT_NE(run.out.find("\t␛]0;pwned␇【控制】验证码"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("<U+202E><U+009B>2J␡\t"), std::string::npos) << run.out;
    CliResult projects = Cli({"projects"});
    EXPECT_NE(projects.out.find("3001：控制␛[2J商城\n"), std::string::npos) << projects.out;

    std::string exported = TempSettingsDir::ReadFile(csv);
    EXPECT_NE(exported.find("\x1b]0;pwned\x07【控制】验证码"), std::string::npos);
    EXPECT_NE(exported.find("\xe2\x80\xae\xc2\x9b"
                            "2J\x7f"),
              std::string::npos);
}

TEST_F(CliTest, CommandLineIsCheckedAndSecretsAreNotShown)
{
    struct Case
    {
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {{"--help"}, 0},
        {{"get", "--help"}, 0},
        {{"set", "--help"}, 0},
        {{"projects", "--help"}, 0},
        {{"account", "--help"}, 0},
        {{"show", "--help"}, 0},
        {{}, 2},
        {{"fly"}, 2},
        {{"get"}, 2},
        {{"get", "--project", "1001", "--count", "0"}, 2},
        {{"get", "--project", "1001", "--count", "many"}, 2},
        {{"get", "--project", "1001", "--csv"}, 2},
        {{"get", "--project", "1001", "--csv", "/no/such/folder/list.csv"}, 2},
        {{"get", "--project", "1001", "--csv", "/tmp"}, 2},
        {{"set", "GetSMSConfig_SpaceTime", "-5"}, 2},
        {{"set", "ServerConfig_ApiHost", "http://x/p"}, 2},
        {{"set", "ServerConfig_ApiHost", "[::1]:8080"}, 2},
        {{"set", "NoSuchSetting", "1"}, 2},
        {{"set", "user"}, 2},
    };
    for (const Case& c : cases) {
        CliResult result = Cli(c.args);
        EXPECT_EQ(result.status, c.status) << ::testing::PrintToString(c.args) << result.err;
        if (c.status == 0) {
            EXPECT_NE(result.out.find("usage: borvankh-cli"), std::string::npos);
        }
    }

    ASSERT_EQ(Cli({"set", "password"}, "s3cr3t-pw\n").status, 0);
    ASSERT_EQ(Cli({"set", "ExtractRuleConfig_KeywordHead", "验证码"}).status, 0);
    CliResult shown = Cli({"show"});
    EXPECT_EQ(shown.status, 0);
    EXPECT_EQ(shown.out.find("s3cr3t-pw"), std::string::npos);
    EXPECT_NE(shown.out.find(kUnprotectedPassword), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("StartupConfig_SavePwd=1\n"), std::string::npos);
    EXPECT_NE(shown.out.find("ExtractRuleConfig_KeywordHead=验证码\n"), std::string::npos);
    EXPECT_NE(TempSettingsDir::ReadFile(settings.SettingsFile()).find("ExtractRuleConfig_KeywordHead"),
              std::string::npos);
}

// A polling setting outside what the settings centre accepts is stored all the same (tests and
// scripts use short values), with a warning that names the centre's range.
TEST_F(CliTest, SetWarnsAboutPollingValuesOutsideTheSettingsCentresRange)
{
    struct Case
    {
        const char* name;
        const char* value;
        const char* warning; // empty: none
    } cases[] = {
        {"GetSMSConfig_SpaceTime", "4294967295", "outside what the settings centre accepts, 5 to 60 seconds"},
        {"GetSMSConfig_SpaceTime", "0", "stored all the same (SMS fetching waits at least 100 ms"},
        {"GetSMSConfig_SpaceTime", "5000", ""},
        {"GetSMSConfig_TimeoutTime", "3000", "1 to 20 minutes (60000 to 1200000 ms)"},
        {"GetSMSConfig_TimeoutTime", "1200000", ""},
        {"ExtractRuleConfig_VCodeLen", "0", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + "=" + c.value);
        CliResult set = Cli({"set", c.name, c.value});
        EXPECT_EQ(set.status, 0);
        EXPECT_EQ(set.out, std::string(c.name) + "=" + c.value + "\n");
        if (*c.warning == '\0') {
            EXPECT_EQ(set.err, "");
        } else {
            EXPECT_NE(set.err.find(c.warning), std::string::npos) << set.err;
        }
        EXPECT_NE(Cli({"show"}).out.find(std::string(c.name) + "=" + c.value + "\n"), std::string::npos);
    }
}

TEST_F(CliTest, AccountAndProjectsShowWhatTheWindowWould)
{
    Configure();
    CliResult account = Cli({"account"});
    ASSERT_EQ(account.status, 0) << account.err;
    EXPECT_EQ(account.out.substr(0, account.out.find('\n')), "用户名：demo");
    EXPECT_NE(account.out.find("\n积分："), std::string::npos);

    CliResult search = Cli({"projects", "--search", "外卖"});
    ASSERT_EQ(search.status, 0) << search.err;
    EXPECT_NE(search.out.find("1004：青柠外卖\n"), std::string::npos) << search.out;
    EXPECT_FALSE(HasAutostartEntry());
}

TEST_F(CliTest, PasswordComesFromStandardInputNeverFromTheCommandLine)
{
    // On the command line it would be in the process list: refused, and nothing is stored.
    CliResult argument = Cli({"set", "password", "on-the-command-line"});
    EXPECT_EQ(argument.status, 2);
    EXPECT_NE(argument.err.find("not taken on the command line"), std::string::npos) << argument.err;
    EXPECT_NE(Cli({"show"}).out.find("LoginConfig_Pwd=(none)\n"), std::string::npos);
    EXPECT_EQ(TempSettingsDir::ReadFile(settings.SettingsFile()).find(WideToUtf8(HexEncode(u"on-the-command-line"))),
              std::string::npos);

    // No line on standard input: nothing to store.
    EXPECT_EQ(Cli({"set", "password"}).status, 2);
    EXPECT_EQ(Cli({"set", "password"}, "\n").status, 2);
    EXPECT_NE(Cli({"show"}).out.find("LoginConfig_Pwd=(none)\n"), std::string::npos);

    // One line is read (without its line end, CR LF included); the rest stays unread.
    CliResult piped = Cli({"set", "password"}, "pw from stdin\r\nsecond line\n");
    ASSERT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out.rfind(kUnprotectedPassword, 0), 0u) << piped.out;
    EXPECT_EQ(piped.err.find("pw from stdin"), std::string::npos);
    std::string stored = TempSettingsDir::ReadFile(settings.SettingsFile());
    EXPECT_NE(stored.find("\"" + WideToUtf8(HexEncode(u"pw from stdin")) + "\""), std::string::npos) << stored;
    CliResult shown = Cli({"show"});
    EXPECT_NE(shown.out.find(kUnprotectedPassword), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("StartupConfig_SavePwd=1\n"), std::string::npos);
}

TEST_F(CliTest, AutostartEntryOnlyFollowsAnExplicitAutoRunSetting)
{
    // The stored default is "auto-run on", yet neither set nor show registers anything.
    ASSERT_EQ(Cli({"set", "user", "demo"}).status, 0);
    ASSERT_EQ(Cli({"set", "GetSMSConfig_SpaceTime", "500"}).status, 0);
    ASSERT_EQ(Cli({"show"}).status, 0);
    EXPECT_NE(Cli({"show"}).out.find("StartupConfig_AutoRun=1\n"), std::string::npos);
    EXPECT_FALSE(HasAutostartEntry());

    // Asked for: the entry starts the windowed client beside the terminal one.
    CliResult on = Cli({"set", "StartupConfig_AutoRun", "1"});
    ASSERT_EQ(on.status, 0) << on.err;
    ASSERT_TRUE(HasAutostartEntry());
    std::string windowed = std::filesystem::path(KH_BORVANKH_CLI_PATH).parent_path().string() + "/borvankh";
    std::string entry = TempSettingsDir::ReadFile(settings.AutostartFile(kAutostartName));
    EXPECT_NE(entry.find("Exec=" + windowed), std::string::npos) << entry;

    // Other settings leave it as it is, even when its text was changed meanwhile.
    std::ofstream(settings.AutostartFile(kAutostartName), std::ios::app) << "X-Changed=1\n";
    std::string changed = TempSettingsDir::ReadFile(settings.AutostartFile(kAutostartName));
    ASSERT_EQ(Cli({"set", "user", "other"}).status, 0);
    EXPECT_EQ(TempSettingsDir::ReadFile(settings.AutostartFile(kAutostartName)), changed);

    // Switched off: removed; and an entry that appears later (the windowed client's) stays.
    ASSERT_EQ(Cli({"set", "StartupConfig_AutoRun", "0"}).status, 0);
    EXPECT_FALSE(HasAutostartEntry());
    std::ofstream(settings.AutostartFile(kAutostartName)) << entry;
    ASSERT_EQ(Cli({"set", "user", "demo"}).status, 0);
    EXPECT_TRUE(HasAutostartEntry());
}

// The codes the sandbox handed out, by number, from its state.
std::map<std::string, std::string> SandboxCodes(SandboxProcess& sandbox)
{
    std::map<std::string, std::string> codes;
    JsonPtr dump = ParseJson(sandbox.State());
    const cJSON* held = nullptr;
    cJSON_ArrayForEach(held, cJSON_GetObjectItemCaseSensitive(DemoAccount(dump.get()), "held"))
    {
        codes[Member(held, "mobile")] = Member(held, "code");
    }
    return codes;
}

// For scripts: stdout holds "number<TAB>code" lines and nothing else, stderr nothing at all, and the
// CSV file written at the end holds the same numbers and codes with the rest of the list.
TEST_F(CliTest, QuietGetPrintsNumberAndCodeLinesAndWritesTheListAsCsv)
{
    Configure();
    std::string csv = settings.Path() + "/号码列表.csv";
    CliResult run = Cli({"get", "--project", "1001", "--count", "3", "--quiet", "--csv", csv});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");

    std::map<std::string, std::string> printed;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, std::regex("([0-9]{11})\t([0-9]{4,8})"))) << line;
        EXPECT_TRUE(printed.emplace(m[1], m[2]).second) << "printed twice: " << line;
    }
    ASSERT_EQ(printed.size(), 3u) << run.out;
    std::map<std::string, std::string> codes = SandboxCodes(sandbox);
    for (const auto& [number, code] : printed)
        EXPECT_EQ(codes[number], code) << number;

    std::optional<test::CsvFile> file = test::ReadCsv(TempSettingsDir::ReadFile(csv));
    ASSERT_TRUE(file.has_value());
    EXPECT_TRUE(file->byteOrderMark);
    ASSERT_EQ(file->records.size(), 4u);
    EXPECT_EQ(file->records[0],
              (std::vector<std::string>{"序号", "手机号码", "短信", "验证码", "归属信息", "收到时间"}));
    for (size_t i = 1; i < file->records.size(); ++i) {
        const std::vector<std::string>& row = file->records[i];
        ASSERT_EQ(row.size(), 6u);
        EXPECT_EQ(row[0], std::to_string(i));
        EXPECT_EQ(printed[row[1]], row[3]) << row[1];
        EXPECT_NE(row[2].find(row[3]), std::string::npos) << row[2];
        EXPECT_FALSE(row[4].empty());
        EXPECT_TRUE(std::regex_match(row[5], std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)"))) << row[5];
    }
}

// --copy reaches the desktop's clipboard through xclip, and only where there is a display.
TEST_F(CliTest, CopyPutsTheCodeOnTheDesktopsClipboard)
{
    Configure();
    CliResult headless = test::RunProcess({KH_BORVANKH_CLI_PATH, "get", "--project", "1001", "--copy"}, {},
                                          {"DISPLAY", "WAYLAND_DISPLAY"});
    EXPECT_EQ(headless.status, 1);
    EXPECT_NE(headless.err.find("DISPLAY is not set"), std::string::npos) << headless.err;
    EXPECT_EQ(sandbox.RequestCount("/get_mobile"), 0) << "nothing is rented without the clipboard";

    std::string xvfbRun = "/usr/bin/xvfb-run";
    if (!std::filesystem::exists(xvfbRun) || !std::filesystem::exists("/usr/bin/xclip"))
        GTEST_SKIP() << "xvfb-run and xclip are needed for a display with a clipboard (scripts/setup installs them)";
    // The client and then a reader of the clipboard on the same virtual display; the code stays on
    // the clipboard after the client has ended.
    CliResult run = test::RunProcess({xvfbRun, "-a", "sh", "-c", "\"$0\" \"$@\" && xclip -o -selection clipboard",
                                      KH_BORVANKH_CLI_PATH, "get", "--project", "1001", "--copy", "--quiet"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(run.out, m, std::regex("([0-9]{11})\t([0-9]{4,8})\n(.*)"))) << run.out;
    EXPECT_EQ(m[3].str(), m[2].str());
    EXPECT_EQ(SandboxCodes(sandbox)[m[1]], m[2].str());
}

} // namespace
} // namespace kh
