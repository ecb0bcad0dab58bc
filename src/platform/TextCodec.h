#pragma once
// Text conversion between the process's ANSI code page (UTF-8 on Linux), UTF-8, UTF-16 and
// GBK (code page 936). Byte strings hold ANSI text; wide strings are UTF-16 code units.
// Used by the HTTP client (request body and reply recoding), the managers where text meets a
// window, the settings store and the tip log.

#include <string>
#include <string_view>

namespace kh {

enum CodePage : unsigned
{
    kCpAcp = 0,       // the process's ANSI code page
    kCpThreadAcp = 3, // the calling thread's ANSI code page (the same as kCpAcp here)
    kCpGbk = 936,
    kCpUtf8 = 65001,
};

// Converts bytes in codePage to UTF-16. Malformed input is replaced by U+FFFD, as the system
// converter does without strict flags. False only for an unknown code page.
bool MultiByteToWide(unsigned codePage, std::string_view text, std::u16string& out);

// Converts UTF-16 to bytes in codePage. Characters the code page cannot hold become "?", unpaired
// surrogates become U+FFFD. False only for an unknown code page.
bool WideToMultiByte(unsigned codePage, std::u16string_view text, std::string& out);

// Conveniences for the common directions; they never fail on the known code pages.
std::u16string AnsiToWide(std::string_view text);
std::string WideToAnsi(std::u16string_view text);
std::u16string Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::u16string_view text);
std::string AnsiToUtf8(std::string_view text);
std::string Utf8ToAnsi(std::string_view text);

} // namespace kh
