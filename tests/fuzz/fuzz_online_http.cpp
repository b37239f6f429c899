// Feeds arbitrary server text to the parsers of the HTTP client: the first
// line as a status line, the following lines as header lines, and the
// Location found resolved against an address that is also taken from the
// input; the text after the first empty line as a chunked body, and the
// whole input through the escaping of messages. Nothing may crash or read
// out of bounds; every accepted result must be a well-formed address whose
// request parts hold no control characters, a decoded body is never longer
// than its framing, and escaped text holds printable ASCII only.

#include "online/LHttpParse.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void CheckAddress(const std::string& url)
{
    LHttpUrl parsed;
    if (!LHttpParseUrl(url.c_str(), &parsed))
        std::abort();
    if (!LHttpIsSafeRequestText(parsed.path) || !LHttpIsSafeRequestText(parsed.host) || parsed.path[0] != '/')
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    int lineNumber = 0;
    LHttpHeaders headers;
    std::string base = "http://h/dl/get";
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (lineNumber == 0) {
            const int code = LHttpParseStatusLine(line.data(), line.size());
            if (code != -1 && (code < 100 || code > 999))
                std::abort();
        } else if (lineNumber == 1 && line.find("://") != std::string::npos) {
            base = line; // the address the answer came from
        } else {
            LHttpParseHeaderLine(line.data(), line.size(), &headers);
        }
        ++lineNumber;
        start = end + 1;
    }
    LHttpUrl current;
    const bool baseOk = LHttpParseUrl(base.c_str(), &current);
    if (headers.hasLocation) {
        std::string next;
        if (LHttpResolveLocation(headers.location.c_str(), base.c_str(), &next)) {
            CheckAddress(next);
            if (headers.location.find_first_of("\r\n") != std::string::npos)
                std::abort();
        }
    }
    const size_t bodyStart = text.find("\r\n\r\n");
    if (bodyStart != std::string::npos) {
        const std::string body = text.substr(bodyStart + 4);
        LHttpChunkDecoder decoder;
        std::string data;
        size_t taken = 0;
        // In two pieces, as a stream arrives.
        const size_t half = body.size() / 2;
        LHttpChunkDecoder::Result result = decoder.Feed(body.data(), half, &taken, &data);
        if (result == LHttpChunkDecoder::kMore) {
            size_t more = 0;
            result = decoder.Feed(body.data() + half, body.size() - half, &more, &data);
            taken += more;
        }
        if (taken > body.size() || data.size() > taken)
            std::abort();
    }
    for (const char c : LHttpPrintable(text, 4096))
        if (c < 32 || c > 126)
            std::abort();

    // The whole input as an address and as a location.
    const std::string whole = text.substr(0, text.find('\0'));
    char host[kHttpHostSize], path[kHttpPathSize];
    if (LHttpSplitUrl(whole.c_str(), host, path) && (std::strlen(host) == 0 || path[0] != '/'))
        std::abort();
    std::string next;
    if (baseOk && LHttpResolveLocation(whole.c_str(), base.c_str(), &next))
        CheckAddress(next);
    return 0;
}
