#include "SandboxState.h"

#include "JsonReply.h"
#include "Regions.h"

#include <algorithm>
#include <cjson/cJSON.h>
#include <cstdio>
#include <memory>

namespace kh::sandbox {

namespace {

const char* kMsgOk = "成功";

std::string Field(const FormFields& form, const std::string& name)
{
    auto it = form.find(name);
    return it == form.end() ? std::string() : it->second;
}

std::string Refuse(const char* code, const std::string& msg)
{
    return JsonReply(code, msg).Text();
}

std::string MissingField(const std::string& name)
{
    return Refuse(kCodeBadField, "缺少参数：" + name);
}

std::string BadField(const std::string& name)
{
    return Refuse(kCodeBadField, "参数格式错误：" + name);
}

// A count such as size: 1 to 9 decimal digits, nothing else.
bool ParseCount(const std::string& text, int64_t& value)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stoll(text);
    return true;
}

std::string ReplaceAllText(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

} // namespace

SandboxState::SandboxState(const Scenario& scenario, uint64_t seed, SandboxClock& clock)
    : scenario(scenario), seed(seed), clock(clock)
{
    Load();
}

void SandboxState::Load()
{
    random.seed(seed);
    accounts.clear();
    accountByToken.clear();
    pool.clear();
    numberByMobile.clear();
    projectByPid.clear();
    requestCounts.clear();
    tokenSerial = 0;
    for (const AccountScenario& given : scenario.accounts) {
        Account account;
        account.info = given;
        accounts.push_back(std::move(account));
    }
    for (size_t i = 0; i < scenario.projects.size(); ++i)
        projectByPid.emplace(scenario.projects[i].pid, i);
    pool.reserve(scenario.pool.size());
    for (const PoolNumberScenario& given : scenario.pool) {
        Number number;
        number.info = given;
        numberByMobile.emplace(given.mobile, pool.size());
        pool.push_back(std::move(number));
    }
}

uint64_t SandboxState::Draw()
{
    return random();
}

double SandboxState::DrawUnit()
{
    return static_cast<double>(Draw() >> 11) * (1.0 / 9007199254740992.0);
}

int64_t SandboxState::DrawRange(int64_t low, int64_t high)
{
    uint64_t span = static_cast<uint64_t>(high - low) + 1;
    return low + static_cast<int64_t>(Draw() % span);
}

int SandboxState::Authenticate(const FormFields& form, std::string& reply)
{
    std::string token = Field(form, "token");
    if (token.empty()) {
        reply = MissingField("token");
        return -1;
    }
    auto it = accountByToken.find(token);
    if (it == accountByToken.end()) {
        reply = Refuse(kCodeBadToken, "令牌无效，请重新登录");
        return -1;
    }
    Account& account = accounts[it->second];
    if (scenario.tokenTtlMs > 0 && clock.NowMs() - account.tokenIssuedMs >= scenario.tokenTtlMs) {
        reply = Refuse(kCodeBadToken, "令牌已过期，请重新登录");
        return -1;
    }
    return it->second;
}

int SandboxState::AuthenticateForProject(const FormFields& form, std::string& pid, const ProjectScenario*& project,
                                         std::string& reply)
{
    int accountIndex = Authenticate(form, reply);
    if (accountIndex < 0)
        return -1;
    pid = Field(form, "pid");
    if (pid.empty()) {
        reply = MissingField("pid");
        return -1;
    }
    project = FindProject(pid);
    if (project == nullptr) {
        reply = Refuse(kCodeUnknownProject, "项目不存在：" + pid);
        return -1;
    }
    return accountIndex;
}

const ProjectScenario* SandboxState::FindProject(const std::string& pid) const
{
    auto it = projectByPid.find(pid);
    return it == projectByPid.end() ? nullptr : &scenario.projects[it->second];
}

void SandboxState::Advance(Number& number)
{
    if (number.status != NumberStatus::Waiting)
        return;
    int64_t now = clock.NowMs();
    if (number.offlineAtMs >= 0 && now >= number.offlineAtMs)
        number.status = NumberStatus::Offline;
    else if (number.deliverAtMs >= 0 && now >= number.deliverAtMs)
        Deliver(number, number.smsText);
}

void SandboxState::AdvanceAccount(Account& account)
{
    for (size_t index : account.held)
        Advance(pool[index]);
}

// The account pays the project's price when the SMS arrives, not when the number is rented.
void SandboxState::Deliver(Number& number, const std::string& text)
{
    number.status = NumberStatus::Received;
    number.smsText = text;
    if (number.holder < 0)
        return;
    Account& account = accounts[static_cast<size_t>(number.holder)];
    if (const ProjectScenario* project = FindProject(number.pid))
        account.info.balance -= project->price;
    account.info.score += 1;
}

void SandboxState::GiveBack(Account& account, size_t index)
{
    Number& number = pool[index];
    account.held.erase(std::remove(account.held.begin(), account.held.end(), index), account.held.end());
    if (std::find(account.released.begin(), account.released.end(), number.info.mobile) == account.released.end())
        account.released.push_back(number.info.mobile);
    number.holder = -1;
    number.pid.clear();
    number.deliverAtMs = number.offlineAtMs = -1;
    number.code.clear();
    number.smsText.clear();
    // A number that went offline stays out of service; every other one is free for the next renter.
    if (number.status != NumberStatus::Offline)
        number.status = NumberStatus::Free;
}

int SandboxState::WaitingCount(const Account& account) const
{
    int count = 0;
    for (size_t index : account.held)
        if (pool[index].status == NumberStatus::Waiting)
            ++count;
    return count;
}

// Money promised to the numbers still waiting: each will cost its project's price on delivery.
Milli SandboxState::Reserved(const Account& account) const
{
    Milli reserved = 0;
    for (size_t index : account.held) {
        const Number& number = pool[index];
        if (number.status != NumberStatus::Waiting)
            continue;
        if (const ProjectScenario* project = FindProject(number.pid))
            reserved += project->price;
    }
    return reserved;
}

bool SandboxState::SplitList(const std::string& text, std::vector<std::string>& items)
{
    items.clear();
    if (text.empty())
        return false;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(',', start);
        std::string item = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (item.empty())
            return false;
        items.push_back(item);
        if (end == std::string::npos)
            return true;
        start = end + 1;
    }
}

bool SandboxState::CheckHeld(int accountIndex, const std::vector<std::string>& mobiles,
                             const std::set<std::string>& pids, std::vector<size_t>& indexes, std::string& reply)
{
    indexes.clear();
    for (const std::string& mobile : mobiles) {
        auto it = numberByMobile.find(mobile);
        bool held = it != numberByMobile.end() && pool[it->second].holder == accountIndex &&
                    pids.count(pool[it->second].pid) > 0;
        if (!held) {
            reply = Refuse(kCodeNotHeld, "号码不属于当前账户：" + mobile);
            return false;
        }
        if (std::find(indexes.begin(), indexes.end(), it->second) == indexes.end())
            indexes.push_back(it->second);
    }
    return true;
}

std::string SandboxState::Login(const FormFields& form)
{
    std::string user = Field(form, "user");
    std::string pwd = Field(form, "pwd");
    if (user.empty())
        return MissingField("user");
    if (pwd.empty())
        return MissingField("pwd");
    std::lock_guard<std::mutex> lock(mutex);
    for (size_t i = 0; i < accounts.size(); ++i) {
        Account& account = accounts[i];
        if (account.info.user != user)
            continue;
        if (account.info.pwd != pwd)
            break;
        int64_t now = clock.NowMs();
        bool expired = scenario.tokenTtlMs > 0 && now - account.tokenIssuedMs >= scenario.tokenTtlMs;
        // Signing in again keeps a valid token, so several clients of one account can work side by side.
        if (account.token.empty() || expired) {
            if (!account.token.empty())
                accountByToken.erase(account.token);
            char token[40];
            std::snprintf(token, sizeof token, "%016llx%016llx", static_cast<unsigned long long>(Draw()),
                          static_cast<unsigned long long>(Draw() ^ ++tokenSerial));
            account.token = token;
            account.tokenIssuedMs = now;
            accountByToken[account.token] = static_cast<int>(i);
        }
        return JsonReply("0", "登录成功").String("token", account.token).String("username", user).Text();
    }
    return Refuse(kCodeBadLogin, "用户名或密码错误");
}

std::string SandboxState::UserInfo(const FormFields& form)
{
    std::lock_guard<std::mutex> lock(mutex);
    std::string reply;
    int index = Authenticate(form, reply);
    if (index < 0)
        return reply;
    Account& account = accounts[static_cast<size_t>(index)];
    AdvanceAccount(account);
    int available = std::max(0, account.info.maxMobiles - WaitingCount(account));
    // score is followed by another member: the client reads numbers up to the next comma.
    return JsonReply("0", kMsgOk)
        .String("username", account.info.user)
        .Raw("coin", FormatMoney(account.info.balance))
        .Integer("max_get_mobile_size", available)
        .String("level", account.info.level)
        .Raw("discount", account.info.discount.empty() ? "0" : account.info.discount)
        .Integer("score", account.info.score)
        .Integer("uid", 10000 + index)
        .Text();
}

std::string SandboxState::Version(const FormFields& form)
{
    if (Field(form, "soft_id").empty())
        return MissingField("soft_id");
    return JsonReply("0", kMsgOk)
        .String("version", scenario.version)
        .String("update_content", scenario.updateContent)
        .Text();
}

std::string SandboxState::ListReply(const std::vector<std::string>& pids) const
{
    JsonArray list;
    for (const std::string& pid : pids) {
        const ProjectScenario* project = FindProject(pid);
        list.Object()
            .String("pid", pid)
            .String("pname", project ? project->pname : "")
            .String("p_price", project ? project->priceText : "")
            .String("remark", project ? project->remark : "");
    }
    return JsonReply("0", kMsgOk).Integer("count", static_cast<long long>(pids.size())).Raw("list", list.Text()).Text();
}

std::string SandboxState::ProjectList(const FormFields& form)
{
    std::lock_guard<std::mutex> lock(mutex);
    std::string reply;
    if (Authenticate(form, reply) < 0)
        return reply;
    std::vector<std::string> pids;
    for (const ProjectScenario& project : scenario.projects)
        pids.push_back(project.pid);
    return ListReply(pids);
}

std::string SandboxState::ProjectFavourites(const FormFields& form)
{
    std::lock_guard<std::mutex> lock(mutex);
    std::string reply;
    int index = Authenticate(form, reply);
    if (index < 0)
        return reply;
    const Account& account = accounts[static_cast<size_t>(index)];
    if (account.info.favourites.empty())
        return Refuse("103", "您还没有收藏项目");
    return ListReply(account.info.favourites);
}

std::string SandboxState::GetMobile(const FormFields& form)
{
    std::lock_guard<std::mutex> lock(mutex);
    std::string reply;
    std::string pid;
    const ProjectScenario* project = nullptr;
    int accountIndex = AuthenticateForProject(form, pid, project, reply);
    if (accountIndex < 0)
        return reply;
    Account& account = accounts[static_cast<size_t>(accountIndex)];
    if (form.find("size") == form.end())
        return MissingField("size");
    int64_t size = 0;
    if (!ParseCount(Field(form, "size"), size) || size < 1)
        return BadField("size");
    // prov and corp arrive %XX-encoded; empty (or the "any" text) means no restriction.
    std::string prov;
    std::string corp;
    if (!PercentDecode(Field(form, "prov"), prov) || (!prov.empty() && prov != kAnyChoice && !IsProvince(prov)))
        return BadField("prov");
    if (!PercentDecode(Field(form, "corp"), corp) || (!corp.empty() && corp != kAnyChoice && !IsCarrier(corp)))
        return BadField("corp");
    if (prov == kAnyChoice)
        prov.clear();
    if (corp == kAnyChoice)
        corp.clear();

    AdvanceAccount(account);
    int available = account.info.maxMobiles - WaitingCount(account);
    if (size > available)
        return Refuse(kCodeNumberLimit,
                      "已达到可获取号码数上限，当前还可获取" + std::to_string(std::max(0, available)) + "个");
    if (account.info.balance - Reserved(account) < project->price * size)
        return Refuse(kCodeNoBalance, "余额不足，请充值");

    std::vector<size_t> candidates;
    for (size_t i = 0; i < pool.size(); ++i) {
        const Number& number = pool[i];
        if (number.status != NumberStatus::Free || number.holder >= 0)
            continue;
        if ((!prov.empty() && number.info.prov != prov) || (!corp.empty() && number.info.corp != corp))
            continue;
        if (account.blacklist.count(pid + "\n" + number.info.mobile))
            continue;
        candidates.push_back(i);
    }
    if (candidates.empty())
        return Refuse(kCodeNoNumber, "暂无符合条件的号码，请更换省份或运营商");

    size_t take = std::min(candidates.size(), static_cast<size_t>(size));
    int64_t now = clock.NowMs();
    JsonArray list;
    for (size_t k = 0; k < take; ++k) {
        size_t pick = k + static_cast<size_t>(Draw() % (candidates.size() - k));
        std::swap(candidates[k], candidates[pick]);
        Number& number = pool[candidates[k]];
        number.status = NumberStatus::Waiting;
        number.holder = accountIndex;
        number.pid = pid;
        number.rentedAtMs = now;
        number.code.clear();
        for (int d = 0; d < project->codeLength; ++d)
            number.code.push_back(static_cast<char>('0' + Draw() % 10));
        // Three draws per number whatever the outcome, so one number's fate never shifts another's.
        bool goesOffline = DrawUnit() < project->offlineProbability;
        bool neverSms = DrawUnit() < project->noSmsProbability;
        int64_t delay = DrawRange(project->delayMinMs, project->delayMaxMs);
        number.offlineAtMs = goesOffline ? now + delay : -1;
        number.deliverAtMs = (goesOffline || neverSms) ? -1 : now + delay;
        number.smsText =
            ReplaceAllText(ReplaceAllText(project->smsTemplate, "{code}", number.code), "{pname}", project->pname);
        account.held.push_back(candidates[k]);
        auto released = std::find(account.released.begin(), account.released.end(), number.info.mobile);
        if (released != account.released.end())
            account.released.erase(released);
        list.Object()
            .String("mobile", number.info.mobile)
            .String("prov", number.info.prov)
            .String("city", number.info.city)
            .String("corp", number.info.corp);
    }
    return JsonReply("0", kMsgOk).Integer("count", static_cast<long long>(take)).Raw("list", list.Text()).Text();
}

std::string SandboxState::ReleaseMobile(const FormFields& form)
{
    std::lock_guard<std::mutex> lock(mutex);
    std::string reply;
    int accountIndex = Authenticate(form, reply);
    if (accountIndex < 0)
        return reply;
    if (form.find("pid_list") == form.end())
        return MissingField("pid_list");
    std::vector<std::string> pidItems;
    if (!SplitList(Field(form, "pid_list"), pidItems))
        return BadField("pid_list");
    for (const std::string& pid : pidItems)
        if (!FindProject(pid))
            return Refuse(kCodeUnknownProject, "项目不存在：" + pid);
    if (form.find("mobile") == form.end())
        return MissingField("mobile");
    std::vector<std::string> mobiles;
    if (!SplitList(Field(form, "mobile"), mobiles))
        return BadField("mobile");
    std::vector<size_t> indexes;
    if (!CheckHeld(accountIndex, mobiles, std::set<std::string>(pidItems.begin(), pidItems.end()), indexes, reply))
        return reply;
    Account& account = accounts[static_cast<size_t>(accountIndex)];
    for (size_t index : indexes) {
        // An SMS that arrived before the release is still paid for.
        Advance(pool[index]);
        GiveBack(account, index);
    }
    return JsonReply("0", "释放成功").Integer("count", static_cast<long long>(indexes.size())).Text();
}

std::string SandboxState::AddBlack(const FormFields& form)
{
    std::lock_guard<std::mutex> lock(mutex);
    std::string reply;
    std::string pid;
    const ProjectScenario* project = nullptr;
    int accountIndex = AuthenticateForProject(form, pid, project, reply);
    if (accountIndex < 0)
        return reply;
    if (form.find("mobile_list") == form.end())
        return MissingField("mobile_list");
    std::vector<std::string> mobiles;
    if (!SplitList(Field(form, "mobile_list"), mobiles))
        return BadField("mobile_list");
    std::vector<size_t> indexes;
    if (!CheckHeld(accountIndex, mobiles, {pid}, indexes, reply))
        return reply;
    Account& account = accounts[static_cast<size_t>(accountIndex)];
    for (size_t index : indexes) {
        Advance(pool[index]);
        account.blacklist.insert(pid + "\n" + pool[index].info.mobile);
        GiveBack(account, index);
    }
    return JsonReply("0", "加黑成功").Integer("count", static_cast<long long>(indexes.size())).Text();
}

std::string SandboxState::GetSms(const FormFields& form)
{
    std::lock_guard<std::mutex> lock(mutex);
    std::string reply;
    std::string pid;
    const ProjectScenario* project = nullptr;
    int accountIndex = AuthenticateForProject(form, pid, project, reply);
    if (accountIndex < 0)
        return reply;
    std::string mobile = Field(form, "mobile");
    if (mobile.empty())
        return MissingField("mobile");
    auto it = numberByMobile.find(mobile);
    if (it == numberByMobile.end())
        return Refuse(kCodeNotHeld, "号码不属于当前账户：" + mobile);
    Number& number = pool[it->second];
    const Account& account = accounts[static_cast<size_t>(accountIndex)];
    if (number.holder != accountIndex || number.pid != pid) {
        // A number this account gave back counts as released; any other is simply not its own.
        if (std::find(account.released.begin(), account.released.end(), mobile) != account.released.end())
            return Refuse("206", "号码已释放");
        return Refuse(kCodeNotHeld, "号码不属于当前账户：" + mobile);
    }
    Advance(number);
    switch (number.status) {
    case NumberStatus::Received:
        return JsonReply("0", kMsgOk).String("sms_content", number.smsText).String("mobile", mobile).Text();
    case NumberStatus::Offline:
        return Refuse("206", "号码已下线");
    default:
        return Refuse("207", "暂未收到短信，请稍后再试");
    }
}

std::string SandboxState::TokenOwner(const std::string& token)
{
    std::lock_guard<std::mutex> lock(mutex);
    std::string ignored;
    int index = Authenticate({{"token", token}}, ignored);
    return index < 0 ? std::string() : accounts[static_cast<size_t>(index)].info.user;
}

bool SandboxState::DeliverNow(const std::string& mobile, const std::string& text, std::string& error)
{
    std::lock_guard<std::mutex> lock(mutex);
    auto it = numberByMobile.find(mobile);
    if (it == numberByMobile.end()) {
        error = "no such number";
        return false;
    }
    Number& number = pool[it->second];
    Advance(number);
    if (number.holder < 0 || number.status != NumberStatus::Waiting) {
        error = "the number is not rented and waiting for an SMS";
        return false;
    }
    Deliver(number, text.empty() ? number.smsText : text);
    return true;
}

bool SandboxState::SetOffline(const std::string& mobile, std::string& error)
{
    std::lock_guard<std::mutex> lock(mutex);
    auto it = numberByMobile.find(mobile);
    if (it == numberByMobile.end()) {
        error = "no such number";
        return false;
    }
    Number& number = pool[it->second];
    Advance(number);
    if (number.status == NumberStatus::Received) {
        error = "the number has already received its SMS";
        return false;
    }
    number.status = NumberStatus::Offline;
    return true;
}

void SandboxState::Reset()
{
    std::lock_guard<std::mutex> lock(mutex);
    clock.Restart();
    Load();
}

void SandboxState::Reset(const Scenario& replacement, uint64_t newSeed)
{
    std::lock_guard<std::mutex> lock(mutex);
    scenario = replacement;
    seed = newSeed;
    clock.Restart();
    Load();
}

Scenario SandboxState::LoadedScenario()
{
    std::lock_guard<std::mutex> lock(mutex);
    return scenario;
}

void SandboxState::CountRequest(const std::string& path)
{
    std::lock_guard<std::mutex> lock(mutex);
    ++requestCounts[path];
}

std::string SandboxState::Dump()
{
    std::lock_guard<std::mutex> lock(mutex);
    auto statusText = [](NumberStatus status) {
        switch (status) {
        case NumberStatus::Waiting:
            return "waiting";
        case NumberStatus::Received:
            return "received";
        case NumberStatus::Offline:
            return "offline";
        default:
            return "free";
        }
    };
    std::unique_ptr<cJSON, decltype(&cJSON_Delete)> root(cJSON_CreateObject(), cJSON_Delete);
    cJSON_AddNumberToObject(root.get(), "clock_ms", static_cast<double>(clock.NowMs()));
    cJSON_AddNumberToObject(root.get(), "seed", static_cast<double>(seed));
    cJSON* accountArray = cJSON_AddArrayToObject(root.get(), "accounts");
    for (Account& account : accounts) {
        AdvanceAccount(account);
        cJSON* item = cJSON_CreateObject();
        cJSON_AddStringToObject(item, "user", account.info.user.c_str());
        cJSON_AddStringToObject(item, "token", account.token.c_str());
        cJSON_AddStringToObject(item, "balance", FormatMoney(account.info.balance).c_str());
        cJSON_AddNumberToObject(item, "score", static_cast<double>(account.info.score));
        cJSON_AddNumberToObject(item, "max_mobiles", account.info.maxMobiles);
        cJSON_AddNumberToObject(item, "available", std::max(0, account.info.maxMobiles - WaitingCount(account)));
        cJSON* held = cJSON_AddArrayToObject(item, "held");
        for (size_t index : account.held) {
            const Number& number = pool[index];
            cJSON* entry = cJSON_CreateObject();
            cJSON_AddStringToObject(entry, "mobile", number.info.mobile.c_str());
            cJSON_AddStringToObject(entry, "pid", number.pid.c_str());
            cJSON_AddStringToObject(entry, "status", statusText(number.status));
            cJSON_AddStringToObject(entry, "prov", number.info.prov.c_str());
            cJSON_AddStringToObject(entry, "city", number.info.city.c_str());
            cJSON_AddStringToObject(entry, "corp", number.info.corp.c_str());
            cJSON_AddStringToObject(entry, "code", number.code.c_str());
            cJSON_AddNumberToObject(entry, "rented_at_ms", static_cast<double>(number.rentedAtMs));
            cJSON_AddNumberToObject(entry, "deliver_at_ms", static_cast<double>(number.deliverAtMs));
            cJSON_AddNumberToObject(entry, "offline_at_ms", static_cast<double>(number.offlineAtMs));
            if (number.status == NumberStatus::Received)
                cJSON_AddStringToObject(entry, "sms", number.smsText.c_str());
            cJSON_AddItemToArray(held, entry);
        }
        cJSON* released = cJSON_AddArrayToObject(item, "released");
        for (const std::string& mobile : account.released)
            cJSON_AddItemToArray(released, cJSON_CreateString(mobile.c_str()));
        cJSON* blacklist = cJSON_AddArrayToObject(item, "blacklist");
        for (const std::string& key : account.blacklist) {
            size_t cut = key.find('\n');
            cJSON* entry = cJSON_CreateObject();
            cJSON_AddStringToObject(entry, "pid", key.substr(0, cut).c_str());
            cJSON_AddStringToObject(entry, "mobile", key.substr(cut + 1).c_str());
            cJSON_AddItemToArray(blacklist, entry);
        }
        cJSON_AddItemToArray(accountArray, item);
    }
    size_t free = 0, rented = 0, offline = 0;
    for (const Number& number : pool) {
        if (number.holder >= 0)
            ++rented;
        else if (number.status == NumberStatus::Offline)
            ++offline;
        else
            ++free;
    }
    cJSON* poolSummary = cJSON_AddObjectToObject(root.get(), "pool");
    cJSON_AddNumberToObject(poolSummary, "total", static_cast<double>(pool.size()));
    cJSON_AddNumberToObject(poolSummary, "free", static_cast<double>(free));
    cJSON_AddNumberToObject(poolSummary, "held", static_cast<double>(rented));
    cJSON_AddNumberToObject(poolSummary, "offline", static_cast<double>(offline));
    cJSON* counts = cJSON_AddObjectToObject(root.get(), "requests");
    for (const auto& [path, count] : requestCounts)
        cJSON_AddNumberToObject(counts, path.c_str(), static_cast<double>(count));
    char* text = cJSON_Print(root.get());
    std::string result = text ? text : "{}";
    cJSON_free(text);
    return result;
}

} // namespace kh::sandbox
