// TLS over OpenSSL against servers on 127.0.0.1 with a throwaway CA: the
// CA's server works for every request kind; untrusted, misnamed, expired and
// TLS 1.0-only servers fail with a reason; a stalled handshake is given up
// within its bound, and a stop request ends it.

#include "OnlineTestSupport.h"

#include "foundation/files/LByteArray.h"
#include "online/LHttpClient.h"
#include "online/LTlsSocket.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace quorin::test;

namespace {

class TlsSocket : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(certs_.Made()) << "openssl could not make the test certificates"; }

    void StartServer(TestServer& server, const std::string& certificate, std::vector<std::string> more = {})
    {
        std::vector<std::string> options = certs_.ServerOptions(certificate);
        options.insert(options.end(), more.begin(), more.end());
        ASSERT_TRUE(server.Start(dir_.Path(), options)) << "the test server did not start";
    }

    TempDir dir_;
    TestCertificates certs_{dir_.Path()};
    LLocalProcessContext context_;
};

} // namespace

TEST_F(TlsSocket, TheTestCasServerServesEveryRequestKind)
{
    TestServer server;
    StartServer(server, "good", {"--post-log", dir_.Path("posts.log")});
    for (const char* host : {"localhost", "127.0.0.1"}) {
        const std::string dest = dir_.Path(std::string("out-") + host);
        EXPECT_EQ(
            LHttpsGetToFile(&context_, server.Url("https", host, "/plain").c_str(), dest.c_str(), false), 0)
            << host << ": " << LHttpLastError();
        EXPECT_EQ(ReadWhole(dest), ServerBody(200000)) << host;
    }
    // Without a length the body ends at the server's clean close of the channel.
    const std::string dest = dir_.Path("noclen");
    EXPECT_EQ(
        LHttpsGetToFile(&context_, server.Url("https", "localhost", "/noclen").c_str(), dest.c_str(), false),
        0)
        << LHttpLastError();
    EXPECT_EQ(ReadWhole(dest).size(), 50000u);
    // Cut short over TLS.
    EXPECT_EQ(
        LHttpsGetToFile(&context_, server.Url("https", "localhost", "/short").c_str(), dest.c_str(), false),
        2);

    char buffer[64];
    EXPECT_EQ(LHttpGetToBuffer(&context_, server.Url("https", "localhost", "/oddcase").c_str(), buffer,
                               sizeof buffer, 3000),
              0)
        << LHttpLastError();
    EXPECT_STREQ(buffer, "odd headers");
    EXPECT_EQ(LHttpPostForm(&context_, server.Url("https", "localhost", "/post").c_str(), "k=v", 3000), 0)
        << LHttpLastError();

    // The general request on a connection of our own.
    LTlsSocket socket;
    const std::string hostText = "localhost:" + std::to_string(server.Port());
    ASSERT_EQ(socket.Connect(&context_, hostText.c_str(), 3000), 0) << socket.Error();
    EXPECT_TRUE(socket.IsSecure());
    EXPECT_STREQ(socket.Peer(), "localhost");
    EXPECT_FALSE(socket.SetPeer("other:1"));
    EXPECT_STREQ(socket.Peer(), "localhost");
    int status = 0;
    LByteArray response;
    ASSERT_EQ(LHttpsRequest(&context_, &socket, "POST", hostText.c_str(), "/post", "X-Test: 1\r\n", "q=1", 3,
                            &status, &response, 3000, 3000),
              0)
        << LHttpLastError();
    EXPECT_EQ(status, 200);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(response.data), response.size), "thanks");
    EXPECT_EQ(ReadWhole(dir_.Path("posts.log")), "/post k=v\n/post q=1\n");
}

TEST_F(TlsSocket, RequestsRefuseHeaderInjection)
{
    TestServer server;
    StartServer(server, "good");
    LTlsSocket socket;
    const std::string hostText = "localhost:" + std::to_string(server.Port());
    ASSERT_EQ(socket.Connect(&context_, hostText.c_str(), 3000), 0) << socket.Error();
    int status = 0;
    LByteArray response;
    EXPECT_EQ(LHttpsRequest(&context_, &socket, "GET", hostText.c_str(), "/plain\r\nX: 1", "", nullptr, 0,
                            &status, &response, 3000, 3000),
              2);
    EXPECT_EQ(LHttpsRequest(&context_, &socket, "GET", hostText.c_str(), "/plain", "X: 1\r\n\r\nGET /",
                            nullptr, 0, &status, &response, 3000, 3000),
              2);
    EXPECT_EQ(LHttpsRequest(&context_, &socket, "GET", hostText.c_str(), "/plain", "X: 1\nY: 2", nullptr, 0,
                            &status, &response, 3000, 3000),
              2);
}

TEST_F(TlsSocket, ServersThatCannotBeTrustedFailWithAReason)
{
    struct Case
    {
        const char* certificate;
        std::vector<std::string> more;
        const char* reason; // part of the error text
    };
    const Case cases[] = {
        {"selfsigned", {}, "not accepted"},
        {"wronghost", {}, "not accepted"},
        {"expired", {}, "expired"},
        {"good", {"--tls10"}, "TLS failed"},
    };
    for (const Case& c : cases) {
        TestServer server;
        StartServer(server, c.certificate, c.more);
        const std::string dest = dir_.Path("out");
        EXPECT_EQ(LHttpsGetToFile(&context_, server.Url("https", "localhost", "/plain").c_str(), dest.c_str(),
                                  false),
                  2)
            << c.certificate;
        EXPECT_NE(std::strstr(LHttpLastError(), c.reason), nullptr)
            << c.certificate << ": " << LHttpLastError();
        EXPECT_FALSE(FileExists(dest));
        LTlsSocket socket;
        EXPECT_EQ(socket.Connect(&context_, ("localhost:" + std::to_string(server.Port())).c_str(), 3000), 2)
            << c.certificate;
        EXPECT_FALSE(socket.IsOpen()) << c.certificate;
    }
    // The good certificate names localhost and 127.0.0.1, nothing else: the
    // server's name is checked, not only its chain.
    TestServer server;
    StartServer(server, "good");
    char buffer[64];
    EXPECT_EQ(LHttpGetToBuffer(&context_, server.Url("https", "localhost", "/oddcase").c_str(), buffer,
                               sizeof buffer, 3000),
              0);
    EXPECT_EQ(LHttpGetToBuffer(&context_, server.Url("https", "127.0.0.2", "/oddcase").c_str(), buffer,
                               sizeof buffer, 3000),
              2);
}

TEST_F(TlsSocket, TrustedCertificatesComeFromAHashedFolderOrANamedFile)
{
    TestServer server;
    StartServer(server, "good");
    const std::string url = server.Url("https", "localhost", "/oddcase");
    char buffer[64];
    // The CA in a folder under its hash name, looked up when the chain needs it.
    const std::string hashed = dir_.Path("hashed");
    ASSERT_EQ(RunCommand("mkdir " + Quote(hashed) + " && cp " + Quote(dir_.Path("ca.pem")) + " " +
                         Quote(hashed) + " && openssl rehash " + Quote(hashed)),
              0);
    const std::string file = getenv("SSL_CERT_FILE");
    const std::string folder = getenv("SSL_CERT_DIR");
    unsetenv("SSL_CERT_FILE");
    setenv("SSL_CERT_DIR", hashed.c_str(), 1);
    EXPECT_EQ(LHttpGetToBuffer(&context_, url.c_str(), buffer, sizeof buffer, 3000), 0) << LHttpLastError();
    EXPECT_STREQ(buffer, "odd headers");
    // A folder without hash names: the system's bundle stands in, and it
    // does not hold the test CA. The set-up follows each change.
    setenv("SSL_CERT_DIR", dir_.Path().c_str(), 1);
    EXPECT_EQ(LHttpGetToBuffer(&context_, url.c_str(), buffer, sizeof buffer, 3000), 2);
    EXPECT_NE(std::strstr(LHttpLastError(), "not accepted"), nullptr) << LHttpLastError();
    setenv("SSL_CERT_FILE", file.c_str(), 1);
    setenv("SSL_CERT_DIR", folder.c_str(), 1);
    EXPECT_EQ(LHttpGetToBuffer(&context_, url.c_str(), buffer, sizeof buffer, 3000), 0) << LHttpLastError();
}

TEST_F(TlsSocket, AStalledHandshakeEndsAtItsBoundOrAtAStop)
{
    TestServer server;
    ASSERT_TRUE(server.Start(dir_.Path(), {"--stall"}));
    const std::string hostText = "127.0.0.1:" + std::to_string(server.Port());
    {
        LTlsSocket socket;
        socket.SetHandshakeLimit(700);
        EXPECT_EQ(socket.Connect(&context_, hostText.c_str(), 60000), 2);
        EXPECT_NE(std::strstr(socket.Error(), "handshake"), nullptr) << socket.Error();
    }
    {
        // The bound is far away; the stop request ends the wait.
        StopAfterContext stopper(500);
        LTlsSocket socket;
        EXPECT_EQ(socket.Connect(&stopper, hostText.c_str(), 60000), 1);
        EXPECT_FALSE(socket.IsOpen());
    }
    {
        LHttpLimits limits;
        limits.handshakeMs = 700;
        char buffer[64];
        EXPECT_EQ(LHttpGetToBuffer(&context_, ("https://" + hostText + "/x").c_str(), buffer, sizeof buffer,
                                   60000, &limits),
                  2);
    }
}

TEST_F(TlsSocket, ARedirectFromHttpsToHttpIsRefused)
{
    TestServer server;
    StartServer(server, "good");
    const std::string dest = dir_.Path("out");
    EXPECT_EQ(
        LHttpsGetToFile(&context_, server.Url("https", "localhost", "/tohttp").c_str(), dest.c_str(), true),
        2);
    EXPECT_NE(std::strstr(LHttpLastError(), "https to plain http"), nullptr) << LHttpLastError();
    EXPECT_FALSE(FileExists(dest));
    // The same server's https redirects are followed.
    EXPECT_EQ(LHttpsGetToFile(&context_, server.Url("https", "localhost", "/dl/get?to=b.zip").c_str(),
                              dest.c_str(), true),
              0)
        << LHttpLastError();
    EXPECT_EQ(ReadWhole(dest), "file /dl/b.zip");
}
