// One running copy per user: where the socket may live, starts at the same
// moment, a socket left by a killed run, and the files a normal end removes.

#include "ProgramProcess.h"

#include "gui/framework/LSingleInstance.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

using namespace quorin::test;
namespace fs = std::filesystem;

namespace {

constexpr uid_t kOtherUser = 65534; // nobody

class Receiver : public LSingleInstance::Handler
{
public:
    void OnOpenDocuments(const std::vector<std::string>& paths) override
    {
        opened.insert(opened.end(), paths.begin(), paths.end());
    }
    void OnReopen() override { ++reopens; }

    std::vector<std::string> opened;
    int reopens = 0;
};

// Names of the program's files in a folder.
std::vector<std::string> OurFiles(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (entry.path().filename().string().rfind("quorin", 0) == 0)
            names.push_back(entry.path().filename().string());
    return names;
}

// Whether a program listens on the socket (a connection is taken).
bool Listening(const std::string& path)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    const bool taken = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return taken;
}

class SingleInstance : public TempHomeTest
{
protected:
    void SetUp() override
    {
        GuiApp();
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        tmp_ = home_.Path("tmp");
        fs::create_directories(tmp_);
        setenv("TMPDIR", tmp_.c_str(), 1);
        fallback_ = tmp_ + "/quorin-runtime-" + std::to_string(getuid());
        runtime_ = home_.Path(".run");
    }
    void TearDown() override { unsetenv("TMPDIR"); }

    bool CanChown() const { return geteuid() == 0; }

    std::string tmp_;
    std::string fallback_;
    std::string runtime_;
};

TEST_F(SingleInstance, OnlyAPrivateFolderOfTheUserHoldsTheSocket)
{
    struct Case
    {
        const char* name;
        bool needsRoot;
        // Makes the folder the case is about; $XDG_RUNTIME_DIR, or none to unset it.
        std::function<std::optional<std::string>(const std::string& base)> make;
        // The folder that is not to be used, to check nothing is made in it.
        bool usesRuntime;
    };
    auto folder = [](const std::string& path, mode_t mode, uid_t owner) {
        fs::create_directories(path);
        chmod(path.c_str(), mode);
        if (owner != getuid() && chown(path.c_str(), owner, owner) != 0)
            ADD_FAILURE() << "chown " << path;
        return path;
    };
    auto link = [](const std::string& target, const std::string& path) {
        fs::create_directory_symlink(target, path);
        return path;
    };
    const Case cases[] = {
        {"the session's folder", false, [&](const std::string&) { return runtime_; }, true},
        {"the session's folder with a slash", false, [&](const std::string&) { return runtime_ + "/"; },
         true},
        {"unset", false, [](const std::string&) { return std::nullopt; }, false},
        {"empty", false, [](const std::string&) { return std::string(); }, false},
        {"relative", false, [](const std::string&) { return std::string("run"); }, false},
        {"missing", false, [](const std::string& base) { return base + "/missing"; }, false},
        {"a file", false,
         [](const std::string& base) {
             fs::create_directories(base);
             const std::string path = base + "/file";
             FILE* file = fopen(path.c_str(), "w");
             fclose(file);
             return path;
         },
         false},
        {"open to the group", false,
         [&](const std::string& base) { return folder(base + "/r", 0750, getuid()); }, false},
        {"open to all", false, [&](const std::string& base) { return folder(base + "/r", 0777, getuid()); },
         false},
        {"unwritable", false, [&](const std::string& base) { return folder(base + "/r", 0500, getuid()); },
         false},
        {"a link to a private folder of the user", false,
         [&](const std::string& base) { return link(folder(base + "/r", 0700, getuid()), base + "/link"); },
         false},
        {"another user's folder", true,
         [&](const std::string& base) { return folder(base + "/r", 0700, kOtherUser); }, false},
        {"a link to another user's private folder", true,
         [&](const std::string& base) { return link(folder(base + "/r", 0700, kOtherUser), base + "/link"); },
         false},
        {"a link to another user's folder open to all", true,
         [&](const std::string& base) { return link(folder(base + "/r", 0777, kOtherUser), base + "/link"); },
         false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsRoot && !CanChown()) {
            std::printf("skipped case '%s': making another user's folder needs root\n", c.name);
            continue;
        }
        fs::remove_all(fallback_);
        const std::string base = home_.Path("case" + std::to_string(++n));
        const std::optional<std::string> value = c.make(base);
        if (value)
            setenv("XDG_RUNTIME_DIR", value->c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
        const std::string expected = c.usesRuntime ? runtime_ : fallback_;
        EXPECT_EQ(LSingleInstance::RuntimeFolder(), expected);
        {
            Receiver receiver;
            LSingleInstance first("quorin");
            ASSERT_EQ(first.Claim({}, &receiver), LSingleInstance::kFirst);
            EXPECT_EQ(first.SocketPath(), expected + "/quorin.socket");
            // A second start finds the first and hands over: it never runs alone.
            EXPECT_EQ(WaitForEnd(StartProgram({"x.wav"}, home_.Root()), 60000), 0);
            EXPECT_EQ(receiver.reopens, 1);
            EXPECT_EQ(receiver.opened, std::vector<std::string>{home_.Path("x.wav")});
            if (fs::is_directory(base)) {
                for (const auto& entry : fs::recursive_directory_iterator(base))
                    EXPECT_NE(entry.path().filename().string().rfind("quorin", 0), 0u) << entry.path();
            }
        }
        // A normal end takes the socket and its lock file away.
        EXPECT_EQ(OurFiles(expected), std::vector<std::string>{});
        fs::remove_all(base);
    }
    setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
}

TEST_F(SingleInstance, AFallbackThatIsNotPrivateIsNotUsed)
{
    unsetenv("XDG_RUNTIME_DIR");
    const struct
    {
        const char* name;
        std::function<void()> make;
    } cases[] = {
        {"open to all", [&] { fs::create_directory(fallback_), chmod(fallback_.c_str(), 0777); }},
        {"a link", [&] { fs::create_directory_symlink(runtime_, fallback_); }},
        {"a file", [&] { fclose(fopen(fallback_.c_str(), "w")); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(fallback_);
        c.make();
        EXPECT_EQ(LSingleInstance::RuntimeFolder(), "");
        LSingleInstance alone("quorin");
        Receiver receiver;
        EXPECT_EQ(alone.Claim({}, &receiver), LSingleInstance::kNotAvailable);
        EXPECT_EQ(OurFiles(runtime_), std::vector<std::string>{});
    }
    // A folder made afresh gets mode 0700 whatever the umask.
    fs::remove_all(fallback_);
    const mode_t old = umask(0);
    EXPECT_EQ(LSingleInstance::RuntimeFolder(), fallback_);
    umask(old);
    struct stat info
    {
    };
    ASSERT_EQ(lstat(fallback_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
}

TEST_F(SingleInstance, OfFiveStartsAtOnceOneRunsAndTheOthersHandOver)
{
    std::vector<pid_t> pids;
    for (int i = 0; i < 5; ++i)
        pids.push_back(StartProgram({}));
    std::vector<pid_t> running = pids;
    int ended = 0;
    PumpUntil(
        [&] {
            for (auto it = running.begin(); it != running.end();) {
                int status = 0;
                if (waitpid(*it, &status, WNOHANG) == *it) {
                    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
                    ++ended;
                    it = running.erase(it);
                } else
                    ++it;
            }
            return ended >= 4;
        },
        90000);
    ASSERT_EQ(running.size(), 1u) << "copies running side by side";
    // The one left is the first: it still runs and answers a later start.
    EXPECT_EQ(WaitForEnd(running[0], 500), kStillRunning);
    EXPECT_EQ(WaitForEnd(StartProgram({}), 60000), 0);
    kill(running[0], SIGTERM);
    EXPECT_EQ(WaitForEnd(running[0], 30000), 0);
    KillAndReap(running[0]);
    EXPECT_EQ(OurFiles(runtime_), std::vector<std::string>{});
}

TEST_F(SingleInstance, ASocketLeftByAKilledRunIsTakenOver)
{
    const std::string socket = runtime_ + "/quorin.socket";
    const pid_t killed = StartProgram({});
    ASSERT_TRUE(PumpUntil([&] { return fs::exists(socket); }, 60000));
    kill(killed, SIGKILL);
    waitpid(killed, nullptr, 0);
    ASSERT_TRUE(fs::exists(socket)) << "the killed run's socket stays behind";

    const pid_t next = StartProgram({});
    // It takes the socket over: a later start hands over to it and ends.
    ASSERT_TRUE(PumpUntil([&] { return Listening(socket); }, 60000));
    EXPECT_EQ(WaitForEnd(StartProgram({}), 60000), 0);
    EXPECT_EQ(WaitForEnd(next, 200), kStillRunning);
    kill(next, SIGTERM);
    EXPECT_EQ(WaitForEnd(next, 30000), 0);
    KillAndReap(next);
    EXPECT_EQ(OurFiles(runtime_), std::vector<std::string>{});
}

} // namespace
