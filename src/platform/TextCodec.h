#pragma once
// Text conversion between the program's narrow text, UTF-8, UTF-16, GBK (code page 936) and the
// thread's ANSI code page. Narrow strings hold UTF-8 inside the program on every system; wide
// strings are UTF-16 code units. Text meets other code pages only at the boundaries: the tip log
// (GBK) and the remembered password's stored form (the thread's ANSI code page, see kCpThreadAcp).
// Used by the HTTP client (request body and reply recoding), the managers where text meets a
// window, the settings store and the tip log.

#include <string>
#include <string_view>

namespace kh {

enum CodePage : unsigned
{
    kCpAcp = 0, // the program's narrow text: UTF-8 on every system
    // The calling thread's ANSI code page as the system knows it: UTF-8 on Linux; on Windows the
    // code page of CP_THREAD_ACP (936 on a Chinese system), in which earlier versions of the client
    // stored the remembered password, so that stored value reads back unchanged.
    kCpThreadAcp = 3,
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
