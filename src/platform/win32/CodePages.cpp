#include "platform/CodePages.h"

#include "platform/TextCodec.h"

#include <climits>
#include <windows.h>

namespace kh {

namespace {

UINT SystemPage(unsigned codePage)
{
    return codePage == kCpGbk ? 936 : CP_THREAD_ACP;
}

// Converts text, failing on anything malformed or unknown to the code page.
bool StrictConvert(UINT page, std::string_view text, std::u16string& out)
{
    out.clear();
    if (text.empty())
        return true;
    const int length = static_cast<int>(text.size());
    int n = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (n <= 0)
        return false;
    out.resize(static_cast<size_t>(n));
    // wchar_t is UTF-16 on Windows, the same units as char16_t.
    n = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, text.data(), length, reinterpret_cast<wchar_t*>(out.data()), n);
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return n > 0;
}

} // namespace

// The thread's code page is whatever the system says, UTF-8 included, so it is always asked.
bool ThreadAcpIsUtf8()
{
    return false;
}

bool SystemMultiByteToWide(unsigned codePage, std::string_view text, std::u16string& out)
{
    out.clear();
    if (codePage != kCpGbk && codePage != kCpThreadAcp)
        return false;
    if (text.size() > INT_MAX)
        return false;
    const UINT page = SystemPage(codePage);
    if (StrictConvert(page, text, out))
        return true;
    // The system converter writes its own default character for what it cannot read; piece by
    // piece instead, each malformed piece (a lead byte takes its trail byte with it) costs one
    // U+FFFD, the same as on the other systems.
    const UINT leadPage = codePage == kCpGbk ? 936 : GetACP();
    out.clear();
    for (size_t i = 0; i < text.size();) {
        size_t length = IsDBCSLeadByteEx(leadPage, static_cast<BYTE>(text[i])) && i + 1 < text.size() ? 2 : 1;
        std::u16string piece;
        if (StrictConvert(page, text.substr(i, length), piece))
            out += piece;
        else
            out += u'\uFFFD';
        i += length;
    }
    return true;
}

bool SystemWideToMultiByte(unsigned codePage, std::u16string_view text, std::string& out)
{
    out.clear();
    if (codePage != kCpGbk && codePage != kCpThreadAcp)
        return false;
    if (text.empty())
        return true;
    if (text.size() > INT_MAX)
        return false;
    const UINT page = SystemPage(codePage);
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    // Without a default character the system writes "?" for what the code page cannot hold.
    int n = WideCharToMultiByte(page, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return false;
    out.resize(static_cast<size_t>(n));
    n = WideCharToMultiByte(page, 0, wide, length, out.data(), n, nullptr, nullptr);
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return n > 0;
}

} // namespace kh
