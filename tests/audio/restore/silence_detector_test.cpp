// Track regions found by silence: the detector's rules on small in-memory
// sides, and whole sides built with sox.

#include "audio/effects/LSilenceDetector.h"
#include "audio/formats/LAudioFileOpener.h"
#include "audio/restore/RestoreTestSignals.h"
#include "foundation/threads/LLocalProcessContext.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace quorin::test;

namespace {

struct Region
{
    int64_t start, end;
    bool operator==(const Region& o) const { return start == o.start && end == o.end; }
};

std::ostream& operator<<(std::ostream& os, const Region& r)
{
    return os << "[" << r.start << ", " << r.end << ")";
}

// Records what the detector reports and can ask it to stop after some blocks.
class RecordingContext : public LLocalProcessContext
{
public:
    explicit RecordingContext(int stopAfter = -1) : stopAfter_(stopAfter) {}
    bool IsStopRequested() override { return stopAfter_ >= 0 && polls_++ >= stopAfter_; }
    void MessageLevel(const char* text, int level) override
    {
        messages.push_back(text);
        levels.push_back(level);
    }
    void Progress(double fraction) override { progress.push_back(fraction); }

    std::vector<std::string> messages;
    std::vector<int> levels;
    std::vector<double> progress;

private:
    int stopAfter_;
    int polls_ = 0;
};

std::vector<Region> Find(LSoundSourcePtr source, int8_t floor, int64_t ms, int* result = nullptr,
                         LProcessContext* context = nullptr)
{
    LLocalProcessContext local;
    SoundRegion* head = nullptr;
    SilenceSplitParams params;
    params.noiseFloor = floor;
    params.minimumSilence = ms;
    const int r = FindSilentRegions(context ? context : &local, params, source, &head);
    if (result)
        *result = r;
    std::vector<Region> regions;
    for (SoundRegion* n = head; n; n = n->next)
        regions.push_back({n->start, n->end});
    FreeSoundRegions(&head);
    EXPECT_EQ(head, nullptr);
    return regions;
}

// A mono side at 8000 Hz (400-frame blocks) with loud stretches [from, to).
LSoundSourcePtr Side(int64_t frames, std::vector<std::pair<int64_t, int64_t>> loud, int32_t level = 100000)
{
    std::vector<int32_t> s(static_cast<size_t>(frames), 0);
    for (auto [from, to] : loud)
        for (int64_t f = from; f < to; ++f)
            s[f] = (f % 2) ? level : -level;
    return MakeSource(8000, 1, s);
}

} // namespace

TEST(SilenceDetector, DerivedQuantities)
{
    EXPECT_EQ(LSilenceBlockFrames(44100), 2205);
    EXPECT_EQ(LSilenceBlockFrames(8000), 400);
    EXPECT_EQ(LSilenceBlockFrames(163840), 8192);
    EXPECT_EQ(LSilenceBlockFrames(192000), 8192);
    EXPECT_EQ(LSilenceBlockFrames(399), 20);
    EXPECT_EQ(LSilenceThreshold(-25), 7370);
    EXPECT_EQ(LSilenceThreshold(0), 131072);
    EXPECT_EQ(LSilenceThreshold(-127), 0);
    EXPECT_EQ(LSilenceThreshold(127), INT32_MAX);
}

TEST(SilenceDetector, SourceAtItsEndGivesNothing)
{
    LSoundSourcePtr side = Side(4000, {{0, 4000}});
    side->Seek(4000);
    RecordingContext context;
    int result = -1;
    EXPECT_TRUE(Find(side, -25, 2000, &result, &context).empty());
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(context.messages.empty());
    EXPECT_TRUE(context.progress.empty());
}

TEST(SilenceDetector, Rules)
{
    const int64_t b = 400; // block at 8000 Hz
    struct Case
    {
        const char* what;
        int64_t frames;
        std::vector<std::pair<int64_t, int64_t>> loud;
        int32_t level;
        std::vector<Region> want;
    } cases[] = {
        {"all quiet", 40 * b, {}, 100000, {}},
        {"peak equal to the threshold is quiet", 40 * b, {{10 * b, 11 * b}}, 7370, {}},
        {"one loud block", 40 * b, {{10 * b + 5, 10 * b + 6}}, 100000, {{10 * b - b / 2, 12 * b}}},
        {"sound from the first block", 40 * b, {{0, 3 * b}}, 100000, {{0, 4 * b}}},
        {"sound up to the end",
         40 * b + 100,
         {{30 * b, 40 * b + 100}},
         100000,
         {{30 * b - b / 2, 40 * b + 100}}},
        // 2000 ms at 8000 Hz is 16000 frames = 40 blocks.
        {"short gap keeps one region",
         200 * b,
         {{10 * b, 20 * b}, {50 * b, 60 * b}},
         100000,
         {{10 * b - b / 2, 61 * b}}},
        {"long gap splits",
         200 * b,
         {{10 * b, 20 * b}, {70 * b, 80 * b}},
         100000,
         {{10 * b - b / 2, 21 * b}, {70 * b - b / 2, 81 * b}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Find(Side(c.frames, c.loud, c.level), -25, 2000), c.want) << c.what;
    // Floor -127 dB: any sample that is not silent is loud.
    EXPECT_EQ(Find(Side(40 * b, {{20 * b, 20 * b + 1}}, 1), -127, 2000),
              (std::vector<Region>{{20 * b - b / 2, 22 * b}}));
}

TEST(SilenceDetector, ShortLastBlockIsJudgedByItsOwnFrames)
{
    const int64_t b = 400;
    // The block before the last is loud, the short last block is silent.
    LSoundSourcePtr side = Side(10 * b + 50, {{9 * b, 10 * b}});
    EXPECT_EQ(Find(side, -25, 0), (std::vector<Region>{{9 * b - b / 2, 10 * b + 50}}));
}

TEST(SilenceDetector, ExistingRegionsStayInFrontAndStopKeepsClosedRegions)
{
    const int64_t b = 400;
    LSoundSourcePtr side = Side(200 * b, {{10 * b, 20 * b}, {70 * b, 80 * b}, {150 * b, 160 * b}});
    SoundRegion* head = new SoundRegion{nullptr, 1, 2};
    RecordingContext context(100); // stops while the third region is open
    SilenceSplitParams params;
    EXPECT_EQ(FindSilentRegions(&context, params, side, &head), 1);
    std::vector<Region> got;
    for (SoundRegion* n = head; n; n = n->next)
        got.push_back({n->start, n->end});
    FreeSoundRegions(&head);
    EXPECT_EQ(got, (std::vector<Region>{{1, 2}, {10 * b - b / 2, 21 * b}}));
    ASSERT_FALSE(context.messages.empty());
    EXPECT_EQ(context.messages.front(), "Number of silent regions found: 1");
    EXPECT_EQ(context.levels.front(), 0);
    EXPECT_EQ(context.progress.front(), 0.0);
}

namespace {

constexpr int8_t kFloorDb = -25;

struct Piece
{
    std::string synth; // sox synth arguments, or "" for a gap
    double seconds;
    double gapDb; // gap noise peak, on the detector's scale
};

// The test rests on every gap staying below the floor: let sox confirm that
// the noise peaks at its volume (plus dither) and that this is under the floor.
void ExpectGapBelowFloor(const std::string& file, double amplitude)
{
    const std::string stat = CaptureCommand("sox " + Quote(file) + " -n stat 2>&1");
    double peak = -1.0;
    for (const char* key : {"Maximum amplitude:", "Minimum amplitude:"}) {
        const size_t k = stat.find(key);
        ASSERT_NE(k, std::string::npos) << stat;
        peak = std::max(peak, std::fabs(std::atof(stat.c_str() + k + std::strlen(key))));
    }
    EXPECT_LE(peak, amplitude + 2.0 / 32768) << file;
    EXPECT_LT(peak, 0.25 * std::pow(10.0, kFloorDb / 20.0)) << file;
}

// Builds a side from pieces with sox and returns the track spans in frames.
std::vector<std::pair<int64_t, int64_t>> BuildSide(const std::string& dir, const std::string& name,
                                                   const std::vector<Piece>& pieces, std::string& path)
{
    std::vector<std::pair<int64_t, int64_t>> tracks;
    std::string list;
    int64_t at = 0;
    bool inTrack = false;
    int i = 0;
    for (const Piece& p : pieces) {
        const std::string file = dir + "/" + name + std::to_string(i++) + ".wav";
        // The format goes on the null input so that synth runs at 44100 Hz in
        // stereo: synthesised at sox's default 48000 Hz, the noise would pass
        // through its resampler, whose filter turns the evenly spread white
        // noise into a bell-shaped one with peaks well above its volume, and a
        // gap could then reach the floor. -R keeps sox from drawing a fresh
        // noise seed each run, so the side is the same every time.
        std::string cmd =
            "sox -q -R -r 44100 -c 2 -n -b 16 " + file + " synth " + std::to_string(p.seconds) + " ";
        const int64_t frames = static_cast<int64_t>(std::llround(p.seconds * 44100));
        const double amplitude = 0.25 * std::pow(10.0, p.gapDb / 20.0);
        if (p.synth.empty()) {
            // Noise whose peak sits at gapDb on the scale where 0 dB is a quarter of full scale.
            cmd += "whitenoise vol " + std::to_string(amplitude);
            inTrack = false;
        } else {
            cmd += p.synth;
            if (!inTrack)
                tracks.push_back({at, at + frames});
            else
                tracks.back().second = at + frames;
            inTrack = true;
        }
        EXPECT_EQ(RunCommand(cmd), 0) << cmd;
        if (p.synth.empty())
            ExpectGapBelowFloor(file, amplitude);
        list += " " + file;
        at += frames;
    }
    path = dir + "/" + name + ".wav";
    EXPECT_EQ(RunCommand("sox -q" + list + " " + path), 0);
    return tracks;
}

} // namespace

TEST(SilenceDetector, SoxSidesSplitIntoTheirTracks)
{
    QUORIN_REQUIRE_TOOL("sox");
    TempDir dir;
    const std::string tone = "sine 440 vol 0.5";
    const std::string chord = "sine 220 sine 330 vol 0.3";
    const std::string music = "pinknoise tremolo 3 60 vol 0.4";
    const std::string quiet = "sine 1000 vol 0.05";   // -14 dB on the detector's scale: loud
    const std::string whisper = "sine 800 vol 0.004"; // -36 dB: below the floor, but short
    struct SideCase
    {
        const char* name;
        int64_t minimumSilenceMs;
        std::vector<Piece> pieces;
    } sides[] = {
        {"a",
         900,
         {{"", 1.5, -60},
          {tone, 3.0, 0},
          {"", 1.0, -30},
          {music, 4.0, 0},
          {quiet, 1.5, 0},
          {music, 2.0, 0},
          {"", 2.5, -45},
          {chord, 2.5, 0},
          {whisper, 0.6, 0},
          {chord, 2.0, 0},
          {"", 5.0, -60},
          {music, 3.0, 0},
          {"", 1.2, -35}}},
        {"b",
         2000,
         {{tone, 2.0, 0},
          {"", 3.0, -40},
          {music, 3.0, 0},
          {whisper, 1.2, 0},
          {music, 1.0, 0},
          {"", 4.0, -30},
          {chord, 3.0, 0}}},
    };
    for (const SideCase& side : sides) {
        std::string path;
        const auto tracks = BuildSide(dir.Path(), side.name, side.pieces, path);
        LSoundSourcePtr source;
        LOpenAudioFileSource(source, path.c_str());
        ASSERT_EQ(source->GetStatus(), kSoundStatusOk) << path;
        const std::vector<Region> found = Find(source, kFloorDb, side.minimumSilenceMs);
        ASSERT_EQ(found.size(), tracks.size()) << side.name;
        const int64_t block = 2205;
        for (size_t t = 0; t < tracks.size(); ++t) {
            // Each region starts half a block before its sound and ends two
            // blocks after it; the block grid moves either edge by less than a block.
            const int64_t wantStart = std::max<int64_t>(0, tracks[t].first - block / 2);
            const int64_t wantEnd = std::min(tracks[t].second + 2 * block, source->GetLength());
            EXPECT_LE(found[t].start, wantStart) << side.name << " track " << t;
            EXPECT_GT(found[t].start, wantStart - block) << side.name << " track " << t;
            EXPECT_LE(found[t].end, wantEnd) << side.name << " track " << t;
            EXPECT_GE(found[t].end, wantEnd - block) << side.name << " track " << t;
        }
    }
}
