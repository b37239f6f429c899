#pragma once
// A filter that reads its upstream ahead on a thread of its own, into a
// bounded queue of blocks, so that the work upstream of it (decoding, a run
// of effects) overlaps with the work downstream (more effects, encoding,
// writing). What it delivers is what the upstream delivers, sample for
// sample: the thread reads the same blocks a reader of kSoundBlockFrames
// would, from the position where reading began, and hands them over a few
// at a time.
//
// The thread starts on the first Read and only over a source of fixed
// length: over one that is still growing (a recording in progress) the
// filter simply passes every call through. While the thread runs, it alone
// touches the upstream; Seek, Query and WaitForData stop it first, putting
// the upstream back at the position delivered so far.
//
// A filter can be made inactive, passing every call through, for a while in
// which what it would read ahead would be thrown away: filters built over
// it read a little of their upstream as they are made, and a seek to the
// start follows.

#include "audio/core/LSoundSource.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

class LReadAheadSoundFilter : public LSoundFilter
{
public:
    // depth: how many hand-offs (of a few blocks each) the thread may hold
    // ready at most (at least 1).
    explicit LReadAheadSoundFilter(const LSoundSourcePtr& upstream, bool active = true, int depth = 4);
    ~LReadAheadSoundFilter() override;

    int64_t Read(int32_t* buffer, int64_t frames) override;
    int64_t GetPosition() override;
    int64_t GetLength() override;
    void Seek(int64_t frame) override;
    bool Query(int32_t code, int64_t* value) override;
    bool IsMoreDataPending() override;
    int WaitForData(uint32_t ms) override;

    // Inactive, the thread is stopped and every call passes through.
    void SetActive(bool active);
    bool IsActive() const { return active_; }

private:
    struct Block
    {
        std::vector<int32_t> samples;
        int64_t frames = 0;    // frames the block holds
        int64_t delivered = 0; // of them, frames the upstream had real data for
    };

    // Starts the thread at the current position when there is something to read.
    bool Start();
    // Ends the thread, drops what it read ahead and puts the upstream back
    // at the position delivered so far.
    void Stop();
    void Run(int64_t from, int64_t end);

    const int depth_;
    bool active_;
    std::mutex mutex_;
    std::condition_variable filled_;  // a block was queued, or the thread ended
    std::condition_variable drained_; // a block was taken, or the thread is asked to end
    std::deque<Block> ready_;
    std::vector<std::vector<int32_t>> spare_;
    bool stopping_ = false;
    bool ended_ = false; // the thread has queued its last block
    std::thread thread_;
    bool running_ = false; // thread_ is joinable

    int64_t position_ = 0; // frames delivered so far (the reader's position)
    int64_t end_ = 0;      // the upstream's length when the thread started
    int64_t offset_ = 0;   // frames of the front block already delivered
};

// Puts a read-ahead filter over the handle's source and returns it. A
// source that is failed or still growing is left as it is (null returned).
LReadAheadSoundFilter* LAddReadAhead(LSoundSourcePtr& source, bool active = true);
