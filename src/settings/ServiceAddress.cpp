#include "settings/ServiceAddress.h"

namespace kh {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

// Only plain decimal digits from 1 to 65535 are a port: "8080x", "+80" or "70000" would otherwise
// connect somewhere the setting does not name.
bool ParsePort(std::string_view text, uint16_t& port)
{
    if (text.empty() || text.size() > 5)
        return false;
    uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    if (value < 1 || value > 65535)
        return false;
    port = static_cast<uint16_t>(value);
    return true;
}

bool IsIpv6Character(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' || c == '.';
}

// A name or IPv4 address: anything that cannot start a port, a path, a query, a fragment or user
// information, and no spaces or control bytes (they would end up in the request line).
bool IsHostName(std::string_view host)
{
    if (host.empty())
        return false;
    for (unsigned char c : host)
        if (c <= 0x20 || c == 0x7F || c == ':' || c == '/' || c == '?' || c == '#' || c == '@' || c == '[' ||
            c == ']' || c == '\\')
            return false;
    return true;
}

} // namespace

bool ServiceAddress::Parse(std::string_view text, ServiceAddress& address)
{
    ServiceAddress parsed;
    constexpr std::string_view kHttp = "http://";
    constexpr std::string_view kHttps = "https://";
    if (StartsWithNoCase(text, kHttps)) {
        parsed.https = true;
        text.remove_prefix(kHttps.size());
    } else if (StartsWithNoCase(text, kHttp)) {
        text.remove_prefix(kHttp.size());
    }
    if (!text.empty() && text.back() == '/')
        text.remove_suffix(1);

    std::string_view portText;
    bool hasPort = false;
    if (!text.empty() && text.front() == '[') {
        size_t close = text.find(']');
        if (close == std::string_view::npos || close == 1)
            return false;
        std::string_view inside = text.substr(1, close - 1);
        if (inside.find(':') == std::string_view::npos)
            return false;
        for (char c : inside)
            if (!IsIpv6Character(c))
                return false;
        parsed.host = std::string(text.substr(0, close + 1));
        std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':')
                return false;
            hasPort = true;
            portText = rest.substr(1);
        }
    } else {
        size_t colon = text.find(':');
        std::string_view host = text.substr(0, colon);
        if (!IsHostName(host))
            return false;
        parsed.host = std::string(host);
        if (colon != std::string_view::npos) {
            hasPort = true;
            portText = text.substr(colon + 1);
        }
    }
    if (hasPort && !ParsePort(portText, parsed.port))
        return false;
    address = std::move(parsed);
    return true;
}

std::string ServiceAddress::Origin() const
{
    std::string origin = (https ? "https://" : "http://") + host;
    if (port != 0)
        origin += ":" + std::to_string(port);
    return origin;
}

} // namespace kh
