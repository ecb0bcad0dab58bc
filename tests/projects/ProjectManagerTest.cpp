// The project manager: parsing of the list replies, the combo views with their count lines, the
// search, the chosen project's details, and the fetch against a loopback server (favourites, no
// favourites, once-a-second retries ended by stop).

#include "projects/ProjectManager.h"

#include "platform/Sync.h"
#include "support/SandboxProcess.h"
#include "support/ScriptedServer.h"
#include "support/SessionFixture.h"
#include "support/WaitUntil.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kh {
namespace {

using Texts = std::vector<std::u16string>;
using Strings = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

const char* const kListReply = R"({"code":0,"msg":"ok","list":[)"
                               R"({"pid":101,"pname":"淘宝注册","p_price":"0.50","remark":"r1"},)"
                               R"({"pid":"102","pname":"京东登录","p_price":1.5,"remark":"r2"},)"
                               R"({"pid":103,"pname":"淘宝登录","p_price":"0.80","remark":"多行\n备注"}]})";

class ProjectManagerTest : public ::testing::Test
{
protected:
    ProjectManagerTest() { config.SetToken("tok123"); }

    std::vector<ProjectRecord> Parse(const char* reply)
    {
        std::vector<ProjectRecord> records;
        projects.ParseProjectList(reply, records);
        return records;
    }

    void StoreSample(std::set<std::u16string> favourites = {})
    {
        projects.StoreProjects(Parse(kListReply), std::move(favourites));
        tips.Clear();
    }

    test::SessionFixture fx;
    test::TipRecorder& tips = fx.tips;
    OwnerWindow& owner = fx.Owner();
    ConfigCenter& config = fx.Config();
    HeadlessComboBox& combo = fx.controls.projectCombo;
    HeadlessTextBox& remark = fx.controls.remarkBox;
    ProjectManager& projects = fx.Projects();
};

TEST_F(ProjectManagerTest, ParsesListRepliesIntoFourFieldRecords)
{
    struct Case
    {
        const char* name;
        const char* reply;
        std::vector<ProjectRecord> records;
        Strings errors;
    };
    const Case cases[] = {
        {"numbers and strings",
         R"({"list":[{"pid":42,"pname":"A","p_price":1.5,"remark":"x"},)"
         R"({"pid":"42","pname":"B","p_price":-2.9,"remark":""}]})",
         {{u"42", u"A", u"1", u"x"}, {u"42", u"B", u"-2", u""}},
         {}},
        {"member names in any case",
         R"({"LIST":[{"PID":7,"PName":"n","P_PRICE":"1","Remark":"r","extra":1}]})",
         {{u"7", u"n", u"1", u"r"}},
         {}},
        {"pid above 32 bits",
         R"({"list":[{"pid":4294967297,"pname":"n","p_price":0,"remark":""}]})",
         {{u"4294967297", u"n", u"0", u""}},
         {}},
        {"missing key and wrong type keep their place",
         R"({"list":[{"pid":1,"p_price":null,"remark":[1]}]})",
         {{u"1", u"", u"", u""}},
         {"ProjectManager.20.", "ProjectManager.22.", "ProjectManager.22."}},
        {"empty list", R"({"code":0,"list":[]})", {}, {}},
        {"empty reply", "", {}, {"ProjectManager.16."}},
        {"not JSON", "{\"list\":[", {}, {"ProjectManager.17."}},
        {"no list member", R"({"code":0,"msg":"ok"})", {}, {"ProjectManager.18."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        tips.Clear();
        EXPECT_EQ(Parse(c.reply), c.records);
        EXPECT_EQ(tips.Errors(), c.errors);
    }
}

TEST_F(ProjectManagerTest, FavouritesKeepOnlyPidsAndStopAtAnEmptyPid)
{
    std::set<std::u16string> pids;
    projects.ParseFavourites(R"({"list":[{"pid":5,"pname":"x"},{"pid":"","pname":"y"},{"pid":6}]})", pids);
    EXPECT_EQ(pids, (std::set<std::u16string>{u"5"}));
    EXPECT_TRUE(tips.HasError("ProjectManager.27."));
}

TEST_F(ProjectManagerTest, StoreShowsFavouritesWhenThereAreAnyElseAllProjects)
{
    // Favourite 999 is not among the projects and shows nothing.
    projects.StoreProjects(Parse(kListReply), {u"103", u"101", u"999"});
    EXPECT_EQ(combo.Items(), (Texts{u"共 2 个收藏的项目", u"101：淘宝注册", u"103：淘宝登录"}));
    EXPECT_EQ(combo.GetCurSel(), 0);
    EXPECT_TRUE(combo.Redrawing());
    EXPECT_EQ(combo.ErasedRepaints(), 1);

    projects.StoreProjects(Parse(kListReply), {});
    EXPECT_EQ(combo.Items(), (Texts{u"共 3 个项目", u"101：淘宝注册", u"102：京东登录", u"103：淘宝登录"}));
    EXPECT_EQ(combo.GetCurSel(), 0);

    projects.StoreProjects({}, {});
    EXPECT_EQ(combo.Items(), (Texts{u"共 0 个项目"}));
    EXPECT_EQ(combo.GetCurSel(), 0);
}

TEST_F(ProjectManagerTest, SearchMatchesNamesOnlyCaseSensitively)
{
    projects.StoreProjects(Parse(R"({"list":[{"pid":1,"pname":"Alpha Mail","p_price":"1","remark":"beta"},)"
                                 R"({"pid":2,"pname":"beta app","p_price":"1","remark":"x"},)"
                                 R"({"pid":3,"pname":"","p_price":"1","remark":"x"}]})"),
                           {});
    struct Case
    {
        std::u16string keyword;
        Texts items;
    };
    const Case cases[] = {
        {u"Mail", {u"共 1 个匹配的项目", u"1：Alpha Mail"}},
        {u"a", {u"共 2 个匹配的项目", u"1：Alpha Mail", u"2：beta app"}}, // every project is a candidate again
        {u"mail", {u"共 0 个匹配的项目"}},
        {u"1", {u"共 0 个匹配的项目"}},                    // a pid is not searched
        {u"beta", {u"共 1 个匹配的项目", u"2：beta app"}}, // nor a remark
        {u"a M", {u"共 1 个匹配的项目", u"1：Alpha Mail"}},
    };
    for (const auto& c : cases) {
        tips.Clear();
        projects.SearchProjects(c.keyword);
        EXPECT_EQ(combo.Items(), c.items);
        EXPECT_EQ(combo.GetCurSel(), 0);
        EXPECT_EQ(tips.Messages(), (Strings{"正在搜索项目...", "", "正在搜索项目...搜索完成。请选择需要的项目。"}))
            << "the nameless project reports site 32 between the progress tips";
    }

    tips.Clear();
    projects.SearchProjects(u"");
    EXPECT_EQ(tips.Messages(), Strings{"请输入要搜索的项目关键词！"});
    EXPECT_EQ(combo.Items(), (Texts{u"共 1 个匹配的项目", u"1：Alpha Mail"}));
}

TEST_F(ProjectManagerTest, ShowProjectInfoWritesPriceAndRemarkAndRemembersThePid)
{
    StoreSample();
    projects.ShowProjectInfo(2);
    EXPECT_EQ(remark.GetWindowText(), u"价格：0.80\r\n备注：多行\n备注");

    // The pid is handed out only while a project item is selected.
    EXPECT_EQ(projects.GetSelectedProjectId(), u"");
    combo.SetCurSel(3);
    EXPECT_EQ(projects.GetSelectedProjectId(), u"103");

    // A search refills the combo and selects its count line; the remark box keeps its text.
    projects.SearchProjects(u"京东");
    EXPECT_EQ(projects.GetSelectedProjectId(), u"");
    EXPECT_EQ(remark.GetWindowText(), u"价格：0.80\r\n备注：多行\n备注");
    projects.ShowProjectInfo(0);
    combo.SetCurSel(1);
    EXPECT_EQ(projects.GetSelectedProjectId(), u"102");
    EXPECT_EQ(remark.GetWindowText(), u"价格：1\r\n备注：r2");

    tips.Clear();
    projects.ShowProjectInfo(1);
    projects.ShowProjectInfo(-1);
    EXPECT_EQ(tips.Errors(), (Strings{"ProjectManager.3.", "ProjectManager.3."}));
    EXPECT_EQ(projects.GetSelectedProjectId(), u"102");
}

TEST_F(ProjectManagerTest, ComboFailuresEndTheRefillWithTheirTip)
{
    combo.FailNext(HeadlessComboBox::Op::Add);
    projects.StoreProjects(Parse(kListReply), {});
    EXPECT_TRUE(tips.HasError("ProjectManager.30."));
    EXPECT_TRUE(combo.Items().empty());
    EXPECT_TRUE(combo.Redrawing());

    tips.Clear();
    combo.FailNext(HeadlessComboBox::Op::Count);
    projects.StoreProjects(Parse(kListReply), {});
    EXPECT_EQ(tips.Errors(), Strings{"ProjectManager.35."});
    EXPECT_EQ(combo.Items().size(), 3u);

    owner.controls.projectCombo = nullptr;
    tips.Clear();
    projects.SearchProjects(u"淘宝");
    EXPECT_TRUE(tips.HasError("ProjectManager.28."));
    EXPECT_EQ(projects.GetSelectedProjectId(), u"");
    EXPECT_TRUE(tips.HasError("ProjectManager.7."));
}

// A stand-in for the service's two project endpoints on loopback. Replies are set per path; a
// number of failures can be queued in front of them.
class ProjectService
{
public:
    enum class Failure
    {
        Refuse, // a reply with a non-zero code
        Drop,   // the connection is closed without a reply
    };

    ProjectService() : server([this](int socket, const std::string& request) { Handle(socket, request); }) {}

    std::string Host() const { return "127.0.0.1:" + std::to_string(server.Port()); }

    void SetReply(const std::string& path, std::string body)
    {
        std::lock_guard<std::mutex> guard(mutex);
        replies[path] = std::move(body);
    }
    void QueueFailures(const std::string& path, Failure failure, int count)
    {
        std::lock_guard<std::mutex> guard(mutex);
        for (int i = 0; i < count; ++i)
            failures[path].push_back(failure);
    }
    void FailForever(const std::string& path)
    {
        std::lock_guard<std::mutex> guard(mutex);
        failingForever[path] = true;
    }
    // Holds every reply until Release.
    void Hold() { held.Reset(); }
    void Release() { held.Set(); }

    std::vector<std::pair<std::string, std::string>> Requests()
    {
        std::lock_guard<std::mutex> guard(mutex);
        return requests;
    }
    size_t Count(const std::string& path)
    {
        std::lock_guard<std::mutex> guard(mutex);
        size_t n = 0;
        for (const auto& r : requests)
            n += r.first == path ? 1 : 0;
        return n;
    }
    std::vector<Clock::time_point> Times(const std::string& path)
    {
        std::lock_guard<std::mutex> guard(mutex);
        std::vector<Clock::time_point> out;
        for (size_t i = 0; i < requests.size(); ++i) {
            if (requests[i].first == path)
                out.push_back(times[i]);
        }
        return out;
    }

private:
    void Handle(int socket, const std::string& request)
    {
        size_t space = request.find(' ');
        std::string path = request.substr(space + 1, request.find(' ', space + 1) - space - 1);
        size_t bodyStart = request.find("\r\n\r\n");
        std::string body = bodyStart == std::string::npos ? std::string() : request.substr(bodyStart + 4);
        std::string reply;
        bool drop = false;
        {
            std::lock_guard<std::mutex> guard(mutex);
            requests.emplace_back(path, body);
            times.push_back(Clock::now());
            auto& queue = failures[path];
            if (failingForever[path] || !queue.empty()) {
                Failure failure = failingForever[path] ? Failure::Refuse : queue.front();
                if (!queue.empty())
                    queue.erase(queue.begin());
                drop = failure == Failure::Drop;
                reply = R"({"code":1,"msg":"busy"})";
            } else {
                reply = replies[path];
            }
        }
        held.Wait(kInfinite);
        if (drop)
            return;
        test::ScriptedServer::SendAll(socket, "HTTP/1.1 200 OK\r\nContent-Type: application/json; charset=utf-8\r\n"
                                              "Content-Length: " +
                                                  std::to_string(reply.size()) + "\r\nConnection: close\r\n\r\n" +
                                                  reply);
    }

    std::mutex mutex;
    std::map<std::string, std::string> replies;
    std::map<std::string, std::vector<Failure>> failures;
    std::map<std::string, bool> failingForever;
    std::vector<std::pair<std::string, std::string>> requests;
    std::vector<Clock::time_point> times;
    Event held{true, true};
    test::ScriptedServer server;
};

class ProjectFetchTest : public ProjectManagerTest
{
protected:
    ProjectFetchTest()
    {
        service.SetReply("/get_project_list", kListReply);
        service.SetReply(
            "/get_project_fav",
            R"({"code":0,"msg":"","list":[{"pid":102,"pname":"京东登录","p_price":"1.5","remark":"r2"}]})");
        config.Update([&](SettingsValues& values) { values.apiHost = service.Host(); });
    }

    ~ProjectFetchTest() override
    {
        projects.StopFetching();
        service.Release();
        test::WaitUntil([&] { return !projects.IsBusy(); });
    }

    bool FetchDone()
    {
        return test::WaitUntil([&] { return !projects.IsBusy(); });
    }

    ProjectService service;
};

TEST_F(ProjectFetchTest, FetchWithFavouritesShowsTheFavouritesView)
{
    projects.StartFetchProjects();
    ASSERT_TRUE(FetchDone());

    EXPECT_EQ(tips.Messages(), (Strings{"正在获取项目列表...", "正在获取项目列表...获取成功。请选择需要的项目。"}));
    EXPECT_EQ(tips.Errors(), (Strings{"", ""}));
    EXPECT_EQ(combo.Items(), (Texts{u"共 1 个收藏的项目", u"102：京东登录"}));
    EXPECT_EQ(combo.GetCurSel(), 0);
    auto requests = service.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], std::make_pair(std::string("/get_project_list"), std::string("token=tok123")));
    EXPECT_EQ(requests[1], std::make_pair(std::string("/get_project_fav"), std::string("token=tok123")));

    // The full list is still there for a search.
    projects.SearchProjects(u"淘宝");
    EXPECT_EQ(combo.Items(), (Texts{u"共 2 个匹配的项目", u"101：淘宝注册", u"103：淘宝登录"}));
}

TEST_F(ProjectFetchTest, NoFavouritesGivesItsTipAndTheFullView)
{
    service.SetReply("/get_project_fav", R"({"code":103,"msg":"no favourites"})");
    projects.StartFetchProjects();
    ASSERT_TRUE(FetchDone());

    EXPECT_EQ(tips.Messages(),
              (Strings{"正在获取项目列表...",
                       "正在获取项目列表...您还没有收藏项目。为了方便使用，请点击“项目管理”收藏您常用的项目。",
                       "正在获取项目列表...获取成功。请选择需要的项目。"}));
    EXPECT_EQ(combo.Items(), (Texts{u"共 3 个项目", u"101：淘宝注册", u"102：京东登录", u"103：淘宝登录"}));
}

// A list reply that claims success but cannot be read (cut short) is a failure: the job ends with a
// tip that says so, nothing is installed and the fetch does not count as done.
TEST_F(ProjectFetchTest, DamagedListIsAFailureNotAnEmptyProjectBox)
{
    struct Case
    {
        const char* path;
        size_t listRequests; // so far: a damaged reply is not asked for again
        size_t favouriteRequests;
    };
    for (const Case& c : {Case{"/get_project_list", 1, 0}, Case{"/get_project_fav", 2, 1}}) {
        SCOPED_TRACE(c.path);
        service.SetReply("/get_project_list", kListReply);
        service.SetReply(c.path, R"({"code":0,"msg":"","list":[{"pid":101,"pna)");
        tips.Clear();
        projects.StartFetchProjects();
        ASSERT_TRUE(FetchDone());
        EXPECT_EQ(tips.Messages(),
                  (Strings{"正在获取项目列表...", "", "正在获取项目列表...获取失败！项目列表已损坏。"}));
        EXPECT_EQ(tips.Errors(), (Strings{"", "ProjectManager.17.", ""}));
        EXPECT_TRUE(combo.Items().empty());
        EXPECT_FALSE(projects.Fetched());
        EXPECT_EQ(service.Count("/get_project_list"), c.listRequests);
        EXPECT_EQ(service.Count("/get_project_fav"), c.favouriteRequests);
    }
    service.SetReply("/get_project_fav", R"({"code":103,"msg":""})");
    projects.StartFetchProjects();
    ASSERT_TRUE(FetchDone());
    EXPECT_TRUE(projects.Fetched());
}

TEST_F(ProjectFetchTest, FailedAttemptsAreRetriedOnceASecond)
{
    service.QueueFailures("/get_project_list", ProjectService::Failure::Refuse, 1);
    service.QueueFailures("/get_project_list", ProjectService::Failure::Drop, 1);
    service.QueueFailures("/get_project_fav", ProjectService::Failure::Refuse, 1);
    projects.StartFetchProjects();
    ASSERT_TRUE(FetchDone());

    auto all = tips.Tips();
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[0].message, "正在获取项目列表...");
    EXPECT_EQ(all[1].message, "正在获取项目列表...获取失败！1busy");
    EXPECT_EQ(all[1].error, "");
    EXPECT_EQ(all[2].message, "正在获取项目列表...网络连接失败，获取失败！");
    EXPECT_EQ(all[2].error.rfind("ProjectManager.15.", 0), 0u) << all[2].error;
    EXPECT_EQ(all[3].message, "正在获取项目列表...获取失败！1busy");
    EXPECT_EQ(all[4].message, "正在获取项目列表...获取成功。请选择需要的项目。");

    auto times = service.Times("/get_project_list");
    ASSERT_EQ(times.size(), 3u);
    for (size_t i = 1; i < times.size(); ++i)
        EXPECT_GE(times[i] - times[i - 1], std::chrono::milliseconds(900));
    EXPECT_EQ(service.Count("/get_project_fav"), 2u);
    EXPECT_EQ(combo.Items().front(), u"共 1 个收藏的项目");
}

TEST_F(ProjectFetchTest, StopEndsTheRetries)
{
    service.FailForever("/get_project_list");
    projects.StartFetchProjects();
    ASSERT_TRUE(test::WaitUntil([&] { return service.Count("/get_project_list") >= 2; }));

    auto stoppedAt = Clock::now();
    projects.StopFetching();
    ASSERT_TRUE(FetchDone());
    EXPECT_LT(Clock::now() - stoppedAt, std::chrono::milliseconds(5000));
    size_t attempts = service.Count("/get_project_list");

    EXPECT_FALSE(tips.HasMessage("正在获取项目列表...获取成功。请选择需要的项目。"));
    EXPECT_EQ(service.Count("/get_project_fav"), 0u);
    EXPECT_TRUE(combo.Items().empty());

    // Once stopped, a new fetch makes one attempt and never retries it.
    tips.Clear();
    projects.StartFetchProjects();
    ASSERT_TRUE(FetchDone());
    EXPECT_EQ(service.Count("/get_project_list"), attempts + 1);
}

// A stop also ends a reply that is still arriving (a server that sends header lines for ever, or
// hundreds of thousands of cookies), so Ctrl-C or closing does not wait for the request's deadline.
TEST_F(ProjectManagerTest, StopEndsARequestWhoseReplyIsStillArriving)
{
    std::atomic<bool> sending{false};
    test::ScriptedServer endless([&](test::SocketHandle socket, const std::string&) {
        std::string piece = "HTTP/1.1 200 OK\r\n";
        for (int i = 0; test::ScriptedServer::SendAll(socket, piece); ++i) {
            sending = true;
            piece = "Set-Cookie: c" + std::to_string(i) + "=1\r\n";
            std::this_thread::sleep_for(std::chrono::milliseconds(20)); // a trickle: within every time-out
        }
    });
    {
        config.Update([&](SettingsValues& values) { values.apiHost = "127.0.0.1:" + std::to_string(endless.Port()); });
    }
    projects.StartFetchProjects();
    ASSERT_TRUE(test::WaitUntil([&] { return sending.load(); }));
    projects.StopFetching();
    ASSERT_TRUE(test::WaitUntil([&] { return !projects.IsBusy(); }));
    EXPECT_TRUE(tips.HasError("ProjectManager.15.136.")) << ::testing::PrintToString(tips.Errors());
}

TEST_F(ProjectFetchTest, StartWhileFetchingDoesNothing)
{
    service.Hold();
    projects.StartFetchProjects();
    ASSERT_TRUE(test::WaitUntil([&] { return service.Count("/get_project_list") == 1; }));
    EXPECT_TRUE(projects.IsBusy());
    projects.StartFetchProjects();
    service.Release();
    ASSERT_TRUE(FetchDone());
    EXPECT_EQ(service.Count("/get_project_list"), 1u);
    EXPECT_EQ(service.Count("/get_project_fav"), 1u);
}

TEST_F(ProjectFetchTest, MissingTokenEndsTheJobWithoutARequest)
{
    config.SetToken("");
    projects.StartFetchProjects();
    ASSERT_TRUE(FetchDone());
    EXPECT_EQ(tips.Errors(), (Strings{"", "ProjectManager.10."}));
    EXPECT_TRUE(service.Requests().empty());
}

// The same fetch against the service sandbox: its accounts with and without favourites, and its
// fault injection for the retries.
class ProjectSandboxTest : public ProjectManagerTest
{
protected:
    static constexpr const char* kScenario =
        R"({"projects":[{"pid":"3001","pname":"淘宝注册","p_price":"0.50","remark":"r1"},)"
        R"({"pid":"3002","pname":"京东登录","p_price":"1.20","remark":"r2"},)"
        R"({"pid":"3003","pname":"淘宝登录","p_price":"0.80","remark":"r3"}],)"
        R"("accounts":[{"user":"demo","pwd":"demo","balance":"10","favourites":["3002","3003"]},)"
        R"({"user":"nofav","pwd":"nofav","balance":"10"}],"pool":{"generate":10}})";

    ProjectSandboxTest() : sandbox(Options())
    {
        config.Update([&](SettingsValues& values) { values.apiHost = sandbox.Host(); });
    }

    ~ProjectSandboxTest() override
    {
        projects.StopFetching();
        test::WaitUntil([&] { return !projects.IsBusy(); });
    }

    static test::SandboxOptions Options()
    {
        test::SandboxOptions options;
        options.scenarioJson = kScenario;
        return options;
    }

    void SignIn(const std::string& user)
    {
        std::string token = sandbox.Login(user, user);
        ASSERT_FALSE(token.empty()) << sandbox.Error();
        config.SetToken(token);
    }

    bool FetchDone()
    {
        return test::WaitUntil([&] { return !projects.IsBusy(); });
    }

    test::SandboxProcess sandbox;
};

TEST_F(ProjectSandboxTest, FetchShowsFavouritesAndSearchesAllProjects)
{
    KH_REQUIRE_SANDBOX(sandbox);
    SignIn("demo");
    projects.StartFetchProjects();
    ASSERT_TRUE(FetchDone());

    EXPECT_EQ(tips.Messages(), (Strings{"正在获取项目列表...", "正在获取项目列表...获取成功。请选择需要的项目。"}));
    EXPECT_EQ(combo.Items(), (Texts{u"共 2 个收藏的项目", u"3002：京东登录", u"3003：淘宝登录"}));
    EXPECT_EQ(combo.GetCurSel(), 0);

    projects.SearchProjects(u"淘宝");
    EXPECT_EQ(combo.Items(), (Texts{u"共 2 个匹配的项目", u"3001：淘宝注册", u"3003：淘宝登录"}));
    projects.ShowProjectInfo(1);
    combo.SetCurSel(2);
    EXPECT_EQ(remark.GetWindowText(), u"价格：0.80\r\n备注：r3");
    EXPECT_EQ(projects.GetSelectedProjectId(), u"3003");
}

TEST_F(ProjectSandboxTest, AccountWithoutFavouritesGetsTheFullView)
{
    KH_REQUIRE_SANDBOX(sandbox);
    SignIn("nofav");
    projects.StartFetchProjects();
    ASSERT_TRUE(FetchDone());

    EXPECT_EQ(tips.Messages(),
              (Strings{"正在获取项目列表...",
                       "正在获取项目列表...您还没有收藏项目。为了方便使用，请点击“项目管理”收藏您常用的项目。",
                       "正在获取项目列表...获取成功。请选择需要的项目。"}));
    EXPECT_EQ(combo.Items(), (Texts{u"共 3 个项目", u"3001：淘宝注册", u"3002：京东登录", u"3003：淘宝登录"}));
}

TEST_F(ProjectSandboxTest, InjectedFailuresAreRetriedUntilTheFetchSucceeds)
{
    KH_REQUIRE_SANDBOX(sandbox);
    SignIn("demo");
    test::SandboxFault refuse;
    refuse.path = "/get_project_list";
    refuse.kind = "reply";
    refuse.code = "1";
    refuse.msg = "busy";
    refuse.count = 1;
    ASSERT_TRUE(sandbox.InjectFault(refuse));
    test::SandboxFault drop;
    drop.path = "/get_project_fav";
    drop.kind = "close";
    drop.count = 1;
    ASSERT_TRUE(sandbox.InjectFault(drop));

    projects.StartFetchProjects();
    ASSERT_TRUE(FetchDone());

    auto all = tips.Tips();
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[1].message.rfind("正在获取项目列表...获取失败！1", 0), 0u) << all[1].message;
    EXPECT_EQ(all[2].message, "正在获取项目列表...网络连接失败，获取失败！");
    EXPECT_EQ(all[2].error.rfind("ProjectManager.25.", 0), 0u) << all[2].error;
    EXPECT_EQ(all[3].message, "正在获取项目列表...获取成功。请选择需要的项目。");
    EXPECT_EQ(sandbox.RequestCount("/get_project_list"), 2);
    EXPECT_EQ(combo.Items().front(), u"共 2 个收藏的项目");
}

TEST_F(ProjectSandboxTest, StopEndsRetriesAgainstAFailingService)
{
    KH_REQUIRE_SANDBOX(sandbox);
    SignIn("demo");
    test::SandboxFault refuse;
    refuse.path = "/get_project_list";
    refuse.kind = "http500";
    refuse.count = 1000;
    ASSERT_TRUE(sandbox.InjectFault(refuse));

    projects.StartFetchProjects();
    ASSERT_TRUE(test::WaitUntil([&] { return tips.Count() >= 3; }));
    projects.StopFetching();
    ASSERT_TRUE(FetchDone());

    // One failure tip per attempt, and no success.
    auto all = tips.Tips();
    for (size_t i = 1; i < all.size(); ++i)
        EXPECT_NE(all[i].message.find("获取失败！"), std::string::npos) << all[i].message;
    EXPECT_FALSE(tips.HasMessage("正在获取项目列表...获取成功。请选择需要的项目。"));
    EXPECT_EQ(sandbox.RequestCount("/get_project_fav"), 0);
}

} // namespace
} // namespace kh
