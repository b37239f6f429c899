// Downloads over TLS as whole processes: `qd-net get` against curl, both
// fetching the same file from a local HTTPS server (Python's, with a
// throwaway CA made by openssl) into a file, as a user would run them (see
// ProcessBenchSupport.h). The CA sits in a folder under its hash name, the
// way the system's authorities do: qd-net finds it through SSL_CERT_DIR,
// curl through --capath. Pinned to one core, where "cpu_ratio" is the
// figure (goal: at most 1.0): a 6-byte file shows what start-up, trust
// set-up and the handshake cost, a 20 MB one what the transfer costs.

#include "ProcessBenchSupport.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using bench::ComparePaired;
using bench::ProcessRun;

bench::ScratchFolder& Scratch()
{
    static bench::ScratchFolder scratch("net-get");
    return scratch;
}

constexpr const char* kServer = R"(import http.server, os, ssl, sys
folder, cert, key, port_file = sys.argv[1:5]
os.chdir(folder)
class Handler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(cert, key)
server.socket = context.wrap_socket(server.socket, server_side=True)
with open(port_file + ".tmp", "w") as f:
    f.write(str(server.server_address[1]))
os.rename(port_file + ".tmp", port_file)
server.serve_forever()
)";

// The CA, the server's certificate for 127.0.0.1, the files served and the
// server itself, made once; the server is stopped at exit.
class LocalTlsServer
{
public:
    LocalTlsServer()
    {
        if (!Scratch().Exists())
            return;
        const std::string d = Scratch().Path();
        const std::string trust = Scratch().Path("trust");
        const std::string site = Scratch().Path("site");
        const auto key = [](const std::string& path) {
            return bench::RunToolOk({"openssl", "genpkey", "-algorithm", "EC", "-pkeyopt",
                                     "ec_paramgen_curve:prime256v1", "-out", path});
        };
        std::ofstream(d + "/server.ext") << "subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\n"
                                            "extendedKeyUsage=serverAuth\n";
        const bool made =
            key(d + "/ca.key") &&
            bench::RunToolOk({"openssl", "req", "-x509", "-new", "-key", d + "/ca.key", "-out", d + "/ca.pem",
                              "-days", "2", "-subj", "/CN=Quorin Bench CA", "-addext",
                              "basicConstraints=critical,CA:TRUE", "-addext",
                              "keyUsage=critical,keyCertSign,cRLSign"}) &&
            key(d + "/server.key") &&
            bench::RunToolOk({"openssl", "req", "-new", "-key", d + "/server.key", "-out", d + "/server.csr",
                              "-subj", "/CN=127.0.0.1"}) &&
            bench::RunToolOk({"openssl", "x509", "-req", "-in", d + "/server.csr", "-CA", d + "/ca.pem",
                              "-CAkey", d + "/ca.key", "-CAcreateserial", "-days", "2", "-extfile",
                              d + "/server.ext", "-out", d + "/server.pem"}) &&
            bench::RunToolOk({"mkdir", "-p", trust, site}) &&
            bench::RunToolOk({"cp", d + "/ca.pem", trust + "/ca.pem"}) &&
            bench::RunToolOk({"openssl", "rehash", trust});
        if (!made)
            return;
        std::ofstream(site + "/small.txt") << "hello\n";
        {
            std::ofstream large(site + "/large.bin", std::ios::binary);
            std::string block(1 << 20, '\0');
            for (size_t i = 0; i < block.size(); ++i)
                block[i] = static_cast<char>((i * 7 + 3) % 251);
            for (int i = 0; i < 20; ++i)
                large << block;
        }
        std::ofstream(d + "/server.py") << kServer;
        const std::string portFile = d + "/port";
        std::vector<std::string> args = {"/usr/bin/python3", d + "/server.py",  site,
                                         d + "/server.pem",  d + "/server.key", portFile};
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
            return;
        }
        for (int i = 0; i < 400 && port_ == 0; ++i) {
            std::ifstream in(portFile);
            if (!(in >> port_))
                std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        // qd-net reads its trusted certificates from here; curl is told.
        setenv("SSL_CERT_DIR", trust.c_str(), 1);
        unsetenv("SSL_CERT_FILE");
        trust_ = trust;
    }
    ~LocalTlsServer()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    LocalTlsServer(const LocalTlsServer&) = delete;
    LocalTlsServer& operator=(const LocalTlsServer&) = delete;

    bool Ready() const { return port_ > 0; }
    std::string Url(const char* name) const
    {
        return "https://127.0.0.1:" + std::to_string(port_) + "/" + name;
    }
    const std::string& Trust() const { return trust_; }

private:
    pid_t pid_ = -1;
    int port_ = 0;
    std::string trust_;
};

LocalTlsServer& Server()
{
    static LocalTlsServer server;
    return server;
}

void GetVsCurl(benchmark::State& state, const char* name)
{
    if (!Server().Ready()) {
        state.SkipWithError("the local TLS server could not be set up (openssl, python3)");
        return;
    }
    const std::string url = Server().Url(name);
    bench::PairOptions options{"curl"};
    options.pinToOneCore = true;
    ComparePaired(state, {{bench::BuildTool("qd-net"), "get", url, Scratch().Path("ours.out")}},
                  {{"curl", "-sSf", "--capath", Server().Trust(), "-o", Scratch().Path("curl.out"), url}},
                  options);
}

void BM_GetSmallFile_vs_Curl(benchmark::State& state)
{
    GetVsCurl(state, "small.txt");
}

void BM_Get20MB_vs_Curl(benchmark::State& state)
{
    GetVsCurl(state, "large.bin");
}

} // namespace

BENCHMARK(BM_GetSmallFile_vs_Curl)->Iterations(30)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Get20MB_vs_Curl)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
