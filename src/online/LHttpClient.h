#pragma once
// The program's small HTTP/1.0 client: plain TCP or TLS (LTlsSocket), no
// proxy, one request per connection. Every operation runs in the caller's
// LProcessContext, whose stop request it answers within one 200 ms slice,
// and returns 0 success, 1 stopped, 2 failure; LHttpLastError tells the
// calling thread why the last operation failed.
//
// An answer counts only with a well-formed status line and a 2xx code. A
// body is complete when its Content-Length has arrived, when its last chunk
// came ("Transfer-Encoding: chunked", decoded by LHttpChunkDecoder; any
// other transfer coding is refused) or, without either, when the server
// ended the stream cleanly; a time-out, a reset or a short body is a
// failure. Bodies are capped, redirects never go from https to http, and
// each request has a deadline besides the time-out of each wait. Text of
// the server's that a reason quotes is escaped (LHttpPrintable).

#include <cstddef>
#include <cstdint>

class LByteArray;
class LProcessContext;
class LTlsSocket;

struct LHttpLimits
{
    static constexpr uint64_t kMaxBody = 64ull << 20;

    // 0 means the operation's own value.
    uint32_t connectMs = 0;
    uint32_t sendMs = 0;
    uint32_t statusMs = 0;
    uint32_t headerMs = 0;
    uint32_t bodyWaitMs = 0;
    uint32_t requestMs = 0; // the whole request, a redirect included
    uint32_t handshakeMs = 0;
    uint64_t maxBody = kMaxBody;
};

// Why the calling thread's last failed operation failed ("" after success).
const char* LHttpLastError();

// GET into the caller's buffer: the body only, at most size - 1 bytes (the
// rest is not read), NUL-terminated. Each wait is bounded by timeoutMs; an
// https address goes over TLS. *received (optional) gets the body length kept.
int LHttpGetToBuffer(LProcessContext* context, const char* url, char* buffer, size_t size, uint32_t timeoutMs,
                     const LHttpLimits* limits = nullptr, size_t* received = nullptr);

// GET into a file (LDownloadTarget): the body goes to a temporary file
// beside the destination, which replaces it only when the whole body came,
// so nothing appears under its name before; a link is written through and a
// replaced file keeps its mode. A second download of the same file while
// one runs fails. With followRedirect, one 3xx answer's Location is
// followed (never from https to http). Progress is reported as the share of
// the Content-Length received.
int LHttpGetToFile(LProcessContext* context, const char* url, const char* destination, bool followRedirect,
                   const LHttpLimits* limits = nullptr);
// The same over TLS; an address that is not https is refused.
int LHttpsGetToFile(LProcessContext* context, const char* url, const char* destination, bool followRedirect,
                    const LHttpLimits* limits = nullptr);

// POST of a URL-encoded form; the answer's status must be 2xx.
int LHttpPostForm(LProcessContext* context, const char* url, const char* formBody, uint32_t timeoutMs,
                  const LHttpLimits* limits = nullptr);

// A request on a connection the caller opened with LTlsSocket::Connect:
// "METHOD path HTTP/1.0", Host, Content-Length, the extra header lines (each
// ended by "\r\n") and the body. The answer's code goes to *status and its
// body to the array, whatever the code.
int LHttpsRequest(LProcessContext* context, LTlsSocket* socket, const char* method, const char* host,
                  const char* path, const char* extraHeaders, const void* body, size_t bodyLength,
                  int* status, LByteArray* response, uint32_t sendTimeoutMs, uint32_t receiveTimeoutMs,
                  const LHttpLimits* limits = nullptr);
