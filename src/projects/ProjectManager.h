#pragma once
// The project manager: fetches the projects the account may rent numbers for and its favourite
// projects on a worker thread (retrying once a second until it succeeds or is stopped), fills the
// project combo with a count line and one "pid：pname" item per project, narrows it by a search
// keyword, shows the chosen project's price and remark, and gives the chosen pid to the number
// acquisition. Driven by the command worker; GetSelectedProjectId is called by the number job.

#include "core/Manager.h"

#include <atomic>
#include <set>
#include <string>
#include <vector>

namespace kh {

// pid, pname, p_price, remark; always four fields when built from a reply.
using ProjectRecord = std::vector<std::u16string>;

enum ProjectListMode : int
{
    AllProjects = 0,
    FavouriteProjects = 1,
    MatchingProjects = 2,
};

class ProjectManager final : public Manager
{
public:
    ProjectManager(OwnerWindow* owner, TipCallback callback, void* context);
    ~ProjectManager();

    // Starts the fetch worker unless one is running.
    void StartFetchProjects();
    // index is the combo index minus 1.
    void ShowProjectInfo(int index);
    void SearchProjects(const std::u16string& keyword);
    // Refills the combo with every fetched project, favourite or not (the terminal client chooses
    // a project by its id among all of them).
    void ShowAllProjects();
    // The pid last shown while a project item is selected in the combo; empty otherwise.
    std::u16string GetSelectedProjectId();
    void StopFetching();
    // True once a fetch has installed both lists; a fetch that gave up, was stopped or met a
    // damaged list leaves it as it was.
    bool Fetched() const { return fetched; }

    // Parses a list reply and appends its elements' records (used for both lists). False when the
    // reply is damaged: empty, not JSON, or without a "list" (tips 16 to 18).
    bool ParseProjectList(const std::string& reply, std::vector<ProjectRecord>& records);
    bool ParseFavourites(const std::string& reply, std::set<std::u16string>& pids);
    // Installs fetched data and refills the combo (favourites view when there are favourites).
    void StoreProjects(std::vector<ProjectRecord> fetched, std::set<std::u16string> favourites);

private:
    void FetchProjectsJob();
    bool FetchProjectList(std::vector<ProjectRecord>& records);
    bool FetchFavourites(std::set<std::u16string>& pids);
    bool RequestProjectList(const std::string& token, std::string& reply);
    bool RequestFavourites(const std::string& token, std::string& reply, bool& noFavourites);
    void FillProjectCombo(ProjectListMode mode);
    bool IsProjectShown(ProjectListMode mode, const std::u16string& pid, const std::u16string& pname);
    void InsertCountHeader(ProjectListMode mode);
    std::string ApiHost();

    CriticalSection lock;
    std::u16string searchKeyword;
    std::vector<ProjectRecord> projects;
    std::set<std::u16string> favouritePids;
    std::vector<int> comboIndexMap;
    std::u16string currentPid;
    std::atomic<bool> fetched{false};
};

} // namespace kh
