#include "base/ReplyFields.h"

#include "platform/TextCodec.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace kh {
namespace {

std::string AsciiLower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool FindValueSpan(const std::string& text, const std::string& key, const std::string& end, size_t& start,
                   size_t& length)
{
    if (text.empty())
        return false;
    size_t pos = text.find(key);
    if (pos == std::string::npos)
        return false;
    start = pos + key.size();
    if (start >= text.size())
        return false;
    size_t stop = end.empty() ? text.size() : text.find(end, start);
    if (stop == std::string::npos)
        return false;
    length = stop - start;
    return true;
}

// The same as ReplaceAll(text, " ", ""), in one pass.
void RemoveSpaces(std::string& text)
{
    std::erase(text, ' ');
}

bool ReadHex4(std::string_view text, char16_t& unit)
{
    if (text.size() < 4)
        return false;
    unsigned value = 0;
    for (size_t i = 0; i < 4; ++i) {
        const char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return false;
        value = value * 16 + digit;
    }
    unit = static_cast<char16_t>(value);
    return true;
}

// Decodes the escapes of a JSON string's content (without its quotes). Runs of \u escapes are
// collected as UTF-16 and converted together, so a surrogate pair becomes one character and a
// surrogate without its partner becomes U+FFFD in the converter.
std::string DecodeJsonEscapes(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::u16string units;
    auto flushUnits = [&] {
        if (units.empty())
            return;
        std::string bytes;
        WideToMultiByte(kCpAcp, units, bytes);
        out += bytes;
        units.clear();
    };
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            flushUnits();
            out += text[i++];
            continue;
        }
        const char escaped = text[i + 1];
        char16_t unit = 0;
        if (escaped == 'u' && ReadHex4(text.substr(i + 2), unit)) {
            // A NUL would end the text wherever it is handed on as a C string.
            units.push_back(unit == 0 ? u'\uFFFD' : unit);
            i += 6;
            continue;
        }
        flushUnits();
        switch (escaped) {
        case '"':
        case '\\':
        case '/':
            out += escaped;
            break;
        case 'b':
            out += '\b';
            break;
        case 'f':
            out += '\f';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        default:
            // Not JSON (\x, or \u without four hex digits): kept as the server wrote it.
            out += '\\';
            out += escaped;
            break;
        }
        i += 2;
    }
    flushUnits();
    return out;
}

} // namespace

void ReplaceAll(std::string& text, const std::string& from, const std::string& to)
{
    if (from.empty())
        return;
    size_t pos = text.find(from);
    if (pos == std::string::npos)
        return;
    // Built in a second string: replacing in place moves the whole tail once per occurrence, which
    // makes a reply of a few megabytes of spaces take minutes.
    std::string result;
    result.reserve(text.size());
    size_t done = 0;
    do {
        result.append(text, done, pos - done);
        result += to;
        done = pos + from.size();
        pos = text.find(from, done);
    } while (pos != std::string::npos);
    result.append(text, done);
    text = std::move(result);
}

std::string GetReplyField(std::string reply, std::string key, std::string end)
{
    if (reply.empty())
        return {};
    RemoveSpaces(reply);
    if (reply.empty())
        return {};
    size_t start = 0;
    size_t length = 0;
    if (!FindValueSpan(AsciiLower(reply), AsciiLower(key), AsciiLower(end), start, length))
        return {};
    if (start >= reply.size())
        return {};
    return reply.substr(start, length);
}

std::string GetReplyString(std::string reply, const std::string& key)
{
    if (reply.empty())
        return {};
    RemoveSpaces(reply);
    if (reply.empty())
        return {};
    size_t pos = AsciiLower(reply).find(AsciiLower(key));
    if (pos == std::string::npos)
        return {};
    const size_t start = pos + key.size();
    // The value ends at the first quote that is not escaped; a backslash always takes the byte
    // after it along, so an escaped backslash before a quote does not escape the quote.
    size_t stop = start;
    while (stop < reply.size() && reply[stop] != '"')
        stop += reply[stop] == '\\' ? 2 : 1;
    if (stop >= reply.size())
        return {};
    return DecodeJsonEscapes(std::string_view(reply).substr(start, stop - start));
}

bool PercentEncodeUtf8(std::string& text)
{
    if (text.empty())
        return true;
    std::u16string wide;
    if (!MultiByteToWide(kCpAcp, text, wide) || wide.empty())
        return false;
    std::string utf8;
    if (!WideToMultiByte(kCpUtf8, wide, utf8) || utf8.empty())
        return false;
    std::string encoded;
    encoded.reserve(utf8.size() * 3);
    char pair[4];
    for (unsigned char byte : utf8) {
        std::snprintf(pair, sizeof pair, "%%%02X", byte);
        encoded += pair;
    }
    text = std::move(encoded);
    return true;
}

} // namespace kh
