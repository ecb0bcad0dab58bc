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
    if (text.empty())
        return true;
    if (text.size() > INT_MAX)
        return false;
    const UINT page = SystemPage(codePage);
    const int length = static_cast<int>(text.size());
    int n = MultiByteToWideChar(page, 0, text.data(), length, nullptr, 0);
    if (n <= 0)
        return false;
    out.resize(static_cast<size_t>(n));
    // wchar_t is UTF-16 on Windows, the same units as char16_t.
    n = MultiByteToWideChar(page, 0, text.data(), length, reinterpret_cast<wchar_t*>(out.data()), n);
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return n > 0;
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
