#pragma once
// The service's state behind the sandbox's API: accounts with their tokens, money, number limit,
// favourites, held, released and blacklisted numbers; the projects; the pool of numbers and each
// rented number's SMS. One operation per endpoint takes the parsed form fields and returns the
// reply text. All state sits behind one lock, taken for the length of one operation, so concurrent
// requests see each other's effects whole. Used by SandboxServer.

#include "FormBody.h"
#include "SandboxClock.h"
#include "Scenario.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace kh::sandbox {

// Result codes besides "0" and the client's special ones ("103", "206", "207").
inline constexpr const char* kCodeBadLogin = "101";
inline constexpr const char* kCodeBadToken = "102";
inline constexpr const char* kCodeBadField = "104";
inline constexpr const char* kCodeUnknownProject = "105";
inline constexpr const char* kCodeNoBalance = "201";
inline constexpr const char* kCodeNumberLimit = "202";
inline constexpr const char* kCodeNoNumber = "203";
inline constexpr const char* kCodeNotHeld = "204";

class SandboxState final
{
public:
    SandboxState(const Scenario& scenario, uint64_t seed, SandboxClock& clock);
    SandboxState(const SandboxState&) = delete;
    SandboxState& operator=(const SandboxState&) = delete;

    std::string Login(const FormFields& form);
    std::string UserInfo(const FormFields& form);
    std::string Version(const FormFields& form);
    std::string ProjectList(const FormFields& form);
    std::string ProjectFavourites(const FormFields& form);
    std::string GetMobile(const FormFields& form);
    std::string ReleaseMobile(const FormFields& form);
    std::string AddBlack(const FormFields& form);
    std::string GetSms(const FormFields& form);

    // The scenario the state was built from (a copy: a reset may replace it).
    Scenario LoadedScenario();
    // Web page support: the account a token belongs to, empty when it is unknown or expired.
    std::string TokenOwner(const std::string& token);

    // Control operations for tests. Each returns false with a reason when it cannot apply.
    // Delivers the SMS of a rented number now; an empty text uses the project's template.
    bool DeliverNow(const std::string& mobile, const std::string& text, std::string& error);
    // Takes a number out of service: a rented one answers "206" from now on, a free one leaves the pool.
    bool SetOffline(const std::string& mobile, std::string& error);
    // Back to the scenario as loaded, with the same seed; request counts start again.
    void Reset();
    // The same with another scenario and seed, which later resets keep (a sandbox shared by tests
    // that each need their own, such as the Windows tests under wine).
    void Reset(const Scenario& replacement, uint64_t newSeed);
    void CountRequest(const std::string& path);
    // The whole state as formatted JSON (accounts, pool summary, request counts, clock).
    std::string Dump();

private:
    enum class NumberStatus
    {
        Free,
        Waiting,
        Received,
        Offline
    };

    struct Number
    {
        PoolNumberScenario info;
        NumberStatus status = NumberStatus::Free;
        int holder = -1; // account index, -1 when nobody holds it
        std::string pid;
        int64_t rentedAtMs = 0;
        int64_t deliverAtMs = -1; // -1: no SMS will come
        int64_t offlineAtMs = -1; // -1: stays online
        std::string code;
        std::string smsText;
    };

    struct Account
    {
        AccountScenario info;
        std::string token;
        int64_t tokenIssuedMs = 0;
        std::vector<size_t> held;          // pool indexes, in renting order
        std::vector<std::string> released; // given back (released or blacklisted), in that order
        std::set<std::string> blacklist;   // pid + "\n" + mobile
    };

    void Load();
    uint64_t Draw();
    double DrawUnit();
    int64_t DrawRange(int64_t low, int64_t high);

    // The account of the form's token, or -1 with the refusal already written into reply.
    int Authenticate(const FormFields& form, std::string& reply);
    // The common start of the endpoints on one project: the account of the form's token, then the
    // project its pid names. -1 with the refusal written into reply (a token missing, unknown or
    // expired; the pid missing; no such project).
    int AuthenticateForProject(const FormFields& form, std::string& pid, const ProjectScenario*& project,
                               std::string& reply);
    const ProjectScenario* FindProject(const std::string& pid) const;
    void Advance(Number& number);
    void AdvanceAccount(Account& account);
    void Deliver(Number& number, const std::string& text);
    void GiveBack(Account& account, size_t index);
    int WaitingCount(const Account& account) const;
    Milli Reserved(const Account& account) const;
    // Splits a comma list; false when it is empty or has an empty element.
    static bool SplitList(const std::string& text, std::vector<std::string>& items);
    // Checks that every listed number is held by the account for one of pids; on failure writes
    // the refusal into reply. Fills indexes with the pool indexes (duplicates removed).
    bool CheckHeld(int account, const std::vector<std::string>& mobiles, const std::set<std::string>& pids,
                   std::vector<size_t>& indexes, std::string& reply);
    std::string ListReply(const std::vector<std::string>& pids) const;

    Scenario scenario;
    uint64_t seed;
    SandboxClock& clock;

    std::mutex mutex;
    std::mt19937_64 random;
    std::vector<Account> accounts;
    std::unordered_map<std::string, int> accountByToken;
    std::vector<Number> pool;
    std::unordered_map<std::string, size_t> numberByMobile;
    std::unordered_map<std::string, size_t> projectByPid;
    std::map<std::string, uint64_t> requestCounts;
    uint64_t tokenSerial = 0;
};

} // namespace kh::sandbox
