#include "Output.h"

#include "platform/LocalTime.h"
#include "platform/TextCodec.h"

#include <cstdio>
#include <ctime>
#include <mutex>

namespace kh::cli {

namespace {

std::mutex outputMutex;

} // namespace

std::string TimeStamp()
{
    return TipTimeStamp();
}

void PrintOut(const std::string& line)
{
    std::string shown = Visible(line, true);
    std::lock_guard<std::mutex> guard(outputMutex);
    std::fwrite(shown.data(), 1, shown.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void PrintErr(const std::string& line)
{
    std::string shown = Visible(line, true);
    std::lock_guard<std::mutex> guard(outputMutex);
    std::fwrite(shown.data(), 1, shown.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

std::string Visible(const std::string& text, bool keepLineBreaks)
{
    std::string out;
    out.reserve(text.size());
    auto append = [&out](char32_t c) {
        std::u16string wide;
        if (c >= 0x10000) {
            wide += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            wide += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            wide += static_cast<char16_t>(c);
        }
        out += WideToUtf8(wide);
    };
    for (size_t i = 0; i < text.size();) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        // The code point at i and its length; a malformed sequence is one byte of U+FFFD.
        size_t length = lead < 0x80                   ? 1
                        : lead >= 0xC2 && lead < 0xE0 ? 2
                        : lead >= 0xE0 && lead < 0xF0 ? 3
                        : lead >= 0xF0 && lead < 0xF5 ? 4
                                                      : 0;
        char32_t c = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        bool valid = length != 0 && i + length <= text.size();
        for (size_t k = 1; valid && k < length; ++k) {
            unsigned char next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        valid = valid && !(length == 3 && c < 0x800) && !(length == 4 && (c < 0x10000 || c > 0x10FFFF)) &&
                !(c >= 0xD800 && c <= 0xDFFF);
        if (!valid) {
            append(0xFFFD);
            ++i;
            continue;
        }
        if ((c < 0x20 && c != '\t' && !(c == '\n' && keepLineBreaks)) || c == 0x7F) {
            append(c == 0x7F ? 0x2421 : 0x2400 + c); // the control pictures: ␀ to ␟, ␡
        } else if ((c >= 0x80 && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
                   (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069)) {
            char name[16];
            std::snprintf(name, sizeof name, "<U+%04X>", static_cast<unsigned>(c));
            out += name;
        } else {
            out.append(text, i, length);
        }
        i += length;
    }
    return out;
}

std::string VisibleField(const std::u16string& text)
{
    return Visible(Utf8(text), false);
}

std::string Utf8(const std::u16string& text)
{
    return WideToUtf8(text);
}

bool WantsHelp(const std::vector<std::string>& args)
{
    for (const std::string& arg : args)
        if (arg == "--help" || arg == "-h")
            return true;
    return false;
}

int Usage(const std::string& problem, const char* help)
{
    PrintErr("borvankh-cli: " + problem);
    PrintErr(help);
    return kExitUsage;
}

int Fail(const std::string& reason)
{
    PrintErr("borvankh-cli: " + reason);
    return kExitFailed;
}

} // namespace kh::cli
