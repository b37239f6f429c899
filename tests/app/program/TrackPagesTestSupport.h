#pragma once
// Fixtures for the last pages of the recording wizard: the two working
// folders in a temporary folder, track files written sample by sample (tones,
// gaps, clicks, an offset), and what a WAV file holds.

#include "app/program/wizard/WizardTracks.h"
#include "foundation/threads/LProcessContext.h"
#include "support/TempHome.h"
#include "support/TestData.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace quorin::test {

// Interleaved 16-bit samples of a stereo file at 44.1 kHz.
struct StereoSamples
{
    std::vector<int16_t> data;
    int64_t Frames() const { return static_cast<int64_t>(data.size() / 2); }
};

inline constexpr int kWizardRate = 44100;

// A tone of the frequency at the level (fraction of full scale).
inline void AppendTone(StereoSamples& s, double seconds, double hz, double level, int offset = 0)
{
    const int64_t frames = static_cast<int64_t>(seconds * kWizardRate);
    for (int64_t i = 0; i < frames; ++i) {
        const double v = level * 32767.0 * std::sin(2 * M_PI * hz * static_cast<double>(i) / kWizardRate);
        const int16_t sample = static_cast<int16_t>(std::lround(v) + offset);
        s.data.push_back(sample);
        s.data.push_back(sample);
    }
}

inline void AppendSilence(StereoSamples& s, double seconds)
{
    AppendTone(s, seconds, 0, 0);
}

inline void WriteWav(const std::string& path, const StereoSamples& s)
{
    const uint32_t bytes = static_cast<uint32_t>(s.data.size() * 2);
    std::string out = "RIFF";
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out += static_cast<char>(v >> (8 * i) & 0xff);
    };
    auto u16 = [&](uint16_t v) {
        out += static_cast<char>(v & 0xff);
        out += static_cast<char>(v >> 8);
    };
    u32(36 + bytes);
    out += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(2);
    u32(kWizardRate);
    u32(kWizardRate * 4);
    u16(4);
    u16(16);
    out += "data";
    u32(bytes);
    out.append(reinterpret_cast<const char*>(s.data.data()), bytes);
    WriteFileBytes(path, out);
}

// The samples of a 16-bit PCM WAV file with a plain 44-byte header (what the
// program writes); empty when it is something else.
inline StereoSamples ReadWav(const std::string& path)
{
    StereoSamples s;
    const std::string bytes = ReadFileBytes(path);
    const size_t data = bytes.find("data");
    if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") != 0 || data == std::string::npos)
        return s;
    const size_t start = data + 8;
    s.data.resize((bytes.size() - start) / 2);
    std::memcpy(s.data.data(), bytes.data() + start, s.data.size() * 2);
    return s;
}

// A track of a tone: `seconds` long.
inline void WriteToneTrack(const std::string& path, double seconds, double hz = 440)
{
    StereoSamples s;
    AppendTone(s, seconds, hz, 0.4);
    WriteWav(path, s);
}

// The two working folders, with master copies in the recording folder and
// the same files as working copies in save.
class WizardFoldersTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(mkdir(folders_.recording.c_str(), 0755), 0);
        ASSERT_EQ(mkdir(folders_.save.c_str(), 0755), 0);
    }

    // Writes a master and its working copy.
    void AddTrack(const std::string& name, double seconds, double hz = 440)
    {
        WriteToneTrack(folders_.recording + "/" + name, seconds, hz);
        WriteToneTrack(folders_.save + "/" + name, seconds, hz);
    }

    std::vector<std::string> Saved() const { return FolderEntries(folders_.save); }
    std::vector<std::string> Masters() const { return FolderEntries(folders_.recording); }

    TempDir dir_;
    WizardTrackFolders folders_{dir_.Path("Recording"), dir_.Path("Recording/save")};
};

// A context that asks to stop once `stopAfter` stop tests have been made
// (never with a negative count), and keeps the step lines.
class CountingContext : public LProcessContext
{
public:
    explicit CountingContext(int stopAfter = -1) : stopAfter_(stopAfter) {}
    bool IsStopRequested() override { return stopAfter_ >= 0 && ++tests_ > stopAfter_; }
    bool WaitForStop(uint32_t) override { return IsStopRequested(); }
    int WaitForStopOrSignal(const LSignalObject*, uint32_t) override { return 0; }
    int WaitForStopOrPollSet(LPollSet*, uint32_t) override { return 0; }
    void MessageLevel(const char* text, int) override { messages.emplace_back(text); }
    void Message(const char* text) override { messages.emplace_back(text); }
    std::vector<std::string> messages;

private:
    int stopAfter_;
    int tests_ = 0;
};

} // namespace quorin::test
