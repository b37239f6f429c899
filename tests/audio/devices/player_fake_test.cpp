// The playback thread and its output stream against the in-process device
// layer, rendered step by step so that what reaches the output can be
// compared with the source.

#include "DeviceTestSupport.h"

#include "audio/devices/LResourceSound.h"
#include "audio/devices/LSoundDbTables.h"
#include "audio/devices/LSoundPipe.h"
#include "audio/devices/LSoundPlayer.h"
#include "audio/effects/LLevellerEffect.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "audio/formats/wav/LWaveFormatBlock.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

using namespace quorin::test;

namespace {

class VectorSource : public LSoundSource
{
public:
    VectorSource(std::vector<int32_t> samples, uint8_t channels, uint32_t peakLimit = 0x7FFF0)
        : LSoundSource(44100, channels, peakLimit), samples_(std::move(samples))
    {
    }
    int64_t Read(int32_t* buffer, int64_t frames) override
    {
        const int64_t n = std::max<int64_t>(0, std::min(frames, GetLength() - position_));
        std::copy_n(samples_.begin() + position_ * channels_, n * channels_, buffer);
        std::fill(buffer + n * channels_, buffer + frames * channels_, 0);
        position_ += frames;
        return n;
    }
    int64_t GetPosition() override { return position_; }
    int64_t GetLength() override { return static_cast<int64_t>(samples_.size()) / channels_; }
    void Seek(int64_t frame) override { position_ = frame; }

private:
    std::vector<int32_t> samples_;
    int64_t position_ = 0;
};

class Events : public LSoundPlayerListener
{
public:
    void OnPlayStarted(void*) override { ++started; }
    void OnPlayStopped(void*) override { ++stopped; }
    void OnPlayPosition(const int64_t* ms, void*) override { positions.push_back(*ms); }
    void OnPlayLevels(const LSoundLevelRecord* record, void*) override
    {
        ++levels;
        lastLevels = *record;
    }
    void OnPlayError(int32_t code, void*) override { error = code; }

    int started = 0;
    int stopped = 0;
    int levels = 0;
    int32_t error = 0;
    std::vector<int64_t> positions;
    LSoundLevelRecord lastLevels;
};

class PlayerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fake_.backend.AddOutput(MakeDevice("out", "Speakers", 2, "pci"));
        fake_.backend.AddOutput(MakeDevice("quad", "Surround", 4, "usb"));
        fake_.backend.SetDefaultOutput("out");
        fake_.backend.SetPacing(LFakeSoundBackend::Pacing::kStepped);
        player_ = std::make_unique<LSoundPlayer>();
        player_->SetListener(&events_, nullptr);
    }
    void TearDown() override { player_.reset(); }

    // Renders in small steps, never faster than the player fills, until the
    // player stops or frames were rendered.
    void Render(int64_t frames = INT64_MAX, int64_t step = 441)
    {
        int64_t done = 0;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (events_.stopped == 0 && done < frames && std::chrono::steady_clock::now() < end) {
            // The source belongs to the player thread: its position is
            // derived from the device's (position + queued), read atomically.
            LSoundPlayerDevice& device = player_->GetDevice();
            const int64_t length = player_->GetSource()->GetLength();
            WaitUntil(queue_, [&] {
                return events_.stopped != 0 || device.QueuedFrames() >= step ||
                       device.GetPosition() + device.QueuedFrames() >= length;
            });
            fake_.backend.StepPlayback(step);
            done += step;
            queue_.DeliverPending();
        }
    }

    LPolledNotifyQueue queue_;
    FakeDevices fake_;
    std::unique_ptr<LSoundPlayer> player_;
    Events events_;
};

TEST_F(PlayerTest, PlaysTheSourceSampleForSampleAndReportsTheEnd)
{
    const int64_t frames = 44100 + 123;
    const auto tone = Tone(frames, 2, 0.5);
    ASSERT_TRUE(player_->Play(LSoundSourcePtr(new VectorSource(tone, 2))));
    EXPECT_EQ(events_.started, 1);
    Render();
    ASSERT_EQ(events_.stopped, 1);
    const auto played = fake_.backend.PlayedSamples("out");
    ASSERT_GE(played.size(), tone.size());
    EXPECT_EQ(std::vector<int32_t>(played.begin(), played.begin() + tone.size()), ToDevice(tone));
    for (size_t i = tone.size(); i < played.size(); ++i)
        ASSERT_EQ(played[i], 0);
    ASSERT_FALSE(events_.positions.empty());
    EXPECT_EQ(events_.positions.back(), 1002); // the whole length: 1 s and 123 frames
    EXPECT_TRUE(std::is_sorted(events_.positions.begin(), events_.positions.end()));
    EXPECT_GT(events_.levels, 0);
    EXPECT_EQ(events_.lastLevels.count, 2);
    EXPECT_EQ(player_->GetDevice().GetState(), 0);
}

TEST_F(PlayerTest, AMonoSourcePlaysOnBothChosenOutputChannels)
{
    LPlaybackDeviceSel selection{2, 3, 0};
    player_->GetDevice().SetDevice(selection);
    const auto tone = Tone(10000, 1, 0.5);
    ASSERT_TRUE(player_->Play(LSoundSourcePtr(new VectorSource(tone, 1))));
    Render();
    const auto played = fake_.backend.PlayedSamples("quad");
    ASSERT_GE(played.size(), tone.size() * 4);
    for (size_t f = 0; f < tone.size(); ++f) {
        ASSERT_EQ(played[f * 4 + 3], tone[f] * 4096) << f;
        ASSERT_EQ(played[f * 4 + 0], 0);
        ASSERT_EQ(played[f * 4 + 1], 0);
        ASSERT_EQ(played[f * 4 + 2], 0);
    }
}

TEST_F(PlayerTest, SeekContinuesFromTheNewFrame)
{
    const auto tone = Tone(3 * 44100, 2, 0.5);
    ASSERT_TRUE(player_->Play(LSoundSourcePtr(new VectorSource(tone, 2))));
    Render(22050);
    const size_t before = fake_.backend.PlayedSamples("out").size();
    EXPECT_EQ(std::vector<int32_t>(fake_.backend.PlayedSamples("out")),
              std::vector<int32_t>(ToDevice(std::vector<int32_t>(tone.begin(), tone.begin() + before))));
    events_.positions.clear();
    player_->Seek(2 * 44100);
    ASSERT_FALSE(events_.positions.empty());
    EXPECT_EQ(events_.positions.front(), 2000);
    Render();
    ASSERT_EQ(events_.stopped, 1);
    const auto played = fake_.backend.PlayedSamples("out");
    const std::vector<int32_t> rest(tone.begin() + 2 * 44100 * 2, tone.end());
    ASSERT_GE(played.size(), before + rest.size());
    EXPECT_EQ(std::vector<int32_t>(played.begin() + before, played.begin() + before + rest.size()),
              ToDevice(rest));
}

TEST_F(PlayerTest, SeekDuringPreviewRebuildsThePreview)
{
    const auto tone = Tone(3 * 44100, 2, 0.5);
    ASSERT_TRUE(player_->Play(LSoundSourcePtr(new VectorSource(tone, 2))));
    Render(4410);
    player_->StartPreview();
    EXPECT_TRUE(player_->GetDevice().GetState() & kPlayerDevicePreview);
    const int64_t at = player_->GetDevice().GetPosition();
    auto lastStep = [&] {
        fake_.backend.StepPlayback(441);
        const auto played = fake_.backend.PlayedSamples("out");
        return std::vector<int32_t>(played.end() - 441 * 2, played.end());
    };
    auto expected = [&](int64_t frame) {
        return ToDevice(std::vector<int32_t>(tone.begin() + frame * 2, tone.begin() + (frame + 441) * 2));
    };
    EXPECT_EQ(lastStep(), expected(at));
    EXPECT_EQ(lastStep(), expected(at)); // the same frames again: a loop, not playback
    player_->Seek(2 * 44100);
    EXPECT_TRUE(player_->GetDevice().GetState() & kPlayerDevicePreview);
    EXPECT_FALSE(player_->IsRunning()); // no filling thread while previewing
    EXPECT_EQ(lastStep(), expected(2 * 44100));
    player_->Stop();
    EXPECT_EQ(events_.stopped, 1);
}

TEST_F(PlayerTest, PauseHoldsTheOutputAndResumeContinuesWithoutAGap)
{
    const auto tone = Tone(44100, 2, 0.5);
    ASSERT_TRUE(player_->Play(LSoundSourcePtr(new VectorSource(tone, 2))));
    Render(8820);
    player_->Pause();
    EXPECT_TRUE(player_->IsPaused());
    const size_t held = fake_.backend.PlayedSamples("out").size();
    for (int i = 0; i < 20; ++i)
        fake_.backend.StepPlayback(441);
    WaitUntil(
        queue_, [] { return false; }, 100);
    EXPECT_EQ(fake_.backend.PlayedSamples("out").size(), held);
    EXPECT_EQ(events_.stopped, 0); // a paused player never runs out
    player_->Resume();
    EXPECT_FALSE(player_->IsPaused());
    Render();
    const auto played = fake_.backend.PlayedSamples("out");
    ASSERT_GE(played.size(), tone.size());
    EXPECT_EQ(std::vector<int32_t>(played.begin(), played.begin() + tone.size()), ToDevice(tone));
}

TEST_F(PlayerTest, OpeningPausedWaitsForResume)
{
    const auto tone = Tone(4410, 2, 0.5);
    ASSERT_TRUE(player_->Play(LSoundSourcePtr(new VectorSource(tone, 2)), 1));
    EXPECT_TRUE(player_->IsPaused());
    fake_.backend.StepPlayback(441);
    EXPECT_TRUE(fake_.backend.PlayedSamples("out").empty());
    player_->Resume();
    Render();
    EXPECT_EQ(events_.stopped, 1);
}

TEST_F(PlayerTest, ASourceAbove16BitFullScaleIsLevelled)
{
    std::vector<int32_t> loud = Tone(3 * 44100, 2, 0.5);
    for (int32_t& s : loud)
        s *= 8; // four times full scale
    ASSERT_TRUE(player_->Play(LSoundSourcePtr(new VectorSource(loud, 2, 0x7FFFFFFF))));
    EXPECT_NE(dynamic_cast<LLevellerFilter*>(player_->GetSource().Get()), nullptr);
    Render();
    const auto played = fake_.backend.PlayedSamples("out");
    ASSERT_FALSE(played.empty());
    int64_t peak = 0;
    for (int32_t s : played)
        peak = std::max<int64_t>(peak, std::abs(static_cast<int64_t>(s)));
    EXPECT_LE(peak, int64_t{0x7FFF0} * 4096);
    EXPECT_GT(peak, int64_t{0x7FFF0} * 4096 / 2);
}

TEST_F(PlayerTest, StopWithNothingPlayedReportsNothing)
{
    player_->Stop();
    EXPECT_EQ(events_.stopped, 0);
    LSoundSourcePtr failed;
    LSetFailedSource(failed, kSoundStatusCannotOpen);
    EXPECT_FALSE(player_->Play(failed));
    EXPECT_EQ(events_.started, 0);
    fake_.backend.SetServerDown(true);
    EXPECT_FALSE(player_->Play(LSoundSourcePtr(new VectorSource(Tone(100, 2, 0.1), 2))));
    EXPECT_EQ(events_.stopped, 0);
}

TEST_F(PlayerTest, APipeThatIsMomentarilyEmptyDoesNotEndPlaybackWhileItsWriterIsOpen)
{
    LSoundPipeBufferPtr buffer(new LSoundPipeBuffer(44100, 2, 0x7FFF0));
    LSoundSinkPtr writer(new LSoundPipeWriter(buffer));
    const auto first = Tone(4410, 2, 0.5);
    writer->Write(first.data(), 4410);
    ASSERT_TRUE(player_->Play(LSoundSourcePtr(new LSoundPipeReader(buffer))));
    Render(4410 + 4410);
    WaitUntil(
        queue_, [] { return false; }, 300);
    EXPECT_EQ(events_.stopped, 0);
    const auto second = Tone(4410, 2, 0.25);
    writer->Write(second.data(), 4410);
    writer.Reset(); // the writer closes: what is left plays, then the end
    Render();
    EXPECT_EQ(events_.stopped, 1);
    const auto played = fake_.backend.PlayedSamples("out");
    EXPECT_EQ(std::vector<int32_t>(played.begin(), played.begin() + first.size()), ToDevice(first));
    // The second piece follows after the silence that filled the wait.
    const auto second32 = ToDevice(second);
    auto at = std::search(played.begin(), played.end(), second32.begin(), second32.end());
    EXPECT_NE(at, played.end());
}

TEST_F(PlayerTest, AnOutputThatDisappearsStopsPlaybackWithAnError)
{
    ASSERT_TRUE(player_->Play(LSoundSourcePtr(new VectorSource(Tone(5 * 44100, 2, 0.5), 2))));
    Render(4410);
    fake_.backend.Unplug("out");
    ASSERT_TRUE(WaitUntil(queue_, [&] { return events_.error != 0; }));
    EXPECT_EQ(events_.error, kSoundDeviceGone);
    EXPECT_EQ(events_.stopped, 1);
}

TEST(ResourceSound, PlaysTheNamedFileOnTheDefaultOutputWithoutWaiting)
{
    FakeDevices fake;
    fake.backend.AddOutput(MakeDevice("out", "Speakers", 2));
    fake.backend.SetDefaultOutput("out");
    fake.backend.SetPacing(LFakeSoundBackend::Pacing::kClock, 441, 10.0);
    TempDir dir;
    LSetResourceSoundFolder(dir.Path(""));
    auto tone = Tone(8000, 2, 0.5);
    for (int32_t& v : tone)
        v = v / 16 * 16; // what a 16-bit file holds
    {
        LWaveFormatBlock format;
        LSetWaveFormatBlock(format, 1, 44100, 2, 16);
        LSoundSinkPtr sink;
        CreateSoundSinkForFormat(sink, dir.Path("364.wav").c_str(), format);
        sink->Write(tone.data(), 8000);
    }
    PlayResourceSound("missing");
    PlayResourceSound("../364");
    EXPECT_EQ(LResourceSoundsPlaying(), 0);
    PlayResourceTone(364);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (LResourceSoundsPlaying() > 0 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(LResourceSoundsPlaying(), 0);
    const auto played = fake.backend.PlayedSamples("out");
    const auto expected = ToDevice(tone);
    EXPECT_NE(std::search(played.begin(), played.end(), expected.begin(), expected.end()), played.end());
}

TEST(PlayerDevice, VolumeGainsAndSaturation)
{
    LSignalObject written, ended;
    LSoundPlayerDevice device(&written, &ended);
    EXPECT_EQ(device.SetVolumeDb(0), 512);
    EXPECT_EQ(device.SetVolumeDb(-127), 0);
    EXPECT_EQ(device.SetVolumeDb(6), LDbToAmplitudeGain(6) >> 15);
    EXPECT_EQ(LSoundPlayerDevice::ToDeviceSample(0x7FFF0, 512), 0x7FFF0 << 12);
    EXPECT_EQ(LSoundPlayerDevice::ToDeviceSample(-0x80000, 512), INT32_MIN);
    // Any positive volume on a full-scale sample: clipped, never wrapped.
    EXPECT_EQ(LSoundPlayerDevice::ToDeviceSample(0x7FFF0, 513), INT32_MAX);
    EXPECT_EQ(LSoundPlayerDevice::ToDeviceSample(0x7FFF0, LDbToGain512(20)), INT32_MAX);
    EXPECT_EQ(LSoundPlayerDevice::ToDeviceSample(-0x7FFF0, LDbToGain512(20)), INT32_MIN);
    EXPECT_EQ(LSoundPlayerDevice::ToDeviceSample(1000, 0), 0);
}

TEST(PlayerDevice, ChannelMap)
{
    struct Case
    {
        int32_t first, second;
        uint32_t sourceChannels, deviceChannels;
        int32_t map0, map1, storedSecond;
    } cases[] = {
        {0, 1, 2, 2, 0, 1, 1}, {1, 0, 2, 2, 1, 0, 0}, {1, 1, 2, 2, 1, 0, 0}, {0, 0, 2, 2, 0, 1, 1},
        {3, 3, 2, 4, 3, 2, 2}, {0, 1, 1, 2, 0, 0, 1}, {5, 1, 2, 2, 1, 1, 1},
    };
    for (const auto& c : cases) {
        LPlaybackDeviceSel selection{0, c.first, c.second};
        int32_t map[2];
        LSoundPlayerDevice::MapChannels(selection, c.sourceChannels, c.deviceChannels, map);
        EXPECT_EQ(map[0], c.map0) << c.first << "," << c.second;
        EXPECT_EQ(map[1], c.map1) << c.first << "," << c.second;
        EXPECT_EQ(selection.secondChannel, c.storedSecond) << c.first << "," << c.second;
    }
    EXPECT_EQ(LSoundPlayer::FramesToMs(44100 * 61 + 4410, 44100), 61100);
    EXPECT_EQ(LSoundPlayer::FramesToMs(10, 0), 0);
}

} // namespace
