#pragma once
// What the terminal client prints: results on stdout, tips and messages on stderr (the two streams
// are written whole line by line, from any thread), the exit statuses and the command-line helpers
// every command shares.

#include <string>
#include <vector>

namespace kh::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;

// "[%m-%d] [%H:%M:%S] " of the local time now, as the tips box stamps its lines.
std::string TimeStamp();

void PrintOut(const std::string& line);
void PrintErr(const std::string& line);

std::string Utf8(const std::u16string& text);

// True when the arguments ask for the command's help.
bool WantsHelp(const std::vector<std::string>& args);
// Prints "borvankh-cli: problem" and the help on stderr; the usage status.
int Usage(const std::string& problem, const char* help);
// Prints "borvankh-cli: reason" on stderr; the failure status.
int Fail(const std::string& reason);

} // namespace kh::cli
