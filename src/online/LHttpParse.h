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
    bool chunked = false;    // "Transfer-Encoding: chunked"
    std::string otherCoding; // any other transfer coding, as given: not read
    bool malformed = false;  // a line that is no header, or lengths that disagree
};

// Adds one header line (without its line end) to the record. Names are
// compared without regard to case; blanks around the value are dropped. A
// line with control characters other than tabs is malformed.
void LHttpParseHeaderLine(const char* line, size_t length, LHttpHeaders* headers);

// The body of an answer sent with "Transfer-Encoding: chunked" (RFC 9112,
// 7.1), decoded as it arrives: size lines in hexadecimal (at most 16
// digits) with optional extensions, each line and chunk ended by CR LF, the
// last chunk of size 0, then trailer lines up to an empty line. Anything
// else is an error; a size line is at most 1024 bytes and the trailer at
// most 200 lines of 64 KiB in all, so no input makes it keep more than that.
class LHttpChunkDecoder
{
public:
    enum Result {
        kMore,  // all bytes taken; more are needed
        kDone,  // the body ended; *used tells how many bytes it took
        kError, // Error() says why
    };
    // Takes bytes of the stream; the data they carry is appended to *data.
    Result Feed(const char* bytes, size_t count, size_t* used, std::string* data);
    const char* Error() const { return error_; }

private:
    enum State {
        kSizeLine,
        kChunkData,
        kChunkEnd,
        kTrailer,
        kFinished,
        kFailed,
    };
    Result Failed(const char* why);
    bool EndSizeLine();

    State state_ = kSizeLine;
    std::string line_;
    bool sawCr_ = false;
    uint64_t left_ = 0;
    size_t trailerBytes_ = 0;
    int trailerLines_ = 0;
    const char* error_ = "";
};

// Text a server chose, made safe to print in a message, on a terminal or
// in the log: control characters, DEL, bytes above 127 and the backslash
// become "\xNN" (the backslash "\\"), so an escape sequence cannot act and
// a line cannot be forged. At most maxLength bytes of the text are shown,
// "..." marking the cut.
std::string LHttpPrintable(const std::string& text, size_t maxLength = 200);

// True when the value may go into a request line: no control characters,
// no blanks, nothing outside printable ASCII.
bool LHttpIsSafeRequestText(const char* text);

// The address a Location value names, resolved against the address of the
// request it answered as RFC 3986 (5.2) resolves a reference: a value with
// a scheme is taken as it is, "//host/x" keeps the scheme, "/x" replaces the
// path, and a relative path replaces the last segment of the current one;
// "." and ".." segments are resolved ("..", at the top, stays there). Text
// in a query, "://" and "../" included, is never read as such. The fragment
// is dropped. False for an unsafe value (control characters or blanks, CR
// and LF included), a value or result that is too long, or a result that is
// no http(s) address.
bool LHttpResolveLocation(const char* location, const char* currentUrl, std::string* result);
