// The sandbox's endpoints as the client sees them: requests through HttpClient, replies read with
// GetReplyField (and cJSON for the lists), state checked through the control endpoints.

#include "ClientCall.h"
#include "SandboxScenario.h"
#include "SignedInSandbox.h"
#include "support/SandboxProcess.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

namespace kh::test {
namespace {

class SandboxApiTest : public SignedInSandboxTest
{
protected:
    SandboxApiTest() : SignedInSandboxTest(1) {}

    ClientReply Call(const std::string& path, const std::string& body) { return CallSandbox(sandbox, path, body); }

    // Rents count numbers of pid for the signed-in account ("" for any province / carrier).
    ClientReply Rent(const std::string& pid, int count, const std::string& prov = "", const std::string& corp = "")
    {
        return Call("/get_mobile", "token=" + token + "&pid=" + pid + "&size=" + std::to_string(count) +
                                       "&prov=" + prov + "&corp=" + corp + "&style=1");
    }

    ClientReply GetSms(const std::string& pid, const std::string& mobile)
    {
        return Call("/get_sms", "token=" + token + "&pid=" + pid + "&mobile=" + mobile);
    }
};

TEST_F(SandboxApiTest, LoginGivesATokenOnlyForTheRightPassword)
{
    struct Case
    {
        const char* body;
        const char* code;
    };
    const Case cases[] = {
        {"user=u&pwd=p", "0"},  {"user=u&pwd=wrong", "101"}, {"user=nobody&pwd=p", "101"},
        {"user=u&pwd=", "104"}, {"user=u", "104"},           {"pwd=p", "104"},
    };
    for (const Case& c : cases) {
        ClientReply reply = Call("/login", c.body);
        ASSERT_EQ(reply.error, 0) << c.body;
        EXPECT_EQ(reply.code, c.code) << c.body;
        EXPECT_FALSE(reply.msg.empty()) << c.body;
        std::string replyToken = reply.Field("\"token\":\"", "\"");
        if (std::string(c.code) == "0")
            EXPECT_EQ(replyToken, token) << "signing in again keeps the account's token";
        else
            EXPECT_TRUE(replyToken.empty()) << c.body;
    }
}

TEST_F(SandboxApiTest, PasswordWithAmpersandEqualsAndPlusIsReadWhole)
{
    // The client sends the password raw; only the next field name ends a value.
    ClientReply reply = Call("/login", "user=v&pwd=a&b=c+d");
    EXPECT_EQ(reply.code, "0") << reply.text;
    EXPECT_FALSE(reply.Field("\"token\":\"", "\"").empty());
    EXPECT_EQ(Call("/login", "user=v&pwd=a").code, "101");
}

TEST_F(SandboxApiTest, UserInfoNumbersAreEachFollowedByAComma)
{
    ClientReply reply = Call("/userinfo", "token=" + token);
    ASSERT_EQ(reply.code, "0") << reply.text;
    EXPECT_EQ(reply.Field("\"username\":\"", "\""), "u");
    EXPECT_EQ(reply.Field("\"coin\":", ","), "10.00");
    EXPECT_EQ(reply.Field("\"max_get_mobile_size\":", ","), "3");
    EXPECT_EQ(reply.Field("\"level\":\"", "\""), "gold");
    EXPECT_EQ(reply.Field("\"discount\":", ","), "9");
    EXPECT_EQ(reply.Field("\"score\":", ","), "100");
}

TEST_F(SandboxApiTest, EveryTokenEndpointRefusesUnknownAndMissingTokens)
{
    const char* paths[] = {"/userinfo",           "/get_project_list", "/get_project_fav", "/get_mobile",
                           "/adv_release_mobile", "/add_black",        "/get_sms"};
    for (const char* path : paths) {
        ClientReply unknown = Call(path, "token=0123456789abcdef&pid=1&size=1&pid_list=1&mobile=13800000001"
                                         "&mobile_list=13800000001");
        EXPECT_EQ(unknown.code, "102") << path << ": " << unknown.text;
        EXPECT_FALSE(unknown.msg.empty()) << path;
        EXPECT_EQ(Call(path, "token=").code, "104") << path;
    }
}

TEST_F(SandboxApiTest, TokenExpiresAfterItsLifetimeAndSigningInAgainRenewsIt)
{
    SandboxProcess expiring(SandboxOptions{
        R"({"token_ttl_ms": 60000, "accounts": [{"user": "u", "pwd": "p"}], "projects": []})", {}, 1, 0});
    ASSERT_TRUE(expiring.Started()) << expiring.Error();
    std::string first = expiring.Login("u", "p");
    EXPECT_EQ(CallSandbox(expiring, "/userinfo", "token=" + first).code, "0");
    ASSERT_TRUE(expiring.AdvanceClock(60000));
    EXPECT_EQ(CallSandbox(expiring, "/userinfo", "token=" + first).code, "102");
    std::string second = expiring.Login("u", "p");
    EXPECT_NE(second, first);
    EXPECT_EQ(CallSandbox(expiring, "/userinfo", "token=" + second).code, "0");
}

TEST_F(SandboxApiTest, VersionReplyCarriesTheLineBreakAsJsonEscape)
{
    ClientReply reply = Call("/get_version.aspx", "soft_id=1");
    ASSERT_EQ(reply.code, "0") << reply.text;
    EXPECT_EQ(reply.Field("\"version\":\"", "\""), "1.2");
    EXPECT_EQ(reply.Field("\"update_content\":\"", "\""), "第一行\\r\\n第二行");
    EXPECT_EQ(Call("/get_version.aspx", "").code, "104");
}

TEST_F(SandboxApiTest, ProjectListsAndFavourites)
{
    ClientReply list = Call("/get_project_list", "token=" + token);
    ASSERT_EQ(list.code, "0");
    EXPECT_EQ(ListedMobiles(list.text, "pid"), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(ListedMobiles(list.text, "pname")[0], "慢项目");
    EXPECT_EQ(ListedMobiles(list.text, "p_price")[0], "1.50") << "the price is a string, shown verbatim";
    EXPECT_EQ(ListedMobiles(list.text, "remark")[0], "r1");

    // A favourite that names no project is still listed, with empty details.
    ClientReply favourites = Call("/get_project_fav", "token=" + token);
    ASSERT_EQ(favourites.code, "0");
    EXPECT_EQ(ListedMobiles(favourites.text, "pid"), (std::vector<std::string>{"1", "77"}));

    ClientReply none = Call("/get_project_fav", "token=" + sandbox.Login("poor", "poor"));
    EXPECT_EQ(none.code, kCodeNoFavourites);
    EXPECT_FALSE(none.msg.empty());
}

TEST_F(SandboxApiTest, GetMobileHonoursSizeProvinceAndCarrier)
{
    ClientReply reply = Rent("1", 2, kGuangdong, kChinaMobile);
    ASSERT_EQ(reply.code, "0") << reply.text;
    std::vector<std::string> mobiles = ListedMobiles(reply.text);
    EXPECT_EQ(std::set<std::string>(mobiles.begin(), mobiles.end()),
              (std::set<std::string>{"13800000001", "13800000002"}));
    EXPECT_EQ(ListedMobiles(reply.text, "prov"), (std::vector<std::string>{"广东", "广东"}));
    EXPECT_EQ(ListedMobiles(reply.text, "corp"), (std::vector<std::string>{"移动", "移动"}));
    EXPECT_FALSE(ListedMobiles(reply.text, "city")[0].empty());
    for (const std::string& mobile : mobiles)
        EXPECT_EQ(sandbox.NumberStatus("u", mobile), "waiting");
    // The province's only other carrier numbers are not Mobile, so a third one is not there.
    EXPECT_EQ(Rent("1", 1, kGuangdong, kChinaMobile).code, "203");
    EXPECT_EQ(Call("/userinfo", "token=" + token).Field("\"max_get_mobile_size\":", ","), "1");
}

TEST_F(SandboxApiTest, GetMobileRefusals)
{
    struct Case
    {
        std::string body;
        const char* code;
    };
    const std::string t = "token=" + token;
    const Case cases[] = {
        {t + "&pid=1&size=0&prov=&corp=&style=1", "104"},
        {t + "&pid=1&size=x&prov=&corp=&style=1", "104"},
        {t + "&pid=1&size=-1&prov=&corp=&style=1", "104"},
        {t + "&pid=1&prov=&corp=&style=1", "104"},
        {t + "&pid=&size=1&prov=&corp=&style=1", "104"},
        {t + "&pid=99&size=1&prov=&corp=&style=1", "105"},
        {t + "&pid=1&size=1&prov=%E5%B9&corp=&style=1", "104"},             // cut-off encoding
        {t + "&pid=1&size=1&prov=%41%42&corp=&style=1", "104"},             // not a province
        {t + "&pid=1&size=1&prov=&corp=%E5%B9%BF%E4%B8%9C&style=1", "104"}, // a province as carrier
        {t + "&pid=1&size=4&prov=&corp=&style=1", "202"},                   // limit 3
        {t + "&pid=1&size=1&prov=" + kXinjiang + "&corp=&style=1", "203"},
        {"token=" + sandbox.Login("poor", "poor") + "&pid=1&size=1&prov=&corp=&style=1", "201"},
    };
    for (const Case& c : cases) {
        ClientReply reply = Call("/get_mobile", c.body);
        EXPECT_EQ(reply.code, c.code) << c.body << " -> " << reply.text;
        EXPECT_FALSE(reply.msg.empty()) << c.body;
    }
    EXPECT_EQ(sandbox.RequestCount("/get_mobile"), static_cast<int64_t>(std::size(cases)));
    EXPECT_NE(sandbox.State().find("\"held\":\t[]"), std::string::npos) << "no refusal rents a number";
}

TEST_F(SandboxApiTest, SmsArrivesAfterTheDelayAndIsChargedOnDelivery)
{
    ClientReply rented = Rent("1", 1);
    ASSERT_EQ(rented.code, "0");
    std::string mobile = ListedMobiles(rented.text)[0];

    ClientReply early = GetSms("1", mobile);
    EXPECT_EQ(early.code, kCodeNoSmsYet);
    EXPECT_EQ(Call("/userinfo", "token=" + token).Field("\"coin\":", ","), "10.00") << "renting costs nothing";

    ASSERT_TRUE(sandbox.AdvanceClock(60000));
    ClientReply arrived = GetSms("1", mobile);
    ASSERT_EQ(arrived.code, "0") << arrived.text;
    std::string sms = arrived.Field("\"sms_content\":\"", "\"");
    EXPECT_EQ(sms.rfind("【慢项目】验证码", 0), 0u) << sms;
    std::string state = sandbox.State();
    std::string code = sms.substr(std::string("【慢项目】验证码").size(), 6);
    EXPECT_NE(state.find("\"code\":\t\"" + code + "\""), std::string::npos) << "a fresh code from the template";

    ClientReply info = Call("/userinfo", "token=" + token);
    EXPECT_EQ(info.Field("\"coin\":", ","), "8.50");
    EXPECT_EQ(info.Field("\"max_get_mobile_size\":", ","), "3") << "a received number no longer counts";
    EXPECT_EQ(GetSms("1", mobile).Field("\"sms_content\":\"", "\""), sms) << "asking again repeats the SMS";
    EXPECT_EQ(Call("/userinfo", "token=" + token).Field("\"coin\":", ","), "8.50") << "charged once";
}

TEST_F(SandboxApiTest, SmsArrivesOnItsOwnWithinTheProjectDelay)
{
    ClientReply rented = Rent("2", 1);
    ASSERT_EQ(rented.code, "0");
    std::string mobile = ListedMobiles(rented.text)[0];
    ClientReply last;
    EXPECT_TRUE(WaitUntil([&] {
        last = GetSms("2", mobile);
        return last.code != kCodeNoSmsYet;
    }));
    EXPECT_EQ(last.code, "0") << last.text;
    EXPECT_EQ(last.Field("\"sms_content\":\"", "\"").rfind("快项目验证码", 0), 0u);
}

TEST_F(SandboxApiTest, DeliveredTextIsShownAsGiven)
{
    std::string mobile = ListedMobiles(Rent("1", 1).text)[0];
    ASSERT_TRUE(sandbox.Deliver(mobile, "您的验证码是 4321 ，请查收"));
    ClientReply reply = GetSms("1", mobile);
    EXPECT_EQ(reply.code, "0");
    EXPECT_EQ(reply.Field("\"sms_content\":\"", "\""), "您的验证码是4321，请查收") << "the client drops spaces";
    EXPECT_FALSE(sandbox.Deliver(mobile, "again")) << "a number gets one SMS";
}

TEST_F(SandboxApiTest, OfflineNumbersAnswer206)
{
    std::string mobile = ListedMobiles(Rent("1", 1).text)[0];
    ASSERT_TRUE(sandbox.SetOffline(mobile));
    EXPECT_EQ(GetSms("1", mobile).code, kCodeNumberOffline);
    EXPECT_EQ(Call("/userinfo", "token=" + token).Field("\"max_get_mobile_size\":", ","), "3");

    // A project whose numbers always go offline: waiting until the drawn moment, then 206.
    std::string dropping = ListedMobiles(Rent("3", 1).text)[0];
    EXPECT_EQ(GetSms("3", dropping).code, kCodeNoSmsYet);
    ASSERT_TRUE(sandbox.AdvanceClock(1000));
    EXPECT_EQ(GetSms("3", dropping).code, kCodeNumberOffline);
    // Offline numbers can still be blacklisted, and are never rented again.
    EXPECT_EQ(Call("/add_black", "token=" + token + "&pid=3&mobile_list=" + dropping).code, "0");
}

TEST_F(SandboxApiTest, ReleaseGivesNumbersBackToThePool)
{
    std::vector<std::string> mobiles = ListedMobiles(Rent("1", 2, kBeijing, kTelecom).text);
    ASSERT_EQ(mobiles.size(), 2u);
    EXPECT_EQ(Rent("1", 1, kBeijing).code, "203");

    ClientReply released =
        Call("/adv_release_mobile", "token=" + token + "&pid_list=1&mobile=" + mobiles[0] + "," + mobiles[1]);
    ASSERT_EQ(released.code, "0") << released.text;
    EXPECT_EQ(GetSms("1", mobiles[0]).code, kCodeNumberOffline) << "a released number answers 206";
    EXPECT_EQ(Call("/userinfo", "token=" + token).Field("\"max_get_mobile_size\":", ","), "3");
    EXPECT_EQ(Call("/userinfo", "token=" + token).Field("\"coin\":", ","), "10.00") << "no SMS, no charge";
    EXPECT_NE(sandbox.State().find("\"released\":\t[\"" + mobiles[0] + "\", \"" + mobiles[1] + "\"]"),
              std::string::npos);
    // Back in the pool: the same province gives them out again.
    EXPECT_EQ(ListedMobiles(Rent("1", 2, kBeijing).text).size(), 2u);
}

TEST_F(SandboxApiTest, ReleaseAndBlacklistRefuseNumbersNotHeldAndChangeNothing)
{
    std::string mine = ListedMobiles(Rent("1", 1, kBeijing).text)[0];
    std::string other = ListedMobiles(
        CallSandbox(sandbox, "/get_mobile",
                    "token=" + sandbox.Login("v", "a&b=c+d") + "&pid=1&size=1&prov=" + kBeijing + "&corp=&style=1")
            .text)[0];
    struct Case
    {
        std::string path;
        std::string body;
        const char* code;
    };
    const std::string t = "token=" + token;
    const Case cases[] = {
        {"/adv_release_mobile", t + "&pid_list=1&mobile=" + mine + "," + other, "204"},
        {"/adv_release_mobile", t + "&pid_list=2&mobile=" + mine, "204"}, // held for another project
        {"/adv_release_mobile", t + "&pid_list=1&mobile=19999999999", "204"},
        {"/adv_release_mobile", t + "&pid_list=9&mobile=" + mine, "105"},
        {"/adv_release_mobile", t + "&pid_list=1&mobile=" + mine + ",", "104"},
        {"/adv_release_mobile", t + "&pid_list=1&mobile=", "104"},
        {"/add_black", t + "&pid=1&mobile_list=" + other, "204"},
        {"/add_black", t + "&pid=1&mobile_list=" + mine + ",,", "104"},
        {"/add_black", t + "&pid=&mobile_list=" + mine, "104"},
        {"/get_sms", t + "&pid=1&mobile=" + other, "204"},
    };
    for (const Case& c : cases) {
        ClientReply reply = Call(c.path, c.body);
        EXPECT_EQ(reply.code, c.code) << c.path << " " << c.body << " -> " << reply.text;
    }
    EXPECT_EQ(sandbox.NumberStatus("u", mine), "waiting");
    EXPECT_EQ(sandbox.NumberStatus("v", other), "waiting");
}

TEST_F(SandboxApiTest, BlacklistKeepsANumberFromThatAccountAndProjectOnly)
{
    const std::string onlyTibet = "%E8%A5%BF%E8%97%8F"; // 西藏: one number in the pool
    std::string mobile = ListedMobiles(Rent("1", 1, onlyTibet).text)[0];
    ASSERT_EQ(mobile, "13800000006");
    ClientReply black = Call("/add_black", "token=" + token + "&pid=1&mobile_list=" + mobile);
    ASSERT_EQ(black.code, "0") << black.text;
    EXPECT_EQ(GetSms("1", mobile).code, kCodeNumberOffline);

    EXPECT_EQ(Rent("1", 1, onlyTibet).code, "203") << "never again for this account and project";
    ClientReply otherProject = Rent("2", 1, onlyTibet);
    ASSERT_EQ(otherProject.code, "0");
    EXPECT_EQ(ListedMobiles(otherProject.text)[0], mobile);
    ASSERT_EQ(Call("/adv_release_mobile", "token=" + token + "&pid_list=2&mobile=" + mobile).code, "0");

    ClientReply otherAccount =
        CallSandbox(sandbox, "/get_mobile",
                    "token=" + sandbox.Login("v", "a&b=c+d") + "&pid=1&size=1&prov=" + onlyTibet + "&corp=&style=1");
    ASSERT_EQ(otherAccount.code, "0");
    EXPECT_EQ(ListedMobiles(otherAccount.text)[0], mobile);
}

TEST_F(SandboxApiTest, BalanceCoversEveryWaitingNumber)
{
    // 0.50 left: one number of project 2 may wait, a second one could not be paid for.
    std::string poor = sandbox.Login("poor", "poor");
    auto rent = [&] {
        return CallSandbox(sandbox, "/get_mobile", "token=" + poor + "&pid=2&size=1&prov=&corp=&style=1").code;
    };
    EXPECT_EQ(rent(), "0");
    EXPECT_EQ(rent(), "201");
}

} // namespace
} // namespace kh::test
