// Addresses split into their parts, status and header lines of an answer,
// and redirect targets resolved against the address that answered.

#include "online/LHttpParse.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(HttpParse, AddressesSplitIntoHostAndPath)
{
    struct Case
    {
        const char* url;
        bool ok;
        const char* host;
        const char* path;
    };
    const Case cases[] = {
        {"http://example.com/a/b?x=1", true, "example.com", "/a/b?x=1"},
        {"https://example.com:8443/v.txt", true, "example.com:8443", "/v.txt"},
        {"http://example.com", true, "example.com", "/"},
        {"http://example.com?q=1", true, "example.com", "/?q=1"},
        {"http://example.com/p#frag", true, "example.com", "/p"},
        {"http://[::1]:8080/x", true, "[::1]:8080", "/x"},
        {"http://user@example.com/", false, "", ""},
        {"http:///path", false, "", ""},
        {"example.com/path", false, "", ""},
        {"http://exa mple.com/", false, "", ""},
    };
    for (const Case& c : cases) {
        char host[kHttpHostSize], path[kHttpPathSize];
        EXPECT_EQ(LHttpSplitUrl(c.url, host, path), c.ok) << c.url;
        if (c.ok) {
            EXPECT_STREQ(host, c.host) << c.url;
            EXPECT_STREQ(path, c.path) << c.url;
        }
    }
    char host[kHttpHostSize], path[kHttpPathSize];
    EXPECT_FALSE(LHttpSplitUrl(("http://" + std::string(300, 'a') + "/").c_str(), host, path));
    EXPECT_FALSE(LHttpSplitUrl(("http://a/" + std::string(1100, 'p')).c_str(), host, path));
}

TEST(HttpParse, HostTextsGiveNameAndPort)
{
    struct Case
    {
        const char* text;
        bool ok;
        const char* name;
        int port;
    };
    const Case cases[] = {
        {"example.com", true, "example.com", 443},
        {"example.com:8443", true, "example.com", 8443},
        {"[::1]:80", true, "::1", 80},
        {"[::1]", true, "::1", 443},
        {"example.com:0", false, "", 0},
        {"example.com:65536", false, "", 0},
        {"example.com:", false, "", 0},
        {"example.com:8x", false, "", 0},
        {":80", false, "", 0},
        {"[::1]x", false, "", 0},
    };
    for (const Case& c : cases) {
        char name[kHttpHostSize];
        uint16_t port = 0;
        EXPECT_EQ(LHttpSplitHostPort(c.text, name, &port, 443), c.ok) << c.text;
        if (c.ok) {
            EXPECT_STREQ(name, c.name) << c.text;
            EXPECT_EQ(port, c.port) << c.text;
        }
    }
    LHttpUrl url;
    ASSERT_TRUE(LHttpParseUrl("HTTP://h/x", &url));
    EXPECT_FALSE(url.https);
    EXPECT_EQ(url.port, 80);
    ASSERT_TRUE(LHttpParseUrl("https://h/x", &url));
    EXPECT_TRUE(url.https);
    EXPECT_EQ(url.port, 443);
    EXPECT_FALSE(LHttpParseUrl("ftp://h/x", &url));
    EXPECT_FALSE(LHttpParseUrl("file:///etc/passwd", &url));
}

TEST(HttpParse, StatusLines)
{
    struct Case
    {
        const char* line;
        int code;
    };
    const Case cases[] = {
        {"HTTP/1.1 200 OK", 200},
        {"http/1.0 204", 204},
        {"HTTP/1.0 404 Not Found", 404},
        {"HTTP/1.0 302 ", 302},
        {"HTPP/1.0 200 OK", -1},
        {"HTTP/1.0 20 OK", -1},
        {"HTTP/1.0 2000 OK", -1},
        {"HTTP/1.0 abc OK", -1},
        {"HTTP/1.0  200 OK", -1},
        {"HTTP/1.0 099 Low", -1},
        {"", -1},
        {"HTTP/1.0", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LHttpParseStatusLine(c.line, std::strlen(c.line)), c.code) << c.line;
}

TEST(HttpParse, HeaderLinesAreCaseInsensitiveAndChecked)
{
    LHttpHeaders h;
    LHttpParseHeaderLine("content-LENGTH:   1234  ", 24, &h);
    EXPECT_FALSE(h.malformed);
    EXPECT_TRUE(h.hasLength);
    EXPECT_EQ(h.contentLength, 1234u);
    const char* location = "LoCaTiOn: /x/y";
    LHttpParseHeaderLine(location, std::strlen(location), &h);
    EXPECT_TRUE(h.hasLocation);
    EXPECT_EQ(h.location, "/x/y");
    const char* same = "Content-Length: 1234";
    LHttpParseHeaderLine(same, std::strlen(same), &h);
    EXPECT_FALSE(h.malformed);

    for (const std::string& line : {std::string("Location: /a\rSet-Cookie: x"),
                                    std::string("Location: /a\0/b", 16), std::string("X-Other: a\x7f")}) {
        LHttpHeaders one;
        LHttpParseHeaderLine(line.data(), line.size(), &one);
        EXPECT_TRUE(one.malformed) << line;
    }
    const char* bad[] = {"Content-Length: 12a",
                         "Content-Length: -1",
                         "Content-Length:",
                         "no colon here",
                         ": empty name",
                         "Bad Name: x",
                         "Content-Length: 99999999999999999999"};
    for (const char* line : bad) {
        LHttpHeaders one;
        LHttpParseHeaderLine(line, std::strlen(line), &one);
        EXPECT_TRUE(one.malformed) << line;
    }
    LHttpHeaders twice;
    LHttpParseHeaderLine("Content-Length: 5", 17, &twice);
    LHttpParseHeaderLine("Content-Length: 6", 17, &twice);
    EXPECT_TRUE(twice.malformed);
}

TEST(HttpParse, RedirectTargetsResolveAgainstTheRequest)
{
    struct Case
    {
        const char* location;
        const char* current;
        const char* result; // null: refused
    };
    const Case cases[] = {
        {"/files/a.zip", "http://h/dl/get", "http://h/files/a.zip"},
        {"b.zip", "http://h/dl/get", "http://h/dl/get/b.zip"},
        {"../b.zip", "http://h/dl/get", "http://h/dl/b.zip"},
        {"./b.zip", "http://h/dl/get", "http://h/dl/get/b.zip"},
        {"../../b.zip", "http://h:81/dl/get", "http://h:81/b.zip"},
        {"../../../b.zip", "http://h/dl/get", nullptr},
        {"b.zip", "http://h/dl/get?x=1", "http://h/dl/get/b.zip"},
        {"", "http://h/dl", "http://h/dl/"},
        {"https://other/x", "http://h/dl", "https://other/x"},
        {"file:///etc/passwd", "http://h/dl", nullptr},
        {"javascript://x", "http://h/dl", nullptr},
        {"/a\r\nSet-Cookie: x", "http://h/dl", nullptr},
        {"/a\rb", "http://h/dl", nullptr},
        {"/a b", "http://h/dl", nullptr},
        {"/a\tb", "http://h/dl", nullptr},
        {"b.zip", "not an address", nullptr},
    };
    for (const Case& c : cases) {
        std::string out;
        const bool ok = LHttpResolveLocation(c.location, c.current, &out);
        EXPECT_EQ(ok, c.result != nullptr) << c.location << " against " << c.current << " gave " << out;
        if (ok && c.result != nullptr) {
            EXPECT_EQ(out, c.result) << c.location;
        }
    }
    std::string out;
    EXPECT_FALSE(LHttpResolveLocation(("/" + std::string(3000, 'x')).c_str(), "http://h/", &out));
    EXPECT_TRUE(LHttpIsSafeRequestText("/a?b=c%20d"));
    EXPECT_FALSE(LHttpIsSafeRequestText("/a\x7f"));
    EXPECT_FALSE(LHttpIsSafeRequestText("/\xc3\xa9"));
}
