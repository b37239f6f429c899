#pragma once
// The text side of the HTTP client: addresses split into their parts, the
// status line and header lines of an answer, and redirect targets resolved
// against the address that answered. Everything here reads text a server
// chose, so every length is bounded and every refusal is a false.

#include <cstddef>
#include <cstdint>
#include <string>

constexpr size_t kHttpHostSize = 260;  // host text with its port, NUL included
constexpr size_t kHttpPathSize = 1024; // path and query, NUL included

struct LHttpUrl
{
    bool https = false;
    char host[kHttpHostSize] = {}; // as written in the address, port included
    char name[kHttpHostSize] = {}; // the host without port or brackets
    uint16_t port = 0;
    char path[kHttpPathSize] = {}; // "/" when the address names none
};

// Host text and path of an address "scheme://host[:port]/path?query". The
// host ends at the first '/', '?' or '#' after "://"; the path runs from
// there to the end (a fragment is dropped). False for an address without
// "://", an empty or over-long host, a host with characters a host name
// cannot hold (user names with '@' included), or an over-long path.
bool LHttpSplitUrl(const char* url, char* host, char* path);

// Splits "name", "name:port", "[v6]" or "[v6]:port" into the name and the
// port (defaultPort when none). False for a port that is not 1..65535.
bool LHttpSplitHostPort(const char* hostText, char* name, uint16_t* port, uint16_t defaultPort);

// The whole address: the scheme must be http or https (any case).
bool LHttpParseUrl(const char* url, LHttpUrl* out);

// "HTTP/1.1 200 OK": "HTTP/" in any case, a version "d.d", a blank and a
// three-digit code followed by a blank or the end. The code, or -1.
int LHttpParseStatusLine(const char* line, size_t length);

// What the client keeps of the header lines of one answer.
struct LHttpHeaders
{
    bool hasLength = false;
    uint64_t contentLength = 0;
    bool hasLocation = false;
    std::string location;
    bool malformed = false; // a line that is no header, or lengths that disagree
};

// Adds one header line (without its line end) to the record. Names are
// compared without regard to case; blanks around the value are dropped. A
// line with control characters other than tabs is malformed.
void LHttpParseHeaderLine(const char* line, size_t length, LHttpHeaders* headers);

// True when the value may go into a request line: no control characters,
// no blanks, nothing outside printable ASCII.
bool LHttpIsSafeRequestText(const char* text);

// The address a Location value names, resolved against the address of the
// request it answered. A value with "://" is taken as it is. Otherwise the
// current address, without its query, is treated as a folder: "/x" replaces
// its path, each leading "../" goes up one level (never above the host),
// each leading "./" is skipped, and the rest is appended after a '/'. False
// for an unsafe value (control characters or blanks, CR and LF included), a
// value or result that is too long, or a result that is no http(s) address.
bool LHttpResolveLocation(const char* location, const char* currentUrl, std::string* result);
