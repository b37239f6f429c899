#pragma once
// Turns the recorder's level reports into two decisions: whether a recording
// has really started (its start is "verified"), and whether the current
// track has ended at a silence, so that the session closes it and starts the
// next one. Both compare levels with the noise floor.
//
// The recorder reports a few times a second, not at a fixed rate, so every
// clock here counts input frames (the frames the recorder has taken from the
// device, which go on counting while it waits for sound) instead of counting
// reports. All positions and clocks are 64-bit: a session may run for days.

#include "audio/devices/LSoundRecorder.h"

#include <cstdint>
#include <vector>

// The settings the decisions read, taken afresh for every report.
struct TrackDetectorSettings
{
    int noiseFloorDb = -25; // "dBNoiseFloor", unclamped
    bool recordAudioOnly = false;
    bool autoSplit = false;
    int autoSplitSeconds = 2; // "AutoSplitTime"
};

// One level report with the input clock at the time it was delivered.
struct TrackDetectorReport
{
    int level = -127;        // see ReportLevel
    int64_t inputFrames = 0; // frames taken from the input since the recorder started
    uint32_t rate = 44100;
    int32_t recorderState = kRecorderRecording;
};

// What a report led to; the session acts on it.
struct TrackDetectorOutcome
{
    bool verifyRan = false;    // the start was not verified before this report
    bool verified = false;     // the start became verified with this report
    bool stillWaiting = false; // a verification ran while the recorder still waits for sound
    bool averageTaken = false; // a verification averaged the readings (average holds it)
    int average = 0;
    bool candidateOpened = false; // a possible end of track is now being timed
    bool endNotFound = false;     // the timed silence was not quiet enough on average
    bool endOfTrack = false;      // the track ended: close it and start the next
    int endAverage = 0;
};

class TrackDetector
{
public:
    // The level of a report: -127 with no channel, the only channel, or the
    // louder of the first two.
    static int ReportLevel(const LSoundLevelRecord& record);
    // The floor as reports are compared with it: within -127..127.
    static int ClampedFloor(int floorDb);
    // The trimmed average of the first n readings (see the .cpp); kept gets
    // the number of readings that survived the trim.
    static int TrimmedAverage(const int* readings, int n, int* kept);

    // A new or resumed recording starts while the recorder is idle: the
    // history is sized for "AutoSplitTime" (read with default 5 here) and
    // everything is cleared.
    void PrepareHistory(int autoSplitSecondsForCapacity);
    // A recording (re)starts: not verified, no sound seen, clocks at 0.
    void ResetForStart();
    // Pause, restart or stop: history and clocks cleared, no end pending.
    void ResetAfterStop();
    // A new file begins (not a resumed one): nothing heard in it yet.
    void StartTrack() { trackHeard_ = false; }

    // The level report. The caller shows the level; this decides.
    TrackDetectorOutcome OnReport(const TrackDetectorReport& report, const TrackDetectorSettings& settings);

    bool IsVerified() const { return isVerified_; }
    bool IsSoundSeen() const { return soundSeen_; }
    bool IsEndPending() const { return trackEndPending_; }
    // A report above the floor arrived since the current track began.
    bool IsTrackHeard() const { return trackHeard_; }
    int HistoryCapacity() const { return historyCapacity_; }
    int HistoryCount() const { return historyCount_; }
    int64_t LoudMark() const { return loudMark_; }
    // Marks the start verified without a verification (the session's
    // verified state across a recorder that went back to waiting).
    void SetVerified(bool verified)
    {
        isVerified_ = verified;
        soundSeen_ = false;
    }

private:
    void Store(int level);
    void VerifyStart(const TrackDetectorReport& report, const TrackDetectorSettings& settings,
                     TrackDetectorOutcome& out);
    void DetectEnd(const TrackDetectorReport& report, const TrackDetectorSettings& settings,
                   TrackDetectorOutcome& out);

    std::vector<int> levelHistory_ = std::vector<int>(30, 0);
    int historyCapacity_ = 30;
    int historyCount_ = 0;
    int64_t historySum_ = 0;
    int64_t loudMark_ = 0;      // input clock of the last report above the floor
    int64_t detectorClock_ = 0; // input clock of the end-of-track timing
    int64_t waitClock_ = 0;     // input frames while no sound has been seen
    int64_t lastInput_ = -1;    // input clock of the previous report
    bool isVerified_ = false;
    bool soundSeen_ = false;
    bool trackEndPending_ = false;
    // Only a track that held sound can end at a silence: silence before the
    // first sound (a needle not yet down, a tape run out) is not a track, and
    // splitting it would leave a silent file every few seconds.
    bool trackHeard_ = false;
};
