#include "online/LHttpClient.h"

#include "foundation/files/LByteArray.h"
#include "foundation/threads/LProcessContext.h"
#include "online/LDownloadTarget.h"
#include "online/LHttpParse.h"
#include "online/LTlsSocket.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kMaxLine = 8192;
constexpr size_t kMaxHeaderBytes = 65536;
constexpr int kMaxHeaderLines = 200;
constexpr uint32_t kDownloadConnectMs = 22000;
constexpr uint32_t kDownloadTlsConnectMs = 60000;
constexpr uint32_t kDownloadSendMs = 27048;
constexpr uint32_t kStatusMs = 180000;
constexpr uint32_t kHeaderMs = 60000;
constexpr uint32_t kRedirectHeaderMs = 10000;
constexpr uint32_t kBodyWaitMs = 60000;
constexpr uint32_t kDownloadRequestMs = 30 * 60 * 1000;
constexpr uint32_t kSendExtraMs = 15025;

thread_local std::string gLastError;

uint32_t Pick(uint32_t value, uint32_t fallback)
{
    return value != 0 ? value : fallback;
}

int Fail(const char* format, ...) __attribute__((format(printf, 1, 2)));
int Fail(const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    gLastError = text;
    return 2;
}

// A socket result passed on, its reason kept when it failed.
int Passed(const LTlsSocket& socket, int result)
{
    if (result == 2)
        gLastError = socket.Error();
    return result;
}

uint32_t MsUntil(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 1 : left > 0xFFFFFFF0 ? 0xFFFFFFF0u : static_cast<uint32_t>(left);
}

int Open(LProcessContext* context, LTlsSocket* socket, const LHttpUrl& url, uint32_t connectMs,
         const LHttpLimits& limits, Clock::time_point deadline)
{
    socket->SetDeadline(MsUntil(deadline));
    if (limits.handshakeMs != 0)
        socket->SetHandshakeLimit(limits.handshakeMs);
    const int result = url.https ? socket->Connect(context, url.host, connectMs)
                                 : socket->ConnectPlain(context, url.host, 80, connectMs);
    // Connect starts afresh; the deadline still holds for what follows.
    socket->SetDeadline(MsUntil(deadline));
    return Passed(*socket, result);
}

int SendText(LProcessContext* context, LTlsSocket* socket, const std::string& text, uint32_t timeoutMs)
{
    return Passed(*socket, socket->Send(context, text.data(), text.size(), timeoutMs));
}

// The status line and the header lines up to the empty line.
int ReadHead(LProcessContext* context, LTlsSocket* socket, int* status, LHttpHeaders* headers,
             uint32_t statusMs, uint32_t headerMs)
{
    std::string line;
    int result = socket->ReadLine(context, &line, kMaxLine, statusMs);
    if (result != 0)
        return Passed(*socket, result);
    *status = LHttpParseStatusLine(line.data(), line.size());
    if (*status < 0)
        return Fail("the server's answer is not HTTP: \"%s\"", LHttpPrintable(line, 60).c_str());
    size_t total = line.size();
    for (int count = 0;; ++count) {
        result = socket->ReadLine(context, &line, kMaxLine, headerMs);
        if (result != 0)
            return Passed(*socket, result);
        if (line.empty())
            break;
        total += line.size();
        if (count >= kMaxHeaderLines || total > kMaxHeaderBytes)
            return Fail("the answer's header is too large");
        LHttpParseHeaderLine(line.data(), line.size(), headers);
        if (headers->malformed)
            return Fail("the answer has a malformed header line: \"%s\"", LHttpPrintable(line, 60).c_str());
    }
    return 0;
}

using Sink = std::function<bool(const char*, size_t)>;

// The body: Content-Length bytes, or everything up to the server's clean end
// of the stream. With keepPart, a body over the cap is cut to it and the
// rest left unread; otherwise it fails.
// A chunked body, decoded as it arrives; the cap holds for the data.
int ReadChunkedBody(LProcessContext* context, LTlsSocket* socket, uint64_t cap, bool keepPart,
                    uint32_t waitMs, const Sink& sink)
{
    char chunk[32768];
    LHttpChunkDecoder decoder;
    std::string data;
    uint64_t got = 0;
    for (;;) {
        if (context != nullptr && context->IsStopRequested())
            return 1;
        size_t n = 0;
        const int result = socket->ReadSome(context, chunk, sizeof chunk, &n, waitMs);
        if (result == 2 && socket->AtEnd())
            return Fail("the answer was cut short: its last chunk did not come");
        if (result != 0)
            return Passed(*socket, result);
        data.clear();
        size_t used = 0;
        const LHttpChunkDecoder::Result decoded = decoder.Feed(chunk, n, &used, &data);
        if (decoded == LHttpChunkDecoder::kError)
            return Fail("the answer's chunks are malformed: %s", decoder.Error());
        if (got + data.size() > cap) {
            if (!keepPart)
                return Fail("the answer is too large (more than %" PRIu64 " bytes)", cap);
            return sink(data.data(), static_cast<size_t>(cap - got)) ? 0 : 2;
        }
        if (!data.empty() && !sink(data.data(), data.size()))
            return 2;
        got += data.size();
        if (decoded == LHttpChunkDecoder::kDone)
            return 0;
    }
}

int ReadBody(LProcessContext* context, LTlsSocket* socket, const LHttpHeaders& headers, uint64_t cap,
             bool keepPart, uint32_t waitMs, bool reportProgress, const Sink& sink)
{
    // Framing left in a body would be stored as if it were the contents.
    if (!headers.otherCoding.empty())
        return Fail("the answer uses a transfer coding that is not read: \"%s\"",
                    LHttpPrintable(headers.otherCoding).c_str());
    if (headers.chunked) {
        if (headers.hasLength)
            return Fail("the answer gives both a length and chunks");
        return ReadChunkedBody(context, socket, cap, keepPart, waitMs, sink);
    }
    char chunk[32768];
    uint64_t want = UINT64_MAX;
    if (headers.hasLength) {
        want = headers.contentLength;
        if (want > cap) {
            if (!keepPart)
                return Fail("the answer is too large (%" PRIu64 " bytes; at most %" PRIu64 ")", want, cap);
            want = cap;
        }
    }
    uint64_t got = 0;
    while (got < want) {
        if (context != nullptr && context->IsStopRequested())
            return 1;
        size_t room = sizeof chunk;
        if (headers.hasLength)
            room = static_cast<size_t>(std::min<uint64_t>(room, want - got));
        size_t n = 0;
        const int result = socket->ReadSome(context, chunk, room, &n, waitMs);
        if (result == 2 && socket->AtEnd()) {
            if (!headers.hasLength)
                return 0;
            return Fail("the answer was cut short: %" PRIu64 " of %" PRIu64 " bytes", got,
                        headers.contentLength);
        }
        if (result != 0)
            return Passed(*socket, result);
        if (!headers.hasLength && got + n > cap) {
            if (!keepPart)
                return Fail("the answer is too large (more than %" PRIu64 " bytes)", cap);
            n = static_cast<size_t>(cap - got);
            if (!sink(chunk, n))
                return 2;
            return 0;
        }
        if (!sink(chunk, n))
            return 2;
        got += n;
        if (reportProgress && headers.hasLength && headers.contentLength > 0 && context != nullptr)
            context->Progress(static_cast<double>(got) / static_cast<double>(headers.contentLength));
    }
    return 0;
}

std::string GetRequest(const LHttpUrl& url)
{
    return std::string("GET ") + url.path + " HTTP/1.0\r\nHost: " + url.host + "\r\n\r\n";
}

int Download(LProcessContext* context, const char* address, const char* destination, bool followRedirect,
             bool requireTls, const LHttpLimits& limits, Clock::time_point deadline)
{
    LHttpUrl url;
    if (!LHttpParseUrl(address, &url))
        return Fail("not an http or https address: %s", LHttpPrintable(address).c_str());
    if (requireTls && !url.https)
        return Fail("not an https address: %s", LHttpPrintable(address).c_str());
    LTlsSocket socket;
    const uint32_t connectMs = Pick(limits.connectMs, url.https ? kDownloadTlsConnectMs : kDownloadConnectMs);
    int result = Open(context, &socket, url, connectMs, limits, deadline);
    if (result != 0)
        return result;
    result = SendText(context, &socket, GetRequest(url), Pick(limits.sendMs, kDownloadSendMs));
    if (result != 0)
        return result;
    int status = 0;
    LHttpHeaders headers;
    const bool redirect = followRedirect;
    result = ReadHead(context, &socket, &status, &headers, Pick(limits.statusMs, kStatusMs),
                      Pick(limits.headerMs, redirect ? kRedirectHeaderMs : kHeaderMs));
    if (result != 0)
        return result;
    if (status >= 300 && status <= 399 && followRedirect) {
        if (!headers.hasLocation)
            return Fail("the server redirects (%d) without saying where", status);
        std::string next;
        if (!LHttpResolveLocation(headers.location.c_str(), address, &next))
            return Fail("the server redirects to an address that is refused: \"%s\"",
                        LHttpPrintable(headers.location, 100).c_str());
        LHttpUrl nextUrl;
        LHttpParseUrl(next.c_str(), &nextUrl);
        if (url.https && !nextUrl.https)
            return Fail("the server redirects from https to plain http: refused");
        socket.Close();
        return Download(context, next.c_str(), destination, false, nextUrl.https, limits, deadline);
    }
    if (status < 200 || status > 299)
        return Fail("the server answered %d", status);
    if (headers.hasLength && headers.contentLength > limits.maxBody)
        return Fail("the answer is too large (%" PRIu64 " bytes; at most %" PRIu64 ")", headers.contentLength,
                    limits.maxBody);
    LDownloadTarget target(destination);
    if (!target.Open())
        return Fail("%s", target.Error());
    if (context != nullptr)
        context->Progress(0);
    result = ReadBody(context, &socket, headers, limits.maxBody, false, Pick(limits.bodyWaitMs, kBodyWaitMs),
                      true, [&](const char* data, size_t count) {
                          if (target.Write(data, count))
                              return true;
                          Fail("%s", target.Error());
                          return false;
                      });
    if (result != 0)
        return result; // the target goes with its temporary file
    if (!target.Commit())
        return Fail("%s", target.Error());
    return 0;
}

int StartDownload(LProcessContext* context, const char* url, const char* destination, bool followRedirect,
                  bool requireTls, const LHttpLimits* limits)
{
    gLastError.clear();
    const LHttpLimits use = limits != nullptr ? *limits : LHttpLimits();
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(Pick(use.requestMs, kDownloadRequestMs));
    if (destination == nullptr || destination[0] == '\0')
        return Fail("no destination file");
    return Download(context, url, destination, followRedirect, requireTls, use, deadline);
}

} // namespace

const char* LHttpLastError()
{
    return gLastError.c_str();
}

int LHttpGetToBuffer(LProcessContext* context, const char* address, char* buffer, size_t size,
                     uint32_t timeoutMs, const LHttpLimits* limits, size_t* received)
{
    gLastError.clear();
    if (received != nullptr)
        *received = 0;
    if (buffer == nullptr || size == 0)
        return Fail("no buffer");
    buffer[0] = '\0';
    const LHttpLimits use = limits != nullptr ? *limits : LHttpLimits();
    const uint32_t requestMs = Pick(use.requestMs, std::max<uint32_t>(60000, 2 * timeoutMs + kSendExtraMs));
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(requestMs);
    LHttpUrl url;
    if (!LHttpParseUrl(address, &url))
        return Fail("not an http or https address: %s", LHttpPrintable(address).c_str());
    LTlsSocket socket;
    int result = Open(context, &socket, url, Pick(use.connectMs, timeoutMs), use, deadline);
    if (result != 0)
        return result;
    result = SendText(context, &socket, GetRequest(url), Pick(use.sendMs, timeoutMs + kSendExtraMs));
    if (result != 0)
        return result;
    int status = 0;
    LHttpHeaders headers;
    result = ReadHead(context, &socket, &status, &headers, Pick(use.statusMs, timeoutMs),
                      Pick(use.headerMs, timeoutMs));
    if (result != 0)
        return result;
    if (status < 200 || status > 299)
        return Fail("the server answered %d", status);
    size_t kept = 0;
    result = ReadBody(context, &socket, headers, std::min<uint64_t>(size - 1, use.maxBody), true,
                      Pick(use.bodyWaitMs, timeoutMs), false, [&](const char* data, size_t count) {
                          std::memcpy(buffer + kept, data, count);
                          kept += count;
                          return true;
                      });
    if (result != 0) {
        buffer[0] = '\0';
        return result;
    }
    buffer[kept] = '\0';
    if (received != nullptr)
        *received = kept;
    return 0;
}

int LHttpGetToFile(LProcessContext* context, const char* url, const char* destination, bool followRedirect,
                   const LHttpLimits* limits)
{
    return StartDownload(context, url, destination, followRedirect, false, limits);
}

int LHttpsGetToFile(LProcessContext* context, const char* url, const char* destination, bool followRedirect,
                    const LHttpLimits* limits)
{
    return StartDownload(context, url, destination, followRedirect, true, limits);
}

int LHttpPostForm(LProcessContext* context, const char* address, const char* formBody, uint32_t timeoutMs,
                  const LHttpLimits* limits)
{
    gLastError.clear();
    const LHttpLimits use = limits != nullptr ? *limits : LHttpLimits();
    const Clock::time_point deadline =
        Clock::now() +
        std::chrono::milliseconds(Pick(use.requestMs, std::max<uint32_t>(60000, 3 * timeoutMs)));
    LHttpUrl url;
    if (!LHttpParseUrl(address, &url))
        return Fail("not an http or https address: %s", LHttpPrintable(address).c_str());
    const char* body = formBody != nullptr ? formBody : "";
    LTlsSocket socket;
    int result = Open(context, &socket, url, Pick(use.connectMs, timeoutMs), use, deadline);
    if (result != 0)
        return result;
    char head[2048];
    const int length = std::snprintf(head, sizeof head,
                                     "POST %s HTTP/1.0\r\nHost: %s\r\nContent-Type: "
                                     "application/x-www-form-urlencoded\r\nContent-Length: %zu\r\n\r\n",
                                     url.path, url.host, std::strlen(body));
    if (length < 0 || static_cast<size_t>(length) >= sizeof head)
        return Fail("the address is too long for a request");
    const uint32_t sendMs = Pick(use.sendMs, timeoutMs);
    result = SendText(context, &socket, std::string(head, static_cast<size_t>(length)) + body, sendMs);
    if (result != 0)
        return result;
    int status = 0;
    LHttpHeaders headers;
    result = ReadHead(context, &socket, &status, &headers, Pick(use.statusMs, timeoutMs),
                      Pick(use.headerMs, timeoutMs));
    if (result != 0)
        return result;
    if (status < 200 || status > 299)
        return Fail("the server answered %d", status);
    return 0;
}

int LHttpsRequest(LProcessContext* context, LTlsSocket* socket, const char* method, const char* host,
                  const char* path, const char* extraHeaders, const void* body, size_t bodyLength,
                  int* status, LByteArray* response, uint32_t sendTimeoutMs, uint32_t receiveTimeoutMs,
                  const LHttpLimits* limits)
{
    gLastError.clear();
    *status = 0;
    response->SetSize(0);
    if (socket == nullptr || !socket->IsOpen())
        return Fail("not connected");
    if (!LHttpIsSafeRequestText(method) || !LHttpIsSafeRequestText(host) || !LHttpIsSafeRequestText(path) ||
        method[0] == '\0' || host[0] == '\0' || path[0] == '\0')
        return Fail("the request's method, host or path holds characters a request line cannot carry");
    std::string extra = extraHeaders != nullptr ? extraHeaders : "";
    // Extra lines are whole "Name: value\r\n" lines; a bare CR or LF, or an
    // empty line, would end the head early or smuggle another request.
    for (size_t i = 0; i < extra.size(); ++i) {
        const char c = extra[i];
        if (c == '\r' && (i + 1 >= extra.size() || extra[i + 1] != '\n' || i == 0 || extra[i - 1] == '\n'))
            return Fail("the extra header lines are malformed");
        if (c == '\n' && (i == 0 || extra[i - 1] != '\r'))
            return Fail("the extra header lines are malformed");
    }
    if (!extra.empty() && (extra.size() < 2 || extra.compare(extra.size() - 2, 2, "\r\n") != 0))
        extra += "\r\n";
    const LHttpLimits use = limits != nullptr ? *limits : LHttpLimits();
    socket->SetDeadline(Pick(use.requestMs, 10 * 60 * 1000));
    char lengthText[32];
    std::snprintf(lengthText, sizeof lengthText, "%zu", bodyLength);
    const std::string head = std::string(method) + " " + path + " HTTP/1.0\r\nHost: " + host +
                             "\r\nContent-Length: " + lengthText + "\r\n" + extra + "\r\n";
    int result = SendText(context, socket, head, sendTimeoutMs);
    if (result == 0 && bodyLength > 0)
        result = Passed(*socket, socket->Send(context, body, bodyLength, sendTimeoutMs));
    if (result != 0)
        return result;
    LHttpHeaders headers;
    result = ReadHead(context, socket, status, &headers, receiveTimeoutMs, receiveTimeoutMs);
    if (result != 0)
        return result;
    uint64_t size = 0;
    if (headers.hasLength) {
        if (headers.contentLength > use.maxBody)
            return Fail("the answer is too large (%" PRIu64 " bytes; at most %" PRIu64 ")",
                        headers.contentLength, use.maxBody);
        if (!response->SetCapacity(headers.contentLength + 1))
            return Fail("no memory for the answer");
    }
    result = ReadBody(context, socket, headers, use.maxBody, false, receiveTimeoutMs, false,
                      [&](const char* data, size_t count) {
                          if (!response->SetSize(size + count)) {
                              Fail("no memory for the answer");
                              return false;
                          }
                          std::memcpy(response->data + size, data, count);
                          size += count;
                          return true;
                      });
    if (result != 0)
        response->SetSize(0);
    return result;
}
