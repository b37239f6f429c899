#include "app/program/recording/TrackDetector.h"

#include "foundation/log/LLog.h"

#include <algorithm>

int TrackDetector::ReportLevel(const LSoundLevelRecord& record)
{
    if (record.count == 0)
        return -127;
    if (record.count == 1)
        return record.levels[0];
    return std::max(record.levels[0], record.levels[1]);
}

int TrackDetector::ClampedFloor(int floorDb)
{
    return std::clamp(floorDb, -127, 127);
}

// The readings without the loudest tenth of their range: a click or a word
// in a silence must not hide the silence, nor a quiet passage the music.
// The range starts from -36..12 so that a run of quiet readings alone is
// never trimmed against itself.
int TrackDetector::TrimmedAverage(const int* readings, int n, int* kept)
{
    int high = -36;
    int low = 12;
    for (int i = 0; i < n; ++i) {
        high = std::max(high, readings[i]);
        low = std::min(low, readings[i]);
    }
    const double threshold = high - 0.1 * (high - low);
    int64_t sum = 0;
    int count = 0;
    for (int i = 0; i < n; ++i) {
        if (readings[i] <= threshold) {
            sum += readings[i];
            ++count;
        }
    }
    if (kept != nullptr)
        *kept = count;
    return static_cast<int>(sum / std::max(count, 1));
}

void TrackDetector::PrepareHistory(int autoSplitSecondsForCapacity)
{
    historyCapacity_ = std::max(30, 12 * std::max(autoSplitSecondsForCapacity, 0));
    levelHistory_.assign(static_cast<size_t>(historyCapacity_), 0);
    historyCount_ = 0;
    historySum_ = 0;
}

void TrackDetector::ResetForStart()
{
    isVerified_ = false;
    soundSeen_ = false;
    detectorClock_ = 0;
    waitClock_ = 0;
    loudMark_ = 0;
    lastInput_ = 0;
}

void TrackDetector::ResetAfterStop()
{
    historyCount_ = 0;
    historySum_ = 0;
    loudMark_ = 0;
    detectorClock_ = 0;
    trackEndPending_ = false;
}

void TrackDetector::Store(int level)
{
    historyCount_ = std::min(historyCount_ + 1, historyCapacity_);
    levelHistory_[static_cast<size_t>(historyCount_ - 1)] = level;
}

TrackDetectorOutcome TrackDetector::OnReport(const TrackDetectorReport& report,
                                             const TrackDetectorSettings& settings)
{
    TrackDetectorOutcome out;
    if (report.level > ClampedFloor(settings.noiseFloorDb))
        trackHeard_ = true;
    if (!isVerified_) {
        out.verifyRan = true;
        if (!soundSeen_ && report.level > ClampedFloor(settings.noiseFloorDb)) {
            soundSeen_ = true;
            loudMark_ = report.inputFrames;
        }
        if (settings.recordAudioOnly || settings.autoSplit) {
            VerifyStart(report, settings, out);
        } else {
            LLogInfo("Verified start of recording");
            isVerified_ = true;
            soundSeen_ = false;
            out.verified = true;
        }
    }
    lastInput_ = report.inputFrames;
    if (!isVerified_)
        return out;
    if (settings.autoSplit)
        DetectEnd(report, settings, out);
    return out;
}

void TrackDetector::VerifyStart(const TrackDetectorReport& report, const TrackDetectorSettings& settings,
                                TrackDetectorOutcome& out)
{
    (void)settings;
    historyCount_ = std::min(historyCount_ + 1, historyCapacity_);
    int64_t time;
    if (!soundSeen_) {
        // Input frames since the last report: the wait is timed by what the
        // device delivered, however often the recorder reports. A recorder
        // that restarted its input counts from 0 again.
        const int64_t elapsed =
            report.inputFrames >= lastInput_ ? report.inputFrames - lastInput_ : report.inputFrames;
        waitClock_ += elapsed;
        time = waitClock_;
    } else {
        time = report.inputFrames;
    }
    if (time < 2 * static_cast<int64_t>(report.rate) + loudMark_) {
        levelHistory_[static_cast<size_t>(historyCount_ - 1)] = report.level;
        return;
    }
    const int n = std::max(1, std::min(historyCount_ - 1, historyCapacity_));
    int kept = 0;
    const int average = TrimmedAverage(levelHistory_.data(), n, &kept);
    if (kept == 0)
        return;
    historyCount_ = std::min(kept, historyCapacity_);
    out.averageTaken = true;
    out.average = average;
    if (report.recorderState == kRecorderRecording) {
        LLogInfo("Verified start of recording");
        isVerified_ = true;
        soundSeen_ = false;
        loudMark_ = 0;
        detectorClock_ = 0;
        historyCount_ = 0;
        historySum_ = 0;
        out.verified = true;
    } else {
        isVerified_ = false;
        soundSeen_ = false;
        loudMark_ = 0;
        waitClock_ = 0;
        historyCount_ = 0;
        historySum_ = 0;
        out.stillWaiting = true;
    }
}

void TrackDetector::DetectEnd(const TrackDetectorReport& report, const TrackDetectorSettings& settings,
                              TrackDetectorOutcome& out)
{
    const int rawFloor = settings.noiseFloorDb;
    const int clamped = ClampedFloor(rawFloor);
    const int64_t now = report.inputFrames;
    if (!trackEndPending_) {
        if (report.level >= clamped || !trackHeard_)
            return;
        Store(report.level);
        LLogInfoF("End of track possibly reached - dB level is %d dB", report.level);
        trackEndPending_ = true;
        loudMark_ = now;
        detectorClock_ = now;
        out.candidateOpened = true;
    }
    if (report.level > clamped)
        loudMark_ = now;
    detectorClock_ = now;
    historyCount_ = std::min(historyCount_ + 1, historyCapacity_);
    const int64_t splitFrames = static_cast<int64_t>(report.rate) * std::max(settings.autoSplitSeconds, 0);
    if (detectorClock_ < splitFrames + loudMark_) {
        levelHistory_[static_cast<size_t>(historyCount_ - 1)] = report.level;
        return;
    }
    const int n = std::max(1, std::min(historyCount_ - 1, historyCapacity_));
    int kept = 0;
    const int average = TrimmedAverage(levelHistory_.data(), n, &kept);
    trackEndPending_ = false;
    historyCount_ = 0;
    historySum_ = 0;
    detectorClock_ = 0;
    if (average >= rawFloor) {
        LLogInfoF("End of track not found - average dB level is %d dB", average);
        out.endNotFound = true;
        return;
    }
    LLogInfoF("End of track found - average dB level is %d dB", average);
    isVerified_ = false;
    soundSeen_ = false;
    trackHeard_ = false;
    out.endOfTrack = true;
    out.endAverage = average;
}
