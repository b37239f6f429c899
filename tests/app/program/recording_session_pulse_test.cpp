// The recording session on a real sound server: the private PulseAudio of
// tools/with-pulse.sh, with a pipe source that plays a WAV of three tones
// separated by quiet gaps. With auto-split on and recording only when audio
// starts, the session queues three tracks and the worker writes them; the
// input is monitored through the player meanwhile.

#include "RecordingSessionTestSupport.h"
#include "support/TestData.h"

#include "audio/formats/wav/LWavFileOpener.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

using namespace quorin::test;

namespace {

#define QUORIN_REQUIRE_PULSE()                                                                               \
    if (const char* flag = std::getenv("QUORIN_TEST_PULSE"); flag == nullptr || std::string(flag) != "1")    \
    GTEST_SKIP() << "no private PulseAudio server (run through tools/with-pulse.sh, as make test does)"

std::string Trim(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

class SessionPulseTest : public SessionTest
{
protected:
    void SetUp() override
    {
        // The real server, not the fake device.
        SessionTest::SetUp();
        LSetSoundDeviceBackend(nullptr);
    }
    void TearDown() override
    {
        SessionTest::TearDown();
        if (!module_.empty())
            RunCommand("timeout 20 pactl unload-module " + module_ + " >/dev/null 2>&1");
    }

    std::string module_;
};

int64_t WavFrames(const std::string& path)
{
    LSoundSourcePtr source;
    LOpenWavSoundSource(source, path.c_str());
    return source->GetStatus() == kSoundStatusOk ? source->GetLength() : -1;
}

TEST_F(SessionPulseTest, ThreeTonesWithGapsBecomeThreeQueuedTracks)
{
    QUORIN_REQUIRE_PULSE();
    QUORIN_REQUIRE_TOOL("sox");
    TempDir dir;
    const std::string tone = dir.Path("tone.wav"), gap = dir.Path("gap.wav"), feed = dir.Path("feed.raw");
    ASSERT_EQ(RunCommand("sox -n -r 44100 -c 2 -b 16 " + Quote(tone) + " synth 8 sine 440 gain -6"), 0);
    ASSERT_EQ(RunCommand("sox -n -r 44100 -c 2 -b 16 " + Quote(gap) + " synth 3 sine 440 gain -60"), 0);
    ASSERT_EQ(RunCommand("sox " + Quote(tone) + " " + Quote(gap) + " " + Quote(tone) + " " + Quote(gap) +
                         " " + Quote(tone) + " " + Quote(gap) + " -t raw -e signed -b 16 " + Quote(feed)),
              0);

    const std::string name = "quorin_session_" + std::to_string(getpid());
    const std::string fifo = dir.Path(name + ".fifo");
    int status = -1;
    module_ = Trim(CaptureCommand(
        "timeout 20 pactl load-module module-pipe-source source_name=" + name + " file=" + fifo +
            " format=s16le rate=44100 channels=2 source_properties=device.description=" + name +
            " 2>/dev/null",
        &status));
    ASSERT_EQ(status, 0) << "the pipe source could not be loaded";
    const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0);

    LSettingsSetString("Settings", "SoundInDevice", name.c_str());
    LSettingsSetString("Settings", "RecordAudioOnly", "1");
    LSettingsSetString("Settings", "AutoSplitTracks", "1");
    LSettingsSetString("Settings", "PlaybackAudioWhileRecording",
                       "1"); // heard on the server's null sink // heard on the server's null sink
    LSettingsSetString("Settings", "dBNoiseFloor", "-40");
    Open();
    Command(kSessionRecord);
    ASSERT_TRUE(session_->IsBusy());

    // The WAV goes into the FIFO in real time on a thread of its own, so the
    // window keeps getting its reports as they come.
    std::vector<char> bytes;
    {
        FILE* file = std::fopen(feed.c_str(), "rb");
        ASSERT_NE(file, nullptr);
        char chunk[65536];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
            bytes.insert(bytes.end(), chunk, chunk + n);
        std::fclose(file);
    }
    std::atomic<bool> written{false};
    std::atomic<bool> failed{false};
    std::thread writer([&] {
        const size_t chunk = 441 * 4; // ten milliseconds
        const auto start = std::chrono::steady_clock::now();
        for (size_t done = 0; done < bytes.size() && !failed; done += chunk) {
            size_t left = std::min(chunk, bytes.size() - done);
            const char* p = bytes.data() + done;
            while (left > 0) {
                const ssize_t w = write(fd, p, left);
                if (w > 0) {
                    p += w;
                    left -= static_cast<size_t>(w);
                } else if (w < 0 && errno != EAGAIN && errno != EINTR) {
                    failed = true;
                    break;
                } else {
                    pollfd writable{fd, POLLOUT, 0};
                    if (poll(&writable, 1, 10000) <= 0) {
                        failed = true;
                        break;
                    }
                }
            }
            std::this_thread::sleep_until(start +
                                          std::chrono::microseconds((done + chunk) / 4 * 1000000 / 44100));
        }
        written = true;
    });
    bool monitored = false;
    const bool fed = PumpUntil(
        [&] {
            monitored = monitored || session_->IsMonitoring();
            return written.load();
        },
        60000);
    writer.join();
    close(fd);
    ASSERT_TRUE(fed);
    ASSERT_FALSE(failed) << "the pipe source stopped taking its input";
    EXPECT_TRUE(monitored) << "the input was never played back";
    // The last gap ends the third track; the session then waits for sound.
    EXPECT_TRUE(PumpUntil([&] { return queued_->load() == 3; }, 5000))
        << queued_->load() << " tracks queued; input frames " << session_->InputFrames() << ", state "
        << session_->Recorder().GetState() << ", \"" << Text(kSessionStateText) << "\"";
    Command(kSessionStop);
    PumpFor(200);
    EXPECT_EQ(queued_->load(), 3);
    EXPECT_GE(main_->Count(kSessionMessageTrackDone, 1), 3);

    // Each track: the tone, the lead-in before it and the two seconds of
    // quiet that ended it.
    for (int i = 1; i <= 3; ++i) {
        const std::string out = home_.Path("Music/Quorin/Untitled 0" + std::to_string(i) + ".wav");
        ASSERT_TRUE(PumpUntil([&] { return WavFrames(out) > 0; }, 30000)) << out;
        EXPECT_NEAR(WavFrames(out) / 44100.0, 8.0 + 2.0, 0.5) << out;
    }
}

} // namespace
