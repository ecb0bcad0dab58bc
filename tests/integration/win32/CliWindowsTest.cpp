// borvankh-cli.exe and kh-http.exe as processes against the sandbox the Linux side started:
// settings stored in the registry by `set`, then `get` signs in, rents three numbers and prints
// their codes, which are the codes the sandbox sent; kh-http signs in and prints the reply whole.
// The child programs use the real HKEY_CURRENT_USER (the override of TempSettingsDir is for this
// process only), so this test clears HKCU\Software\Zelto\KH before and after; it runs only with
// KH_WINDOWS_SANDBOX, that is under scripts/test-windows in its private wine prefix, never against
// a user's own settings.

#include "platform/Json.h"
#include "support/ChildProcess.h"
#include "support/SandboxProcess.h"

#include <cjson/cJSON.h>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <sstream>
#include <windows.h>

namespace kh {
namespace {

using test::SandboxProcess;

const wchar_t* kSettingsKey = L"Software\\Zelto\\KH";
const wchar_t* kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t* kAutoRunValue = L"ZeltoKH";

std::string Member(const cJSON* object, const char* name)
{
    const cJSON* value = cJSON_GetObjectItemCaseSensitive(object, name);
    return cJSON_IsString(value) ? value->valuestring : "";
}

std::string Utf8(const std::filesystem::path& path)
{
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// The reply's "code", written as a number or as text.
std::string CodeOf(const cJSON* reply)
{
    const cJSON* code = cJSON_GetObjectItemCaseSensitive(reply, "code");
    if (cJSON_IsNumber(code))
        return std::to_string(code->valueint);
    return cJSON_IsString(code) ? code->valuestring : "";
}

class CliWindowsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (std::getenv("KH_WINDOWS_SANDBOX") == nullptr)
            GTEST_SKIP() << "runs under scripts/test-windows only: it clears the real current-user settings key";
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, kAutoRunValue);
        std::error_code ec;
        folder = std::filesystem::temp_directory_path() / ("kh-cli-" + std::to_string(GetCurrentProcessId()));
        std::filesystem::create_directories(folder / "data", ec);
        ASSERT_FALSE(ec) << ec.message();
    }

    void TearDown() override
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
        RegDeleteKeyW(HKEY_CURRENT_USER, kSettingsKey);
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, kAutoRunValue);
        if (!folder.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        }
    }

    // Runs the client; its per-user folders (the journal, the tip log's fallback) are the test's.
    test::ProcessResult Cli(const std::vector<std::string>& args, const std::string& input = {})
    {
        std::vector<std::string> argv = {KH_BORVANKH_CLI_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        return test::RunProcess(argv, input, {"APPDATA=" + Utf8(folder), "LOCALAPPDATA=" + Utf8(folder / "data")});
    }

    std::filesystem::path folder;
};

TEST_F(CliWindowsTest, GetThroughTheRegistrySettingsPrintsTheThreeCodesTheSandboxSent)
{
    SandboxProcess sandbox;
    KH_REQUIRE_SANDBOX(sandbox);
    for (const char* name : {"api-host", "services-host", "web-site"})
        ASSERT_EQ(Cli({"set", name, sandbox.Host()}).status, 0);
    ASSERT_EQ(Cli({"set", "user", "demo"}).status, 0);
    ASSERT_EQ(Cli({"set", "password"}, "demo\n").status, 0);
    ASSERT_EQ(Cli({"set", "GetSMSConfig_SpaceTime", "200"}).status, 0);

    // The values landed in the registry, where the windowed client of earlier versions keeps them.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);

    test::ProcessResult run = Cli({"get", "--project", "1001", "--count", "3"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::map<std::string, std::string> codes;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, std::regex("([0-9]{11})\t([^\t]*)\t([^\t]*)"))) << line;
        codes[m[1]] = m[3];
    }
    ASSERT_EQ(codes.size(), 3u) << run.out;

    JsonPtr dump = ParseJson(sandbox.State());
    int matched = 0;
    const cJSON* account = nullptr;
    cJSON_ArrayForEach(account, cJSON_GetObjectItemCaseSensitive(dump.get(), "accounts"))
    {
        if (Member(account, "user") != "demo")
            continue;
        const cJSON* held = nullptr;
        cJSON_ArrayForEach(held, cJSON_GetObjectItemCaseSensitive(account, "held"))
        {
            auto row = codes.find(Member(held, "mobile"));
            if (row == codes.end())
                continue;
            ++matched;
            EXPECT_EQ(Member(held, "status"), "received");
            EXPECT_FALSE(row->second.empty()) << row->first;
            EXPECT_EQ(row->second, Member(held, "code")) << row->first;
        }
    }
    EXPECT_EQ(matched, 3) << run.out;
    EXPECT_NE(run.err.find("正在关闭软件...关闭完成。"), std::string::npos) << run.err;
}

// The auto-run entry set by the terminal client starts the window beside it: a Windows path that
// names borvankh.exe, which the uninstaller also recognises as its own. Switched off, it goes.
TEST_F(CliWindowsTest, AutoRunEntryNamesTheWindowProgramBesideIt)
{
    ASSERT_EQ(Cli({"set", "StartupConfig_AutoRun", "1"}).status, 0);
    wchar_t value[MAX_PATH * 2] = {};
    DWORD size = sizeof(value);
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, kRunKey, kAutoRunValue, RRF_RT_REG_SZ, nullptr, value, &size),
              ERROR_SUCCESS);
    std::wstring program(value);
    EXPECT_EQ(program.find(L'/'), std::wstring::npos) << Utf8(program);
    std::filesystem::path path(program);
    EXPECT_EQ(path.filename().wstring(), L"borvankh.exe") << Utf8(path);
    std::error_code ec;
    EXPECT_TRUE(
        std::filesystem::equivalent(path.parent_path(), std::filesystem::path(KH_BORVANKH_CLI_PATH).parent_path(), ec))
        << Utf8(path) << " " << ec.message();

    ASSERT_EQ(Cli({"set", "StartupConfig_AutoRun", "0"}).status, 0);
    size = sizeof(value);
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, kRunKey, kAutoRunValue, RRF_RT_REG_SZ, nullptr, value, &size),
              ERROR_FILE_NOT_FOUND);
}

// kh-http.exe writes the reply body byte for byte (binary standard output) and exits 0.
TEST(KhHttpWindowsTest, SignsInAtTheSandboxAndPrintsTheReplyWhole)
{
    SandboxProcess sandbox;
    KH_REQUIRE_SANDBOX(sandbox);
    test::ProcessResult ok = test::RunProcess({KH_KH_HTTP_PATH, sandbox.Url("/login"), "user=demo&pwd=demo"});
    ASSERT_EQ(ok.status, 0) << ok.err;
    JsonPtr reply = ParseJson(ok.out);
    ASSERT_NE(reply, nullptr) << ok.out;
    EXPECT_EQ(CodeOf(reply.get()), "0") << ok.out;
    EXPECT_FALSE(Member(reply.get(), "token").empty()) << ok.out;
    EXPECT_EQ(ok.out.find("\r\n"), std::string::npos) << "no text-mode line ends added";

    test::ProcessResult refused = test::RunProcess({KH_KH_HTTP_PATH, sandbox.Url("/login"), "user=demo&pwd=wrong"});
    EXPECT_EQ(refused.status, 0) << refused.err;
    JsonPtr refusal = ParseJson(refused.out);
    ASSERT_NE(refusal, nullptr) << refused.out;
    EXPECT_NE(CodeOf(refusal.get()), "") << refused.out;
    EXPECT_NE(CodeOf(refusal.get()), "0") << refused.out;
}

} // namespace
} // namespace kh
