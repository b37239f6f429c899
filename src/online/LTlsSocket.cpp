#include "online/LTlsSocket.h"

#include "foundation/threads/LLocalProcessContext.h"
#include "foundation/threads/LPollSet.h"
#include "foundation/threads/LProcessContext.h"
#include "online/LHttpParse.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t kSliceMs = 200;
constexpr uint32_t kWriteTurnMs = 20;
constexpr int kMaxAddresses = 4;

LProcessContext* ContextOrLocal(LProcessContext* context)
{
    static thread_local LLocalProcessContext local;
    return context != nullptr ? context : &local;
}

uint32_t ElapsedMs(Clock::time_point since)
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
    return ms < 0 ? 0 : ms > 0xFFFFFFFF ? 0xFFFFFFFFu : static_cast<uint32_t>(ms);
}

// The socket record behind the channel: OpenSSL reads and writes through
// these, so that a write to a closed connection never raises SIGPIPE.
int SocketWrite(BIO* bio, const char* data, size_t count, size_t* written)
{
    BIO_clear_retry_flags(bio);
    const int fd = static_cast<int>(reinterpret_cast<intptr_t>(BIO_get_data(bio)));
    const ssize_t n = send(fd, data, count, MSG_NOSIGNAL);
    if (n >= 0) {
        *written = static_cast<size_t>(n);
        return 1;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
        BIO_set_retry_write(bio);
    *written = 0;
    return 0;
}

int SocketRead(BIO* bio, char* data, size_t count, size_t* got)
{
    BIO_clear_retry_flags(bio);
    const int fd = static_cast<int>(reinterpret_cast<intptr_t>(BIO_get_data(bio)));
    const ssize_t n = recv(fd, data, count, 0);
    if (n > 0) {
        *got = static_cast<size_t>(n);
        return 1;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        BIO_set_retry_read(bio);
    *got = 0;
    return 0;
}

long SocketControl(BIO* bio, int command, long number, void* pointer)
{
    (void)bio;
    (void)number;
    (void)pointer;
    return command == BIO_CTRL_FLUSH ? 1 : 0;
}

BIO_METHOD* SocketMethod()
{
    static BIO_METHOD* method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "quorin socket");
        if (m != nullptr) {
            BIO_meth_set_write_ex(m, SocketWrite);
            BIO_meth_set_read_ex(m, SocketRead);
            BIO_meth_set_ctrl(m, SocketControl);
        }
        return m;
    }();
    return method;
}

std::string OpenSslReason()
{
    const unsigned long code = ERR_peek_last_error();
    ERR_clear_error();
    if (code == 0)
        return "";
    const char* reason = ERR_reason_error_string(code);
    return reason != nullptr ? reason : "";
}

// True when the folder holds certificates under their hash names
// ("1a2b3c4d.0"), as the lookup by subject needs.
bool HasHashedNames(const std::string& folders)
{
    size_t start = 0;
    while (start <= folders.size()) {
        const size_t end = std::min(folders.find(':', start), folders.size());
        const std::string folder = folders.substr(start, end - start);
        start = end + 1;
        DIR* dir = folder.empty() ? nullptr : opendir(folder.c_str());
        if (dir == nullptr)
            continue;
        bool found = false;
        while (!found) {
            const dirent* entry = readdir(dir);
            if (entry == nullptr)
                break;
            const char* name = entry->d_name;
            size_t hex = 0;
            while (hex < 8 && std::isxdigit(static_cast<unsigned char>(name[hex])))
                ++hex;
            found = hex == 8 && name[8] == '.' && std::isdigit(static_cast<unsigned char>(name[9]));
        }
        closedir(dir);
        if (found)
            return true;
    }
    return false;
}

// The client side of every connection: one SSL_CTX for the process, made at
// the first handshake, so that the trusted certificates are set up once and
// only by a program that makes TLS connections. The system's folder of
// hashed certificates is looked up by subject during verification, so only
// the authorities a chain needs are ever read, not the whole bundle (which
// stands in only when the folder has no hash names). SSL_CERT_FILE and
// SSL_CERT_DIR name others; a change of either makes a new context.
class SharedClientContext
{
public:
    // A reference the caller frees with SSL_CTX_free, or null (*error says why).
    SSL_CTX* Acquire(std::string* error)
    {
        const char* file = std::getenv(X509_get_default_cert_file_env());
        const char* dir = std::getenv(X509_get_default_cert_dir_env());
        const std::string key = std::string(file != nullptr ? "1" : "0") + (file != nullptr ? file : "") +
                                '\n' + (dir != nullptr ? "1" : "0") + (dir != nullptr ? dir : "");
        std::lock_guard<std::mutex> lock(mutex_);
        if (context_ == nullptr || key != key_) {
            SSL_CTX* made = Make(file, dir, error);
            if (made == nullptr)
                return nullptr;
            if (context_ != nullptr)
                SSL_CTX_free(context_);
            context_ = made;
            key_ = key;
        }
        SSL_CTX_up_ref(context_);
        return context_;
    }

private:
    static SSL_CTX* Make(const char* file, const char* dir, std::string* error)
    {
        ERR_clear_error();
        SSL_CTX* context = SSL_CTX_new(TLS_client_method());
        if (context == nullptr) {
            *error = "TLS cannot be set up: " + OpenSslReason();
            return nullptr;
        }
        SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
        SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
        X509_STORE* store = SSL_CTX_get_cert_store(context);
        const std::string folders = dir != nullptr ? dir : X509_get_default_cert_dir();
        const bool hashed = HasHashedNames(folders);
        if (hashed) {
            X509_LOOKUP* lookup = X509_STORE_add_lookup(store, X509_LOOKUP_hash_dir());
            if (lookup == nullptr || X509_LOOKUP_add_dir(lookup, folders.c_str(), X509_FILETYPE_PEM) != 1) {
                *error = "TLS cannot use the trusted certificates in " + folders + ": " + OpenSslReason();
                SSL_CTX_free(context);
                return nullptr;
            }
        }
        // A file that is named is read; the system's bundle only when the
        // folder cannot be looked up. A missing file leaves the chain
        // unverified, which the handshake then reports.
        if (file != nullptr)
            X509_STORE_load_file(store, file);
        else if (!hashed)
            X509_STORE_load_file(store, X509_get_default_cert_file());
        ERR_clear_error();
        return context;
    }

    std::mutex mutex_;
    SSL_CTX* context_ = nullptr;
    std::string key_;
};

SSL_CTX* AcquireClientContext(std::string* error)
{
    // Never destroyed: connections of other threads may still hold it at exit.
    static SharedClientContext* shared = new SharedClientContext;
    return shared->Acquire(error);
}

bool IsIpLiteral(const char* name)
{
    unsigned char address[sizeof(in6_addr)];
    return inet_pton(AF_INET, name, address) == 1 || inet_pton(AF_INET6, name, address) == 1;
}

} // namespace

LTlsSocket::LTlsSocket() = default;

LTlsSocket::~LTlsSocket()
{
    Close();
}

bool LTlsSocket::SetPeer(const char* hostText)
{
    if (fd_ >= 0)
        return false;
    char name[kHttpHostSize];
    uint16_t port = 0;
    if (LHttpSplitHostPort(hostText, name, &port, 443))
        std::snprintf(peer_, sizeof peer_, "%s", name);
    else
        std::snprintf(peer_, sizeof peer_, "%.*s", static_cast<int>(std::strcspn(hostText, ":")), hostText);
    return true;
}

void LTlsSocket::Close()
{
    if (ssl_ != nullptr) {
        // A polite close: the peer may be gone already, so never wait for it.
        if (fd_ >= 0 && SSL_is_init_finished(ssl_))
            SSL_shutdown(ssl_);
        SSL_free(ssl_);
        ssl_ = nullptr;
    }
    if (sslContext_ != nullptr) {
        SSL_CTX_free(sslContext_);
        sslContext_ = nullptr;
    }
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    ERR_clear_error();
    peer_[0] = '\0';
    bufferStart_ = bufferEnd_ = 0;
    atEnd_ = false;
}

void LTlsSocket::SetDeadline(uint32_t ms)
{
    hasDeadline_ = ms != LNoTimeLimit;
    if (hasDeadline_)
        deadline_ = Clock::now() + std::chrono::milliseconds(ms);
}

int LTlsSocket::Fail(const std::string& reason)
{
    error_ = reason;
    return 2;
}

int LTlsSocket::WaitFor(LProcessContext* context, short events, uint32_t timeoutMs, const char* what)
{
    LProcessContext* ctx = ContextOrLocal(context);
    if (fd_ < 0)
        return Fail("not connected");
    const Clock::time_point start = Clock::now();
    bool deadlineFirst = false;
    uint32_t budget = timeoutMs;
    if (hasDeadline_) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - start).count();
        const uint32_t leftMs = left <= 0 ? 0 : left > 0xFFFFFFFF ? 0xFFFFFFFFu : static_cast<uint32_t>(left);
        if (leftMs < budget) {
            budget = leftMs;
            deadlineFirst = true;
        }
    }
    for (;;) {
        if (ctx->IsStopRequested())
            return 1;
        const uint32_t elapsed = ElapsedMs(start);
        if (elapsed >= budget)
            break;
        pollfd now = {fd_, events, 0};
        if (LPollRetrying(&now, 1, 0) > 0)
            return 0;
        const uint32_t slice = std::min(kSliceMs, budget - elapsed);
        if (events & POLLOUT) {
            // Contexts that pump window events wake only for input; waits
            // to write take short pumping turns and look again.
            if (ctx->WaitForStop(std::min(kWriteTurnMs, slice)))
                return 1;
            continue;
        }
        LPollSet set;
        set.Add(fd_, events);
        const int result = ctx->WaitForStopOrPollSet(&set, slice);
        if (result == LWaitStopRequested)
            return 1;
        if (result == LWaitSignalled && set.IsReady(0))
            return 0;
    }
    if (deadlineFirst)
        return Fail(std::string("the request took too long (") + what + ")");
    return Fail(std::string("timed out ") + what);
}

int LTlsSocket::ConnectAddresses(LProcessContext* context, const char* hostText, uint16_t defaultPort,
                                 uint32_t timeoutMs, bool plainBuffers)
{
    LProcessContext* ctx = ContextOrLocal(context);
    char name[kHttpHostSize];
    uint16_t port = 0;
    if (!LHttpSplitHostPort(hostText, name, &port, defaultPort))
        return Fail(std::string("not a host name: ") + hostText);
    if (ctx->IsStopRequested())
        return 1;
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    char portText[8];
    std::snprintf(portText, sizeof portText, "%u", static_cast<unsigned>(port));
    addrinfo* list = nullptr;
    const int found = getaddrinfo(name, portText, &hints, &list);
    if (found != 0 || list == nullptr)
        return Fail(std::string("host not found: ") + name + " (" + gai_strerror(found) + ")");
    std::string lastError = "no address to connect to";
    int tried = 0;
    int result = 2;
    for (addrinfo* a = list; a != nullptr && tried < kMaxAddresses; a = a->ai_next, ++tried) {
        if (ctx->IsStopRequested()) {
            result = 1;
            break;
        }
        fd_ = socket(a->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
        if (fd_ < 0) {
            lastError = std::string("no socket: ") + std::strerror(errno);
            continue;
        }
        int sendBuffer = 262144;
        setsockopt(fd_, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
        if (plainBuffers) {
            int receiveBuffer = 524288;
            setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        }
        int attempt = 2;
        if (connect(fd_, a->ai_addr, a->ai_addrlen) == 0) {
            attempt = 0;
        } else if (errno != EINPROGRESS) {
            lastError = std::string("cannot connect to ") + name + ": " + std::strerror(errno);
        } else {
            attempt = WaitFor(ctx, POLLOUT, timeoutMs, "connecting");
            if (attempt == 2) {
                lastError = error_ + " to " + name;
            } else if (attempt == 0) {
                int socketError = 0;
                socklen_t length = sizeof socketError;
                if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &socketError, &length) != 0 || socketError != 0) {
                    lastError = std::string("cannot connect to ") + name + ": " + std::strerror(socketError);
                    attempt = 2;
                }
            }
        }
        if (attempt != 2) {
            result = attempt;
            break;
        }
        close(fd_);
        fd_ = -1;
    }
    freeaddrinfo(list);
    if (result != 0 && fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    if (result == 2)
        return Fail(lastError);
    return result;
}

int LTlsSocket::ConnectPlain(LProcessContext* context, const char* hostText, uint16_t defaultPort,
                             uint32_t timeoutMs)
{
    if (fd_ >= 0)
        Close();
    return ConnectAddresses(context, hostText, defaultPort, timeoutMs, true);
}

int LTlsSocket::Connect(LProcessContext* context, const char* hostText, uint32_t timeoutMs)
{
    if (fd_ >= 0)
        Close();
    SetPeer(hostText);
    const int connected = ConnectAddresses(context, hostText, 443, timeoutMs, false);
    if (connected != 0)
        return connected;
    const int started = Start(context, timeoutMs);
    if (started != 0) {
        const std::string reason = error_;
        Close();
        error_ = reason;
    }
    return started;
}

int LTlsSocket::FailTls(const char* during)
{
    std::string reason;
    if (ssl_ != nullptr) {
        const long verify = SSL_get_verify_result(ssl_);
        if (verify != X509_V_OK) {
            reason = std::string("the server's certificate is not accepted: ") +
                     X509_verify_cert_error_string(verify);
            ERR_clear_error();
            return Fail(reason);
        }
    }
    const std::string openssl = OpenSslReason();
    reason = std::string("TLS failed during ") + during;
    if (!openssl.empty())
        reason += ": " + openssl;
    else if (errno == ECONNRESET || errno == EPIPE)
        reason += ": the connection was reset";
    else
        reason += ": the connection was closed";
    return Fail(reason);
}

int LTlsSocket::Start(LProcessContext* context, uint32_t timeoutMs)
{
    if (fd_ < 0)
        return Fail("not connected");
    if (ssl_ != nullptr)
        return 0;
    ERR_clear_error();
    std::string why;
    sslContext_ = AcquireClientContext(&why);
    if (sslContext_ == nullptr)
        return Fail(why);
    ssl_ = SSL_new(sslContext_);
    BIO* bio = SocketMethod() != nullptr ? BIO_new(SocketMethod()) : nullptr;
    if (ssl_ == nullptr || bio == nullptr) {
        BIO_free(bio);
        return Fail("TLS cannot be set up: " + OpenSslReason());
    }
    BIO_set_data(bio, reinterpret_cast<void*>(static_cast<intptr_t>(fd_)));
    BIO_set_init(bio, 1);
    SSL_set_bio(ssl_, bio, bio);
    if (peer_[0] == '\0')
        return Fail("TLS needs the server's name");
    // The name the certificate must carry; a host name also goes out as the
    // server name indication (an address may not).
    SSL_set_hostflags(ssl_, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    if (IsIpLiteral(peer_)) {
        if (X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_), peer_) != 1)
            return Fail("TLS cannot check the address " + std::string(peer_));
    } else {
        if (SSL_set_tlsext_host_name(ssl_, peer_) != 1 || SSL_set1_host(ssl_, peer_) != 1)
            return Fail("TLS cannot check the name " + std::string(peer_));
    }
    SSL_set_connect_state(ssl_);

    const uint32_t bound = std::min(timeoutMs, handshakeLimitMs_);
    const Clock::time_point start = Clock::now();
    for (;;) {
        errno = 0;
        const int answer = SSL_do_handshake(ssl_);
        if (answer == 1)
            return 0;
        const int error = SSL_get_error(ssl_, answer);
        short events = 0;
        if (error == SSL_ERROR_WANT_READ)
            events = POLLIN;
        else if (error == SSL_ERROR_WANT_WRITE)
            events = POLLOUT;
        else
            return FailTls("the handshake");
        const uint32_t elapsed = ElapsedMs(start);
        if (elapsed >= bound)
            return Fail("timed out in the TLS handshake");
        const int waited = WaitFor(context, events, bound - elapsed, "in the TLS handshake");
        if (waited != 0)
            return waited;
    }
}

int LTlsSocket::Send(LProcessContext* context, const void* data, size_t count, uint32_t timeoutMs)
{
    LProcessContext* ctx = ContextOrLocal(context);
    if (fd_ < 0)
        return Fail("not connected");
    const char* bytes = static_cast<const char*>(data);
    const Clock::time_point start = Clock::now();
    while (count > 0) {
        if (ctx->IsStopRequested())
            return 1;
        short events = POLLOUT;
        if (ssl_ != nullptr) {
            size_t written = 0;
            if (SSL_write_ex(ssl_, bytes, count, &written) == 1) {
                bytes += written;
                count -= written;
                continue;
            }
            const int error = SSL_get_error(ssl_, 0);
            if (error == SSL_ERROR_WANT_READ)
                events = POLLIN;
            else if (error != SSL_ERROR_WANT_WRITE)
                return FailTls("sending");
        } else {
            const ssize_t n = send(fd_, bytes, count, MSG_NOSIGNAL);
            if (n > 0) {
                bytes += n;
                count -= static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                return Fail(std::string("sending failed: ") + std::strerror(errno));
        }
        const uint32_t elapsed = ElapsedMs(start);
        if (elapsed >= timeoutMs)
            return Fail("timed out sending");
        const int waited = WaitFor(ctx, events, timeoutMs - elapsed, "sending");
        if (waited != 0)
            return waited;
    }
    return 0;
}

int LTlsSocket::Fill(LProcessContext* context, uint32_t timeoutMs)
{
    if (fd_ < 0)
        return Fail("not connected");
    if (atEnd_)
        return 3;
    if (bufferStart_ == bufferEnd_)
        bufferStart_ = bufferEnd_ = 0;
    else if (bufferEnd_ == sizeof buffer_) {
        std::memmove(buffer_, buffer_ + bufferStart_, bufferEnd_ - bufferStart_);
        bufferEnd_ -= bufferStart_;
        bufferStart_ = 0;
    }
    if (bufferEnd_ == sizeof buffer_)
        return 0;
    const Clock::time_point start = Clock::now();
    for (;;) {
        if (ContextOrLocal(context)->IsStopRequested())
            return 1;
        short events = POLLIN;
        if (ssl_ != nullptr) {
            size_t got = 0;
            errno = 0;
            if (SSL_read_ex(ssl_, buffer_ + bufferEnd_, sizeof buffer_ - bufferEnd_, &got) == 1) {
                bufferEnd_ += got;
                return 0;
            }
            const int error = SSL_get_error(ssl_, 0);
            if (error == SSL_ERROR_ZERO_RETURN) {
                atEnd_ = true;
                return 3;
            }
            if (error == SSL_ERROR_WANT_WRITE)
                events = POLLOUT;
            else if (error != SSL_ERROR_WANT_READ)
                return FailTls("reading (the stream was cut short)");
        } else {
            const ssize_t n = recv(fd_, buffer_ + bufferEnd_, sizeof buffer_ - bufferEnd_, 0);
            if (n > 0) {
                bufferEnd_ += static_cast<size_t>(n);
                return 0;
            }
            if (n == 0) {
                atEnd_ = true;
                return 3;
            }
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                return Fail(std::string("reading failed: ") + std::strerror(errno));
        }
        const uint32_t elapsed = ElapsedMs(start);
        if (elapsed >= timeoutMs)
            return Fail("timed out waiting for data");
        const int waited = WaitFor(context, events, timeoutMs - elapsed, "waiting for data");
        if (waited != 0)
            return waited;
    }
}

int LTlsSocket::ReadSome(LProcessContext* context, void* buffer, size_t count, size_t* got,
                         uint32_t timeoutMs)
{
    *got = 0;
    if (count == 0)
        return 0;
    if (bufferStart_ == bufferEnd_) {
        const int filled = Fill(context, timeoutMs);
        if (filled == 3)
            return Fail("the connection was closed");
        if (filled != 0)
            return filled;
    }
    const size_t take = std::min(count, bufferEnd_ - bufferStart_);
    std::memcpy(buffer, buffer_ + bufferStart_, take);
    bufferStart_ += take;
    *got = take;
    return 0;
}

int LTlsSocket::ReadLine(LProcessContext* context, std::string* line, size_t maxLength, uint32_t timeoutMs)
{
    line->clear();
    const Clock::time_point start = Clock::now();
    for (;;) {
        const char* begin = buffer_ + bufferStart_;
        const size_t have = bufferEnd_ - bufferStart_;
        const void* newline = std::memchr(begin, '\n', have);
        const size_t take =
            newline != nullptr ? static_cast<size_t>(static_cast<const char*>(newline) - begin) : have;
        if (line->size() + take > maxLength)
            return Fail("a line of the answer is too long");
        line->append(begin, take);
        bufferStart_ += take;
        if (newline != nullptr) {
            ++bufferStart_;
            if (!line->empty() && line->back() == '\r')
                line->pop_back();
            return 0;
        }
        const uint32_t elapsed = ElapsedMs(start);
        if (elapsed >= timeoutMs)
            return Fail("timed out waiting for data");
        const int filled = Fill(context, timeoutMs - elapsed);
        if (filled == 3)
            return Fail("the connection was closed in the middle of the answer's head");
        if (filled != 0)
            return filled;
    }
}

int LTlsSocket::WaitReadable(LProcessContext* context, uint32_t timeoutMs)
{
    if (fd_ < 0)
        return Fail("not connected");
    if (Available() > 0)
        return 0;
    return WaitFor(context, POLLIN, timeoutMs, "waiting for data");
}

size_t LTlsSocket::Available()
{
    size_t count = bufferEnd_ - bufferStart_;
    if (ssl_ != nullptr) {
        const int pending = SSL_pending(ssl_);
        if (pending > 0)
            count += static_cast<size_t>(pending);
    } else if (fd_ >= 0 && count == 0) {
        int waiting = 0;
        if (ioctl(fd_, FIONREAD, &waiting) == 0 && waiting > 0)
            count = static_cast<size_t>(waiting);
    }
    return count;
}
