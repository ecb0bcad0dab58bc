#include "settings/PasswordHex.h"

#include "platform/TextCodec.h"

#include <cstdint>
#include <cstdio>

namespace kh {

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads one number the way "%x" does: an optional sign, an optional 0x, then hexadecimal digits up
// to the first other character; the value wraps at 32 bits. False when no digit follows.
bool ReadHexNumber(const std::string& text, size_t pos, uint32_t& value)
{
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos + 2 < text.size() && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X') &&
        HexDigit(text[pos + 2]) >= 0)
        pos += 2;
    if (pos >= text.size() || HexDigit(text[pos]) < 0)
        return false;
    uint32_t result = 0;
    for (; pos < text.size() && HexDigit(text[pos]) >= 0; ++pos)
        result = result * 16 + static_cast<uint32_t>(HexDigit(text[pos]));
    value = negative ? 0u - result : result;
    return true;
}

} // namespace

std::u16string HexEncode(const std::u16string& password)
{
    std::string bytes;
    WideToMultiByte(kCpThreadAcp, password, bytes);
    std::string hex;
    char pair[3];
    for (unsigned char byte : bytes) {
        std::snprintf(pair, sizeof pair, "%02X", byte);
        hex += pair;
    }
    return AnsiToWide(hex);
}

std::u16string HexDecode(const std::u16string& stored)
{
    std::string text;
    WideToMultiByte(kCpThreadAcp, stored, text);
    if (text.empty())
        return {};

    // Bring both forms to " 61 62 63" / "61 62 63 ": every number preceded by a space.
    std::string spaced;
    if (text.find(' ') == std::string::npos) {
        for (size_t i = 0; i < text.size(); i += 2) {
            spaced += ' ';
            spaced += text.substr(i, 2);
        }
    } else {
        spaced = text + ' ';
    }

    // Each number takes at least three characters of the spaced text, so n / 3 bounds the count;
    // a text of odd length has one more number than that (the lone last digit) and fails.
    size_t n = spaced.size();
    if (n <= 2)
        return {};
    const size_t capacity = n / 3;
    std::string bytes;
    for (size_t i = 0; i < n; ++i) {
        bool afterSpace = i == 0 || spaced[i - 1] == ' ';
        if (!afterSpace || spaced[i] == ' ')
            continue;
        if (bytes.size() >= capacity)
            return {};
        uint32_t value = 0;
        if (!ReadHexNumber(spaced, i, value))
            return {};
        bytes += static_cast<char>(value & 0xFF);
    }

    std::u16string password;
    if (!MultiByteToWide(kCpThreadAcp, bytes, password))
        return {};
    return password;
}

} // namespace kh
