#include "platform/TextCodec.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace kh {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

void AppendUtf16(std::u16string& out, char32_t cp)
{
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        out.push_back(static_cast<char16_t>(cp));
    }
}

void DecodeUtf8(std::string_view in, std::u16string& out)
{
    out.clear();
    out.reserve(in.size());
    size_t i = 0;
    while (i < in.size()) {
        auto b0 = static_cast<unsigned char>(in[i]);
        if (b0 < 0x80) {
            out.push_back(b0);
            ++i;
            continue;
        }
        int extra;
        char32_t cp;
        char32_t minimum;
        if ((b0 & 0xE0) == 0xC0) {
            extra = 1, cp = b0 & 0x1F, minimum = 0x80;
        } else if ((b0 & 0xF0) == 0xE0) {
            extra = 2, cp = b0 & 0x0F, minimum = 0x800;
        } else if ((b0 & 0xF8) == 0xF0) {
            extra = 3, cp = b0 & 0x07, minimum = 0x10000;
        } else {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        size_t j = i + 1;
        bool ok = true;
        for (int k = 0; k < extra; ++k, ++j) {
            if (j >= in.size() || (static_cast<unsigned char>(in[j]) & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (static_cast<unsigned char>(in[j]) & 0x3F);
        }
        if (!ok || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(kReplacement);
            i = j; // resume at the first byte that did not belong to the sequence
            continue;
        }
        AppendUtf16(out, cp);
        i = j;
    }
}

void EncodeUtf8(std::u16string_view in, std::string& out)
{
    out.clear();
    out.reserve(in.size() * 3);
    for (size_t i = 0; i < in.size(); ++i) {
        char32_t cp = in[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
}

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

bool MultiByteToWide(unsigned codePage, std::string_view text, std::u16string& out)
{
    switch (codePage) {
    case kCpAcp:
    case kCpThreadAcp:
    case kCpUtf8:
        DecodeUtf8(text, out);
        return true;
    case kCpGbk:
        return GbkToWide(text, out);
    default:
        return false;
    }
}

bool WideToMultiByte(unsigned codePage, std::u16string_view text, std::string& out)
{
    switch (codePage) {
    case kCpAcp:
    case kCpThreadAcp:
    case kCpUtf8:
        EncodeUtf8(text, out);
        return true;
    case kCpGbk:
        return WideToGbk(text, out);
    default:
        return false;
    }
}

std::u16string AnsiToWide(std::string_view text)
{
    std::u16string out;
    MultiByteToWide(kCpAcp, text, out);
    return out;
}

std::string WideToAnsi(std::u16string_view text)
{
    std::string out;
    WideToMultiByte(kCpAcp, text, out);
    return out;
}

std::u16string Utf8ToWide(std::string_view text)
{
    std::u16string out;
    MultiByteToWide(kCpUtf8, text, out);
    return out;
}

std::string WideToUtf8(std::u16string_view text)
{
    std::string out;
    WideToMultiByte(kCpUtf8, text, out);
    return out;
}

std::string AnsiToUtf8(std::string_view text)
{
    return std::string(text);
}

std::string Utf8ToAnsi(std::string_view text)
{
    // Normalises malformed sequences the way a round trip through UTF-16 would.
    return WideToAnsi(Utf8ToWide(text));
}

} // namespace kh
