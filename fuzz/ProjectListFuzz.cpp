// The project and favourite list readers, ProjectManager::ParseProjectList and ParseFavourites,
// driven with any replies and then through the project box as the window uses it: the lists are
// stored (filling an in-memory combo), searched, and each item shown and chosen.
// Input: the search keyword on the first line, the favourites reply on the second, the project
// list reply in the rest.

#include "FuzzSupport.h"
#include "ListReadersFuzz.h"
#include "core/OwnerWindow.h"
#include "headless/HeadlessComboBox.h"
#include "headless/HeadlessTextBox.h"
#include "platform/TextCodec.h"
#include "projects/ProjectManager.h"

using namespace kh;
using namespace kh::fuzz;

namespace {

// Every combo item after the count line, checked against the records it was made from, then shown
// and chosen: the chosen pid is the one the item names.
void CheckCombo(ProjectManager& projects, HeadlessComboBox& combo, HeadlessTextBox& remark,
                const std::vector<ProjectRecord>& shown)
{
    std::vector<std::u16string> items = combo.Items();
    KH_FUZZ_CHECK(items.size() == shown.size() + 1);
    for (size_t i = 0; i < shown.size(); ++i) {
        KH_FUZZ_CHECK(items[i + 1] == shown[i][0] + u"：" + shown[i][1]);
        combo.SetCurSel(static_cast<int>(i + 1));
        projects.ShowProjectInfo(static_cast<int>(i));
        KH_FUZZ_CHECK(projects.GetSelectedProjectId() == shown[i][0]);
        KH_FUZZ_CHECK(remark.GetWindowText() == u"价格：" + shown[i][2] + u"\r\n备注：" + shown[i][3]);
    }
    projects.ShowProjectInfo(-1);
    projects.ShowProjectInfo(static_cast<int>(shown.size()));
    combo.SetCurSel(0);
    KH_FUZZ_CHECK(projects.GetSelectedProjectId().empty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> fields = SplitFields(data, size, 2);
    const std::u16string keyword = Utf8ToWide(fields[0]);
    const std::string& favouritesReply = fields[1];
    const std::string& listReply = fields[2];

    HeadlessComboBox combo;
    HeadlessTextBox remark;
    OwnerWindow window;
    window.controls.projectCombo = &combo;
    window.controls.remarkBox = &remark;
    long tips = 0;
    ProjectManager projects(&window, CountTip, &tips);

    std::vector<ProjectRecord> records;
    projects.ParseProjectList(listReply, records);
    const long expected = listReply.empty() ? 0 : ListElementCount(listReply);
    KH_FUZZ_CHECK(records.size() == static_cast<size_t>(expected < 0 ? 0 : expected));
    for (const ProjectRecord& record : records)
        KH_FUZZ_CHECK(record.size() == 4);

    // Favourites are the non-empty pids of the favourites reply's elements, up to the first
    // element without one.
    std::set<std::u16string> favourites;
    projects.ParseFavourites(favouritesReply, favourites);
    std::vector<ProjectRecord> favouriteRecords;
    projects.ParseProjectList(favouritesReply, favouriteRecords);
    for (const std::u16string& pid : favourites) {
        KH_FUZZ_CHECK(!pid.empty());
        bool listed = false;
        for (const ProjectRecord& record : favouriteRecords)
            listed = listed || record[0] == pid;
        KH_FUZZ_CHECK(listed);
    }

    projects.StoreProjects(records, favourites);
    std::vector<ProjectRecord> shown;
    for (const ProjectRecord& record : records)
        if (favourites.empty() || favourites.count(record[0]) != 0)
            shown.push_back(record);
    CheckCombo(projects, combo, remark, shown);

    if (!keyword.empty()) {
        projects.SearchProjects(keyword);
        shown.clear();
        for (const ProjectRecord& record : records)
            if (!record[1].empty() && record[1].find(keyword) != std::u16string::npos)
                shown.push_back(record);
        CheckCombo(projects, combo, remark, shown);
    }
    return 0;
}
