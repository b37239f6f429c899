// Track start verification and end-of-track detection, driven by tables of
// level reports. Reports carry the input clock in frames, so each table says
// when (in frames of input) a report arrives and what the recorder was doing.

#include "app/program/recording/TrackDetector.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

constexpr uint32_t kRate = 44100;
constexpr int64_t kFifth = kRate / 5; // the recorder reports about five times a second

LSoundLevelRecord Levels(std::vector<int> dBs)
{
    LSoundLevelRecord record;
    record.count = static_cast<uint8_t>(dBs.size());
    for (size_t i = 0; i < dBs.size(); ++i)
        record.levels[i] = static_cast<int8_t>(dBs[i]);
    return record;
}

TrackDetectorReport Report(int level, int64_t frames, int32_t state = kRecorderRecording)
{
    TrackDetectorReport report;
    report.level = level;
    report.inputFrames = frames;
    report.rate = kRate;
    report.recorderState = state;
    return report;
}

TrackDetectorSettings AutoSplit(int floor = -40, int seconds = 2)
{
    TrackDetectorSettings settings;
    settings.noiseFloorDb = floor;
    settings.autoSplit = true;
    settings.autoSplitSeconds = seconds;
    return settings;
}

// A detector whose start is already verified, as after the first loud seconds.
TrackDetector VerifiedDetector()
{
    TrackDetector detector;
    detector.PrepareHistory(2);
    detector.ResetForStart();
    detector.SetVerified(true);
    // The music heard so far, at the input clock's start: it neither opens a
    // candidate nor moves a clock.
    detector.OnReport(Report(-10, 0), AutoSplit());
    return detector;
}

TEST(TrackDetector, ReportLevelUsesTheLouderOfTheFirstTwoChannels)
{
    struct Case
    {
        std::vector<int> dBs;
        int level;
    } cases[] = {
        {{}, -127}, {{-12}, -12}, {{-30, -6}, -6}, {{-6, -30}, -6}, {{-40, -50, 0}, -40},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TrackDetector::ReportLevel(Levels(c.dBs)), c.level) << c.dBs.size() << " channels";
}

TEST(TrackDetector, FloorIsClampedForComparisons)
{
    EXPECT_EQ(TrackDetector::ClampedFloor(-200), -127);
    EXPECT_EQ(TrackDetector::ClampedFloor(300), 127);
    EXPECT_EQ(TrackDetector::ClampedFloor(-25), -25);
}

TEST(TrackDetector, TrimmedAverageLeavesOutTheLoudestTenthOfTheRange)
{
    struct Case
    {
        const char* what;
        std::vector<int> readings;
        int average;
        int kept;
    } cases[] = {
        // The range starts at -36..12, so quiet readings alone are never trimmed.
        {"steady quiet", {-60, -60, -60, -60}, -60, 4},
        {"one loud reading trimmed", {-60, -60, -60, -60, -60, -60, -60, -60, -60, -20}, -60, 9},
        {"a reading below the top tenth stays", {-60, -60, -60, -50}, -57, 4},
        {"loud readings", {-10, -10, -10}, -10, 3},
        {"truncates toward zero", {-61, -60}, -60, 2},
    };
    for (const auto& c : cases) {
        int kept = -1;
        EXPECT_EQ(
            TrackDetector::TrimmedAverage(c.readings.data(), static_cast<int>(c.readings.size()), &kept),
            c.average)
            << c.what;
        EXPECT_EQ(kept, c.kept) << c.what;
    }
}

TEST(TrackDetector, WithoutAutoSplitOrWaitingTheFirstReportVerifies)
{
    TrackDetector detector;
    detector.PrepareHistory(5);
    detector.ResetForStart();
    TrackDetectorSettings settings; // neither "RecordAudioOnly" nor "AutoSplitTracks"
    const auto out = detector.OnReport(Report(-90, kFifth), settings);
    EXPECT_TRUE(out.verifyRan);
    EXPECT_TRUE(out.verified);
    EXPECT_TRUE(detector.IsVerified());
    EXPECT_FALSE(detector.IsSoundSeen());
}

TEST(TrackDetector, WaitingForSoundReportsTheFloorEveryTwoSecondsOfInput)
{
    // The recorder still waits; nothing is louder than the floor. Whatever the
    // report spacing, the verification runs once two seconds of input passed.
    struct Case
    {
        const char* what;
        int64_t spacing;
        int firstAt; // 1-based index of the report that ran the verification
    } cases[] = {
        {"five reports a second", kFifth, 10},
        {"ten reports a second", kRate / 10, 20},
        {"two reports a second", kRate / 2, 4},
    };
    for (const auto& c : cases) {
        TrackDetector detector;
        detector.PrepareHistory(5);
        detector.ResetForStart();
        TrackDetectorSettings settings;
        settings.recordAudioOnly = true;
        std::vector<int> fired;
        for (int i = 1; i <= 2 * c.firstAt; ++i) {
            const auto out = detector.OnReport(Report(-90, i * c.spacing, kRecorderWaiting), settings);
            if (out.stillWaiting)
                fired.push_back(i);
            EXPECT_FALSE(out.verified) << c.what;
        }
        EXPECT_EQ(fired, (std::vector<int>{c.firstAt, 2 * c.firstAt})) << c.what;
    }
}

TEST(TrackDetector, SoundVerifiesTheStartTwoSecondsAfterItBegan)
{
    TrackDetector detector;
    detector.PrepareHistory(5);
    detector.ResetForStart();
    TrackDetectorSettings settings;
    settings.recordAudioOnly = true;
    settings.noiseFloorDb = -40;
    // Quiet until 1 s, then music from the report at 1.2 s on.
    int verifiedAt = -1;
    for (int i = 1; i <= 30 && verifiedAt < 0; ++i) {
        const int64_t frames = i * kFifth;
        const bool loud = frames > kRate;
        const auto out = detector.OnReport(
            Report(loud ? -12 : -70, frames, loud ? kRecorderRecording : kRecorderWaiting), settings);
        if (out.verified) {
            verifiedAt = i;
            EXPECT_TRUE(out.averageTaken);
        }
    }
    // First loud report at 1.2 s (report 6); two seconds later is 3.2 s (report 16).
    EXPECT_EQ(verifiedAt, 16);
}

TEST(TrackDetector, LevelsAtTheFloorNeitherOpenACandidateNorMoveTheMark)
{
    TrackDetector detector = VerifiedDetector();
    const auto settings = AutoSplit(-40);
    for (int i = 1; i <= 30; ++i) {
        const auto out = detector.OnReport(Report(-40, i * kFifth), settings);
        EXPECT_FALSE(out.candidateOpened);
        EXPECT_FALSE(out.endOfTrack);
    }
    EXPECT_FALSE(detector.IsEndPending());
}

// Runs reports from a table of (frames, level) and answers the index of the
// report that ended the track, -1 when none did.
int EndOfTrackIndex(TrackDetector& detector, const std::vector<std::pair<int64_t, int>>& reports,
                    const TrackDetectorSettings& settings)
{
    for (size_t i = 0; i < reports.size(); ++i) {
        const auto out = detector.OnReport(Report(reports[i].second, reports[i].first), settings);
        if (out.endOfTrack)
            return static_cast<int>(i);
    }
    return -1;
}

TEST(TrackDetector, EndOfTrackAfterTheSplitTimeOfQuietInput)
{
    struct Case
    {
        const char* what;
        int64_t origin;  // the input clock of the first report
        int64_t spacing; // frames between reports
        int seconds;     // "AutoSplitTime"
        int loudAt;      // index of a loud report inside the silence (-1 none)
        int endAt;       // index of the report that ends the track (-1 none)
    } cases[] = {
        // Five loud reports, then quiet from report 5 on: the candidate opens at
        // report 5 and the track ends two seconds (ten reports) later.
        {"five reports a second", 0, kFifth, 2, -1, 15},
        {"ten reports a second", 0, kRate / 10, 2, -1, 25},
        {"split time 4", 0, kFifth, 4, -1, 25},
        {"a loud report postpones by the split time from it", 0, kFifth, 2, 9, 19},
        // Past 2^31 frames (13.5 hours) the clocks go on counting.
        {"after a day of recording", int64_t(24) * 3600 * kRate, kFifth, 2, -1, 15},
    };
    for (const auto& c : cases) {
        TrackDetector detector = VerifiedDetector();
        std::vector<std::pair<int64_t, int>> reports;
        for (int i = 0; i < 40; ++i) {
            int level = i < 5 ? -10 : -60;
            if (i == c.loudAt)
                level = -10;
            reports.emplace_back(c.origin + (i + 1) * c.spacing, level);
        }
        EXPECT_EQ(EndOfTrackIndex(detector, reports, AutoSplit(-40, c.seconds)), c.endAt) << c.what;
        EXPECT_FALSE(detector.IsVerified()) << c.what; // the next track starts unverified
    }
}

TEST(TrackDetector, ANoisySilenceIsNotAnEndOfTrack)
{
    // One report under the floor opens a candidate; two seconds of reports
    // right at the floor follow (they neither move the mark nor count as
    // loud): their average is not below the floor, so the candidate is dropped.
    TrackDetector detector = VerifiedDetector();
    const auto settings = AutoSplit(-40);
    std::vector<std::pair<int64_t, int>> reports;
    reports.emplace_back(kFifth, -41);
    for (int i = 2; i <= 14; ++i)
        reports.emplace_back(i * kFifth, -40);
    bool notFound = false;
    for (const auto& [frames, level] : reports) {
        const auto out = detector.OnReport(Report(level, frames), settings);
        EXPECT_FALSE(out.endOfTrack);
        notFound = notFound || out.endNotFound;
    }
    EXPECT_TRUE(notFound);
    EXPECT_TRUE(detector.IsVerified());
}

// Silence is not a track: before the first sound of a track (a needle not
// yet down) and after the last one (the side has ended) the recording goes on
// in one file instead of a silent file every few seconds; a track that held
// sound still ends at the silence after it.
TEST(TrackDetector, OnlyATrackThatHeldSoundEndsAtASilence)
{
    TrackDetector detector;
    detector.PrepareHistory(2);
    detector.StartTrack();
    detector.ResetForStart();
    const auto settings = AutoSplit(-40, 2);
    std::vector<int> ends;
    int64_t frames = 0;
    int index = 0;
    auto run = [&](int level, int seconds) {
        for (int i = 0; i < seconds * 5; ++i, ++index) {
            frames += kFifth;
            if (detector.OnReport(Report(level, frames), settings).endOfTrack) {
                ends.push_back(index);
                // The session closes the file and starts the next one.
                detector.ResetAfterStop();
                detector.StartTrack();
                detector.ResetForStart();
            }
        }
    };
    run(-70, 30); // half a minute of lead-in silence
    EXPECT_TRUE(ends.empty()) << "the silence before the music was split into tracks";
    EXPECT_FALSE(detector.IsTrackHeard());
    run(-12, 10); // a track of music
    EXPECT_TRUE(detector.IsTrackHeard());
    run(-70, 30); // the side has ended
    ASSERT_EQ(ends.size(), 1u) << "the music's track ends once, the silence after it is no track";
    EXPECT_GT(ends[0], 30 * 5 + 10 * 5);
    EXPECT_LT(ends[0], 30 * 5 + 10 * 5 + 5 * 5);
    EXPECT_FALSE(detector.IsTrackHeard());
    run(-12, 5); // the next track after the long gap
    run(-70, 5);
    EXPECT_EQ(ends.size(), 2u);
}

} // namespace
