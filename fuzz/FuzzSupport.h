#pragma once
// Helpers shared by the fuzz targets: a property check that stops the run like a crash (so that
// libFuzzer keeps the input as an artifact), the line format the targets read their fields from,
// and the UTF-16 forms of fuzz bytes.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace kh::fuzz {

[[noreturn]] inline void PropertyFailed(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "property failed: %s at %s:%d\n", what, file, line);
    std::abort();
}

// A macro so that the failure names the condition and its line.
#define KH_FUZZ_CHECK(condition) ((condition) ? (void)0 : ::kh::fuzz::PropertyFailed(#condition, __FILE__, __LINE__))

// Splits the input into `count` leading lines (without their "\n") and the rest, which may hold
// line breaks of its own. Missing lines are empty. Keeps the committed seeds readable text.
inline std::vector<std::string> SplitFields(const uint8_t* data, size_t size, size_t count)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> fields;
    for (size_t i = 0; i < count; ++i) {
        size_t newline = text.find('\n');
        fields.emplace_back(text.substr(0, newline));
        text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
    }
    fields.emplace_back(text);
    return fields;
}

// Byte pairs as UTF-16 code units (little-endian); a lone last byte is dropped. Reaches the
// unpaired surrogates and nulls that decoding UTF-8 never produces.
inline std::u16string Utf16FromBytes(std::string_view bytes)
{
    std::u16string text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    return text;
}

// True when every surrogate in text is part of a pair.
inline bool IsWellFormedUtf16(std::u16string_view text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)
                return false;
            ++i;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

inline std::string AsciiLower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace kh::fuzz
