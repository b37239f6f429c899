// The recorder, the player and the qd-audio device commands through a real
// PulseAudio server: the private one that tools/with-pulse.sh starts for the
// test run (PULSE_SERVER, QUORIN_TEST_PULSE=1). Each test makes its own pipe
// source or null sink under a unique name and removes it afterwards; what a
// killed test process left behind is removed before the next test starts.
// No wait is unbounded: a server that stops taking or giving sound fails the
// test with a message instead of hanging the run.

#include "DeviceTestSupport.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include "audio/devices/LSoundInputDevices.h"
#include "audio/devices/LSoundOutputDevices.h"
#include "audio/devices/LSoundPlayer.h"
#include "audio/devices/LSoundRecorder.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "audio/formats/wav/LWaveFormatBlock.h"
#include "foundation/settings/LSettings.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <regex>
#include <sstream>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorin::test;

namespace {

constexpr int64_t kBlock = 4410;
constexpr int64_t kNoSilenceCut = INT64_MAX / 4;
// However loaded the machine, the server takes or gives sound within this.
constexpr int kStallMs = 10000;

#define QUORIN_REQUIRE_PULSE()                                                                               \
    if (const char* flag = std::getenv("QUORIN_TEST_PULSE"); flag == nullptr || std::string(flag) != "1")    \
    GTEST_SKIP() << "no private PulseAudio server (run through tools/with-pulse.sh, as make test does)"

std::string UniqueName(const char* what)
{
    static std::atomic<int> counter{0};
    return std::string("quorin_") + what + "_" + std::to_string(getpid()) + "_" + std::to_string(counter++);
}

std::string Trim(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

// pactl with a time limit, so that a stuck server fails a test instead of hanging it.
std::string Pactl(const std::string& arguments, int* status = nullptr)
{
    return CaptureCommand("timeout 20 pactl " + arguments + " 2>/dev/null", status);
}

// Unloads the devices of test processes that no longer run (killed by a
// time-out, say): they would stay in the server for the rest of the run.
void UnloadModulesOfDeadTests()
{
    std::istringstream modules(Pactl("list short modules"));
    static const std::regex kOurs("(source|sink)_name=quorin_[a-z]+_([0-9]+)_[0-9]+");
    std::string line;
    while (std::getline(modules, line)) {
        std::smatch match;
        if (!std::regex_search(line, match, kOurs))
            continue;
        const pid_t owner = static_cast<pid_t>(std::stol(match[2].str()));
        if (owner == getpid() || kill(owner, 0) == 0 || errno != ESRCH)
            continue;
        const std::string index = line.substr(0, line.find('\t'));
        Pactl("unload-module " + index + " >/dev/null");
    }
}

// A module loaded for the life of the object.
class PulseModule
{
public:
    explicit PulseModule(const std::string& arguments)
    {
        int status = -1;
        index_ = Trim(Pactl("load-module " + arguments, &status));
        if (status != 0)
            index_.clear();
    }
    ~PulseModule() { Unload(); }
    void Unload()
    {
        if (!index_.empty())
            Pactl("unload-module " + index_ + " >/dev/null");
        index_.clear();
    }
    bool Loaded() const { return !index_.empty(); }

private:
    std::string index_;
};

// An input fed from a FIFO: what is written to it is what the source delivers.
class PipeSource
{
public:
    explicit PipeSource(const TempDir& dir) : name(UniqueName("pipe")), fifo(dir.Path(name + ".fifo"))
    {
        // The module makes the FIFO itself (and refuses one that exists).
        module = std::make_unique<PulseModule>(
            "module-pipe-source source_name=" + name + " file=" + fifo +
            " format=s16le rate=44100 channels=2 source_properties=device.description=" + name);
        // Non-blocking, so that a source that stops reading fails a write
        // after a while instead of holding the test for ever.
        fd_ = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    }
    ~PipeSource()
    {
        if (fd_ >= 0)
            close(fd_);
        module.reset();
    }
    bool Ready() const { return module->Loaded() && fd_ >= 0; }
    // The device index the recorder uses for it.
    int32_t Index() const
    {
        int32_t index = -1;
        LSoundInputFindDevice(name.c_str(), &index, nullptr);
        return index;
    }
    // Writes internal samples as 16-bit PCM; with pace, in real time. The
    // source reads its FIFO only while a recording stream runs on it: false
    // when it takes nothing for kStallMs (the pipe is then out of step).
    bool Write(const std::vector<int32_t>& internal, bool pace = false)
    {
        std::vector<int16_t> pcm(internal.size());
        for (size_t i = 0; i < internal.size(); ++i)
            pcm[i] = static_cast<int16_t>(internal[i] >> 4);
        const size_t chunk = pace ? 441 * 2 : pcm.size();
        const auto start = std::chrono::steady_clock::now();
        for (size_t done = 0; done < pcm.size(); done += chunk) {
            const size_t n = std::min(chunk, pcm.size() - done);
            const char* bytes = reinterpret_cast<const char*>(pcm.data() + done);
            size_t left = n * 2;
            while (left > 0) {
                const ssize_t w = write(fd_, bytes, left);
                if (w > 0) {
                    bytes += w;
                    left -= static_cast<size_t>(w);
                    continue;
                }
                if (w < 0 && errno == EINTR)
                    continue;
                if (w < 0 && errno != EAGAIN)
                    return false;
                pollfd writable{fd_, POLLOUT, 0};
                if (poll(&writable, 1, kStallMs) <= 0)
                    return false;
            }
            if (pace)
                std::this_thread::sleep_until(start +
                                              std::chrono::microseconds((done + n) / 2 * 1000000 / 44100));
        }
        return true;
    }

    std::string name;
    std::string fifo;
    std::unique_ptr<PulseModule> module;

private:
    int fd_ = -1;
};

// Internal samples of 16-bit values (exact through the server).
std::vector<int32_t> Tone16(int64_t frames, double amplitude)
{
    auto tone = Tone(frames, 2, amplitude);
    for (int32_t& s : tone)
        s = s / 16 * 16;
    return tone;
}

std::vector<int32_t> ReadWav(const std::string& path, int64_t* frames = nullptr)
{
    LSoundSourcePtr source;
    LOpenWavSoundSource(source, path.c_str());
    if (source->GetStatus() != kSoundStatusOk)
        return {};
    const int64_t n = source->GetLength();
    std::vector<int32_t> samples(static_cast<size_t>(n) * source->GetChannels());
    source->Read(samples.data(), n);
    if (frames != nullptr)
        *frames = n;
    return samples;
}

LSoundSinkPtr WavSink(const std::string& path)
{
    LWaveFormatBlock format;
    LSetWaveFormatBlock(format, 1, 44100, 2, 16);
    LSoundSinkPtr sink;
    CreateSoundSinkForFormat(sink, path.c_str(), format);
    return sink;
}

class Events : public LSoundRecorderListener, public LSoundPlayerListener
{
public:
    void OnStopped(void*) override { ++stopped; }
    void OnRecordingSound(void*) override { ++recording; }
    void OnLevels(const LSoundLevelRecord* record, void*) override
    {
        ++levels;
        lastLevels = *record;
    }
    void OnError(int32_t code, void*) override { error = code; }
    void OnDataLost(int64_t frames, void*) override { lost = frames; }
    void OnPlayStopped(void*) override { ++playStopped; }
    void OnPlayPosition(const int64_t* ms, void*) override { positions.push_back(*ms); }

    int stopped = 0;
    int recording = 0;
    int levels = 0;
    LSoundLevelRecord lastLevels;
    int32_t error = 0;
    int64_t lost = 0;
    int playStopped = 0;
    std::vector<int64_t> positions;
};

class PulseTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        if (const char* flag = std::getenv("QUORIN_TEST_PULSE"); flag != nullptr && std::string(flag) == "1")
            UnloadModulesOfDeadTests();
    }

    // Records from the pipe source until every frame written has reached the
    // recorder (or the recorder stopped by itself).
    std::vector<int32_t> Record(PipeSource& pipe, const std::vector<int32_t>& feed, int64_t maximumMs,
                                int32_t thresholdDb, int64_t silenceMs, uint8_t flags)
    {
        const std::string path = dir_.Path(UniqueName("rec") + ".wav");
        const int stoppedBefore = events_.stopped;
        LSoundRecorder recorder;
        recorder.SetListener(&events_, nullptr);
        recorder.SetSelection({pipe.Index(), 0, 1});
        EXPECT_GE(recorder.GetSelection().device, 0);
        if (!recorder.Start(WavSink(path), maximumMs, thresholdDb, silenceMs, flags)) {
            ADD_FAILURE() << "the recorder did not start on " << pipe.name;
            return {};
        }
        if (!pipe.Write(feed)) {
            ADD_FAILURE() << pipe.name << " took nothing from its FIFO for " << kStallMs
                          << " ms: no recording stream runs on it";
            recorder.Stop();
            return {};
        }
        const int64_t frames = static_cast<int64_t>(feed.size()) / 2;
        EXPECT_TRUE(WaitUntil(
            queue_,
            [&] {
                return events_.stopped > stoppedBefore || recorder.GetStream().GetFramesCaptured() >= frames;
            },
            kStallMs))
            << "of " << frames << " frames written, " << recorder.GetStream().GetFramesCaptured()
            << " reached the recorder";
        // Whole blocks are taken from the ring while recording; the part
        // block at the end is handed over by the stop.
        EXPECT_TRUE(WaitUntil(
            queue_,
            [&] {
                return events_.stopped > stoppedBefore ||
                       recorder.GetStream().GetFramesTaken() >= frames / kBlock * kBlock;
            },
            kStallMs));
        recorder.Stop();
        return ReadWav(path);
    }

    TempDir dir_;
    LPolledNotifyQueue queue_;
    Events events_;
};

TEST_F(PulseTest, AKnownWavThroughAPipeSourceIsRecordedSampleForSample)
{
    QUORIN_REQUIRE_PULSE();
    QUORIN_REQUIRE_TOOL("sox");
    const std::string known = dir_.Path("known.wav");
    ASSERT_EQ(RunCommand("sox -n -r 44100 -c 2 -b 16 '" + known + "' synth 2.05 sine 440 sine 660 vol 0.5"),
              0);
    int64_t frames = 0;
    const auto feed = ReadWav(known, &frames);
    ASSERT_EQ(frames, 90405);
    PipeSource pipe(dir_);
    ASSERT_TRUE(pipe.Ready());
    const auto got = Record(pipe, feed, 0, -30, kNoSilenceCut, kRecorderStartRecording);
    EXPECT_EQ(events_.lost, 0);
    ASSERT_EQ(got.size(), feed.size()); // the part block at the end is kept too
    EXPECT_EQ(got, feed);
}

TEST_F(PulseTest, WaitingForSoundSkipsLeadingSilence)
{
    QUORIN_REQUIRE_PULSE();
    PipeSource pipe(dir_);
    ASSERT_TRUE(pipe.Ready());
    const auto tone = Tone16(44100, 0.5);
    const auto got = Record(pipe, Concat(std::vector<int32_t>(44100 * 2, 0), tone), 0, -30, kNoSilenceCut, 0);
    // One second of silence before the tone: what is kept of it is at most half a block.
    ASSERT_GE(got.size(), tone.size());
    ASSERT_LE(got.size(), tone.size() + kBlock);
    const size_t lead = got.size() - tone.size();
    EXPECT_EQ(std::vector<int32_t>(got.begin() + lead, got.end()), tone);
    for (size_t i = 0; i < lead; ++i)
        ASSERT_EQ(got[i], 0);
}

TEST_F(PulseTest, SilenceCutMaximumLengthAndAutotrim)
{
    QUORIN_REQUIRE_PULSE();
    // A pipe of its own for each recording: one that ends at its maximum
    // length leaves the rest of its sound in the FIFO.
    PipeSource pipe(dir_);
    ASSERT_TRUE(pipe.Ready());
    const auto tone = Tone16(44100, 0.5);
    const std::vector<int32_t> silence(44100 * 2 * 2, 0);
    // A long silence stops the writing after 500 ms of it, until sound comes back.
    auto got = Record(pipe, Concat(Concat(tone, silence), tone), 0, -30, 500, kRecorderStartRecording);
    EXPECT_EQ(static_cast<int64_t>(got.size()) / 2, 44100 + 6 * kBlock + kBlock / 2 + 44100);
    // The maximum length ends the recording within one block of it.
    events_ = Events{};
    PipeSource cutPipe(dir_);
    ASSERT_TRUE(cutPipe.Ready());
    got = Record(cutPipe, Concat(tone, tone), 1000, -30, kNoSilenceCut, kRecorderStartRecording);
    EXPECT_EQ(events_.stopped, 1);
    EXPECT_GT(static_cast<int64_t>(got.size()) / 2, 44100);
    EXPECT_LE(static_cast<int64_t>(got.size()) / 2, 44100 + kBlock);
    // Autotrim keeps 450 ms after the last loud block.
    LSettingsSetString("Recorder", "Autotrim", "1");
    PipeSource trimPipe(dir_);
    ASSERT_TRUE(trimPipe.Ready());
    got = Record(trimPipe, Concat(tone, std::vector<int32_t>(44100 * 2, 0)), 0, -30, kNoSilenceCut,
                 kRecorderStartRecording);
    EXPECT_EQ(static_cast<int64_t>(got.size()) / 2, LSoundRecorder::MsToFrames(1450, 44100));
}

TEST_F(PulseTest, LevelsArriveFiveTimesASecond)
{
    QUORIN_REQUIRE_PULSE();
    PipeSource pipe(dir_);
    ASSERT_TRUE(pipe.Ready());
    LSoundRecorder recorder;
    recorder.SetListener(&events_, nullptr);
    recorder.SetSelection({pipe.Index(), 0, 1});
    ASSERT_TRUE(
        recorder.Start(WavSink(dir_.Path("levels.wav")), 0, -30, kNoSilenceCut, kRecorderStartRecording));
    // Two seconds in real time: twenty blocks of 100 ms, levels every other block.
    std::atomic<bool> written{false};
    std::thread writer([&] { written = pipe.Write(Tone16(2 * 44100, 0.25), true); });
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(2300))
        queue_.WaitAndDeliver(5);
    writer.join();
    recorder.Stop();
    EXPECT_TRUE(written) << pipe.name << " stopped taking sound from its FIFO";
    EXPECT_GE(events_.levels, 8);
    EXPECT_LE(events_.levels, 12);
    EXPECT_EQ(events_.lastLevels.count, 2);
    EXPECT_EQ(events_.lastLevels.levels[0], 0); // a quarter of full scale peaks at 131072, 0 dB
}

TEST_F(PulseTest, AnInputRemovedMidRecordingStopsWithAnErrorAndKeepsTheFile)
{
    QUORIN_REQUIRE_PULSE();
    PipeSource pipe(dir_);
    ASSERT_TRUE(pipe.Ready());
    const std::string path = dir_.Path("cut.wav");
    LSoundRecorder recorder;
    recorder.SetListener(&events_, nullptr);
    recorder.SetSelection({pipe.Index(), 0, 1});
    ASSERT_TRUE(recorder.Start(WavSink(path), 0, -30, kNoSilenceCut, kRecorderStartRecording));
    const auto tone = Tone16(10 * kBlock, 0.5);
    ASSERT_TRUE(pipe.Write(tone)) << pipe.name << " stopped taking sound from its FIFO";
    ASSERT_TRUE(WaitUntil(
        queue_, [&] { return recorder.GetStream().GetFramesTaken() >= 10 * kBlock; }, kStallMs));
    pipe.module->Unload();
    ASSERT_TRUE(WaitUntil(
        queue_, [&] { return events_.error != 0; }, kStallMs));
    EXPECT_EQ(events_.error, kSoundDeviceGone);
    EXPECT_EQ(recorder.GetState(), kRecorderStopped);
    EXPECT_EQ(ReadWav(path), tone);
}

// Plays into a null sink of its own while parecord records the sink's monitor.
class MonitoredSink
{
public:
    explicit MonitoredSink(const TempDir& dir)
        : name(UniqueName("sink")), capture(dir.Path(name + ".wav")),
          module("module-null-sink sink_name=" + name +
                 " rate=44100 channels=2 sink_properties=device.description=" + name)
    {
    }
    ~MonitoredSink() { StopCapture(); }
    // Starts parecord and waits until its stream runs on the monitor, so that
    // nothing played afterwards is missed however slowly it starts.
    bool StartCapture()
    {
        const pid_t parent = getpid();
        pid_ = fork();
        if (pid_ == 0) {
            // A test process killed mid-test takes its capture with it.
            prctl(PR_SET_PDEATHSIG, SIGINT);
            if (getppid() != parent)
                _exit(127);
            const std::string device = "--device=" + name + ".monitor";
            execlp("parecord", "parecord", device.c_str(), "--file-format=wav", "--format=s16le",
                   "--rate=44100", "--channels=2", "--latency-msec=20", capture.c_str(),
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        if (pid_ < 0)
            return false;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStallMs);
        while (std::chrono::steady_clock::now() < end) {
            if (Capturing())
                return true;
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    void StopCapture()
    {
        if (pid_ > 0) {
            kill(pid_, SIGINT);
            const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStallMs);
            while (waitpid(pid_, nullptr, WNOHANG) == 0) {
                if (std::chrono::steady_clock::now() >= end) {
                    kill(pid_, SIGKILL);
                    waitpid(pid_, nullptr, 0);
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        pid_ = -1;
    }
    // Whether a recording stream runs on this sink's monitor.
    bool Capturing() const
    {
        std::string monitor;
        std::istringstream sources(Pactl("list short sources"));
        for (std::string line; std::getline(sources, line);) {
            std::istringstream fields(line);
            std::string index, source;
            fields >> index >> source;
            if (source == name + ".monitor")
                monitor = index;
        }
        if (monitor.empty())
            return false;
        std::istringstream outputs(Pactl("list short source-outputs"));
        for (std::string line; std::getline(outputs, line);) {
            std::istringstream fields(line);
            std::string index, source;
            fields >> index >> source;
            if (source == monitor)
                return true;
        }
        return false;
    }
    int32_t Index() const
    {
        std::vector<LSoundOutDeviceEntry> list;
        LSoundOutDeviceList::Build(list);
        for (size_t i = 0; i < list.size(); ++i)
            if (list[i].id == name)
                return static_cast<int32_t>(i) + 1;
        return -1;
    }
    // What was captured, without the silence around the sound.
    std::vector<int32_t> Sound() { return TrimSilence(ReadWav(capture)); }

    static std::vector<int32_t> TrimSilence(const std::vector<int32_t>& samples)
    {
        size_t first = 0, last = samples.size();
        while (first < last && samples[first] == 0)
            ++first;
        while (last > first && samples[last - 1] == 0)
            --last;
        first &= ~size_t{1};
        last = (last + 1) & ~size_t{1};
        return std::vector<int32_t>(samples.begin() + first, samples.begin() + last);
    }

    std::string name;
    std::string capture;
    PulseModule module;

private:
    pid_t pid_ = -1;
};

class VectorSource : public LSoundSource
{
public:
    explicit VectorSource(std::vector<int32_t> samples)
        : LSoundSource(44100, 2, 0x7FFF0), samples_(std::move(samples))
    {
    }
    int64_t Read(int32_t* buffer, int64_t frames) override
    {
        const int64_t n = std::max<int64_t>(0, std::min(frames, GetLength() - position_));
        std::copy_n(samples_.begin() + position_ * 2, n * 2, buffer);
        std::fill(buffer + n * 2, buffer + frames * 2, 0);
        position_ += frames;
        return n;
    }
    int64_t GetPosition() override { return position_; }
    int64_t GetLength() override { return static_cast<int64_t>(samples_.size()) / 2; }
    void Seek(int64_t frame) override { position_ = frame; }

private:
    std::vector<int32_t> samples_;
    int64_t position_ = 0;
};

TEST_F(PulseTest, APlayedFileReachesTheSinkUnchangedAndTheEndIsReported)
{
    QUORIN_REQUIRE_PULSE();
    QUORIN_REQUIRE_TOOL("parecord");
    MonitoredSink sink(dir_);
    ASSERT_TRUE(sink.module.Loaded());
    ASSERT_TRUE(sink.StartCapture());
    const auto tone = Tone16(44100 + 777, 0.5);
    LSoundPlayer player;
    player.SetListener(&events_, nullptr);
    player.GetDevice().SetDevice({sink.Index(), 0, 1});
    ASSERT_TRUE(player.Play(LSoundSourcePtr(new VectorSource(tone))));
    ASSERT_TRUE(WaitUntil(
        queue_, [&] { return events_.playStopped == 1; }, 15000 + kStallMs));
    ASSERT_FALSE(events_.positions.empty());
    EXPECT_EQ(events_.positions.back(), 1017); // the whole length
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    sink.StopCapture();
    EXPECT_EQ(sink.Sound(), MonitoredSink::TrimSilence(tone)); // nothing lost at the end, nothing changed
}

// A player that played a file to its end plays the next one too: the
// stream drained at the end must ask for data again once it is restarted.
TEST_F(PulseTest, APlayerPlaysAgainAfterTheEndOfAFile)
{
    QUORIN_REQUIRE_PULSE();
    QUORIN_REQUIRE_TOOL("parecord");
    MonitoredSink sink(dir_);
    ASSERT_TRUE(sink.module.Loaded());
    ASSERT_TRUE(sink.StartCapture());
    const auto first = Tone16(22050, 0.3);
    const auto second = Tone16(22050 + 333, 0.6);
    LSoundPlayer player;
    player.SetListener(&events_, nullptr);
    player.GetDevice().SetDevice({sink.Index(), 0, 1});
    ASSERT_TRUE(player.Play(LSoundSourcePtr(new VectorSource(first))));
    ASSERT_TRUE(WaitUntil(
        queue_, [&] { return events_.playStopped == 1; }, 15000 + kStallMs));
    events_.positions.clear();
    ASSERT_TRUE(player.Play(LSoundSourcePtr(new VectorSource(second))));
    ASSERT_TRUE(WaitUntil(
        queue_, [&] { return events_.playStopped == 2; }, 15000 + kStallMs))
        << "the second file never ended";
    ASSERT_FALSE(events_.positions.empty());
    EXPECT_EQ(events_.positions.back(), 507); // the whole length of the second
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    sink.StopCapture();
    const auto sound = sink.Sound();
    const auto tail = MonitoredSink::TrimSilence(second);
    ASSERT_GE(sound.size(), tail.size());
    EXPECT_EQ(std::vector<int32_t>(sound.end() - tail.size(), sound.end()), tail)
        << "the second file did not reach the sink whole";
}

TEST_F(PulseTest, SeekAndPauseThroughTheServer)
{
    QUORIN_REQUIRE_PULSE();
    QUORIN_REQUIRE_TOOL("parecord");
    MonitoredSink sink(dir_);
    ASSERT_TRUE(sink.module.Loaded());
    ASSERT_TRUE(sink.StartCapture());
    // Three seconds, each of its own pitch.
    std::vector<int32_t> file;
    for (int second = 0; second < 3; ++second) {
        auto part = Tone16(44100, 0.2 + 0.1 * second);
        file.insert(file.end(), part.begin(), part.end());
    }
    LSoundPlayer player;
    player.SetListener(&events_, nullptr);
    player.GetDevice().SetDevice({sink.Index(), 0, 1});
    ASSERT_TRUE(player.Play(LSoundSourcePtr(new VectorSource(file))));
    WaitUntil(
        queue_, [] { return false; }, 300);
    player.Pause();
    EXPECT_TRUE(player.IsPaused());
    WaitUntil(
        queue_, [] { return false; }, 500);
    EXPECT_EQ(events_.playStopped, 0);
    player.Resume();
    events_.positions.clear();
    player.Seek(2 * 44100);
    ASSERT_FALSE(events_.positions.empty());
    EXPECT_EQ(events_.positions.front(), 2000);
    ASSERT_TRUE(WaitUntil(
        queue_, [&] { return events_.playStopped == 1; }, 15000 + kStallMs));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    sink.StopCapture();
    // The capture ends with the end of the file, and nothing of the second
    // that the seek skipped was played. (The server may swallow a few
    // milliseconds right after the flush that a seek makes.)
    const auto sound = sink.Sound();
    const auto last =
        MonitoredSink::TrimSilence(std::vector<int32_t>(file.begin() + 2 * 44100 * 2, file.end()));
    const size_t tail = 44100; // half a second of frames, as samples
    ASSERT_GE(sound.size(), tail);
    EXPECT_EQ(std::vector<int32_t>(sound.end() - tail, sound.end()),
              std::vector<int32_t>(last.end() - tail, last.end()));
    const std::vector<int32_t> skipped(file.begin() + 44100 * 2 + 2000, file.begin() + 44100 * 2 + 2400);
    EXPECT_EQ(std::search(sound.begin(), sound.end(), skipped.begin(), skipped.end()), sound.end());
}

TEST_F(PulseTest, QdAudioListsRecordsAndPlays)
{
    QUORIN_REQUIRE_PULSE();
    QUORIN_REQUIRE_TOOL("soxi");
    const std::string tool = BuildDir() + "/tools/qd-audio/qd-audio";
    PipeSource pipe(dir_);
    ASSERT_TRUE(pipe.Ready());
    int status = -1;
    const std::string list = CaptureCommand("'" + tool + "' devices", &status);
    ASSERT_EQ(status, 0);
    const int32_t index = pipe.Index();
    ASSERT_GE(index, 0);
    // Other devices may be listed too: this pipe's own entry carries the
    // index the device layer gives it.
    std::smatch entry;
    ASSERT_TRUE(
        std::regex_search(list, entry, std::regex("(^|\n)in ([0-9]+): " + pipe.name + "\n((    [^\n]*\n)*)")))
        << list;
    EXPECT_EQ(entry[2].str(), std::to_string(index)) << list;
    EXPECT_EQ(entry[3].str(), "    Front Left (Channel 1)\n    Front Right (Channel 2)\n") << list;
    EXPECT_NE(list.find("out 0: Default Playback Device\n    Front Left\n"), std::string::npos) << list;
    EXPECT_TRUE(std::regex_search(list, std::regex("(^|\n)out [1-9][0-9]*: TestSink\n"))) << list;

    const std::string out = dir_.Path("cli.wav");
    // Sound in real time for as long as the command runs, however long it takes to start.
    std::atomic<bool> done{false};
    std::thread writer([&] {
        const auto piece = Tone16(4410, 0.5);
        // A write cut short leaves the FIFO out of step: no more after it.
        while (!done && pipe.Write(piece, true)) {
        }
    });
    EXPECT_EQ(RunCommand("timeout 60 '" + tool + "' record '" + out + "' --device " + std::to_string(index) +
                         " --channel 1 --seconds 1"),
              0);
    done = true;
    writer.join();
    EXPECT_EQ(CaptureCommand("soxi -r '" + out + "'"), "44100\n");
    EXPECT_EQ(CaptureCommand("soxi -c '" + out + "'"), "2\n");
    EXPECT_EQ(CaptureCommand("soxi -b '" + out + "'"), "16\n");
    const auto recorded = ReadWav(out);
    ASSERT_GT(recorded.size(), 44100u * 2);
    for (size_t f = 0; f < recorded.size() / 2; f += 101)
        ASSERT_EQ(recorded[f * 2], recorded[f * 2 + 1]); // channel 1 alone on both sides

    MonitoredSink sink(dir_);
    EXPECT_EQ(
        RunCommand("timeout 60 '" + tool + "' play '" + out + "' --device " + std::to_string(sink.Index())),
        0);
    EXPECT_NE(RunCommand("timeout 60 '" + tool + "' play '" + out + "' --device 99 2>/dev/null"), 0);
    EXPECT_NE(
        RunCommand("timeout 60 '" + tool + "' record '" + out + "' --device 999 --seconds 1 2>/dev/null"), 0);
}

} // namespace
