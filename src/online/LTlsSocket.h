#pragma once
// One client connection of the HTTP client: a non-blocking TCP socket, with
// an OpenSSL channel on top once Start has run. Every wait polls in slices of
// at most 200 ms between which the caller's context is asked whether to
// stop; each wait has its own time-out and all of them together stay within
// the deadline set for the whole request. Results: 0 success, 1 stopped,
// 2 failure (Error() then says why).
//
// The channel asks for TLS 1.2 at least, sends no client certificate, and
// verifies the server's chain against the system's trusted certificates
// (SSL_CERT_FILE and SSL_CERT_DIR name others) and its name against the peer
// name, which also goes out as the server name indication. The trusted
// certificates are set up once per process, at its first handshake, and
// read from the system's folder only as a chain needs them.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

class LProcessContext;
typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;

class LTlsSocket
{
public:
    // The bound of a TLS handshake unless SetHandshakeLimit says otherwise.
    static constexpr uint32_t kHandshakeLimitMs = 30000;

    LTlsSocket();
    ~LTlsSocket();
    LTlsSocket(const LTlsSocket&) = delete;
    LTlsSocket& operator=(const LTlsSocket&) = delete;

    // Stores the host text up to its port as the peer name; only while no
    // socket is open (false, and the old name kept, otherwise).
    bool SetPeer(const char* hostText);
    const char* Peer() const { return peer_; }

    // A TCP connection to the host text (default port 443) and the TLS
    // handshake on it. The host's addresses (IPv4 and IPv6, at most 4) are
    // tried in turn, each with the time-out; a stop request is tested before
    // each.
    int Connect(LProcessContext* context, const char* hostText, uint32_t timeoutMs);
    // The TCP connection alone, for plain HTTP.
    int ConnectPlain(LProcessContext* context, const char* hostText, uint16_t defaultPort,
                     uint32_t timeoutMs);
    // Sets the channel up on the open socket and runs the handshake within
    // the time-out (and the handshake limit); the outcome is checked, the
    // certificate included.
    int Start(LProcessContext* context, uint32_t timeoutMs);

    bool IsSecure() const { return ssl_ != nullptr; }
    bool IsOpen() const { return fd_ >= 0; }
    void Close();

    void SetHandshakeLimit(uint32_t ms) { handshakeLimitMs_ = ms; }
    // No wait of this connection goes past now + ms (LNoTimeLimit clears it).
    void SetDeadline(uint32_t ms);

    int Send(LProcessContext* context, const void* data, size_t count, uint32_t timeoutMs);
    // At least one byte (up to count) into the buffer. At the peer's clean
    // end of the stream: 2 with nothing read and AtEnd() true.
    int ReadSome(LProcessContext* context, void* buffer, size_t count, size_t* got, uint32_t timeoutMs);
    // One line without its "\n" and a "\r" before it. A line longer than
    // maxLength, or one the peer's close cuts short, is a failure.
    int ReadLine(LProcessContext* context, std::string* line, size_t maxLength, uint32_t timeoutMs);
    int WaitReadable(LProcessContext* context, uint32_t timeoutMs);
    // Bytes that can be read without waiting.
    size_t Available();

    bool AtEnd() const { return atEnd_; }
    const char* Error() const { return error_.c_str(); }

private:
    int ConnectAddresses(LProcessContext* context, const char* hostText, uint16_t defaultPort,
                         uint32_t timeoutMs, bool plainBuffers);
    // Waits for the events on the socket: 0 ready, 1 stopped, 2 time-out.
    int WaitFor(LProcessContext* context, short events, uint32_t timeoutMs, const char* what);
    // Reads more into the buffer: 0 bytes came, 1 stopped, 2 failure, 3 end.
    int Fill(LProcessContext* context, uint32_t timeoutMs);
    int Fail(const std::string& reason);
    int FailTls(const char* during);

    int fd_ = -1;
    SSL_CTX* sslContext_ = nullptr;
    SSL* ssl_ = nullptr;
    char peer_[260] = {};
    uint32_t handshakeLimitMs_ = kHandshakeLimitMs;
    bool hasDeadline_ = false;
    std::chrono::steady_clock::time_point deadline_;
    // Bytes received but not yet taken.
    char buffer_[16384];
    size_t bufferStart_ = 0;
    size_t bufferEnd_ = 0;
    bool atEnd_ = false;
    std::string error_;
};
