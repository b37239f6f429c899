#include "online/LHttpParse.h"

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

// The address up to and including its host, "scheme://host".
size_t AuthorityEnd(const std::string& url)
{
    const size_t scheme = url.find("://");
    if (scheme == std::string::npos)
        return std::string::npos;
    const size_t end = url.find('/', scheme + 3);
    return end == std::string::npos ? url.size() : end;
}

// Goes up one level of a folder address; false at the host.
bool RemoveSegment(std::string* base, size_t authorityEnd)
{
    if (!base->empty() && base->back() == '/' && base->size() > authorityEnd)
        base->pop_back();
    if (base->size() <= authorityEnd)
        return false;
    const size_t slash = base->rfind('/');
    if (slash == std::string::npos || slash < authorityEnd)
        return false;
    base->resize(slash);
    return true;
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
    } else if (EqualsNoCase(line, colon, "Location")) {
        if (!headers->hasLocation) {
            headers->hasLocation = true;
            headers->location.assign(value, valueLength);
        }
    }
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
    const size_t locationLength = std::strlen(location);
    if (locationLength >= 2048)
        return false;
    std::string resolved;
    if (std::strstr(location, "://") != nullptr) {
        resolved = location;
    } else {
        std::string base = currentUrl;
        if (base.size() > 2047)
            return false;
        const size_t query = base.find_first_of("?#");
        if (query != std::string::npos)
            base.resize(query);
        const size_t authorityEnd = AuthorityEnd(base);
        if (authorityEnd == std::string::npos)
            return false;
        const char* rest = location;
        if (rest[0] == '/') {
            base.resize(authorityEnd);
            resolved = base + rest;
        } else {
            for (;;) {
                if (std::strncmp(rest, "../", 3) == 0) {
                    if (!RemoveSegment(&base, authorityEnd))
                        return false;
                    rest += 3;
                } else if (std::strcmp(rest, "..") == 0) {
                    if (!RemoveSegment(&base, authorityEnd))
                        return false;
                    rest += 2;
                } else if (std::strncmp(rest, "./", 2) == 0) {
                    rest += 2;
                } else {
                    break;
                }
            }
            if (!base.empty() && base.back() == '/' && base.size() > authorityEnd)
                base.pop_back();
            resolved = base + "/" + rest;
        }
    }
    LHttpUrl check;
    if (resolved.size() >= 2048 || !LHttpParseUrl(resolved.c_str(), &check))
        return false;
    *result = std::move(resolved);
    return true;
}
