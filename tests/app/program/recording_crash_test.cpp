// A session killed in the middle of a recording: the temporary file keeps
// what was captured with a header that other tools read, the next start of a
// session leaves it alone (nothing recorded is deleted without the user's
// word), and the next start of the program converts it into the output
// folder and says so.

#include "RecordingSessionTestSupport.h"
#include "support/KilledChild.h"
#include "support/TestData.h"

#include "app/program/MainDialog.h"
#include "app/program/recording/SessionTakes.h"
#include "audio/formats/wav/LWavFileOpener.h"

#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorin::test;

using quorin::test::KilledChild;

namespace {

// The child: records a tone in real time and tells the parent its file.
[[noreturn]] void RecordUntilKilled(int out)
{
    GuiApp();
    FakeDevices fake;
    fake.backend.AddInput(MakeDevice("line", "Line In", 2, "pci"));
    fake.backend.SetDefaultInput("line");
    fake.backend.SetPacing(LFakeSoundBackend::Pacing::kClock, 441, 1.0);
    fake.backend.SetInputFeed("line", ToDevice(ToneAtLevel(60, -12)));
    LSettingsSetString("Recording", "Volume", "0");
    LSettingsSetString("Settings", "PlaybackAudioWhileRecording", "0");
    LSettingsSetString("Settings", "RecordAudioOnly", "0");
    LSettingsSetString("Settings", "AutoSplitTracks", "0");
    RecordingSessionDialog session(nullptr);
    session.CreateFromTemplate(RecordingSessionDialog::Template());
    session.ShowModeless(nullptr, LPlacementNone);
    LSendCommandToWindow(kSessionRecord, &session);
    const std::string line = std::string(session.TempPath()) + "\n";
    if (write(out, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
        _exit(3);
    // Recording goes on until the parent kills this process (or a minute passed).
    PumpFor(60000);
    _exit(4);
}

class RecordingCrash : public TempHomeTest
{
protected:
    // Starts a child that records and returns the path of its take once it
    // holds at least `seconds` of audio; the child is then killed with -9.
    std::string RecordThenKill(double seconds)
    {
        KilledChild child([](int fd) { RecordUntilKilled(fd); });
        EXPECT_TRUE(child.Started());
        const std::string path = child.FirstLine();
        EXPECT_TRUE(child.KillWhenFileHolds(path, 46 + static_cast<int64_t>(seconds * 176400), 30));
        return path;
    }
};

// The main window of a new start, telling into a list instead of boxes.
class StartedWindow : public MainDialog
{
public:
    explicit StartedWindow(ProcessQueueWorker& worker) : MainDialog(worker) {}
    ~StartedWindow() override
    {
        if (IsWindow() && !IsClosed())
            QueryQuit();
    }
    void OpenRecordingWizard() override {}
    int Ask(const char*, const char*, const char*, const char*) override { return 1; }
    void Tell(const char* text, const char*, int) override { told.push_back(text); }
    std::vector<std::string> told;
};

TEST_F(RecordingCrash, AKilledSessionLeavesAReadableFileThatTheNextStartKeeps)
{
    QUORIN_REQUIRE_TOOL("sox");
    KilledChild child([](int fd) { RecordUntilKilled(fd); });
    ASSERT_TRUE(child.Started());
    const std::string path = child.FirstLine();
    ASSERT_FALSE(path.empty()) << "the child did not start recording";

    // Two seconds of audio in the file, then the program dies.
    const int64_t wanted = 44 + 2 * 176400;
    ASSERT_TRUE(child.KillWhenFileHolds(path, wanted));
    ASSERT_GE(KilledChild::FileSize(path), wanted);

    // Other tools read what was captured.
    int soxStatus = -1;
    const std::string seconds = CaptureCommand(
        "sox " + Quote(path) + " -n stat 2>&1 | sed -n 's/^Length (seconds): *//p'", &soxStatus);
    EXPECT_EQ(soxStatus, 0);
    EXPECT_GE(std::atof(seconds.c_str()), 1.9) << "sox read " << seconds;
    LSoundSourcePtr source;
    LOpenWavSoundSource(source, path.c_str());
    ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
    EXPECT_GE(source->GetLength(), 2 * 44100 - 4410);

    // A new session records and discards a track of its own; the file of
    // the killed one stays as it was.
    const int64_t size = KilledChild::FileSize(path);
    GuiApp();
    {
        FakeDevices fake;
        fake.backend.AddInput(MakeDevice("line", "Line In", 2, "pci"));
        fake.backend.SetDefaultInput("line");
        fake.backend.SetPacing(LFakeSoundBackend::Pacing::kClock, 441, 4.0);
        fake.backend.SetInputFeed("line", ToDevice(ToneAtLevel(30, -12)));
        RecordingSessionDialog session(nullptr);
        ASSERT_TRUE(session.CreateFromTemplate(RecordingSessionDialog::Template()));
        session.ShowModeless(nullptr, LPlacementNone);
        LSendCommandToWindow(kSessionRecord, &session);
        EXPECT_NE(std::string(session.TempPath()), path);
        EXPECT_TRUE(PumpUntil([&] { return session.IsVerified(); }, 10000));
        LSendCommandToWindow(kSessionDiscard, &session);
        session.DestroyWindow();
    }
    EXPECT_EQ(KilledChild::FileSize(path), size);
}

} // namespace

namespace {

TEST_F(RecordingCrash, TheNextStartConvertsAKilledSessionsTakeIntoTheOutputFolder)
{
    QUORIN_REQUIRE_TOOL("sox");
    const std::string take = RecordThenKill(3.0);
    ASSERT_FALSE(take.empty()) << "the child did not start recording";
    ASSERT_GE(KilledChild::FileSize(take), 46 + 3 * 176400);

    GuiApp();
    TempDir out, elsewhere;
    LSettingsSetString("Settings", "AppOutputFolder", out.Path().c_str());
    ProcessQueueWorker worker(elsewhere.Path("grprocesses.list").c_str());
    {
        StartedWindow window(worker);
        ASSERT_TRUE(window.CreateMainWindow());
        window.InitMainWindow();
        ASSERT_TRUE(PumpUntil([&] { return window.RowCount() == 1 && !window.IsTimerSet(4); }, 30000));
        EXPECT_EQ(window.RowPath(0), out.Path("Untitled 01.wav"));
        ASSERT_EQ(window.told.size(), 1u);
        EXPECT_NE(window.told[0].find("has been recovered"), std::string::npos) << window.told[0];
    }
    // Converted whole, with the audio the take held; the take is gone.
    const std::string seconds = CaptureCommand("sox " + Quote(out.Path("Untitled 01.wav")) +
                                               " -n stat 2>&1 | sed -n 's/^Length (seconds): *//p'");
    EXPECT_GE(std::atof(seconds.c_str()), 2.9) << seconds;
    const std::string rms = CaptureCommand("sox " + Quote(out.Path("Untitled 01.wav")) +
                                           " -n stat 2>&1 | sed -n 's/^RMS     amplitude: *//p'");
    EXPECT_GT(std::atof(rms.c_str()), 0.01) << rms;
    EXPECT_EQ(KilledChild::FileSize(take), -1);

    // A second start finds nothing more to tell.
    {
        StartedWindow window(worker);
        ASSERT_TRUE(window.CreateMainWindow());
        window.InitMainWindow();
        ASSERT_TRUE(PumpUntil([&] { return !window.IsTimerSet(4) && !window.IsLoadingSavedFiles(); }, 10000));
        EXPECT_TRUE(window.told.empty()) << window.told[0];
        EXPECT_EQ(window.RowCount(), 1);
    }
}

} // namespace
