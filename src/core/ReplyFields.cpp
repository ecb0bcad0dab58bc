#include "core/ReplyFields.h"

#include "platform/TextCodec.h"

#include <cstdio>
#include <string>

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
