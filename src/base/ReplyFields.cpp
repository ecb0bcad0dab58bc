#include "base/ReplyFields.h"

#include "platform/TextCodec.h"

#include <cstdio>

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

} // namespace

void ReplaceAll(std::string& text, const std::string& from, const std::string& to)
{
    if (from.empty())
        return;
    size_t pos = 0;
    while ((pos = text.find(from, pos)) != std::string::npos) {
        text.replace(pos, from.size(), to);
        pos += to.size();
    }
}

std::string GetReplyField(std::string reply, std::string key, std::string end)
{
    if (reply.empty())
        return {};
    ReplaceAll(reply, " ", "");
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
