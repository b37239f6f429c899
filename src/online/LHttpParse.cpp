#include "online/LHttpParse.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace {

bool IsHostChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_' || c == ':' || c == '[' || c == ']';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool EqualsNoCase(const char* a, size_t length, const char* b)
{
    return std::strlen(b) == length && strncasecmp(a, b, length) == 0;
}

bool IsTokenChar(unsigned char c)
{
    if (c <= 32 || c >= 127)
        return false;
    return std::strchr("()<>@,;:\\\"/[]?={}", c) == nullptr;
}

// The five parts of a URI reference (RFC 3986, appendix B); a part that is
// absent differs from one that is empty.
struct Reference
{
    bool hasScheme = false, hasAuthority = false, hasQuery = false;
    std::string scheme, authority, path, query;
};

bool IsSchemeChar(char c, bool first)
{
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    return first ? letter : letter || IsDigit(c) || c == '+' || c == '-' || c == '.';
}

Reference SplitReference(const std::string& text)
{
    Reference r;
    size_t at = 0;
    // A scheme is letters, digits, "+-." up to the first ':', and only
    // before any '/', '?' or '#'; "a/b:c" is a path.
    const size_t colon = text.find(':');
    if (colon != std::string::npos && colon > 0 && colon < text.find_first_of("/?#")) {
        bool valid = true;
        for (size_t i = 0; i < colon && valid; ++i)
            valid = IsSchemeChar(text[i], i == 0);
        if (valid) {
            r.hasScheme = true;
            r.scheme = text.substr(0, colon);
            at = colon + 1;
        }
    }
    if (text.compare(at, 2, "//") == 0) {
        const size_t end = std::min(text.find_first_of("/?#", at + 2), text.size());
        r.hasAuthority = true;
        r.authority = text.substr(at + 2, end - at - 2);
        at = end;
    }
    const size_t pathEnd = std::min(text.find_first_of("?#", at), text.size());
    r.path = text.substr(at, pathEnd - at);
    at = pathEnd;
    if (at < text.size() && text[at] == '?') {
        const size_t end = std::min(text.find('#', at), text.size());
        r.hasQuery = true;
        r.query = text.substr(at + 1, end - at - 1);
    }
    return r;
}

// RFC 3986, 5.2.4: "." and ".." segments resolved; ".." at the top stays there.
std::string RemoveDotSegments(std::string in)
{
    std::string out;
    while (!in.empty()) {
        if (in.compare(0, 3, "../") == 0)
            in.erase(0, 3);
        else if (in.compare(0, 2, "./") == 0)
            in.erase(0, 2);
        else if (in.compare(0, 3, "/./") == 0)
            in.erase(0, 2);
        else if (in == "/.")
            in = "/";
        else if (in.compare(0, 4, "/../") == 0 || in == "/..") {
            in = in.size() == 3 ? "/" : in.substr(3);
            const size_t slash = out.rfind('/');
            out.resize(slash == std::string::npos ? 0 : slash);
        } else if (in == "." || in == "..")
            in.clear();
        else {
            const size_t next = in.find('/', 1);
            const size_t length = next == std::string::npos ? in.size() : next;
            out += in.substr(0, length);
            in.erase(0, length);
        }
    }
    return out;
}

} // namespace

bool LHttpSplitUrl(const char* url, char* host, char* path)
{
    host[0] = '\0';
    path[0] = '\0';
    if (url == nullptr)
        return false;
    const char* scheme = std::strstr(url, "://");
    if (scheme == nullptr)
        return false;
    const char* start = scheme + 3;
    size_t hostLength = std::strcspn(start, "/?#");
    if (hostLength == 0 || hostLength >= kHttpHostSize)
        return false;
    for (size_t i = 0; i < hostLength; ++i)
        if (!IsHostChar(start[i]))
            return false;
    const char* rest = start + hostLength;
    size_t pathLength = std::strcspn(rest, "#");
    const bool needsSlash = pathLength == 0 || rest[0] != '/';
    if (pathLength + (needsSlash ? 1 : 0) >= kHttpPathSize)
        return false;
    std::memcpy(host, start, hostLength);
    host[hostLength] = '\0';
    size_t at = 0;
    if (needsSlash)
        path[at++] = '/';
    std::memcpy(path + at, rest, pathLength);
    path[at + pathLength] = '\0';
    return true;
}

bool LHttpSplitHostPort(const char* hostText, char* name, uint16_t* port, uint16_t defaultPort)
{
    name[0] = '\0';
    const size_t length = std::strlen(hostText);
    if (length == 0 || length >= kHttpHostSize)
        return false;
    const char* portText = nullptr;
    size_t nameStart = 0, nameLength = 0;
    if (hostText[0] == '[') {
        const char* close = std::strchr(hostText, ']');
        if (close == nullptr || close == hostText + 1)
            return false;
        nameStart = 1;
        nameLength = static_cast<size_t>(close - hostText) - 1;
        if (close[1] == ':')
            portText = close + 2;
        else if (close[1] != '\0')
            return false;
    } else {
        const char* colon = std::strchr(hostText, ':');
        nameLength = colon != nullptr ? static_cast<size_t>(colon - hostText) : length;
        if (colon != nullptr)
            portText = colon + 1;
        if (std::memchr(hostText, '[', nameLength) != nullptr ||
            std::memchr(hostText, ']', nameLength) != nullptr)
            return false;
    }
    if (nameLength == 0)
        return false;
    uint32_t value = defaultPort;
    if (portText != nullptr) {
        if (*portText == '\0' || std::strlen(portText) > 5)
            return false;
        value = 0;
        for (const char* p = portText; *p != '\0'; ++p) {
            if (!IsDigit(*p))
                return false;
            value = value * 10 + static_cast<uint32_t>(*p - '0');
        }
        if (value == 0 || value > 65535)
            return false;
    }
    std::memcpy(name, hostText + nameStart, nameLength);
    name[nameLength] = '\0';
    *port = static_cast<uint16_t>(value);
    return true;
}

bool LHttpParseUrl(const char* url, LHttpUrl* out)
{
    *out = LHttpUrl();
    if (url == nullptr)
        return false;
    if (strncasecmp(url, "https://", 8) == 0)
        out->https = true;
    else if (strncasecmp(url, "http://", 7) != 0)
        return false;
    if (!LHttpSplitUrl(url, out->host, out->path) || !LHttpIsSafeRequestText(out->path))
        return false;
    return LHttpSplitHostPort(out->host, out->name, &out->port, out->https ? 443 : 80);
}

int LHttpParseStatusLine(const char* line, size_t length)
{
    // "HTTP/d.d ddd" is 12 characters.
    if (length < 12 || strncasecmp(line, "HTTP/", 5) != 0)
        return -1;
    if (!IsDigit(line[5]) || line[6] != '.' || !IsDigit(line[7]) || line[8] != ' ')
        return -1;
    if (!IsDigit(line[9]) || !IsDigit(line[10]) || !IsDigit(line[11]))
        return -1;
    if (length > 12 && line[12] != ' ')
        return -1;
    const int code = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
    return code >= 100 ? code : -1;
}

void LHttpParseHeaderLine(const char* line, size_t length, LHttpHeaders* headers)
{
    // Control characters (a CR or NUL inside a line above all) have no
    // place in a header; a value carrying one could end a line early for
    // whoever copies it on.
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        if ((c < 32 && c != '\t') || c == 127) {
            headers->malformed = true;
            return;
        }
    }
    size_t colon = 0;
    while (colon < length && line[colon] != ':')
        ++colon;
    if (colon == 0 || colon == length) {
        headers->malformed = true;
        return;
    }
    for (size_t i = 0; i < colon; ++i)
        if (!IsTokenChar(static_cast<unsigned char>(line[i]))) {
            headers->malformed = true;
            return;
        }
    size_t begin = colon + 1, end = length;
    while (begin < end && (line[begin] == ' ' || line[begin] == '\t'))
        ++begin;
    while (end > begin && (line[end - 1] == ' ' || line[end - 1] == '\t'))
        --end;
    const char* value = line + begin;
    const size_t valueLength = end - begin;
    if (EqualsNoCase(line, colon, "Content-Length")) {
        if (valueLength == 0 || valueLength > 19) {
            headers->malformed = true;
            return;
        }
        uint64_t number = 0;
        for (size_t i = 0; i < valueLength; ++i) {
            if (!IsDigit(value[i])) {
                headers->malformed = true;
                return;
            }
            number = number * 10 + static_cast<uint64_t>(value[i] - '0');
        }
        if (headers->hasLength && headers->contentLength != number)
            headers->malformed = true;
        headers->hasLength = true;
        headers->contentLength = number;
    } else if (EqualsNoCase(line, colon, "Transfer-Encoding")) {
        // Only one coding, "chunked", is read; a list or a second line names
        // codings on top of it.
        if (!headers->chunked && headers->otherCoding.empty() && EqualsNoCase(value, valueLength, "chunked"))
            headers->chunked = true;
        else if (valueLength == 0)
            headers->otherCoding = "(empty)";
        else
            headers->otherCoding.assign(value, std::min<size_t>(valueLength, 100));
    } else if (EqualsNoCase(line, colon, "Location")) {
        if (!headers->hasLocation) {
            headers->hasLocation = true;
            headers->location.assign(value, valueLength);
        }
    }
}

std::string LHttpPrintable(const std::string& text, size_t maxLength)
{
    static const char hex[] = "0123456789abcdef";
    std::string out;
    const size_t shown = std::min(text.size(), maxLength);
    for (size_t i = 0; i < shown; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\\') {
            out += "\\\\";
        } else if (c < 32 || c >= 127) {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    if (shown < text.size())
        out += "...";
    return out;
}

bool LHttpIsSafeRequestText(const char* text)
{
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p)
        if (*p <= 32 || *p >= 127)
            return false;
    return true;
}

bool LHttpResolveLocation(const char* location, const char* currentUrl, std::string* result)
{
    result->clear();
    if (location == nullptr || currentUrl == nullptr || !LHttpIsSafeRequestText(location))
        return false;
    const std::string reference = location;
    const std::string base = currentUrl;
    if (reference.size() >= 2048 || base.size() >= 2048)
        return false;
    // RFC 3986, 5.2.2, with a strict parser: a scheme in the reference makes
    // it absolute whatever follows in its query.
    const Reference r = SplitReference(reference);
    const Reference b = SplitReference(base);
    if (!b.hasScheme || !b.hasAuthority)
        return false;
    Reference t;
    if (r.hasScheme) {
        t = r;
        t.path = RemoveDotSegments(r.path);
    } else {
        t.hasScheme = true;
        t.scheme = b.scheme;
        if (r.hasAuthority) {
            t.hasAuthority = true;
            t.authority = r.authority;
            t.path = RemoveDotSegments(r.path);
            t.hasQuery = r.hasQuery;
            t.query = r.query;
        } else {
            t.hasAuthority = true;
            t.authority = b.authority;
            if (r.path.empty()) {
                t.path = b.path;
                t.hasQuery = r.hasQuery || b.hasQuery;
                t.query = r.hasQuery ? r.query : b.query;
            } else {
                if (r.path[0] == '/') {
                    t.path = RemoveDotSegments(r.path);
                } else {
                    // 5.2.3: the base's path up to its last '/', then the reference.
                    const size_t slash = b.path.rfind('/');
                    const std::string merged =
                        slash == std::string::npos ? "/" + r.path : b.path.substr(0, slash + 1) + r.path;
                    t.path = RemoveDotSegments(merged);
                }
                t.hasQuery = r.hasQuery;
                t.query = r.query;
            }
        }
    }
    // The fragment is the client's own business and never goes to a server.
    std::string resolved = t.scheme + ":";
    if (t.hasAuthority)
        resolved += "//" + t.authority;
    resolved += t.path;
    if (t.hasQuery)
        resolved += "?" + t.query;
    LHttpUrl check;
    if (resolved.size() >= 2048 || !LHttpParseUrl(resolved.c_str(), &check))
        return false;
    *result = std::move(resolved);
    return true;
}

namespace {

constexpr size_t kMaxChunkSizeLine = 1024;
constexpr size_t kMaxTrailerLine = 8192;
constexpr size_t kMaxTrailerBytes = 65536;
constexpr int kMaxTrailerLines = 200;

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

LHttpChunkDecoder::Result LHttpChunkDecoder::Failed(const char* why)
{
    state_ = kFailed;
    error_ = why;
    return kError;
}

bool LHttpChunkDecoder::EndSizeLine()
{
    size_t digits = 0;
    uint64_t size = 0;
    while (digits < line_.size() && HexValue(line_[digits]) >= 0) {
        if (digits == 16)
            return false;
        size = size * 16 + static_cast<uint64_t>(HexValue(line_[digits]));
        ++digits;
    }
    if (digits == 0)
        return false;
    // Extensions: blanks, then ';' and printable text.
    size_t at = digits;
    while (at < line_.size() && (line_[at] == ' ' || line_[at] == '\t'))
        ++at;
    if (at < line_.size() && line_[at] != ';')
        return false;
    for (; at < line_.size(); ++at) {
        const unsigned char c = static_cast<unsigned char>(line_[at]);
        if ((c < 32 && c != '\t') || c == 127)
            return false;
    }
    left_ = size;
    state_ = size == 0 ? kTrailer : kChunkData;
    return true;
}

LHttpChunkDecoder::Result LHttpChunkDecoder::Feed(const char* bytes, size_t count, size_t* used,
                                                  std::string* data)
{
    size_t at = 0;
    while (at < count) {
        switch (state_) {
        case kFinished:
            *used = at;
            return kDone;
        case kFailed:
            *used = at;
            return kError;
        case kChunkData: {
            const size_t take = static_cast<size_t>(std::min<uint64_t>(left_, count - at));
            data->append(bytes + at, take);
            at += take;
            left_ -= take;
            if (left_ == 0)
                state_ = kChunkEnd;
            break;
        }
        case kChunkEnd: {
            const char c = bytes[at++];
            if (!sawCr_ && c == '\r') {
                sawCr_ = true;
            } else if (sawCr_ && c == '\n') {
                sawCr_ = false;
                state_ = kSizeLine;
            } else {
                *used = at;
                return Failed("a chunk is longer than its size says");
            }
            break;
        }
        case kSizeLine:
        case kTrailer: {
            const char c = bytes[at++];
            if (sawCr_) {
                sawCr_ = false;
                if (c != '\n') {
                    *used = at;
                    return Failed("a bare CR in the chunk framing");
                }
                if (state_ == kSizeLine) {
                    if (!EndSizeLine()) {
                        *used = at;
                        return Failed("a chunk size line is malformed");
                    }
                } else if (line_.empty()) {
                    state_ = kFinished;
                    *used = at;
                    return kDone;
                } else {
                    LHttpHeaders trailer;
                    LHttpParseHeaderLine(line_.data(), line_.size(), &trailer);
                    if (trailer.malformed || ++trailerLines_ > kMaxTrailerLines) {
                        *used = at;
                        return Failed("the trailer after the last chunk is malformed or too large");
                    }
                }
                line_.clear();
            } else if (c == '\r') {
                sawCr_ = true;
            } else if (c == '\n') {
                *used = at;
                return Failed("a line of the chunk framing ends without CR");
            } else {
                line_ += c;
                const bool trailer = state_ == kTrailer;
                if (trailer)
                    ++trailerBytes_;
                if ((!trailer && line_.size() > kMaxChunkSizeLine) ||
                    (trailer && (line_.size() > kMaxTrailerLine || trailerBytes_ > kMaxTrailerBytes))) {
                    *used = at;
                    return Failed(trailer ? "the trailer after the last chunk is too large"
                                          : "a chunk size line is too long");
                }
            }
            break;
        }
        }
    }
    *used = at;
    return state_ == kFinished ? kDone : state_ == kFailed ? kError : kMore;
}
