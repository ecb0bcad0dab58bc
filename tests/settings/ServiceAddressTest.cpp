// The forms a host setting may take, and what each means for the URLs built from it.

#include "settings/ServiceAddress.h"

#include <gtest/gtest.h>

namespace kh {
namespace {

TEST(ServiceAddressTest, AcceptedFormsGiveSchemeHostAndPort)
{
    struct Case
    {
        const char* text;
        bool https;
        const char* host;
        uint16_t port;
        const char* url; // of "/login"
    };
    const Case cases[] = {
        {"api.example.com", false, "api.example.com", 0, "http://api.example.com/login"},
        {"127.0.0.1:8080", false, "127.0.0.1", 8080, "http://127.0.0.1:8080/login"},
        {"h:1", false, "h", 1, "http://h:1/login"},
        {"h:65535", false, "h", 65535, "http://h:65535/login"},
        {"h:00080", false, "h", 80, "http://h:80/login"},
        {"http://site.test", false, "site.test", 0, "http://site.test/login"},
        {"HTTP://site.test:8080", false, "site.test", 8080, "http://site.test:8080/login"},
        {"https://site.test", true, "site.test", 0, "https://site.test/login"},
        {"https://site.test:8443", true, "site.test", 8443, "https://site.test:8443/login"},
        {"Https://site.test:8443/", true, "site.test", 8443, "https://site.test:8443/login"},
        {"site.test/", false, "site.test", 0, "http://site.test/login"},
        {"[::1]", false, "[::1]", 0, "http://[::1]/login"},
        {"[::1]:8080", false, "[::1]", 8080, "http://[::1]:8080/login"},
        {"https://[2001:db8::7]:8443/", true, "[2001:db8::7]", 8443, "https://[2001:db8::7]:8443/login"},
        {"[::ffff:127.0.0.1]", false, "[::ffff:127.0.0.1]", 0, "http://[::ffff:127.0.0.1]/login"},
    };
    for (const Case& c : cases) {
        ServiceAddress address;
        ASSERT_TRUE(ServiceAddress::Parse(c.text, address)) << c.text;
        EXPECT_EQ(address.https, c.https) << c.text;
        EXPECT_EQ(address.host, c.host) << c.text;
        EXPECT_EQ(address.port, c.port) << c.text;
        EXPECT_EQ(address.Url("/login"), c.url) << c.text;
    }
}

TEST(ServiceAddressTest, OtherFormsAreRefusedAndLeaveTheAddressAlone)
{
    const char* const refused[] = {
        "",       "/",       "http://", "https://", "https:///", "h:",        "h:0",     "h:65536",     "h:99999999999",
        "h:8o",   "h:+80",   "h:-1",    "h: 80",    ":80",       "h//",       "h/p",     "https://h/p", "h?x=1",
        "h#top",  "user@h",  "a b",     " h",       "h\t",       "h\r\nX: 1", "ftp://h", "http:/h",     "http//h",
        "a:b:80", "::1",     "[::1",    "[]",       "[::1]x",    "[::1]:",    "[::1]:0", "[g::1]",      "[127.0.0.1]",
        "h]",     "[::1]/p",
    };
    for (const char* text : refused) {
        ServiceAddress address;
        address.host = "kept";
        address.port = 7;
        EXPECT_FALSE(ServiceAddress::Parse(text, address)) << '"' << text << '"';
        EXPECT_EQ(address.host, "kept") << text;
        EXPECT_EQ(address.port, 7) << text;
    }
}

} // namespace
} // namespace kh
