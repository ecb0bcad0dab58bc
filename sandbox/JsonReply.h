#pragma once
// Writes the service's reply objects member by member, in the order given. The client reads replies
// by key search rather than as JSON: it takes a numeric member up to the next "," and a string
// member up to the next quote, and it finds the first occurrence of a key. So every reply starts
// with "code" and "msg", and a numeric member the client reads must not be the last one.

#include <string>

namespace kh::sandbox {

class JsonReply final
{
public:
    // Starts {"code":<code>,"msg":"<msg>" . code is written as a bare number when it is one.
    JsonReply(const std::string& code, const std::string& msg);

    JsonReply& String(const std::string& name, const std::string& value);
    // value is written as it stands (a number already formatted, or a finished array/object).
    JsonReply& Raw(const std::string& name, const std::string& value);
    JsonReply& Integer(const std::string& name, long long value);

    // The finished object text.
    std::string Text() const { return text + "}"; }

private:
    std::string text;
};

// value as a JSON string literal, quotes included; control characters are escaped (CR LF becomes
// the four characters \r\n).
std::string JsonString(const std::string& value);

// Builds a JSON array of objects: Begin, then per element one Object().String(...)..., then Text.
class JsonArray final
{
public:
    JsonArray& Object();
    JsonArray& String(const std::string& name, const std::string& value);
    std::string Text() const;

private:
    std::string text;
    bool inObject = false;
};

} // namespace kh::sandbox
