#pragma once
// Reading a server reply and encoding request values. Replies are read by key search over the
// text (not parsed as JSON): the service's replies are one JSON object whose members the client
// finds by their quoted name and an end text. List replies are additionally parsed with cJSON by
// the managers that need lists.

#include <string>

namespace kh {

// Result codes, compared as text with the reply's "code" member.
inline constexpr const char* kCodeSuccess = "0";
inline constexpr const char* kCodeNoFavourites = "103";
// A number the request names is not held by this account (release, blacklist, SMS).
inline constexpr const char* kCodeNotHeld = "204";
inline constexpr const char* kCodeNumberOffline = "206";
inline constexpr const char* kCodeNoSmsYet = "207";

// The field after key up to end (spaces removed from the reply, key and end matched without
// regard to ASCII letter case); "" when not found.
std::string GetReplyField(std::string reply, std::string key, std::string end);

// A string member of the reply, read as a JSON string: key is the member's text up to and including
// its opening quote ("\"msg\":\""), found as GetReplyField finds it (spaces removed from the reply,
// ASCII letter case ignored, first occurrence). The value ends at the first quote that is not
// escaped, and its escapes are decoded: \" \\ \/ \b \f \n \r \t and \uXXXX (surrogate pairs joined,
// a lone surrogate or U+0000 becomes U+FFFD), the characters given in the ANSI code page. An escape
// that is not valid JSON stays as written. "" when the key or the closing quote is missing. Without
// escapes the result is GetReplyField(reply, key, "\"").
std::string GetReplyString(std::string reply, const std::string& key);

// Rewrites text (ANSI) as "%XX" per UTF-8 byte, every byte encoded. False (text unchanged) when
// the conversion fails or gives nothing.
bool PercentEncodeUtf8(std::string& text);

// Replaces every occurrence of from by to, continuing right behind each replacement.
void ReplaceAll(std::string& text, const std::string& from, const std::string& to);

} // namespace kh
