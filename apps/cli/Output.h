#pragma once
// What the terminal client prints: results on stdout, tips and messages on stderr (the two streams
// are written whole line by line, from any thread), the exit statuses and the command-line helpers
// every command shares. Text from the server (an SMS anyone may send to a rented number, a
// message, a project name) never reaches the terminal as control characters, which could retitle
// it, move the cursor or clear the screen: see Visible.

#include <string>
#include <vector>

namespace kh::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
// get: the run ended with at least one rented number that did not get its code.
inline constexpr int kExitNoCode = 3;
inline constexpr int kExitInterrupted = 130;

// "[%m-%d] [%H:%M:%S] " of the local time now, as the tips box stamps its lines.
std::string TimeStamp();

// Write text and a line break, with every control character but tab and line break shown as
// Visible does.
void PrintOut(const std::string& line);
void PrintErr(const std::string& line);

std::string Utf8(const std::u16string& text);

// UTF-8 text with what a terminal would act on shown visibly instead: C0 controls (but tab, and
// line breaks when keepLineBreaks) and DEL as their control pictures (ESC as ␛, CR as ␍), C1
// controls and the bidirectional overrides and isolates as <U+XXXX>; bytes that are not UTF-8 as
// U+FFFD. A field of a printed line (an SMS) keeps no line break, so it cannot forge a line.
std::string Visible(const std::string& text, bool keepLineBreaks);
// Utf8 and Visible without line breaks: one field of a line from the server's text.
std::string VisibleField(const std::u16string& text);

// True when the arguments ask for the command's help.
bool WantsHelp(const std::vector<std::string>& args);
// Prints "borvankh-cli: problem" and the help on stderr; the usage status.
int Usage(const std::string& problem, const char* help);
// Prints "borvankh-cli: reason" on stderr; the failure status.
int Fail(const std::string& reason);

} // namespace kh::cli
