#include "projects/ProjectManager.h"

#include "base/AutoLock.h"
#include "base/ReplyFields.h"
#include "core/OwnerWindow.h"
#include "core/ServerRequest.h"
#include "core/ports/ComboBoxPort.h"
#include "core/ports/TextBoxPort.h"
#include "platform/Json.h"
#include "platform/TextCodec.h"
#include "settings/ConfigCenter.h"
#include "settings/HostDefaults.h"

#include <cjson/cJSON.h>
#include <cmath>
#include <cstdint>

namespace kh {
namespace {

// Site codes of this module's internal tips.
enum Site : int
{
    kSiteSignalBusy = 1,
    kSiteWorkerThread = 2,
    kSiteInfoIndex = 3,
    kSiteInfoProject = 4,
    kSiteInfoShortRecord = 5,
    kSiteInfoNoRemarkBox = 6,
    kSiteSelectedNoCombo = 7,
    kSiteStop = 8,
    kSiteClearBusy = 9,
    kSiteListNoToken = 10,
    kSiteFavouritesNoToken = 11,
    kSiteTokenNoWindow = 12,
    kSiteListRequestNoToken = 14,
    kSiteListNetwork = 15,
    kSiteEmptyReply = 16,
    kSiteNotJson = 17,
    kSiteNoList = 18,
    kSiteNoElement = 19,
    kSiteNoMember = 20,
    kSiteStringWithoutText = 21,
    kSiteWrongType = 22,
    kSiteFavouritesRequestNoToken = 24,
    kSiteFavouritesNetwork = 25,
    kSiteFavouriteEmptyRecord = 26,
    kSiteFavouriteEmptyPid = 27,
    kSiteFillNoCombo = 28,
    kSiteFillShortRecord = 29,
    kSiteFillAdd = 30,
    kSiteShownEmptyPid = 31,
    kSiteShownNoKeyword = 32,
    kSiteShownMode = 33,
    kSiteCountNoCombo = 34,
    kSiteCountItems = 35,
    kSiteCountMode = 36,
    kSiteCountInsert = 37,
};

const char* const kFetching = "正在获取项目列表...";
const char* const kFetched = "正在获取项目列表...获取成功。请选择需要的项目。";
const char* const kNetworkFailed = "正在获取项目列表...网络连接失败，获取失败！";
const char* const kRefused = "正在获取项目列表...获取失败！";
// A list reply that said success but cannot be read (cut short, not JSON, no list): a failure, not
// an empty project box reported as fetched.
const char* const kDamaged = "正在获取项目列表...获取失败！项目列表已损坏。";
const char* const kNoFavourites =
    "正在获取项目列表...您还没有收藏项目。为了方便使用，请点击“项目管理”收藏您常用的项目。";

std::u16string Decimal(long long value)
{
    std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

// A JSON number as an integer, truncated toward zero and clamped to the 64-bit range.
long long TruncatedInteger(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 9223372036854775807.0)
        return INT64_MAX;
    if (value <= -9223372036854775808.0)
        return INT64_MIN;
    return static_cast<long long>(std::trunc(value));
}

} // namespace

ProjectManager::ProjectManager(OwnerWindow* owner, TipCallback callback, void* context)
    : Manager("ProjectManager.", owner, callback, context)
{
}

// A fetch worker still running would use this object after it is gone, so the destructor ends
// the retries and waits for the request in progress.
ProjectManager::~ProjectManager()
{
    StopAndWait();
}

void ProjectManager::StartFetchProjects()
{
    AutoLock guard(tipCallback, tipContext, &lock);
    StartWorker([this] { FetchProjectsJob(); }, kSiteSignalBusy, kSiteWorkerThread, kSiteClearBusy);
}

void ProjectManager::StopFetching()
{
    SignalStop(kSiteStop);
}

void ProjectManager::FetchProjectsJob()
{
    ReportTip(kFetching, 0);
    std::vector<ProjectRecord> fetched;
    if (!FetchProjectList(fetched))
        return;
    std::set<std::u16string> favourites;
    if (!FetchFavourites(favourites))
        return;
    StoreProjects(std::move(fetched), std::move(favourites));
    this->fetched = true;
    ReportTip(kFetched, 0);
}

std::string ProjectManager::ApiHost()
{
    if (owner == nullptr || owner->config == nullptr)
        return kDefaultApiHost;
    std::string host = owner->config->GetApiHost();
    return host.empty() ? kDefaultApiHost : host;
}

bool ProjectManager::FetchProjectList(std::vector<ProjectRecord>& records)
{
    std::string token = ReadToken(kSiteTokenNoWindow);
    if (token.empty()) {
        ReportTip({}, kSiteListNoToken);
        return false;
    }
    std::string reply;
    if (!RetryUntilStopped([&] { return RequestProjectList(token, reply); }))
        return false;
    if (!ParseProjectList(reply, records)) {
        ReportTip(kDamaged, 0);
        return false;
    }
    return true;
}

bool ProjectManager::FetchFavourites(std::set<std::u16string>& pids)
{
    std::string token = ReadToken(kSiteTokenNoWindow);
    if (token.empty()) {
        ReportTip({}, kSiteFavouritesNoToken);
        return false;
    }
    std::string reply;
    bool noFavourites = false;
    if (!RetryUntilStopped([&] { return RequestFavourites(token, reply, noFavourites); }))
        return false;
    if (noFavourites) {
        pids.clear();
        ReportTip(kNoFavourites, 0);
    } else if (!ParseFavourites(reply, pids)) {
        ReportTip(kDamaged, 0);
        return false;
    }
    return true;
}

bool ProjectManager::RequestProjectList(const std::string& token, std::string& reply)
{
    if (token.empty()) {
        ReportTip({}, kSiteListRequestNoToken);
        return false;
    }
    ServerReply answer;
    if (!PostForm(*this, ServiceUrl(ApiHost(), "/get_project_list"), "token=" + token, kNetworkFailed, kSiteListNetwork,
                  answer))
        return false;
    if (!RefuseUnlessSuccess(*this, answer, kRefused))
        return false;
    reply = std::move(answer.text);
    return true;
}

bool ProjectManager::RequestFavourites(const std::string& token, std::string& reply, bool& noFavourites)
{
    noFavourites = false;
    if (token.empty()) {
        ReportTip({}, kSiteFavouritesRequestNoToken);
        return false;
    }
    ServerReply answer;
    if (!PostForm(*this, ServiceUrl(ApiHost(), "/get_project_fav"), "token=" + token, kNetworkFailed,
                  kSiteFavouritesNetwork, answer))
        return false;
    if (answer.code == kCodeNoFavourites) {
        noFavourites = true;
        return true;
    }
    if (!RefuseUnlessSuccess(*this, answer, kRefused))
        return false;
    reply = std::move(answer.text);
    return true;
}

namespace {

// One text field of a list element: numbers as integers in decimal, strings as they are.
std::u16string ReadTextField(const TipSource& source, const cJSON* element, const char* key)
{
    if (element == nullptr) {
        source.ReportTip({}, kSiteNoElement);
        return {};
    }
    const cJSON* item = cJSON_GetObjectItem(element, key);
    if (item == nullptr) {
        source.ReportTip({}, kSiteNoMember);
        return {};
    }
    if (cJSON_IsNumber(item))
        return Decimal(TruncatedInteger(item->valuedouble));
    if (cJSON_IsString(item)) {
        if (item->valuestring == nullptr) {
            source.ReportTip({}, kSiteStringWithoutText);
            return {};
        }
        return AnsiToWide(item->valuestring);
    }
    source.ReportTip({}, kSiteWrongType);
    return {};
}

} // namespace

bool ProjectManager::ParseProjectList(const std::string& reply, std::vector<ProjectRecord>& records)
{
    if (reply.empty()) {
        ReportTip({}, kSiteEmptyReply);
        return false;
    }
    JsonPtr root(cJSON_Parse(reply.c_str()));
    if (root == nullptr) {
        ReportTip({}, kSiteNotJson);
        return false;
    }
    const cJSON* list = cJSON_GetObjectItem(root.get(), "list");
    if (list == nullptr) {
        ReportTip({}, kSiteNoList);
        return false;
    }
    const cJSON* element = nullptr;
    cJSON_ArrayForEach(element, list)
    {
        ProjectRecord record;
        for (const char* key : {"pid", "pname", "p_price", "remark"})
            record.push_back(ReadTextField(*this, element, key));
        records.push_back(std::move(record));
    }
    return true;
}

bool ProjectManager::ParseFavourites(const std::string& reply, std::set<std::u16string>& pids)
{
    std::vector<ProjectRecord> records;
    if (!ParseProjectList(reply, records))
        return false;
    for (const auto& record : records) {
        if (record.empty()) {
            ReportTip({}, kSiteFavouriteEmptyRecord);
            break;
        }
        if (record[0].empty()) {
            ReportTip({}, kSiteFavouriteEmptyPid);
            break;
        }
        pids.insert(record[0]);
    }
    return true;
}

void ProjectManager::StoreProjects(std::vector<ProjectRecord> fetched, std::set<std::u16string> favourites)
{
    AutoLock guard(tipCallback, tipContext, &lock);
    projects = std::move(fetched);
    favouritePids = std::move(favourites);
    FillProjectCombo(favouritePids.empty() ? AllProjects : FavouriteProjects);
}

void ProjectManager::FillProjectCombo(ProjectListMode mode)
{
    ComboBoxPort* combo = owner != nullptr ? owner->controls.projectCombo : nullptr;
    if (combo == nullptr) {
        ReportTip({}, kSiteFillNoCombo);
        return;
    }
    combo->SetRedraw(false);
    combo->ResetContent();
    comboIndexMap.clear();
    bool complete = true;
    for (size_t i = 0; i < projects.size(); ++i) {
        const ProjectRecord& record = projects[i];
        if (record.size() < 2) {
            ReportTip({}, kSiteFillShortRecord);
            complete = false;
            break;
        }
        if (!IsProjectShown(mode, record[0], record[1]))
            continue;
        if (combo->AddString(record[0] + u"：" + record[1]) < 0) {
            ReportTip({}, kSiteFillAdd);
            complete = false;
            break;
        }
        comboIndexMap.push_back(static_cast<int>(i));
    }
    if (complete)
        InsertCountHeader(mode);
    combo->SetRedraw(true);
    combo->Invalidate(true);
}

bool ProjectManager::IsProjectShown(ProjectListMode mode, const std::u16string& pid, const std::u16string& pname)
{
    switch (mode) {
    case AllProjects:
        return true;
    case FavouriteProjects:
        if (pid.empty()) {
            ReportTip({}, kSiteShownEmptyPid);
            return false;
        }
        return favouritePids.count(pid) != 0;
    case MatchingProjects:
        if (pname.empty() || searchKeyword.empty()) {
            ReportTip({}, kSiteShownNoKeyword);
            return false;
        }
        return pname.find(searchKeyword) != std::u16string::npos;
    }
    ReportTip({}, kSiteShownMode);
    return false;
}

void ProjectManager::InsertCountHeader(ProjectListMode mode)
{
    ComboBoxPort* combo = owner != nullptr ? owner->controls.projectCombo : nullptr;
    if (combo == nullptr) {
        ReportTip({}, kSiteCountNoCombo);
        return;
    }
    int count = combo->GetCount();
    if (count < 0) {
        ReportTip({}, kSiteCountItems);
        return;
    }
    std::u16string line;
    switch (mode) {
    case AllProjects:
        line = u"共 " + Decimal(count) + u" 个项目";
        break;
    case FavouriteProjects:
        line = u"共 " + Decimal(count) + u" 个收藏的项目";
        break;
    case MatchingProjects:
        line = u"共 " + Decimal(count) + u" 个匹配的项目";
        break;
    default:
        ReportTip({}, kSiteCountMode);
        return;
    }
    if (combo->InsertString(0, line) < 0) {
        ReportTip({}, kSiteCountInsert);
        return;
    }
    combo->SetCurSel(0);
}

void ProjectManager::SearchProjects(const std::u16string& keyword)
{
    AutoLock guard(tipCallback, tipContext, &lock);
    if (keyword.empty()) {
        ReportTip("请输入要搜索的项目关键词！", 0);
        return;
    }
    searchKeyword = keyword;
    ReportTip("正在搜索项目...", 0);
    FillProjectCombo(MatchingProjects);
    ReportTip("正在搜索项目...搜索完成。请选择需要的项目。", 0);
}

void ProjectManager::ShowProjectInfo(int index)
{
    AutoLock guard(tipCallback, tipContext, &lock);
    if (index < 0 || static_cast<size_t>(index) >= comboIndexMap.size()) {
        ReportTip({}, kSiteInfoIndex);
        return;
    }
    int i = comboIndexMap[static_cast<size_t>(index)];
    if (i < 0 || static_cast<size_t>(i) >= projects.size()) {
        ReportTip({}, kSiteInfoProject);
        return;
    }
    const ProjectRecord& record = projects[static_cast<size_t>(i)];
    if (record.size() < 4) {
        ReportTip({}, kSiteInfoShortRecord);
        return;
    }
    currentPid = record[0];
    TextBoxPort* remarkBox = owner != nullptr ? owner->controls.remarkBox : nullptr;
    if (remarkBox == nullptr) {
        ReportTip({}, kSiteInfoNoRemarkBox);
        return;
    }
    remarkBox->SetWindowText(u"价格：" + record[2] + u"\r\n备注：" + record[3]);
}

std::u16string ProjectManager::GetSelectedProjectId()
{
    AutoLock guard(tipCallback, tipContext, &lock);
    ComboBoxPort* combo = owner != nullptr ? owner->controls.projectCombo : nullptr;
    if (combo == nullptr) {
        ReportTip({}, kSiteSelectedNoCombo);
        return {};
    }
    return combo->GetCurSel() >= 1 ? currentPid : std::u16string();
}

} // namespace kh
