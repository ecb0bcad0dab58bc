#include "Scenario.h"

#include "Regions.h"

#include <cjson/cJSON.h>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <sstream>

namespace kh::sandbox {

namespace {

using JsonPtr = std::unique_ptr<cJSON, decltype(&cJSON_Delete)>;

// Scenario files are small; anything bigger is a mistake, not a scenario.
constexpr size_t kMaxScenarioBytes = 16 * 1024 * 1024;
constexpr size_t kMaxGeneratedPool = 1000000;

bool ReadText(const cJSON* object, const char* name, std::string& out, std::string& error, bool required)
{
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, name);
    if (!item) {
        if (required)
            error = std::string("missing \"") + name + "\"";
        return !required;
    }
    if (cJSON_IsString(item)) {
        out = item->valuestring;
        return true;
    }
    if (cJSON_IsNumber(item)) {
        double v = item->valuedouble;
        char buffer[64];
        if (v == std::floor(v) && std::fabs(v) < 1e15)
            std::snprintf(buffer, sizeof buffer, "%.0f", v);
        else
            std::snprintf(buffer, sizeof buffer, "%g", v);
        out = buffer;
        return true;
    }
    error = std::string("\"") + name + "\" must be a string or a number";
    return false;
}

bool ReadNumber(const cJSON* object, const char* name, double& out, std::string& error)
{
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, name);
    if (!item)
        return true;
    if (!cJSON_IsNumber(item)) {
        error = std::string("\"") + name + "\" must be a number";
        return false;
    }
    out = item->valuedouble;
    return true;
}

bool ReadMoney(const cJSON* object, const char* name, Milli& out, std::string* text, std::string& error)
{
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, name);
    if (!item)
        return true;
    std::string value;
    if (cJSON_IsString(item)) {
        value = item->valuestring;
    } else if (cJSON_IsNumber(item)) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.3f", item->valuedouble);
        value = buffer;
    }
    if (!ParseMoney(value, out)) {
        error = std::string("\"") + name + "\" must be a non-negative amount";
        return false;
    }
    if (text)
        *text = cJSON_IsString(item) ? value : FormatMoney(out);
    return true;
}

bool ParseProject(const cJSON* item, ProjectScenario& project, std::string& error)
{
    if (!cJSON_IsObject(item)) {
        error = "a project must be an object";
        return false;
    }
    if (!ReadText(item, "pid", project.pid, error, true) || !ReadText(item, "pname", project.pname, error, true) ||
        !ReadMoney(item, "p_price", project.price, &project.priceText, error) ||
        !ReadText(item, "remark", project.remark, error, false) ||
        !ReadText(item, "sms_template", project.smsTemplate, error, false))
        return false;
    if (project.pid.empty()) {
        error = "empty \"pid\"";
        return false;
    }
    if (project.priceText.empty())
        project.priceText = FormatMoney(project.price);
    if (project.smsTemplate.empty())
        project.smsTemplate = "【" + project.pname + "】您的验证码是{code}，请勿泄露。";
    // The client reads sms_content up to the next quote, so a quote would cut every message short.
    if (project.smsTemplate.find('"') != std::string::npos) {
        error = "project " + project.pid + ": \"sms_template\" must not contain a double quote";
        return false;
    }
    double codeLength = project.codeLength;
    double delayMin = static_cast<double>(project.delayMinMs);
    double delayMax = static_cast<double>(project.delayMaxMs);
    if (!ReadNumber(item, "code_length", codeLength, error) || !ReadNumber(item, "delay_min_ms", delayMin, error) ||
        !ReadNumber(item, "delay_max_ms", delayMax, error) ||
        !ReadNumber(item, "offline_probability", project.offlineProbability, error) ||
        !ReadNumber(item, "no_sms_probability", project.noSmsProbability, error))
        return false;
    if (codeLength < 1 || codeLength > 12) {
        error = "project " + project.pid + ": \"code_length\" must be 1 to 12";
        return false;
    }
    if (delayMin < 0 || delayMax < delayMin || delayMax > 86400000.0) {
        error = "project " + project.pid + ": need 0 <= delay_min_ms <= delay_max_ms <= 86400000";
        return false;
    }
    auto isProbability = [](double p) { return p >= 0.0 && p <= 1.0; };
    if (!isProbability(project.offlineProbability) || !isProbability(project.noSmsProbability)) {
        error = "project " + project.pid + ": probabilities must lie between 0 and 1";
        return false;
    }
    project.codeLength = static_cast<int>(codeLength);
    project.delayMinMs = static_cast<int64_t>(delayMin);
    project.delayMaxMs = static_cast<int64_t>(delayMax);
    return true;
}

bool ParseAccount(const cJSON* item, AccountScenario& account, std::string& error)
{
    if (!cJSON_IsObject(item)) {
        error = "an account must be an object";
        return false;
    }
    account.level = "普通会员";
    account.discount = "10";
    double score = 0;
    double maxMobiles = account.maxMobiles;
    if (!ReadText(item, "user", account.user, error, true) || !ReadText(item, "pwd", account.pwd, error, true) ||
        !ReadMoney(item, "balance", account.balance, nullptr, error) ||
        !ReadText(item, "level", account.level, error, false) ||
        !ReadText(item, "discount", account.discount, error, false) || !ReadNumber(item, "score", score, error) ||
        !ReadNumber(item, "max_mobiles", maxMobiles, error))
        return false;
    if (account.user.empty() || account.pwd.empty()) {
        error = "an account needs a non-empty \"user\" and \"pwd\"";
        return false;
    }
    if (maxMobiles < 0 || maxMobiles > 100000) {
        error = "account " + account.user + ": \"max_mobiles\" must be 0 to 100000";
        return false;
    }
    Milli discountValue = 0;
    if (!ParseMoney(account.discount, discountValue)) {
        error = "account " + account.user + ": \"discount\" must be a number such as 9.5";
        return false;
    }
    account.score = static_cast<int64_t>(score);
    account.maxMobiles = static_cast<int>(maxMobiles);
    const cJSON* favourites = cJSON_GetObjectItemCaseSensitive(item, "favourites");
    if (favourites) {
        if (!cJSON_IsArray(favourites)) {
            error = "account " + account.user + ": \"favourites\" must be an array of pids";
            return false;
        }
        const cJSON* pid = nullptr;
        cJSON_ArrayForEach(pid, favourites)
        {
            if (cJSON_IsString(pid))
                account.favourites.push_back(pid->valuestring);
            else if (cJSON_IsNumber(pid))
                account.favourites.push_back(std::to_string(static_cast<long long>(pid->valuedouble)));
            else {
                error = "account " + account.user + ": a favourite must be a pid";
                return false;
            }
        }
    }
    return true;
}

bool ParsePool(const cJSON* item, std::vector<PoolNumberScenario>& pool, std::string& error)
{
    if (!cJSON_IsObject(item)) {
        error = "\"pool\" must be an object";
        return false;
    }
    std::set<std::string> seen;
    const cJSON* numbers = cJSON_GetObjectItemCaseSensitive(item, "numbers");
    if (numbers) {
        if (!cJSON_IsArray(numbers)) {
            error = "\"pool.numbers\" must be an array";
            return false;
        }
        const cJSON* entry = nullptr;
        cJSON_ArrayForEach(entry, numbers)
        {
            PoolNumberScenario number;
            if (!cJSON_IsObject(entry) || !ReadText(entry, "mobile", number.mobile, error, true) ||
                !ReadText(entry, "prov", number.prov, error, true) ||
                !ReadText(entry, "city", number.city, error, false) ||
                !ReadText(entry, "corp", number.corp, error, true)) {
                if (error.empty())
                    error = "a pool number must be an object";
                error = "pool: " + error;
                return false;
            }
            if (number.mobile.empty() || number.mobile.find_first_not_of("0123456789") != std::string::npos) {
                error = "pool: \"" + number.mobile + "\" is not a number of digits";
                return false;
            }
            if (!IsProvince(number.prov) || !IsCarrier(number.corp)) {
                error = "pool: number " + number.mobile + " has an unknown province or carrier";
                return false;
            }
            if (!seen.insert(number.mobile).second) {
                error = "pool: number " + number.mobile + " is listed twice";
                return false;
            }
            pool.push_back(number);
        }
    }
    double generate = 0;
    if (!ReadNumber(item, "generate", generate, error))
        return false;
    if (generate < 0 || generate > static_cast<double>(kMaxGeneratedPool)) {
        error = "\"pool.generate\" must be 0 to " + std::to_string(kMaxGeneratedPool);
        return false;
    }
    for (auto& number : GeneratePool(static_cast<size_t>(generate), 20261209))
        if (seen.insert(number.mobile).second)
            pool.push_back(number);
    return true;
}

} // namespace

bool ParseMoney(const std::string& text, Milli& value)
{
    if (text.empty() || text.size() > 15)
        return false;
    size_t dot = text.find('.');
    std::string whole = text.substr(0, dot);
    std::string fraction = dot == std::string::npos ? "" : text.substr(dot + 1);
    if (whole.empty() || whole.find_first_not_of("0123456789") != std::string::npos ||
        fraction.find_first_not_of("0123456789") != std::string::npos || (dot != std::string::npos && fraction.empty()))
        return false;
    while (fraction.size() > 3 && fraction.back() == '0')
        fraction.pop_back();
    if (fraction.size() > 3)
        return false;
    fraction.resize(3, '0');
    value = std::stoll(whole) * 1000 + std::stoll(fraction);
    return true;
}

std::string FormatMoney(Milli value)
{
    const char* sign = value < 0 ? "-" : "";
    long long magnitude = value < 0 ? -value : value;
    char buffer[48];
    if (magnitude % 10 == 0)
        std::snprintf(buffer, sizeof buffer, "%s%lld.%02lld", sign, magnitude / 1000, (magnitude % 1000) / 10);
    else
        std::snprintf(buffer, sizeof buffer, "%s%lld.%03lld", sign, magnitude / 1000, magnitude % 1000);
    return buffer;
}

std::vector<PoolNumberScenario> GeneratePool(size_t count, uint64_t seed)
{
    std::mt19937_64 random(seed);
    const auto& provinces = Provinces();
    const auto& carriers = Carriers();
    std::vector<PoolNumberScenario> pool;
    pool.reserve(count);
    std::set<std::string> seen;
    // Round robin over every (province, carrier) pair, so each combination the client can ask for
    // is present as soon as the pool has a hundred numbers.
    for (size_t i = 0; pool.size() < count; ++i) {
        const Province& province = provinces[i % provinces.size()];
        const Carrier& carrier = carriers[(i / provinces.size()) % carriers.size()];
        PoolNumberScenario number;
        number.prov = province.name;
        number.corp = carrier.name;
        number.city = province.cities[random() % province.cities.size()];
        do {
            char digits[16];
            std::snprintf(digits, sizeof digits, "%08llu", static_cast<unsigned long long>(random() % 100000000ULL));
            number.mobile = carrier.prefixes[random() % carrier.prefixes.size()] + digits;
        } while (!seen.insert(number.mobile).second);
        pool.push_back(std::move(number));
    }
    return pool;
}

bool ParseScenario(const std::string& text, Scenario& scenario, std::string& error)
{
    JsonPtr root(cJSON_ParseWithLength(text.data(), text.size()), cJSON_Delete);
    if (!root || !cJSON_IsObject(root.get())) {
        error = "the scenario is not a JSON object";
        return false;
    }
    Scenario result;
    const cJSON* root_ = root.get();
    const cJSON* item = nullptr;

    const cJSON* projects = cJSON_GetObjectItemCaseSensitive(root_, "projects");
    if (!cJSON_IsArray(projects)) {
        error = "\"projects\" must be an array";
        return false;
    }
    std::set<std::string> pids;
    cJSON_ArrayForEach(item, projects)
    {
        ProjectScenario project;
        if (!ParseProject(item, project, error))
            return false;
        if (!pids.insert(project.pid).second) {
            error = "project " + project.pid + " is listed twice";
            return false;
        }
        result.projects.push_back(std::move(project));
    }

    const cJSON* accounts = cJSON_GetObjectItemCaseSensitive(root_, "accounts");
    if (!cJSON_IsArray(accounts)) {
        error = "\"accounts\" must be an array";
        return false;
    }
    std::set<std::string> users;
    cJSON_ArrayForEach(item, accounts)
    {
        AccountScenario account;
        if (!ParseAccount(item, account, error))
            return false;
        if (!users.insert(account.user).second) {
            error = "account " + account.user + " is listed twice";
            return false;
        }
        result.accounts.push_back(std::move(account));
    }

    const cJSON* pool = cJSON_GetObjectItemCaseSensitive(root_, "pool");
    if (pool && !ParsePool(pool, result.pool, error))
        return false;
    if (!pool)
        result.pool = GeneratePool(3000, 20261209);

    const cJSON* version = cJSON_GetObjectItemCaseSensitive(root_, "version");
    if (version) {
        if (!cJSON_IsObject(version) || !ReadText(version, "version", result.version, error, true) ||
            !ReadText(version, "update_content", result.updateContent, error, false)) {
            if (error.empty())
                error = "\"version\" must be an object";
            error = "version: " + error;
            return false;
        }
    }
    double ttl = 0;
    if (!ReadNumber(root_, "token_ttl_ms", ttl, error))
        return false;
    if (ttl < 0) {
        error = "\"token_ttl_ms\" must not be negative";
        return false;
    }
    result.tokenTtlMs = static_cast<int64_t>(ttl);
    scenario = std::move(result);
    return true;
}

bool LoadScenarioFile(const std::string& path, Scenario& scenario, std::string& error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (text.str().size() > kMaxScenarioBytes) {
        error = path + " is too large for a scenario";
        return false;
    }
    if (!ParseScenario(text.str(), scenario, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

Scenario DefaultScenario()
{
    Scenario scenario;
    struct Demo
    {
        const char* pid;
        const char* pname;
        const char* price;
        const char* remark;
        const char* smsTemplate;
        int codeLength;
        double offline;
        double noSms;
    };
    const Demo demos[] = {
        {"1001", "云购商城", "0.50", "注册、登录验证码", "【云购商城】您的验证码是{code}，5分钟内有效，请勿泄露。", 6,
         0.0, 0.0},
        {"1002", "快递助手", "0.30", "登录验证码", "{code}是您的快递助手登录验证码，有效期10分钟。", 4, 0.0, 0.0},
        {"1003", "星河社区", "0.80", "新用户注册", "【星河社区】验证码：{code}。您正在注册星河社区账号。", 6, 0.02,
         0.05},
        {"1004", "青柠外卖", "0.40", "下单验证", "【青柠外卖】您的验证码为{code}，请在页面中输入完成验证。", 6, 0.0,
         0.02},
        {"1005", "乐享视频", "1.00", "会员注册", "【乐享视频】{code}（乐享视频验证码），15分钟内有效。", 6, 0.05, 0.05},
        {"1006", "易行打车", "0.60", "司机端、乘客端均可", "【易行打车】验证码{code}，用于手机号登录。", 4, 0.0, 0.0},
        {"1007", "知书阅读", "0.20", "注册送书券", "【知书阅读】您的注册验证码是{code}。", 6, 0.0, 0.1},
        {"1008", "悦动健身", "0.50", "", "【悦动健身】您的验证码是{code}，感谢使用悦动健身。", 6, 0.02, 0.0},
        {"1009", "海豚网盘", "0.70", "找回密码可用", "【海豚网盘】验证码{code}，您正在找回密码，如非本人操作请忽略。",
         6, 0.0, 0.0},
        {"1010", "蓝鲸支付", "2.00", "实名认证", "【蓝鲸支付】校验码{code}，请勿告诉他人。", 6, 0.03, 0.03},
        {"1011", "木棉招聘", "0.35", "求职者注册", "【木棉招聘】您的验证码为{code}，有效期5分钟。", 6, 0.0, 0.0},
        {"1012", "橙子旅行", "0.90", "机票酒店预订", "【橙子旅行】动态码{code}，请于10分钟内填写。", 6, 0.0, 0.02},
    };
    for (const Demo& demo : demos) {
        ProjectScenario project;
        project.pid = demo.pid;
        project.pname = demo.pname;
        project.priceText = demo.price;
        ParseMoney(demo.price, project.price);
        project.remark = demo.remark;
        project.smsTemplate = demo.smsTemplate;
        project.codeLength = demo.codeLength;
        project.delayMinMs = 2000;
        project.delayMaxMs = 6000;
        project.offlineProbability = demo.offline;
        project.noSmsProbability = demo.noSms;
        scenario.projects.push_back(project);
    }
    AccountScenario demo;
    demo.user = "demo";
    demo.pwd = "demo";
    demo.balance = 100000;
    demo.level = "VIP1";
    demo.discount = "9.5";
    demo.score = 120;
    demo.maxMobiles = 50;
    demo.favourites = {"1001", "1004"};
    scenario.accounts.push_back(demo);
    AccountScenario nofav = demo;
    nofav.user = nofav.pwd = "nofav";
    nofav.level = "普通会员";
    nofav.discount = "10";
    nofav.score = 0;
    nofav.favourites.clear();
    scenario.accounts.push_back(nofav);
    AccountScenario poor = nofav;
    poor.user = poor.pwd = "poor";
    poor.balance = 0;
    scenario.accounts.push_back(poor);
    scenario.pool = GeneratePool(3000, 20261209);
    scenario.version = KH_VERSION;
    scenario.updateContent = "1.首个版本。\r\n2.支持自动获取短信和提取验证码。";
    return scenario;
}

} // namespace kh::sandbox
