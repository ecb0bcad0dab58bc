#include "JsonReply.h"

#include <cstdio>

namespace kh::sandbox {

namespace {

bool IsInteger(const std::string& text)
{
    size_t start = (!text.empty() && text[0] == '-') ? 1 : 0;
    if (start >= text.size())
        return false;
    for (size_t i = start; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    return true;
}

} // namespace

std::string JsonString(const std::string& value)
{
    std::string out = "\"";
    for (unsigned char c : value) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out.push_back(static_cast<char>(c));
            }
        }
    }
    out += "\"";
    return out;
}

JsonReply::JsonReply(const std::string& code, const std::string& msg)
{
    text = "{\"code\":" + (IsInteger(code) ? code : JsonString(code)) + ",\"msg\":" + JsonString(msg);
}

JsonReply& JsonReply::String(const std::string& name, const std::string& value)
{
    return Raw(name, JsonString(value));
}

JsonReply& JsonReply::Raw(const std::string& name, const std::string& value)
{
    text += ',';
    text += JsonString(name);
    text += ':';
    text += value;
    return *this;
}

JsonReply& JsonReply::Integer(const std::string& name, long long value)
{
    return Raw(name, std::to_string(value));
}

JsonArray& JsonArray::Object()
{
    if (inObject)
        text += "},";
    text += "{";
    inObject = true;
    return *this;
}

JsonArray& JsonArray::String(const std::string& name, const std::string& value)
{
    if (text.back() != '{')
        text += ",";
    text += JsonString(name);
    text += ':';
    text += JsonString(value);
    return *this;
}

std::string JsonArray::Text() const
{
    return "[" + text + (inObject ? "}" : "") + "]";
}

} // namespace kh::sandbox
