#include "audio/devices/LSoundRecorder.h"

#include "audio/effects/LSampleLevels.h"
#include "foundation/settings/LSettings.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace {

constexpr uint32_t kStartWaitMs = 5000;
constexpr int kRecorderPriority = 40;
constexpr int kWarmUpBlocks = 5;
constexpr int64_t kSilenceKeptMs = 450;
constexpr int64_t kStopKeptMs = 50;

// Shared by every recorder of the process, as the level meters share one
// refresh rate; a lost count only shifts one posting.
std::atomic<int64_t> gLevelPostCounter{0};

int8_t ClampDb(int32_t db)
{
    return static_cast<int8_t>(std::clamp(db, -127, 127));
}

} // namespace

LSoundRecorder::LSoundRecorder() : listener_(this)
{
    stream_.selection = LSoundInputDefaultSelection();
}

LSoundRecorder::~LSoundRecorder()
{
    Stop();
    TearDownNotify();
    StopAndWait();
    sink_.Reset();
    stream_.Close();
}

void LSoundRecorder::SetListener(LSoundRecorderListener* listener, void* cookie)
{
    listener_ = listener != nullptr ? listener : this;
    cookie_ = cookie;
}

int8_t LSoundRecorder::ChannelLevel(int32_t peak)
{
    if (peak <= 0)
        return -127;
    const double db = std::round(20.0 * std::log10(static_cast<double>(peak) / 131072.0));
    return static_cast<int8_t>(std::clamp(db, -127.0, 127.0));
}

int8_t LSoundRecorder::MeasureLevels(const int32_t* samples, int64_t frames, uint32_t channels,
                                     LSoundLevelRecord& record)
{
    const uint32_t count = std::min<uint32_t>(channels, 256);
    record.count = static_cast<uint8_t>(std::min<uint32_t>(count, 255));
    for (uint32_t c = 0; c < count; ++c)
        record.levels[c] = ChannelLevel(
            LChannelPeak(static_cast<int32_t>(c), samples, frames, static_cast<int32_t>(channels)));
    if (count == 0)
        return -127;
    if (count == 1)
        return record.levels[0];
    return std::max(record.levels[0], record.levels[1]);
}

int64_t LSoundRecorder::MsToFrames(int64_t ms, uint32_t rate)
{
    return ms / 1000 * rate + (ms % 1000) * rate / 1000;
}

int64_t LSoundRecorder::FramesToMs(int64_t frames, uint32_t rate)
{
    if (rate == 0)
        return 0;
    return frames / rate * 1000 + (frames % rate) * 1000 / rate;
}

int64_t LSoundRecorder::SinkMs() const
{
    return FramesToMs(sink_->GetPosition(), sink_->GetRate());
}

bool LSoundRecorder::Start(const LSoundSinkPtr& sink, int64_t maximumMs, int32_t startThresholdDb,
                           int64_t silenceMs, uint8_t flags)
{
    Stop();
    stream_.ClearError();
    if (sink->IsFailed())
        return false;
    sink_ = sink;
    levels_ = LSoundLevelRecord{};
    levels_.count = sink_->GetChannels();
    levels_.startThreshold = ClampDb(startThresholdDb);
    levels_.quietThreshold = ClampDb(startThresholdDb - 4);
    maximumMs_ = maximumMs;
    silenceMs_ = silenceMs;
    startFlags_ = flags;
    lastBlockTime_.store(SinkMs(), std::memory_order_release);
    lastLoudTime_ = lastBlockTime_.load();
    maximumReached_ = false;
    levelsPending_ = false;
    stateChanged_ = false;
    endedByItself_ = false;
    writeError_ = 0;
    reportedLost_ = 0;
    state_.store((flags & kRecorderStartRecording) ? kRecorderRecording : kRecorderWaiting,
                 std::memory_order_release);
    startedSignal_.Reset();
    goSignal_.Reset();
    if (!(flags & kRecorderWaitForGo))
        goSignal_.Signal();
    if (!LThreadOwner::Start(kRecorderPriority)) {
        state_ = kRecorderStopped;
        sink_.Reset();
        return false;
    }
    threadStarted_ = true;
    if (!startedSignal_.Wait(kStartWaitMs) || state_.load(std::memory_order_acquire) == kRecorderStopped) {
        StopAndWait();
        state_ = kRecorderStopped;
        endedByItself_ = false;
        stateChanged_ = false;
        sink_.Reset();
        return false;
    }
    stateChanged_ = false;
    if (state_.load() == kRecorderRecording)
        listener_->OnRecordingSound(cookie_);
    else
        listener_->OnWaitingForSound(cookie_);
    return true;
}

void LSoundRecorder::Go()
{
    goSignal_.Signal();
}

void LSoundRecorder::WriteBlock(const int32_t* samples, int64_t frames)
{
    if (frames <= 0 || writeError_.load(std::memory_order_acquire) != 0)
        return;
    sink_->Write(samples, frames);
    if (sink_->IsFailed()) {
        // Going on would only show a clock running over audio that is not
        // kept: the recording ends at the first write that failed.
        const int error = sink_->GetError();
        writeError_.store(error != 0 ? error : EIO, std::memory_order_release);
        Notify();
    }
}

void LSoundRecorder::Run()
{
    if (!stream_.Open(sink_)) {
        stream_.Close();
        state_.store(kRecorderStopped, std::memory_order_release);
        startedSignal_.Signal();
        return;
    }
    const uint32_t channels = stream_.GetChannels();
    const uint32_t rate = stream_.GetRate();
    std::vector<int32_t> current(static_cast<size_t>(stream_.GetSamplesPerBuffer()), 0);
    std::vector<int32_t> previous(current.size(), 0);
    int64_t previousFrames = 0;
    bool startedWritten = false;

    if (startFlags_ & kRecorderWaitForGo) {
        startedSignal_.Signal();
        startedWritten = true;
        if (WaitForStopOrSignalNoLimit(&goSignal_) != LWaitSignalled) {
            stream_.Close();
            endedByItself_ = !IsStopRequested();
            state_.store(kRecorderStopped, std::memory_order_release);
            stateChanged_ = true;
            return;
        }
    }
    if (!stream_.Start()) {
        stream_.Close();
        state_.store(kRecorderStopped, std::memory_order_release);
        stateChanged_ = true;
        if (!startedWritten) {
            startedSignal_.Signal();
        } else {
            // Start has returned already: the main thread finishes the sink.
            endedByItself_ = true;
            Notify();
        }
        return;
    }
    if (!startedWritten)
        startedSignal_.Signal();

    int warmUp = (startFlags_ & kRecorderStartRecording) ? 0 : kWarmUpBlocks;
    int64_t lostSeen = 0;
    LSoundLevelRecord half;
    int64_t frames = 0;
    while (writeError_.load(std::memory_order_acquire) == 0 &&
           stream_.TakeBlock(this, current.data(), &frames)) {
        const int64_t lost = stream_.GetLostFrames();
        if (lost != lostSeen) {
            lostSeen = lost;
            Notify();
        }
        if (warmUp > 0) {
            --warmUp;
            continue;
        }
        frames = std::min<int64_t>(frames, kSoundBlockFrames);
        int8_t level;
        {
            LLockGuard guard(levelLock_);
            level = MeasureLevels(current.data(), frames, channels, levels_);
        }
        if (state_.load(std::memory_order_acquire) != kRecorderWaiting) {
            // Past the maximum length nothing more is written: the file
            // stays within one block of it whenever the stop comes.
            if (!maximumReached_.load(std::memory_order_acquire))
                WriteBlock(current.data(), frames);
            const int64_t t = SinkMs();
            if (level < levels_.quietThreshold) {
                if (t - lastLoudTime_ > silenceMs_) {
                    sink_->Truncate(MsToFrames(lastBlockTime_.load() + kSilenceKeptMs, sink_->GetRate()));
                    state_.store(kRecorderWaiting, std::memory_order_release);
                    std::copy_n(current.begin(), frames * channels, previous.begin());
                    previousFrames = frames;
                    stateChanged_ = true;
                    Notify();
                } else {
                    lastBlockTime_.store(t, std::memory_order_release);
                }
            } else {
                lastLoudTime_ = t;
                lastBlockTime_.store(t, std::memory_order_release);
            }
            if (maximumMs_ >= 1 && t > maximumMs_ && !maximumReached_.exchange(true))
                Notify();
        } else if (level >= levels_.startThreshold) {
            const int8_t firstHalf = MeasureLevels(current.data(), frames / 2, channels, half);
            if (previousFrames > 0 && firstHalf >= levels_.startThreshold) {
                const int64_t from = previousFrames / 2;
                WriteBlock(previous.data() + from * channels, previousFrames - from);
            }
            WriteBlock(current.data(), frames);
            // The sound starts here: the silence clock starts from it, not
            // from the sound before the last cut.
            lastLoudTime_ = SinkMs();
            lastBlockTime_.store(lastLoudTime_, std::memory_order_release);
            previousFrames = 0;
            state_.store(kRecorderRecording, std::memory_order_release);
            stateChanged_ = true;
            Notify();
        } else {
            std::copy_n(current.begin(), frames * channels, previous.begin());
            previousFrames = frames;
        }

        const int64_t threshold = frames > 0 ? (static_cast<int64_t>(rate) / frames) / 20 : 0;
        if (gLevelPostCounter.load(std::memory_order_relaxed) > threshold) {
            levelsPending_ = true;
            Notify();
            gLevelPostCounter.store(0, std::memory_order_relaxed);
        } else {
            gLevelPostCounter.fetch_add(1, std::memory_order_relaxed);
        }
    }

    if (stream_.GetError() != 0) {
        // The main thread takes the error, stops this thread and keeps the file.
        Notify();
        WaitForStopNoLimit();
    }
    stream_.StopCapture();
    if (state_.load(std::memory_order_acquire) == kRecorderRecording)
        DrainRemaining();
    if (stream_.GetLostFrames() != lostSeen)
        Notify();

    char autotrim[260] = "";
    LSettingsGetString("Recorder", "Autotrim", "", autotrim);
    if (autotrim[0] != '\0' && autotrim[0] != '0')
        sink_->Truncate(MsToFrames(lastLoudTime_ + kSilenceKeptMs, sink_->GetRate()));

    maximumReached_ = false;
    levelsPending_ = false;
    endedByItself_ = !IsStopRequested();
    state_.store(kRecorderStopped, std::memory_order_release);
    stateChanged_ = true;
    stream_.Close();
    Notify();
}

void LSoundRecorder::DrainRemaining()
{
    std::vector<int32_t> block(static_cast<size_t>(stream_.GetSamplesPerBuffer()), 0);
    int64_t written = 0;
    for (size_t i = 0; i < stream_.GetSlotCount(); ++i) {
        const int64_t frames = stream_.DrainBlock(block.data());
        if (frames <= 0)
            break;
        if (!maximumReached_.load(std::memory_order_acquire)) {
            WriteBlock(block.data(), frames);
            written += frames;
        }
    }
    // What was still in the ring is part of the recording: the stop's cut
    // back to the last block must not take it away again.
    if (written > 0)
        lastBlockTime_.store(SinkMs(), std::memory_order_release);
}

void LSoundRecorder::Stop()
{
    if (state_.load(std::memory_order_acquire) == kRecorderStopped && !endedByItself_.load())
        return;
    if (threadStarted_)
        StopAndWait();
    endedByItself_ = false;
    const int64_t keep = lastBlockTime_.load() + kStopKeptMs;
    if (SinkMs() > keep)
        sink_->Truncate(MsToFrames(keep, sink_->GetRate()));
    sink_.Reset();
    lastBlockTime_ = 0;
    state_.store(kRecorderStopped, std::memory_order_release);
    stateChanged_ = false;
    listener_->OnStopped(cookie_);
}

void LSoundRecorder::OnThreadNotify()
{
    const int64_t lost = stream_.GetLostFrames();
    if (lost > reportedLost_.load()) {
        reportedLost_ = lost;
        listener_->OnDataLost(lost, cookie_);
    }
    const int32_t error = stream_.GetError();
    if (error != 0 && (state_.load() != kRecorderStopped || endedByItself_.load())) {
        RequestStop();
        if (threadStarted_)
            StopAndWait();
        sink_.Reset();
        state_.store(kRecorderStopped, std::memory_order_release);
        endedByItself_ = false;
        stateChanged_ = false;
        lastBlockTime_ = 0;
        listener_->OnError(error, cookie_);
        return;
    }
    if (writeError_.load() != 0) {
        RequestStop();
        if (threadStarted_)
            StopAndWait();
        // Taken only once the thread is gone, so the error is told once.
        const int32_t writeError = writeError_.exchange(0);
        sink_.Reset();
        state_.store(kRecorderStopped, std::memory_order_release);
        endedByItself_ = false;
        stateChanged_ = false;
        lastBlockTime_ = 0;
        listener_->OnWriteFailed(writeError, cookie_);
        return;
    }
    if (maximumReached_.load()) {
        Stop();
        return;
    }
    if (levelsPending_.exchange(false)) {
        const int64_t position = lastBlockTime_.load();
        listener_->OnPosition(&position, cookie_);
        LSoundLevelRecord copy;
        {
            LLockGuard guard(levelLock_);
            copy = levels_;
        }
        listener_->OnLevels(&copy, cookie_);
    }
    if (stateChanged_.exchange(false)) {
        const int32_t state = state_.load();
        if (state == kRecorderRecording)
            listener_->OnRecordingSound(cookie_);
        else if (state == kRecorderWaiting)
            listener_->OnWaitingForSound(cookie_);
        else if (endedByItself_.load())
            Stop(); // the input went quiet for good: finish the file as a stop would
    }
}
