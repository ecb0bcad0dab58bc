// Version check: the offer's text, the numeric comparison of versions, the missing-field tips, the
// repeat after the interval, and opening the download page.

#include "account/UpdateManager.h"

#include "core/OwnerWindow.h"
#include "headless/HeadlessMessageBox.h"
#include "headless/HeadlessShell.h"
#include "platform/TextCodec.h"
#include "settings/ConfigCenter.h"
#include "support/SandboxProcess.h"
#include "support/ScriptedServer.h"
#include "support/TipRecorder.h"
#include "support/WaitUntil.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace kh {
namespace {

using test::ScriptedServer;
using test::TipRecorder;
using test::WaitUntil;

std::string VersionReply(const std::string& version, const std::string& notes)
{
    std::string body = R"({"code":0,"msg":"ok","version":")" + version + "\"";
    if (!notes.empty())
        body += R"(,"update_content":")" + notes + "\"";
    return test::ScriptedServer::JsonReply(body + "}");
}

class UpdateManagerTest : public ::testing::Test
{
protected:
    // A test that failed half-way must still not destroy a manager under its running worker.
    void TearDown() override
    {
        updates.StopVersionCheck();
        EXPECT_TRUE(WaitUntil([&] { return !updates.IsBusy(); }, std::chrono::seconds(30)));
    }
    // Runs checks until the server has answered twice (so the first offer is complete), then stops.
    void CheckTwice(ScriptedServer& server)
    {
        config.Update([&](SettingsValues& values) {
            values.servicesHost = "127.0.0.1:" + std::to_string(server.Port());
            values.webSite = "site.test:8080";
        });
        updates.StartVersionCheck();
        EXPECT_TRUE(server.WaitForRequests(2));
        updates.StopVersionCheck();
        ASSERT_TRUE(WaitUntil([&] { return !updates.IsBusy(); }));
    }

    TipRecorder tips;
    ConfigCenter config{nullptr, nullptr, nullptr};
    HeadlessMessageBox messageBox{kIdCancel};
    HeadlessShell shell;
    OwnerWindow owner{.config = &config, .controls = {.messageBox = &messageBox, .shell = &shell}};
    UpdateManager updates{&owner, &TipRecorder::Callback, tips.Context(), 20};
};

TEST_F(UpdateManagerTest, NewerVersionIsOfferedWithItsNotes)
{
    ScriptedServer server(VersionReply("1.2", R"(修复问题\r\n提高速度)"));
    CheckTwice(server);
    auto shown = messageBox.Shown();
    ASSERT_GE(shown.size(), 2u) << "declined offers are made again at the next check";
    EXPECT_EQ(WideToUtf8(shown[0].text), "发现新版本（v1.2）：\n\n修复问题\n提高速度\n\n确定要下载新版本吗？");
    EXPECT_EQ(shown[0].caption, u"更新软件");
    EXPECT_EQ(shown[0].flags, kMbOkCancel | kMbIconInformation);
    EXPECT_TRUE(shown[0].owned);
    EXPECT_TRUE(shell.Opened().empty());
    EXPECT_TRUE(tips.Tips().empty());
    std::string request = server.Requests()[0];
    EXPECT_EQ(request.rfind("POST /get_version.aspx HTTP/1.", 0), 0u);
    EXPECT_EQ(request.substr(request.find("\r\n\r\n") + 4), "soft_id=1");
}

// Destroying the manager while its check is in flight waits for the worker: the reply is still
// offered, and the wait for the next check (an hour) ends at once.
TEST_F(UpdateManagerTest, DestroyedWhileCheckingWaitsForTheWorker)
{
    ScriptedServer server([](int socket, const std::string&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the service's latency
        ScriptedServer::SendAll(socket, VersionReply("1.2", "notes"));
    });
    config.Update([&](SettingsValues& values) { values.servicesHost = "127.0.0.1:" + std::to_string(server.Port()); });
    auto check = std::make_unique<UpdateManager>(&owner, &TipRecorder::Callback, tips.Context());
    check->StartVersionCheck();
    ASSERT_TRUE(server.WaitForRequests(1));
    check.reset();
    EXPECT_EQ(messageBox.Shown().size(), 1u);
    EXPECT_EQ(server.Requests().size(), 1u);
    EXPECT_TRUE(tips.Tips().empty());
}

TEST_F(UpdateManagerTest, VersionsAreComparedAsNumbers)
{
    struct Case
    {
        const char* version;
        bool offered;
        const char* error;
    } cases[] = {
        {"1.0", false, nullptr},
        {"0.9", false, nullptr},
        {"1.0.1", false, nullptr},
        {"1.05", true, nullptr},
        {"1.10", true, nullptr},
        {"2", true, nullptr},
        {"abc", false, "UpdateManager.9."},
        {"-1.5", false, "UpdateManager.9."},
    };
    for (const Case& c : cases) {
        tips.Clear();
        HeadlessMessageBox box{kIdCancel};
        owner.controls.messageBox = &box;
        UpdateManager check(&owner, &TipRecorder::Callback, tips.Context(), 20);
        ScriptedServer server(VersionReply(c.version, "notes"));
        config.Update(
            [&](SettingsValues& values) { values.servicesHost = "127.0.0.1:" + std::to_string(server.Port()); });
        check.StartVersionCheck();
        EXPECT_TRUE(server.WaitForRequests(2));
        check.StopVersionCheck();
        ASSERT_TRUE(WaitUntil([&] { return !check.IsBusy(); }));
        EXPECT_EQ(!box.Shown().empty(), c.offered) << c.version;
        if (c.error != nullptr)
            EXPECT_TRUE(tips.HasError(c.error)) << c.version;
        else
            EXPECT_TRUE(tips.Tips().empty()) << c.version;
    }
}

TEST_F(UpdateManagerTest, SandboxReportingTheClientsOwnVersionOffersNothing)
{
    test::SandboxProcess sandbox;
    KH_REQUIRE_SANDBOX(sandbox);
    config.Update([&](SettingsValues& values) { values.servicesHost = sandbox.Host(); });
    updates.StartVersionCheck();
    ASSERT_TRUE(WaitUntil([&] { return sandbox.RequestCount("/get_version.aspx") >= 2; }));
    updates.StopVersionCheck();
    ASSERT_TRUE(WaitUntil([&] { return !updates.IsBusy(); }));
    EXPECT_TRUE(messageBox.Shown().empty());
    EXPECT_TRUE(tips.Tips().empty());
}

TEST_F(UpdateManagerTest, NewerVersionWithoutNotesGivesTip10AndNoBox)
{
    ScriptedServer server(VersionReply("1.5", ""));
    CheckTwice(server);
    EXPECT_TRUE(messageBox.Shown().empty());
    EXPECT_TRUE(tips.HasError("UpdateManager.10."));
    EXPECT_FALSE(tips.HasError("UpdateManager.9."));
}

TEST_F(UpdateManagerTest, AcceptingOpensTheDownloadPage)
{
    messageBox.SetDefaultAnswer(kIdOk);
    ScriptedServer server(VersionReply("1.2", "x"));
    CheckTwice(server);
    ASSERT_FALSE(shell.Opened().empty());
    EXPECT_EQ(shell.Opened()[0], u"http://site.test:8080/soft/");
    EXPECT_TRUE(tips.Tips().empty());

    tips.Clear();
    shell.SetResult(2);
    UpdateManager again(&owner, &TipRecorder::Callback, tips.Context(), 20);
    again.StartVersionCheck();
    EXPECT_TRUE(WaitUntil([&] { return tips.HasError("UpdateManager.12."); }));
    again.StopVersionCheck();
    ASSERT_TRUE(WaitUntil([&] { return !again.IsBusy(); }));
}

TEST_F(UpdateManagerTest, RefusalIsRetriedAndStopEndsTheJob)
{
    ScriptedServer server(test::ScriptedServer::JsonReply(R"({"code":5,"msg":"维护中"})"));
    config.Update([&](SettingsValues& values) { values.servicesHost = "127.0.0.1:" + std::to_string(server.Port()); });
    updates.StartVersionCheck();
    ASSERT_TRUE(WaitUntil([&] { return tips.Count() >= 2; }));
    updates.StopVersionCheck();
    ASSERT_TRUE(WaitUntil([&] { return !updates.IsBusy(); }, std::chrono::milliseconds(1500)));
    for (const auto& message : tips.Messages())
        EXPECT_EQ(message, "正在检查新版本...检查失败！5维护中");
    EXPECT_TRUE(messageBox.Shown().empty());
}

} // namespace
} // namespace kh
