#pragma once
// One address of the service as the three host settings hold it, taken apart once: the scheme
// (http unless written "https://"), the host and the port. Settings validation, the request URLs,
// the main window's caption and the web pages opened in the browser all read it from here, so a
// value means the same everywhere. Accepted forms: "host", "host:port", either after "http://" or
// "https://" (the scheme in any case), an IPv6 address in brackets ("[::1]", "[::1]:8080"), and
// one trailing "/". No path, query, user or spaces; a port is a decimal from 1 to 65535.

#include <cstdint>
#include <string>
#include <string_view>

namespace kh {

// The accepted forms, for a message that refuses a value.
inline constexpr const char* kServiceAddressForms =
    "\"host\" or \"host:port\", optionally after \"http://\" or \"https://\"";

struct ServiceAddress
{
    bool https = false;
    std::string host;  // as written: a name, an IPv4 address, or an IPv6 address with its brackets
    uint16_t port = 0; // 0 when none is written (the scheme's default port)

    // False (and address unchanged) when text is not one of the accepted forms.
    static bool Parse(std::string_view text, ServiceAddress& address);

    bool IsIpv6() const { return !host.empty() && host.front() == '['; }

    // "http://host[:port]" or "https://host[:port]": the scheme and authority every URL starts with.
    std::string Origin() const;
    // Origin() + path; path starts with "/".
    std::string Url(std::string_view path) const { return Origin() + std::string(path); }
};

} // namespace kh
