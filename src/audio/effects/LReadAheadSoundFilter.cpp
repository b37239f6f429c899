#include "audio/effects/LReadAheadSoundFilter.h"

#include "audio/core/LSoundSink.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// Blocks of the upstream read between two hand-offs. Every hand-off may cost
// a switch between threads, and one per block was a large part of the
// chain's whole cost wherever the threads share a core (a busy machine, or a
// process pinned to one).
constexpr int64_t kBlocksPerHandOff = 4;

} // namespace

LReadAheadSoundFilter::LReadAheadSoundFilter(const LSoundSourcePtr& upstream, bool active, int depth)
    : LSoundFilter(upstream), depth_(std::max(depth, 1)), active_(active)
{
    position_ = upstream_->GetPosition();
}

LReadAheadSoundFilter::~LReadAheadSoundFilter()
{
    if (running_) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        drained_.notify_all();
        thread_.join();
    }
}

bool LReadAheadSoundFilter::Start()
{
    if (!active_ || status_ != kSoundStatusOk || upstream_->IsMoreDataPending())
        return false;
    end_ = upstream_->GetLength();
    if (position_ >= end_)
        return false;
    ready_.clear();
    offset_ = 0;
    stopping_ = false;
    ended_ = false;
    thread_ = std::thread(&LReadAheadSoundFilter::Run, this, position_, end_);
    running_ = true;
    return true;
}

void LReadAheadSoundFilter::Stop()
{
    if (!running_)
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    drained_.notify_all();
    thread_.join();
    running_ = false;
    for (Block& block : ready_)
        spare_.push_back(std::move(block.samples));
    ready_.clear();
    offset_ = 0;
    // What was read ahead and not delivered is read again from here.
    if (upstream_->GetPosition() != position_)
        upstream_->Seek(position_);
}

void LReadAheadSoundFilter::Run(int64_t from, int64_t end)
{
    const int64_t channels = channels_;
    for (int64_t at = from; at < end;) {
        std::vector<int32_t> samples;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            drained_.wait(lock, [this] { return stopping_ || static_cast<int>(ready_.size()) < depth_; });
            if (stopping_)
                break;
            if (!spare_.empty()) {
                samples = std::move(spare_.back());
                spare_.pop_back();
            }
        }
        // The same block sizes a reader of whole blocks would ask for, so
        // that the upstream works exactly as it would without us.
        const int64_t frames = std::min(end - at, kSoundBlockFrames * kBlocksPerHandOff);
        samples.resize(static_cast<size_t>(frames * channels));
        int64_t delivered = 0;
        for (int64_t part = 0; part < frames; part += kSoundBlockFrames)
            delivered += upstream_->Read(samples.data() + part * channels,
                                         std::min(frames - part, kSoundBlockFrames));
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ready_.push_back(Block{std::move(samples), frames, delivered});
        }
        filled_.notify_one();
        at += frames;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ended_ = true;
    }
    filled_.notify_one();
}

int64_t LReadAheadSoundFilter::Read(int32_t* buffer, int64_t frames)
{
    if (frames <= 0)
        return 0;
    const int64_t channels = channels_;
    int64_t done = 0;
    int64_t delivered = 0;
    while (done < frames) {
        if (!running_ && !Start()) {
            // Nothing (more) to read ahead: the rest comes straight from upstream.
            delivered += upstream_->Read(buffer + done * channels, frames - done);
            position_ = upstream_->GetPosition();
            return delivered;
        }
        std::unique_lock<std::mutex> lock(mutex_);
        filled_.wait(lock, [this] { return !ready_.empty() || ended_; });
        if (ready_.empty()) {
            // The thread read through to the end it was given: the upstream
            // stands there, and so do we.
            lock.unlock();
            thread_.join();
            running_ = false;
            continue;
        }
        // The thread only adds at the back, which leaves the front block in place.
        Block& block = ready_.front();
        lock.unlock();
        const int64_t n = std::min(block.frames - offset_, frames - done);
        std::memcpy(buffer + done * channels, block.samples.data() + offset_ * channels,
                    static_cast<size_t>(n * channels) * sizeof(int32_t));
        delivered += std::clamp<int64_t>(block.delivered - offset_, 0, n);
        offset_ += n;
        done += n;
        position_ += n;
        if (offset_ == block.frames) {
            lock.lock();
            spare_.push_back(std::move(block.samples));
            ready_.pop_front();
            // The thread is woken once half the queue is free, and then
            // fills it, rather than being woken for every block taken.
            const bool wake = static_cast<int>(ready_.size()) * 2 <= depth_;
            lock.unlock();
            offset_ = 0;
            if (wake)
                drained_.notify_one();
        }
    }
    return delivered;
}

int64_t LReadAheadSoundFilter::GetPosition()
{
    return running_ ? position_ : upstream_->GetPosition();
}

int64_t LReadAheadSoundFilter::GetLength()
{
    return running_ ? end_ : upstream_->GetLength();
}

void LReadAheadSoundFilter::Seek(int64_t frame)
{
    Stop();
    upstream_->Seek(frame);
    position_ = upstream_->GetPosition();
}

bool LReadAheadSoundFilter::Query(int32_t code, int64_t* value)
{
    Stop();
    return upstream_->Query(code, value);
}

bool LReadAheadSoundFilter::IsMoreDataPending()
{
    // The thread only runs over a source that had all its data.
    return running_ ? false : upstream_->IsMoreDataPending();
}

int LReadAheadSoundFilter::WaitForData(uint32_t ms)
{
    Stop();
    return upstream_->WaitForData(ms);
}

void LReadAheadSoundFilter::SetActive(bool active)
{
    if (!active)
        Stop();
    active_ = active;
}

LReadAheadSoundFilter* LAddReadAhead(LSoundSourcePtr& source, bool active)
{
    if (source->GetStatus() != kSoundStatusOk || source->IsMoreDataPending())
        return nullptr;
    auto* filter = new LReadAheadSoundFilter(source, active);
    source = filter;
    return filter;
}
