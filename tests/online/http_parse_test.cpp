// Addresses split into their parts, status and header lines of an answer,
// and redirect targets resolved against the address that answered.

#include "online/LHttpParse.h"

#include <gtest/gtest.h>

#include <algorithm>
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
    const char* const rfc = "http://a/b/c/d;p?q"; // the base of RFC 3986, 5.4
    const Case cases[] = {
        // RFC 3986, 5.4.1 and 5.4.2 (fragments are dropped: they never go to a server).
        {"g", rfc, "http://a/b/c/g"},
        {"./g", rfc, "http://a/b/c/g"},
        {"g/", rfc, "http://a/b/c/g/"},
        {"/g", rfc, "http://a/g"},
        {"//g", rfc, "http://g"},
        {"?y", rfc, "http://a/b/c/d;p?y"},
        {"g?y", rfc, "http://a/b/c/g?y"},
        {"#s", rfc, "http://a/b/c/d;p?q"},
        {"g#s", rfc, "http://a/b/c/g"},
        {";x", rfc, "http://a/b/c/;x"},
        {"", rfc, "http://a/b/c/d;p?q"},
        {".", rfc, "http://a/b/c/"},
        {"..", rfc, "http://a/b/"},
        {"../g", rfc, "http://a/b/g"},
        {"../..", rfc, "http://a/"},
        {"../../g", rfc, "http://a/g"},
        {"../../../g", rfc, "http://a/g"},
        {"../../../../g", rfc, "http://a/g"},
        {"/./g", rfc, "http://a/g"},
        {"/../g", rfc, "http://a/g"},
        {"g.", rfc, "http://a/b/c/g."},
        {"..g", rfc, "http://a/b/c/..g"},
        {"./../g", rfc, "http://a/b/g"},
        {"./g/.", rfc, "http://a/b/c/g/"},
        {"g/../h", rfc, "http://a/b/c/h"},
        {"g;x=1/../y", rfc, "http://a/b/c/y"},
        {"g?y/./x", rfc, "http://a/b/c/g?y/./x"},
        {"g?y/../x", rfc, "http://a/b/c/g?y/../x"},
        {"g#s/../x", rfc, "http://a/b/c/g"},
        {"g:h", rfc, nullptr},    // another scheme
        {"http:g", rfc, nullptr}, // a scheme without a host, taken strictly
        // A relative name replaces the last segment; "://" or "../" in a query is text.
        {"ok", "http://h/redir", "http://h/ok"},
        {"b.zip", "http://h:81/dl/get?x=1", "http://h:81/dl/b.zip"},
        {"/x?u=http://y/z", "http://h/a", "http://h/x?u=http://y/z"},
        {"x?back=../up", "http://h/a/b", "http://h/a/x?back=../up"},
        {"https://other/x?u=https://y", "http://h/dl", "https://other/x?u=https://y"},
        {"HTTPS://other/a/../x", "http://h/dl", "HTTPS://other/x"},
        {"b", "http://h", "http://h/b"},
        {"file:///etc/passwd", "http://h/dl", nullptr},
        {"javascript://x", "http://h/dl", nullptr},
        {"//user@evil/x", "http://h/dl", nullptr},
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

TEST(HttpParse, ChunkedBodiesDecodeStrictly)
{
    struct Case
    {
        std::string stream;
        const char* data; // null: an error
        size_t rest;      // bytes after the end that are not taken
    };
    const Case cases[] = {
        {"5\r\nhello\r\n0\r\n\r\n", "hello", 0},
        {"5\r\nhello\r\n6\r\n world\r\n0\r\n\r\nextra", "hello world", 5},
        {"A;name=\"v\"\r\n0123456789\r\n0\r\nX-Sum: 1\r\nY: 2\r\n\r\n", "0123456789", 0},
        {"0005 ;x\r\nhello\r\n000\r\n\r\n", "hello", 0},
        {"0\r\n\r\n", "", 0},
        {"5\r\nhelloX\r\n0\r\n\r\n", nullptr, 0},  // longer than its size
        {"5\nhello\n0\n\n", nullptr, 0},           // no CR
        {"5\r\r\nhello\r\n0\r\n\r\n", nullptr, 0}, // a bare CR
        {"g\r\n", nullptr, 0},                     // not hexadecimal
        {"\r\n", nullptr, 0},                      // no size
        {"-5\r\n", nullptr, 0},
        {"5x\r\n", nullptr, 0},                               // text after the size
        {"5;\x1b\r\n", nullptr, 0},                           // a control character
        {"10000000000000000\r\n", nullptr, 0},                // 17 digits
        {"0\r\nno colon\r\n\r\n", nullptr, 0},                // a trailer line that is no header
        {"1;" + std::string(2000, 'x') + "\r\n", nullptr, 0}, // a size line beyond its bound
        {"0\r\nX: " + std::string(9000, 'y') + "\r\n\r\n", nullptr, 0},
    };
    for (const Case& c : cases) {
        // Whole, and byte by byte: where the stream is cut must not matter.
        for (const bool whole : {true, false}) {
            LHttpChunkDecoder decoder;
            std::string data;
            LHttpChunkDecoder::Result result = LHttpChunkDecoder::kMore;
            size_t taken = 0;
            const size_t step = whole ? c.stream.size() : 1;
            while (taken < c.stream.size() && result == LHttpChunkDecoder::kMore) {
                size_t used = 0;
                result = decoder.Feed(c.stream.data() + taken, std::min(step, c.stream.size() - taken), &used,
                                      &data);
                taken += used;
            }
            if (c.data == nullptr) {
                EXPECT_EQ(result, LHttpChunkDecoder::kError) << c.stream.substr(0, 40);
                EXPECT_STRNE(decoder.Error(), "");
            } else {
                EXPECT_EQ(result, LHttpChunkDecoder::kDone) << c.stream << ": " << decoder.Error();
                EXPECT_EQ(data, c.data) << c.stream;
                EXPECT_EQ(c.stream.size() - taken, c.rest) << c.stream;
            }
        }
    }
    // A stream that stops early is not done.
    LHttpChunkDecoder decoder;
    std::string data;
    size_t used = 0;
    EXPECT_EQ(decoder.Feed("5\r\nhel", 6, &used, &data), LHttpChunkDecoder::kMore);
    EXPECT_EQ(data, "hel");

    LHttpHeaders headers;
    const char* chunked = "transfer-ENCODING:  Chunked ";
    LHttpParseHeaderLine(chunked, std::strlen(chunked), &headers);
    EXPECT_TRUE(headers.chunked);
    EXPECT_EQ(headers.otherCoding, "");
    for (const char* other : {"Transfer-Encoding: gzip, chunked", "Transfer-Encoding: identity"}) {
        LHttpHeaders one;
        LHttpParseHeaderLine(other, std::strlen(other), &one);
        EXPECT_FALSE(one.chunked) << other;
        EXPECT_NE(one.otherCoding, "") << other;
    }
    LHttpParseHeaderLine(chunked, std::strlen(chunked), &headers);
    EXPECT_EQ(headers.otherCoding, "Chunked") << "a second coding line is not read";
}

TEST(HttpParse, ServerTextIsPrintedEscaped)
{
    struct Case
    {
        std::string text;
        size_t max;
        const char* printed;
    };
    const Case cases[] = {
        {"HTTP/1.0 200 OK", 200, "HTTP/1.0 200 OK"},
        {"\x1b[2J\x1b]0;t\x07", 200, "\\x1b[2J\\x1b]0;t\\x07"},
        {"a\r\nb\tc", 200, "a\\x0d\\x0ab\\x09c"},
        {std::string("a\0b", 3), 200, "a\\x00b"},
        {"\xc3\xa9\x7f\\", 200, "\\xc3\\xa9\\x7f\\\\"},
        {"abcdef", 3, "abc..."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LHttpPrintable(c.text, c.max), c.printed) << c.text;
}
