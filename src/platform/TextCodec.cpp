#include "platform/TextCodec.h"

#include "platform/CodePages.h"

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

} // namespace

bool MultiByteToWide(unsigned codePage, std::string_view text, std::u16string& out)
{
    if (codePage == kCpAcp || codePage == kCpUtf8 || (codePage == kCpThreadAcp && ThreadAcpIsUtf8())) {
        DecodeUtf8(text, out);
        return true;
    }
    if (codePage == kCpThreadAcp || codePage == kCpGbk)
        return SystemMultiByteToWide(codePage, text, out);
    return false;
}

bool WideToMultiByte(unsigned codePage, std::u16string_view text, std::string& out)
{
    if (codePage == kCpAcp || codePage == kCpUtf8 || (codePage == kCpThreadAcp && ThreadAcpIsUtf8())) {
        EncodeUtf8(text, out);
        return true;
    }
    if (codePage == kCpThreadAcp || codePage == kCpGbk)
        return SystemWideToMultiByte(codePage, text, out);
    return false;
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
