// The recording thread against the in-process device layer, driven block by
// block so that every decision of the recorder can be checked exactly.

#include "DeviceTestSupport.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include "audio/devices/LSoundDbTables.h"
#include "audio/devices/LSoundRecorder.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "audio/formats/wav/LWaveFormatBlock.h"
#include "foundation/settings/LSettings.h"

#include <gtest/gtest.h>

using namespace quorin::test;

namespace {

constexpr int64_t kBlock = 4410; // a tenth of a second at 44100 Hz
constexpr int64_t kNoSilenceCut = INT64_MAX / 4;

class Events : public LSoundRecorderListener
{
public:
    void OnRecordingSound(void*) override { calls.push_back("recording"); }
    void OnWaitingForSound(void*) override { calls.push_back("waiting"); }
    void OnStopped(void*) override
    {
        calls.push_back("stopped");
        ++stopped;
    }
    void OnPosition(const int64_t* ms, void*) override { lastPosition = *ms; }
    void OnLevels(const LSoundLevelRecord* record, void*) override
    {
        ++levels;
        lastLevels = *record;
    }
    void OnError(int32_t code, void*) override
    {
        calls.push_back("error");
        error = code;
    }
    void OnDataLost(int64_t frames, void*) override { lost = frames; }

    std::vector<std::string> calls;
    int stopped = 0;
    int levels = 0;
    int64_t lastPosition = -1;
    LSoundLevelRecord lastLevels;
    int32_t error = 0;
    int64_t lost = 0;
};

std::vector<int32_t> Silence(int64_t frames, int channels)
{
    return std::vector<int32_t>(static_cast<size_t>(frames) * channels, 0);
}

// Frames [from, from + count) of interleaved samples.
std::vector<int32_t> Slice(const std::vector<int32_t>& samples, int channels, int64_t from, int64_t count)
{
    return std::vector<int32_t>(samples.begin() + from * channels,
                                samples.begin() + (from + count) * channels);
}

class RecorderTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        fake_.backend.AddInput(MakeDevice("stereo", "Line In", 2, "pci"));
        fake_.backend.AddInput(MakeDevice("mono", "Microphone", 1, "usb"));
        fake_.backend.SetDefaultInput("stereo");
        fake_.backend.SetPacing(LFakeSoundBackend::Pacing::kStepped);
        Fresh();
    }

    // A new sink and a new recorder on the same devices.
    void Fresh()
    {
        recorder_.reset();
        events_ = Events{};
        sink_ = new MemorySink(44100, 2);
        sinkPtr_ = LSoundSinkPtr(sink_);
        recorder_ = std::make_unique<LSoundRecorder>();
        recorder_->SetListener(&events_, nullptr);
    }

    void TearDown() override { recorder_.reset(); }

    // What the device will deliver once the capture starts (internal samples).
    void SetFeed(const std::string& id, const std::vector<int32_t>& internal)
    {
        fake_.backend.SetInputFeed(id, ToDevice(internal), false);
    }

    bool Start(int64_t maximumMs, int32_t thresholdDb, int64_t silenceMs, uint8_t flags)
    {
        return recorder_->Start(sinkPtr_, maximumMs, thresholdDb, silenceMs, flags);
    }

    // Delivers frames in pieces the ring can hold and waits after each until
    // the recorder has taken every whole block of it.
    void Step(int64_t frames)
    {
        while (frames > 0) {
            const int64_t n = std::min<int64_t>(frames, 20 * kBlock);
            const int64_t before = recorder_->GetStream().GetFramesCaptured();
            fake_.backend.StepCapture(n);
            const int64_t captured = recorder_->GetStream().GetFramesCaptured();
            const int64_t whole = captured / kBlock * kBlock;
            (void)before;
            ASSERT_TRUE(WaitUntil(queue_, [&] { return recorder_->GetStream().GetFramesTaken() >= whole; }))
                << "the recorder did not take what was fed";
            frames -= n;
        }
        // Let the recorder finish writing the last block it took.
        WaitUntil(
            queue_, [] { return false; }, 30);
    }

    LPolledNotifyQueue queue_;
    FakeDevices fake_;
    MemorySink* sink_ = nullptr;
    LSoundSinkPtr sinkPtr_;
    std::unique_ptr<LSoundRecorder> recorder_;
    Events events_;
};

TEST_F(RecorderTest, RecordsTheInputSampleForSampleIncludingAPartBlockAtTheStop)
{
    const int64_t frames = 25 * kBlock + 1000;
    const auto tone = Tone(frames, 2, 0.5);
    SetFeed("stereo", tone);
    ASSERT_TRUE(Start(0, -30, kNoSilenceCut, kRecorderStartRecording));
    EXPECT_EQ(recorder_->GetState(), kRecorderRecording);
    Step(frames);
    recorder_->Stop();
    EXPECT_EQ(recorder_->GetStream().GetFramesPerBuffer(), kBlock);
    EXPECT_EQ(sink_->Frames(), frames);
    EXPECT_EQ(sink_->Samples(), tone);
    EXPECT_EQ(events_.calls, (std::vector<std::string>{"recording", "stopped"}));
    EXPECT_EQ(recorder_->GetState(), kRecorderStopped);
    EXPECT_EQ(events_.lost, 0);
}

struct ChannelCase
{
    const char* device;
    int32_t index;
    uint32_t channel;
    uint32_t stereo;
    int left; // device channel expected on the left, right
    int right;
};

TEST_F(RecorderTest, RecordsTheChosenChannel)
{
    const ChannelCase cases[] = {
        {"stereo pair", 0, 0, 1, 0, 1},
        {"stereo, channel 0 alone", 0, 0, 0, 0, 0},
        {"stereo, channel 1 alone", 0, 1, 0, 1, 1},
        {"stereo, channel 1 with the stereo flag", 0, 1, 1, 1, 1},
        {"mono device into a stereo sink", 1, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.device);
        Fresh();
        const bool mono = c.index == 1;
        const int deviceChannels = mono ? 1 : 2;
        const auto feed = Tone(10 * kBlock, deviceChannels, 0.25);
        SetFeed(mono ? "mono" : "stereo", feed);
        recorder_->SetSelection({c.index, c.channel, c.stereo});
        ASSERT_TRUE(Start(0, -60, kNoSilenceCut, kRecorderStartRecording));
        Step(10 * kBlock);
        recorder_->Stop();
        const auto got = sink_->Samples();
        ASSERT_EQ(got.size(), static_cast<size_t>(10 * kBlock * 2));
        for (int64_t f = 0; f < 10 * kBlock; f += 97) {
            ASSERT_EQ(got[f * 2], feed[f * deviceChannels + c.left]) << "frame " << f;
            ASSERT_EQ(got[f * 2 + 1], feed[f * deviceChannels + c.right]) << "frame " << f;
        }
        recorder_.reset();
    }
}

TEST_F(RecorderTest, StrongBoostsOfFullScaleInputKeepTheirSign)
{
    // Products above the 32-bit range (above about +18 dB on a full-scale
    // input) are formed in 64 bits: the boost stays a boost.
    for (int8_t db : {int8_t{19}, int8_t{30}, int8_t{127}}) {
        SCOPED_TRACE(static_cast<int>(db));
        Fresh();
        std::vector<int32_t> feed(static_cast<size_t>(kBlock) * 2 * 6);
        for (size_t i = 0; i < feed.size(); ++i)
            feed[i] = (i / 2) % 2 ? 0x7FFF0 : -0x7FFF0;
        SetFeed("stereo", feed);
        LSoundInputSetVolumeDb({0, 0, 1}, db);
        ASSERT_TRUE(Start(0, -60, kNoSilenceCut, kRecorderStartRecording));
        Step(6 * kBlock);
        recorder_->Stop();
        LSoundInputSetVolumeDb({0, 0, 1}, 0);
        const int64_t expected = (int64_t{0x7FFF0} * LDbToGain512(db)) >> 9;
        const int64_t expectedLow = (int64_t{-0x7FFF0} * LDbToGain512(db)) >> 9;
        ASSERT_GT(int64_t{0x7FFF0} * LDbToGain512(db), INT32_MAX); // would have wrapped in 32 bits
        const auto got = sink_->Samples();
        ASSERT_EQ(got.size(), feed.size());
        for (size_t i = 0; i < got.size(); ++i)
            ASSERT_EQ(got[i], feed[i] > 0 ? expected : expectedLow) << i;
        recorder_.reset();
    }
}

TEST_F(RecorderTest, VolumeTableGivesUnitySilenceAndBoost)
{
    const auto feed = Tone(6 * kBlock, 2, 0.1);
    const struct
    {
        int8_t db;
        double factor;
    } cases[] = {{0, 1.0}, {-127, 0.0}, {6, LDbToGain512(6) / 512.0}, {-20, LDbToGain512(-20) / 512.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.db);
        Fresh();
        SetFeed("stereo", feed);
        LSoundInputSetVolumeDb({0, 0, 1}, c.db);
        ASSERT_TRUE(Start(0, -60, kNoSilenceCut, kRecorderStartRecording));
        Step(6 * kBlock);
        recorder_->Stop();
        const auto got = sink_->Samples();
        ASSERT_EQ(got.size(), feed.size());
        for (size_t i = 0; i < feed.size(); i += 31)
            ASSERT_NEAR(got[i], feed[i] * c.factor, 1.0) << i;
        LSoundInputSetVolumeDb({0, 0, 1}, 0);
        recorder_.reset();
    }
}

TEST_F(RecorderTest, WarmUpDropsTheFirstFiveBlocksWhenWaitingForSound)
{
    // Loud from the first frame: block 6 is the first the recorder may see.
    const auto tone = Tone(12 * kBlock, 2, 0.5);
    SetFeed("stereo", tone);
    ASSERT_TRUE(Start(0, -30, kNoSilenceCut, 0));
    EXPECT_EQ(recorder_->GetState(), kRecorderWaiting);
    Step(12 * kBlock);
    recorder_->Stop();
    EXPECT_EQ(sink_->Samples(), Slice(tone, 2, 5 * kBlock, 7 * kBlock));
    EXPECT_EQ(events_.calls, (std::vector<std::string>{"waiting", "recording", "stopped"}));
}

TEST_F(RecorderTest, WaitingForSoundSkipsLeadingSilenceAndKeepsHalfABlockBeforeIt)
{
    // Sound from a block boundary: the quiet block before it contributes its second half.
    const auto tone = Tone(10 * kBlock, 2, 0.5);
    SetFeed("stereo", Concat(Silence(10 * kBlock, 2), tone));
    ASSERT_TRUE(Start(0, -30, kNoSilenceCut, 0));
    Step(20 * kBlock);
    recorder_->Stop();
    const auto expected = Concat(Silence(kBlock / 2, 2), tone);
    EXPECT_EQ(sink_->Frames(), kBlock / 2 + 10 * kBlock);
    EXPECT_EQ(sink_->Samples(), expected);
}

TEST_F(RecorderTest, SoundStartingInTheSecondHalfOfABlockIsWrittenWithoutTheBlockBefore)
{
    const int64_t lead = 10 * kBlock + 3 * kBlock / 4;
    const auto tone = Tone(10 * kBlock, 2, 0.5);
    SetFeed("stereo", Concat(Silence(lead, 2), tone));
    ASSERT_TRUE(Start(0, -30, kNoSilenceCut, 0));
    Step(lead + 10 * kBlock);
    recorder_->Stop();
    // Recording starts at the block holding the onset: its quiet first three quarters, then the tone.
    const auto got = sink_->Samples();
    ASSERT_GE(got.size(), static_cast<size_t>(3 * kBlock / 4 * 2));
    EXPECT_EQ(Slice(got, 2, 0, 3 * kBlock / 4), Silence(3 * kBlock / 4, 2));
    EXPECT_EQ(Slice(got, 2, 3 * kBlock / 4, 9 * kBlock), Slice(tone, 2, 0, 9 * kBlock));
}

TEST_F(RecorderTest, LongSilenceStopsWritingUntilSoundComesBack)
{
    const auto tone = Tone(10 * kBlock, 2, 0.5);
    SetFeed("stereo", Concat(Concat(tone, Silence(20 * kBlock, 2)), tone));
    ASSERT_TRUE(Start(0, -30, 500, kRecorderStartRecording));
    Step(40 * kBlock);
    queue_.DeliverPending();
    recorder_->Stop();
    // The tone, then quiet blocks until the silence lasted longer than
    // 500 ms (six blocks), then half a quiet block and the tone again.
    const auto got = sink_->Samples();
    const int64_t quiet = 6 * kBlock + kBlock / 2;
    ASSERT_EQ(sink_->Frames(), 10 * kBlock + quiet + 10 * kBlock);
    EXPECT_EQ(Slice(got, 2, 0, 10 * kBlock), tone);
    EXPECT_EQ(Slice(got, 2, 10 * kBlock, quiet), Silence(quiet, 2));
    EXPECT_EQ(Slice(got, 2, 10 * kBlock + quiet, 10 * kBlock), tone);
    EXPECT_EQ(events_.calls, (std::vector<std::string>{"recording", "waiting", "recording", "stopped"}));
}

TEST_F(RecorderTest, StopAfterALongSilenceCutsTo50MsAfterTheLastBlock)
{
    const auto tone = Tone(10 * kBlock, 2, 0.5);
    SetFeed("stereo", Concat(tone, Silence(20 * kBlock, 2)));
    ASSERT_TRUE(Start(0, -30, 500, kRecorderStartRecording));
    Step(30 * kBlock);
    recorder_->Stop();
    // The last block time is that of the last quiet block before the
    // silence ran out (1500 ms); the stop keeps 50 ms more.
    EXPECT_EQ(sink_->Frames(), LSoundRecorder::MsToFrames(1550, 44100));
}

TEST_F(RecorderTest, MaximumLengthStopsWithinOneBlockAndZeroMeansNone)
{
    const auto tone = Tone(30 * kBlock, 2, 0.5);
    SetFeed("stereo", tone);
    ASSERT_TRUE(Start(1000, -30, kNoSilenceCut, kRecorderStartRecording));
    Step(30 * kBlock);
    ASSERT_TRUE(WaitUntil(queue_, [&] { return events_.stopped == 1; }));
    EXPECT_EQ(recorder_->GetState(), kRecorderStopped);
    EXPECT_GT(sink_->Frames(), LSoundRecorder::MsToFrames(1000, 44100));
    EXPECT_LE(sink_->Frames(), LSoundRecorder::MsToFrames(1000, 44100) + kBlock);
    EXPECT_EQ(sink_->Samples(), Slice(tone, 2, 0, sink_->Frames()));

    Fresh();
    SetFeed("stereo", tone);
    ASSERT_TRUE(Start(0, -30, kNoSilenceCut, kRecorderStartRecording));
    Step(30 * kBlock);
    EXPECT_EQ(recorder_->GetState(), kRecorderRecording);
    EXPECT_EQ(events_.stopped, 0);
    recorder_->Stop();
    EXPECT_EQ(sink_->Frames(), 30 * kBlock);
}

TEST_F(RecorderTest, AutotrimCutsToTheLastLoudBlockOnlyWhenSet)
{
    const struct
    {
        const char* value;
        int64_t expectedMs;
    } cases[] = {{nullptr, 2000}, {"", 2000}, {"0", 2000}, {"1", 1450}, {"yes", 1450}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "(unset)");
        Fresh();
        if (c.value != nullptr)
            LSettingsSetString("Recorder", "Autotrim", c.value);
        else
            LSettingsDelete("Recorder", "Autotrim");
        SetFeed("stereo", Concat(Tone(10 * kBlock, 2, 0.5), Silence(10 * kBlock, 2)));
        ASSERT_TRUE(Start(0, -30, kNoSilenceCut, kRecorderStartRecording));
        Step(20 * kBlock);
        recorder_->Stop();
        EXPECT_EQ(sink_->Frames(), LSoundRecorder::MsToFrames(c.expectedMs, 44100));
        recorder_.reset();
    }
}

TEST_F(RecorderTest, AConsumerThatStallsLosesCountedFramesAndTheyAreReported)
{
    const auto tone = Tone(46 * kBlock, 2, 0.5);
    SetFeed("stereo", tone);
    ASSERT_TRUE(Start(0, -30, kNoSilenceCut, kRecorderStartRecording));
    sink_->HoldNextWrite();
    fake_.backend.StepCapture(kBlock);
    ASSERT_TRUE(sink_->WaitUntilHeld(5000));
    // The recorder sits in the sink with the whole ring free: forty blocks
    // fit, the last five do not.
    fake_.backend.StepCapture(45 * kBlock);
    sink_->Release();
    ASSERT_TRUE(WaitUntil(queue_, [&] { return sink_->Frames() >= 41 * kBlock; }));
    ASSERT_TRUE(WaitUntil(queue_, [&] { return events_.lost != 0; }));
    EXPECT_EQ(recorder_->GetLostFrames(), 5 * kBlock);
    EXPECT_EQ(recorder_->GetOverrunCount(), 1);
    EXPECT_EQ(events_.lost, 5 * kBlock);
    recorder_->Stop();
    EXPECT_EQ(sink_->Samples(), Slice(tone, 2, 0, 41 * kBlock));
}

TEST_F(RecorderTest, AnInputThatDisappearsStopsWithAnErrorAndKeepsAValidFile)
{
    TempDir dir;
    const std::string path = dir.Path("kept.wav");
    LWaveFormatBlock format;
    LSetWaveFormatBlock(format, 1, 44100, 2, 16);
    LSoundSinkPtr file;
    CreateSoundSinkForFormat(file, path.c_str(), format);
    ASSERT_FALSE(file->IsFailed());

    const int64_t frames = 20 * kBlock + 1000;
    const auto tone = Tone(frames, 2, 0.5);
    SetFeed("stereo", tone);
    ASSERT_TRUE(recorder_->Start(file, 0, -30, kNoSilenceCut, kRecorderStartRecording));
    file.Reset();
    Step(frames);
    fake_.backend.Unplug("stereo");
    ASSERT_TRUE(WaitUntil(queue_, [&] { return events_.error != 0; }));
    EXPECT_EQ(events_.error, kSoundDeviceGone);
    EXPECT_EQ(recorder_->GetState(), kRecorderStopped);
    EXPECT_EQ(events_.calls.back(), "error");

    LSoundSourcePtr source;
    LWavFileInfo info;
    LOpenWavSoundSource(source, path.c_str(), &info);
    ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
    ASSERT_EQ(source->GetLength(), frames);
    std::vector<int32_t> back(static_cast<size_t>(frames) * 2);
    source->Read(back.data(), frames);
    for (size_t i = 0; i < back.size(); i += 13)
        ASSERT_NEAR(back[i], tone[i], 16) << i;
    if (HaveTool("soxi")) {
        EXPECT_EQ(CaptureCommand("soxi -s '" + path + "'"), std::to_string(frames) + "\n");
    }
}

TEST_F(RecorderTest, LevelsArePostedEveryOtherBlockAndMeasureEachChannel)
{
    const int64_t blocks = 20;
    std::vector<int32_t> feed(static_cast<size_t>(blocks * kBlock) * 2);
    for (int64_t f = 0; f < blocks * kBlock; ++f) {
        feed[f * 2] = (f % 2 ? 1 : -1) * 131072;    // 0 dB
        feed[f * 2 + 1] = (f % 2 ? 1 : -1) * 65536; // -6 dB
    }
    SetFeed("stereo", feed);
    ASSERT_TRUE(Start(0, -30, kNoSilenceCut, kRecorderStartRecording));
    for (int64_t b = 0; b < blocks; ++b) {
        fake_.backend.StepCapture(kBlock);
        ASSERT_TRUE(WaitUntil(queue_, [&] { return sink_->Frames() >= (b + 1) * kBlock; }));
        queue_.DeliverPending();
    }
    WaitUntil(
        queue_, [] { return false; }, 50);
    // (44100 / 4410) / 20 is 0: a post whenever the shared counter passed 0.
    EXPECT_GE(events_.levels, 9);
    EXPECT_LE(events_.levels, 11);
    EXPECT_EQ(events_.lastLevels.count, 2);
    EXPECT_EQ(events_.lastLevels.levels[0], 0);
    EXPECT_EQ(events_.lastLevels.levels[1], -6);
    EXPECT_EQ(events_.lastLevels.startThreshold, -30);
    EXPECT_EQ(events_.lastLevels.quietThreshold, -34);
    EXPECT_GT(events_.lastPosition, 1000);
    recorder_->Stop();
}

TEST_F(RecorderTest, StartRefusesAFailedSinkAndAMissingDevice)
{
    LSoundSinkPtr failed;
    LSetFailedSink(failed);
    EXPECT_FALSE(recorder_->Start(failed, 0, -30, 0, kRecorderStartRecording));
    recorder_->SetSelection({7, 0, 0});
    EXPECT_FALSE(Start(0, -30, 0, kRecorderStartRecording));
    EXPECT_EQ(recorder_->GetState(), kRecorderStopped);
    EXPECT_EQ(sinkPtr_->GetRefCount(), 1); // dropped again
    recorder_->Stop();
    EXPECT_TRUE(events_.calls.empty()); // nothing ran, so nothing stopped
}

TEST_F(RecorderTest, WaitForGoHoldsTheCaptureBack)
{
    const auto tone = Tone(10 * kBlock, 2, 0.5);
    SetFeed("stereo", tone);
    ASSERT_TRUE(Start(0, -30, kNoSilenceCut, kRecorderStartRecording | kRecorderWaitForGo));
    EXPECT_EQ(fake_.backend.OpenCaptureCount(), 1);
    fake_.backend.StepCapture(kBlock); // not started: nothing reaches the ring
    EXPECT_EQ(recorder_->GetStream().GetFramesCaptured(), 0);
    recorder_->Go();
    // Running means the device has started: from here on every step reaches
    // the ring. A flag raised before the device starts lets the steps fall
    // through and the recording ends up empty.
    ASSERT_TRUE(WaitUntil(queue_, [&] { return recorder_->GetStream().IsRunning(); }));
    Step(10 * kBlock);
    EXPECT_EQ(recorder_->GetStream().GetFramesCaptured(), 10 * kBlock);
    recorder_->Stop();
    EXPECT_EQ(sink_->Samples(), tone);
}

TEST_F(RecorderTest, AnInputGoneBeforeGoFinishesTheRecordingInsteadOfHoldingTheSink)
{
    SetFeed("stereo", Tone(kBlock, 2, 0.5));
    ASSERT_TRUE(Start(0, -30, kNoSilenceCut, kRecorderStartRecording | kRecorderWaitForGo));
    fake_.backend.Unplug("stereo");
    recorder_->Go();
    ASSERT_TRUE(WaitUntil(queue_, [&] { return events_.stopped == 1; }));
    EXPECT_EQ(recorder_->GetState(), kRecorderStopped);
    EXPECT_EQ(sinkPtr_->GetRefCount(), 1); // released, so a file sink is finished
}

TEST_F(RecorderTest, AnInputThatFallsSilentForGoodFinishesTheFile)
{
    SetFeed("stereo", Tone(5 * kBlock, 2, 0.5));
    ASSERT_TRUE(Start(0, -30, kNoSilenceCut, kRecorderStartRecording));
    Step(5 * kBlock);
    // No more data: after three seconds the capture ends by itself.
    ASSERT_TRUE(WaitUntil(
        queue_, [&] { return events_.stopped == 1; }, 8000));
    EXPECT_EQ(sink_->Frames(), 5 * kBlock);
    EXPECT_EQ(sinkPtr_->GetRefCount(), 1);
}

TEST_F(RecorderTest, AWavFileFedByTheClockIsRecordedWhole)
{
    TempDir dir;
    const std::string path = dir.Path("feed.wav");
    auto tone = Tone(2 * 44100, 2, 0.5);
    for (int32_t& v : tone)
        v = v / 16 * 16; // what a 16-bit file holds
    {
        LWaveFormatBlock format;
        LSetWaveFormatBlock(format, 1, 44100, 2, 16);
        LSoundSinkPtr file;
        CreateSoundSinkForFormat(file, path.c_str(), format);
        file->Write(tone.data(), 2 * 44100);
    }
    ASSERT_TRUE(fake_.backend.SetInputFeedFromWav("stereo", path.c_str()));
    fake_.backend.SetPacing(LFakeSoundBackend::Pacing::kClock, 441, 20.0);
    ASSERT_TRUE(Start(0, -30, kNoSilenceCut, kRecorderStartRecording));
    ASSERT_TRUE(
        WaitUntil(queue_, [&] { return recorder_->GetStream().GetFramesTaken() >= 2 * 44100 + kBlock; }));
    recorder_->Stop();
    const auto got = sink_->Samples();
    ASSERT_GE(got.size(), tone.size());
    EXPECT_EQ(std::vector<int32_t>(got.begin(), got.begin() + tone.size()), tone);
    for (size_t i = tone.size(); i < got.size(); ++i)
        ASSERT_EQ(got[i], 0); // the device goes on with silence after the file
    EXPECT_EQ(recorder_->GetLostFrames(), 0);
}

TEST(RecorderLevels, ChannelLevelsAndTimeConversions)
{
    EXPECT_EQ(LSoundRecorder::ChannelLevel(131072), 0);
    EXPECT_EQ(LSoundRecorder::ChannelLevel(0), -127);
    EXPECT_EQ(LSoundRecorder::ChannelLevel(65536), -6);
    EXPECT_EQ(LSoundRecorder::ChannelLevel(1), -102);
    EXPECT_EQ(LSoundRecorder::ChannelLevel(INT32_MAX), 84);
    LSoundLevelRecord record;
    const int32_t mono[] = {100, -131072, 5};
    EXPECT_EQ(LSoundRecorder::MeasureLevels(mono, 3, 1, record), 0);
    const int32_t stereo[] = {0, 65536, 0, -1000};
    EXPECT_EQ(LSoundRecorder::MeasureLevels(stereo, 2, 2, record), -6);
    EXPECT_EQ(record.levels[0], -127);
    EXPECT_EQ(LSoundRecorder::MeasureLevels(stereo, 2, 0, record), -127);
    EXPECT_EQ(LSoundRecorder::MsToFrames(1450, 44100), 63945);
    EXPECT_EQ(LSoundRecorder::MsToFrames(999, 48000), 47952);
    EXPECT_EQ(LSoundRecorder::FramesToMs(44100 + 441, 44100), 1010);
    EXPECT_EQ(LSoundRecorder::FramesToMs(100, 0), 0);
}

TEST(RecorderStream, BufferSizesFollowTheRate)
{
    EXPECT_EQ(LSoundInputStream::FramesPerBufferForRate(44100), 4410);
    EXPECT_EQ(LSoundInputStream::SlotCountFor(4410, 44100), 40u);
    EXPECT_EQ(LSoundInputStream::FramesPerBufferForRate(8000), 800);
    EXPECT_EQ(LSoundInputStream::SlotCountFor(800, 8000), 40u);
    EXPECT_EQ(LSoundInputStream::FramesPerBufferForRate(192000), 8192);
    EXPECT_EQ(LSoundInputStream::SlotCountFor(8192, 192000), 94u);
    EXPECT_EQ(LSoundInputStream::FramesPerBufferForRate(4000), 512);
}

} // namespace
