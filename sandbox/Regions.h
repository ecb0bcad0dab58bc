#pragma once
// The provinces (with a few cities each) and carriers a number in the sandbox's pool can have: the
// same texts the client offers in its province and carrier boxes, so every choice there can be met.

#include <string>
#include <vector>

namespace kh::sandbox {

struct Province
{
    std::string name;
    std::vector<std::string> cities;
};

struct Carrier
{
    std::string name;
    std::vector<std::string> prefixes; // three-digit number prefixes of the carrier
};

const std::vector<Province>& Provinces();
const std::vector<Carrier>& Carriers();

bool IsProvince(const std::string& name);
bool IsCarrier(const std::string& name);

// The text the client sends for "no restriction" in either box, if it sends it at all.
inline constexpr const char* kAnyChoice = "不限";

} // namespace kh::sandbox
