#pragma once
// Faults that tests ask for through the control endpoints: per path (or for every path with "*"),
// for the next N requests and/or with a probability, the sandbox delays its reply, closes the
// connection without a reply or right after the headers, answers HTTP 500 with an HTML page, sends a
// malformed JSON body, or replies with a given code and msg. A fault other than latency and cut
// replaces the endpoint's work, so the state is left as it was. A cut lets the endpoint do its work
// (numbers are rented) and then sends its reply short by some bytes: as a proxy would truncate it
// (the Content-Length of what is sent) or as a connection lost mid-body (the full length announced,
// then the connection closed).

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>

namespace kh::sandbox {

enum class FaultKind
{
    Latency,
    CloseWithoutReply,
    CloseAfterHeaders,
    Http500,
    MalformedJson,
    Reply,
    Cut
};

struct FaultRule
{
    FaultKind kind = FaultKind::Latency;
    int64_t remaining = -1;   // requests still to hit; -1: no limit
    double probability = 1.0; // chance per request
    int64_t latencyMs = 0;
    std::string code;          // Reply
    std::string msg;           // Reply
    std::string body;          // MalformedJson: the body to send instead of the built-in one
    int64_t dropBytes = 0;     // Cut: bytes left off the end of the body
    bool closeMidBody = false; // Cut: announce the whole body, then close the connection
};

class FaultInjector final
{
public:
    explicit FaultInjector(uint64_t seed);
    FaultInjector(const FaultInjector&) = delete;
    FaultInjector& operator=(const FaultInjector&) = delete;

    // Reads a rule from the control body {"path","kind","count","probability","latency_ms","code",
    // "msg","body","drop_bytes","close"}; false with a reason for anything it cannot use. A count of
    // 0 removes the path's rule.
    bool AddRule(const std::string& json, std::string& error);
    void Clear();
    void Reseed(uint64_t seed);

    // The fault for this request, if any; consumes one of the rule's remaining hits.
    std::optional<FaultRule> Take(const std::string& path);

    // Sleeps ms unless the sandbox shuts down first.
    void Delay(int64_t ms);
    // Ends every delay at once and refuses new ones (at shutdown).
    void Shutdown();

    static bool ParseKind(const std::string& text, FaultKind& kind);

private:
    std::mutex mutex;
    std::condition_variable wake;
    bool shuttingDown = false;
    std::mt19937_64 random;
    std::map<std::string, FaultRule> rules;
};

} // namespace kh::sandbox
