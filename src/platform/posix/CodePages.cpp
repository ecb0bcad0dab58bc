#include "platform/CodePages.h"

#include "platform/TextCodec.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace kh {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// GBK goes through iconv one character at a time on failure, so that a character GBK cannot
// hold costs one "?" (or one U+FFFD the other way) instead of the whole text.
bool IconvConvert(const char* to, const char* from, std::string_view in, std::string& out, size_t unit,
                  std::string_view replacement)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    out.clear();
    out.reserve(in.size() * 2);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buffer[4096];
    while (srcLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, dst - buffer);
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG)
                continue;
            // EILSEQ or EINVAL: skip one input unit and write the replacement.
            size_t skip = unit;
            if (unit == 1) {
                // A GBK lead byte takes its trail byte with it when there is one.
                auto b = static_cast<unsigned char>(*src);
                skip = (b >= 0x81 && b <= 0xFE && srcLeft >= 2) ? 2 : 1;
            }
            skip = std::min(skip, srcLeft);
            src += skip;
            srcLeft -= skip;
            out.append(replacement);
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return true;
}

bool GbkToWide(std::string_view text, std::u16string& out)
{
    std::string bytes;
    static const char16_t replacement = kReplacement;
    std::string_view rep(reinterpret_cast<const char*>(&replacement), 2);
    if (!IconvConvert("UTF-16LE", "GBK", text, bytes, 1, rep))
        return false;
    out.assign(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    return true;
}

bool WideToGbk(std::u16string_view text, std::string& out)
{
    std::string bytes(text.size() * 2, '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    return IconvConvert("GBK", "UTF-16LE", bytes, out, 2, "?");
}

} // namespace

bool ThreadAcpIsUtf8()
{
    return true;
}

bool SystemMultiByteToWide(unsigned codePage, std::string_view text, std::u16string& out)
{
    return codePage == kCpGbk && GbkToWide(text, out);
}

bool SystemWideToMultiByte(unsigned codePage, std::u16string_view text, std::string& out)
{
    return codePage == kCpGbk && WideToGbk(text, out);
}

} // namespace kh
