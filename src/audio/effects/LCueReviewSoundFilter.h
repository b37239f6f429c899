#pragma once
// Plays a source fast forwards or backwards while the user winds through it
// (cue and review). Output is built from short grains of the source: each
// grain starts `step` frames after the previous one, so the source passes at
// step / G times normal speed while every grain plays at normal pitch. The
// first half of a grain continues the previous grain; the second half
// crossfades into the new place. The speed moves linearly from the start
// speed to the end speed over the given duration.

#include "audio/core/LSoundSource.h"

#include <deque>
#include <vector>

class LCueReviewSoundFilter : public LSoundFilter
{
public:
    // Speeds are multiples of normal speed, negative for backwards.
    LCueReviewSoundFilter(const LSoundSourcePtr& upstream, double startSpeed, double endSpeed,
                          uint32_t durationMs, bool seekToStart);
    ~LCueReviewSoundFilter() override;

    int64_t Read(int32_t* buffer, int64_t frames) override;
    // Positions and lengths are the source's frames: the position is the
    // source frame now being heard, moving at the current speed.
    int64_t GetPosition() override;
    int64_t GetLength() override;
    void Seek(int64_t frame) override;
    // Code 6 rewrites a count of output frames (negative: frames already
    // delivered but not yet heard) into source frames, at the speeds those
    // frames were made at; other codes go to the upstream.
    bool Query(int32_t code, int64_t* value) override;

    int64_t GetGrainFrames() const { return grain_; }
    // The current speed, in multiples of normal speed.
    double GetSpeed() const { return static_cast<double>(step_) / static_cast<double>(grain_); }

private:
    void StartGrain();
    // Reads frames source frames from frame on; silence before 0 and past the end.
    void ReadSource(int64_t frame, int32_t* buffer, int64_t frames);

    int64_t grain_;                 // G frames
    std::vector<int32_t> window_;   // G x channels 8.24 weights of the continuing stream
    std::vector<int32_t> current_;  // 2G frames from the newest grain's start
    std::vector<int32_t> previous_; // G frames continuing the previous grain
    int64_t grainStart_ = 0;        // source frame of the newest grain's start
    int64_t inGrain_ = 0;           // output frames of the current grain already delivered
    bool grainReady_ = false;
    int64_t step_ = 0;
    int64_t endStep_ = 0;
    int64_t remaining_ = 0; // frames of the speed ramp still to go

    // Where each recent grain began, in output frames and source frames, and
    // its speed: a player holds a few seconds of output, made while the
    // speed was changing, and asks where the frame it is playing came from.
    struct GrainMark
    {
        int64_t output;
        int64_t source;
        int64_t step;
    };
    std::deque<GrainMark> marks_;
    int64_t produced_ = 0; // output frames delivered since the last seek
};
