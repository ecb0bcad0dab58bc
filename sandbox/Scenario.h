#pragma once
// What the sandbox starts from: accounts, projects, the pool of numbers and the version reply, read
// from a JSON scenario file or taken from the built-in demo scenario. Used by SandboxState, which
// rebuilds its whole state from a Scenario at start and at every reset.

#include "base/Version.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kh::sandbox {

// Money is held in thousandths of the currency unit, so prices and balances add up exactly.
using Milli = int64_t;

struct ProjectScenario
{
    std::string pid;
    std::string pname;
    std::string priceText; // p_price as the client shows it
    Milli price = 0;
    std::string remark;
    std::string smsTemplate; // "{code}" is replaced by the drawn code, "{pname}" by the name
    int codeLength = 6;
    int64_t delayMinMs = 2000;
    int64_t delayMaxMs = 5000;
    double offlineProbability = 0.0;
    double noSmsProbability = 0.0;
};

struct AccountScenario
{
    std::string user;
    std::string pwd;
    Milli balance = 0;
    std::string level;
    std::string discount;
    int64_t score = 0;
    int maxMobiles = 20; // numbers the account may hold while they wait for an SMS
    std::vector<std::string> favourites;
};

struct PoolNumberScenario
{
    std::string mobile;
    std::string prov;
    std::string city;
    std::string corp;
};

struct Scenario
{
    std::vector<AccountScenario> accounts;
    std::vector<ProjectScenario> projects;
    std::vector<PoolNumberScenario> pool;
    std::string version = KH_VERSION; // the client's own: nothing to offer
    std::string updateContent;
    int64_t tokenTtlMs = 0; // 0: tokens do not expire
};

// The built-in demo: account demo/demo with a balance and two favourites, an account without
// favourites (nofav/nofav) and one without money (poor/poor), a dozen projects, 3000 numbers.
Scenario DefaultScenario();

// Parses a scenario file's text; false with a message naming the offending member.
bool ParseScenario(const std::string& text, Scenario& scenario, std::string& error);
bool LoadScenarioFile(const std::string& path, Scenario& scenario, std::string& error);

// count numbers spread evenly over every province and carrier, with carrier-typical prefixes and
// distinct numbers; the same seed gives the same pool.
std::vector<PoolNumberScenario> GeneratePool(size_t count, uint64_t seed);

// "12.5" / "12" / "0.005" -> thousandths; false for anything else (negative amounts included).
bool ParseMoney(const std::string& text, Milli& value);
// Two decimals, or three when the amount needs them: 12500 -> "12.50", 5 -> "0.005".
std::string FormatMoney(Milli value);

} // namespace kh::sandbox
