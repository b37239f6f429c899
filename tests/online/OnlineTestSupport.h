#pragma once
// Servers on 127.0.0.1 for the online tests: the scripted HTTP(S) server of
// test_server.py, started per test, and a throwaway CA with its server
// certificates made with openssl at test time.

#include "foundation/threads/LLocalProcessContext.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quorin::test {

// Debian's interpreter: it starts fast and has the modules the servers use,
// where a per-user one first on the PATH may have neither.
inline const char* const kServerPython = "/usr/bin/python3";

class TestServer
{
public:
    TestServer() = default;
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;
    ~TestServer() { Stop(); }

    // Starts test_server.py with the options; false when it did not listen
    // within a few seconds.
    bool Start(const std::string& folder, const std::vector<std::string>& options)
    {
        static int serial = 0;
        const std::string portFile =
            folder + "/port" + std::to_string(getpid()) + "-" + std::to_string(++serial);
        std::vector<std::string> words = {kServerPython, SourceDir() + "/tests/online/test_server.py",
                                          "--port-file", portFile};
        words.insert(words.end(), options.begin(), options.end());
        pid_ = fork();
        if (pid_ == 0) {
            std::vector<char*> argv;
            for (std::string& w : words)
                argv.push_back(w.data());
            argv.push_back(nullptr);
            execv(kServerPython, argv.data());
            _exit(127);
        }
        if (pid_ < 0)
            return false;
        // A loaded machine can take many seconds to start Python: wait up to
        // a minute, returning as soon as the server has written its port.
        for (int i = 0; i < 2400; ++i) {
            std::ifstream in(portFile);
            if (in >> port_ && port_ > 0)
                return true;
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        return false;
    }

    void Stop()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

    int Port() const { return port_; }
    std::string Url(const std::string& scheme, const std::string& host, const std::string& path) const
    {
        return scheme + "://" + host + ":" + std::to_string(port_) + path;
    }

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

// A CA that only this test trusts (through SSL_CERT_FILE) and its certificates.
class TestCertificates
{
public:
    explicit TestCertificates(const std::string& folder) : folder_(folder)
    {
        made_ = RunCommand("sh " + Quote(SourceDir() + "/tests/online/make_test_certs.sh") + " " +
                           Quote(folder)) == 0;
        if (made_) {
            setenv("SSL_CERT_FILE", (folder + "/ca.pem").c_str(), 1);
            setenv("SSL_CERT_DIR", (folder + "/no-such-folder").c_str(), 1);
        }
    }
    bool Made() const { return made_; }
    std::vector<std::string> ServerOptions(const std::string& name) const
    {
        return {"--tls", folder_ + "/" + name + ".pem", folder_ + "/" + name + ".key"};
    }

private:
    std::string folder_;
    bool made_ = false;
};

// A context whose stop request comes after the given time.
class StopAfterContext : public LLocalProcessContext
{
public:
    explicit StopAfterContext(uint32_t ms)
        : stopAt_(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms))
    {
    }
    bool IsStopRequested() override
    {
        stopChecks.fetch_add(1);
        return std::chrono::steady_clock::now() >= stopAt_;
    }
    int WaitForStopOrPollSet(LPollSet* set, uint32_t ms) override
    {
        if (IsStopRequested())
            return LWaitStopRequested;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(stopAt_ - std::chrono::steady_clock::now())
                .count();
        const uint32_t wait =
            left < static_cast<long long>(ms) ? static_cast<uint32_t>(left < 1 ? 1 : left) : ms;
        const int result = LLocalProcessContext::WaitForStopOrPollSet(set, wait);
        if (result == LWaitTimedOut && IsStopRequested())
            return LWaitStopRequested;
        return result;
    }
    std::atomic<int> stopChecks{0};

private:
    std::chrono::steady_clock::time_point stopAt_;
};

// A context that records the progress it is told.
class RecordingContext : public LLocalProcessContext
{
public:
    void Progress(double fraction) override { progress.push_back(fraction); }
    void MessageLevel(const char* text, int level) override
    {
        lines.push_back(std::to_string(level) + ":" + (text != nullptr ? text : ""));
    }
    std::vector<double> progress;
    std::vector<std::string> lines;
};

inline bool FileExists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

inline std::string ReadWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The body test_server.py sends for a length.
inline std::string ServerBody(size_t n)
{
    std::string body(n, '\0');
    for (size_t i = 0; i < n; ++i)
        body[i] = static_cast<char>((i * 7 + 3) % 251);
    return body;
}

} // namespace quorin::test
