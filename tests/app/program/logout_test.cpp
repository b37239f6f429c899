// A log-out (SIGTERM) ends the real program promptly whatever it is doing:
// idle, asking about an abnormal end, telling of a damaged file named on the
// command line, or starting with a damaged settings file. Questions close
// with their safe answer, and nothing but the user's data is left behind.

#include "ProgramProcess.h"

#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <vector>

using namespace quorin::test;
namespace fs = std::filesystem;

namespace {

// The bound a desktop session gives a program to end at log-out.
constexpr uint32_t kLogOutMs = 5000;

std::vector<std::string> FilesUnder(const std::string& folder)
{
    std::vector<std::string> files;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error))
        if (!it->is_directory())
            files.push_back(fs::relative(it->path(), folder).string());
    return files;
}

class LogOut : public TempHomeTest
{
protected:
    void SetUp() override
    {
        GuiApp();
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        // A browser opened for a report would show up here.
        const std::string bin = home_.Path("bin");
        fs::create_directories(bin);
        opened_ = home_.Path("opened-urls");
        std::ofstream(bin + "/xdg-open") << "#!/bin/sh\necho \"$@\" >> '" << opened_ << "'\n";
        fs::permissions(bin + "/xdg-open", fs::perms::owner_all);
        oldPath_ = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
        setenv("PATH", (bin + ":" + oldPath_).c_str(), 1);
    }
    void TearDown() override { setenv("PATH", oldPath_.c_str(), 1); }

    std::string CrashMarker() const
    {
        const char* login = std::getenv("LOGNAME") ? std::getenv("LOGNAME") : std::getenv("USER");
        return home_.Path(std::string(".cache/Quorin/_quorin_rl_") + (login ? login : ""));
    }
    bool Listening() const { return fs::exists(home_.Path(".run/quorin.socket")); }

    // Starts the program, waits for `ready`, gives it a moment in that state,
    // sends SIGTERM and expects it gone within the bound with status 0.
    // `alsoInConfig` are the files besides the preferences that may be in the
    // config folder afterwards.
    void StartAndLogOut(const std::vector<std::string>& arguments, const std::function<bool()>& ready,
                        const std::vector<std::string>& alsoInConfig = {}, uint32_t settleMs = 1000)
    {
        const pid_t pid = StartProgram(arguments, home_.Root());
        ASSERT_TRUE(PumpUntil(ready, 60000)) << "the program never got there";
        PumpFor(settleMs);
        ASSERT_EQ(WaitForEnd(pid, 0), kStillRunning) << "it ended by itself";
        kill(pid, SIGTERM);
        const int status = WaitForEnd(pid, kLogOutMs);
        KillAndReap(pid);
        EXPECT_EQ(status, 0) << "not ended within the bound after SIGTERM";
        EXPECT_EQ(FilesUnder(home_.Path(".run")), std::vector<std::string>{});
        EXPECT_FALSE(fs::exists(CrashMarker())) << "the next start would report an abnormal end";
        for (const std::string& file : FilesUnder(home_.Path(".config")))
            EXPECT_TRUE(file == "com.oxbelsoftware.quorin.conf" ||
                        std::find(alsoInConfig.begin(), alsoInConfig.end(), file) != alsoInConfig.end())
                << file << " left in the config folder";
        // The cache keeps the queue's lock files and counters; nothing half-written.
        for (const std::string& file : FilesUnder(home_.Path(".cache")))
            EXPECT_TRUE(file.size() < 4 || (file.compare(file.size() - 4, 4, ".tmp") != 0 &&
                                            file.compare(file.size() - 4, 4, ".new") != 0))
                << file << " left in the cache folder";
        EXPECT_FALSE(fs::exists(opened_)) << "a report was opened";
    }

    std::string opened_;
    std::string oldPath_;
};

TEST_F(LogOut, AnIdleMainWindowEnds)
{
    StartAndLogOut({}, [&] { return Listening() && fs::exists(CrashMarker()); });
    // A log-out is a normal end: the next start asks nothing.
    EXPECT_FALSE(fs::exists(CrashMarker()));
}

// The signal can come before the window's start timers have run: the
// recording wizard an empty list opens then must not be shown and waited on.
TEST_F(LogOut, ASignalDuringTheStartEndsItBeforeTheWizardOpens)
{
    for (const uint32_t settleMs : {0u, 20u, 60u, 150u, 400u}) {
        SCOPED_TRACE("signal " + std::to_string(settleMs) + " ms after the socket listens");
        StartAndLogOut({}, [&] { return Listening(); }, {}, settleMs);
        if (HasFatalFailure())
            return;
    }
}

TEST_F(LogOut, TheAbnormalEndQuestionClosesWithItsSafeAnswer)
{
    const pid_t killed = StartProgram({}, home_.Root());
    ASSERT_TRUE(PumpUntil([&] { return Listening() && fs::exists(CrashMarker()); }, 60000));
    kill(killed, SIGKILL);
    waitpid(killed, nullptr, 0);
    ASSERT_TRUE(fs::exists(CrashMarker()));
    // The next start takes the marker away and asks; nobody answers.
    StartAndLogOut({}, [&] { return !fs::exists(CrashMarker()); });
}

TEST_F(LogOut, ADamagedFileNamedOnTheCommandLineIsNotOpened)
{
    std::ofstream(home_.Path("notes.wav")) << "this is a text file, not a recording\n";
    StartAndLogOut({"notes.wav"}, [&] { return Listening(); });
}

TEST_F(LogOut, AHugeSettingsFileIsSetAsideAndTheStartEndsPromptly)
{
    const std::string settings = home_.Path(".config/com.oxbelsoftware.quorin.conf");
    fs::create_directories(home_.Path(".config"));
    {
        std::ofstream out(settings);
        const std::string line = "Padding/Value=" + std::string(1000, 'x') + "\n";
        for (int i = 0; i < 50 * 1024; ++i)
            out << line;
    }
    const auto size = fs::file_size(settings);
    StartAndLogOut({}, [&] { return Listening(); }, {"com.oxbelsoftware.quorin.conf.damaged"});
    // The user's bytes are kept whole under the new name.
    EXPECT_EQ(fs::file_size(settings + ".damaged"), size);
}

} // namespace
