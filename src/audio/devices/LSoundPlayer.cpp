#include "audio/devices/LSoundPlayer.h"

#include "audio/effects/LLevellerEffect.h"

#include <algorithm>

namespace {

constexpr int kLowPriority = 20;
constexpr uint32_t kWakeWaitMs = 1000;
constexpr uint32_t kPipeWaitMs = 150;
constexpr uint32_t kPassSleepMs = 5;
constexpr uint32_t kDrainMs = 3000;

} // namespace

LSoundPlayer::LSoundPlayer() : device_(&dataWritten_, &ended_), listener_(this), doneHandler_(this) {}

LSoundPlayer::~LSoundPlayer()
{
    TearDownNotify();
    StopAndWait();
    doneHandler_.StopAndWait();
    device_.Reset();
    source_.Reset();
    device_.Close();
}

void LSoundPlayer::SetListener(LSoundPlayerListener* listener, void* cookie)
{
    listener_ = listener != nullptr ? listener : this;
    cookie_ = cookie;
}

int64_t LSoundPlayer::FramesToMs(int64_t frames, int32_t rate)
{
    if (rate <= 0)
        return 0;
    return frames / rate * 1000 + (frames % rate) * 1000 / rate;
}

bool LSoundPlayer::Play(const LSoundSourcePtr& source, uint32_t startMode)
{
    Stop();
    if (source->GetStatus() != kSoundStatusOk)
        return false;
    source_ = source;
    if (source_->GetPeakLimit() > kPcm16PeakLimit) {
        LSoundSourcePtr levelled;
        LLevellerEffect(kPcm16PeakLimit).CreateFilter(levelled, source_);
        source_ = levelled;
    }
    if (!device_.Open(source_, startMode, this)) {
        device_.Reset();
        source_.Reset();
        return false;
    }
    ended_.Reset();
    dataWritten_.Reset();
    wake_.Reset();
    finished_ = false;
    positionPending_ = false;
    stopPending_ = false;
    playerRaised_ = false;
    doneRaised_ = false;
    playerWanted_ = 0;
    doneWanted_ = 0;
    blockCounter_ = 0;
    if (!LThreadOwner::Start(kLowPriority)) {
        device_.Reset();
        source_.Reset();
        return false;
    }
    threadStarted_ = true;
    device_.ApplyStartMode();
    listener_->OnPlayStarted(cookie_);
    return true;
}

void LSoundPlayer::Stop()
{
    if (seekHoldsMutex_) {
        mutex_.Unlock();
        seekHoldsMutex_ = false;
    }
    if (threadStarted_)
        StopAndWait();
    const uint16_t state = device_.GetState();
    device_.Reset();
    source_.Reset();
    finished_ = false;
    positionPending_ = false;
    stopPending_ = false;
    if (state != 0)
        listener_->OnPlayStopped(cookie_);
}

void LSoundPlayer::Pause()
{
    device_.Pause();
}

void LSoundPlayer::Resume()
{
    device_.Resume();
}

void LSoundPlayer::StartPreview()
{
    if (device_.GetState() == 0)
        return;
    if (threadStarted_)
        StopAndWait();
    device_.StartPreview();
}

void LSoundPlayer::Seek(int64_t frame)
{
    if (device_.GetState() == 0 || seekHoldsMutex_)
        return;
    if (threadStarted_)
        StopAndWait();
    source_->Seek(std::clamp<int64_t>(frame, 0, std::max<int64_t>(0, source_->GetLength())));
    device_.Refill();
    finished_ = false;
    positionPending_ = false;
    // The frame that plays next, not the source's position after the refill.
    const int64_t ms = FramesToMs(device_.GetPosition(), source_->GetRate());
    listener_->OnPlayPosition(&ms, cookie_);
    if (device_.GetState() & kPlayerDevicePreview) {
        device_.StartPreview();
    } else {
        ended_.Reset();
        LThreadOwner::Start(kLowPriority);
    }
}

void LSoundPlayer::ApplyWantedPriority()
{
    const int wanted = playerWanted_.exchange(0);
    if (wanted != 0)
        SetPriority(wanted);
}

void LSoundPlayer::Run()
{
    doneHandler_.Start(kLowPriority);
    bool exhausted = false;
    while (!IsStopRequested()) {
        ApplyWantedPriority();
        mutex_.Lock();
        LSoundSource* source = source_.Get();
        const int64_t remaining = std::min<int64_t>(source->GetLength() - source->GetPosition(), 8192);
        if (remaining > 0) {
            if (!device_.HasRoom()) {
                blockCounter_ = 0;
                if (!doneRaised_.exchange(true)) {
                    doneWanted_ = LRealtimePriority;
                    playerRaised_ = false;
                    SetPriority(kLowPriority);
                }
                mutex_.Unlock();
                if (WaitForStopOrSignal(&wake_, kWakeWaitMs) == LWaitSignalled)
                    wake_.Reset();
                continue;
            }
            device_.Fill(std::min<int64_t>(source->GetRate() / 30, remaining));
            dataWritten_.Signal();
            mutex_.Unlock();
            WaitForStop(kPassSleepMs);
        } else if (source->IsMoreDataPending()) {
            if (!playerRaised_.exchange(true)) {
                SetPriority(LRealtimePriority);
                doneWanted_ = kLowPriority;
                doneRaised_ = false;
            }
            mutex_.Unlock();
            source->WaitForData(kPipeWaitMs);
            WaitForStop(kPassSleepMs);
        } else {
            const bool paused = (device_.GetState() & kPlayerDevicePaused) != 0;
            if (device_.QueuedFrames() == 0 && !paused) {
                mutex_.Unlock();
                // Everything left the FIFO; let the device play out what it
                // holds, or the end of the file would be cut off.
                device_.Drain(kDrainMs);
                exhausted = true;
                break;
            }
            positionPending_ = true;
            Notify();
            mutex_.Unlock();
            if (WaitForStopOrSignal(&wake_, kWakeWaitMs) == LWaitSignalled)
                wake_.Reset();
            WaitForStop(kPassSleepMs);
        }
    }
    mutex_.Lock();
    positionPending_ = false;
    if (exhausted)
        finished_ = true;
    Notify();
    mutex_.Unlock();
    ended_.Signal();
    doneHandler_.StopAndWait();
}

void LSoundPlayerDoneHandlerThread::Run()
{
    LSoundPlayer* player = player_;
    const int64_t halfFifo = (LSoundPlayerDevice::kFifoCapacity / 2 / LSoundPlayerDevice::kBlockFrames) / 2;
    while (!IsStopRequested()) {
        const int wanted = player->doneWanted_.exchange(0);
        if (wanted != 0)
            SetPriority(wanted);
        const int result = WaitForStopOrSignal(&player->device_.LevelSignal(), kWakeWaitMs);
        if (result == LWaitStopRequested)
            break;
        if (result != LWaitSignalled)
            continue;
        player->device_.LevelSignal().Reset();
        if (player->device_.GetError() != 0) {
            player->stopPending_ = true;
            player->Notify();
            continue;
        }
        player->wake_.Signal();
        player->positionPending_ = true;
        player->Notify();
        if (player->blockCounter_.fetch_add(1) + 1 > halfFifo && !player->playerRaised_.exchange(true)) {
            player->playerWanted_ = LRealtimePriority;
            player->doneRaised_ = false;
            SetPriority(kLowPriority);
        }
    }
}

void LSoundPlayer::NotifyListener()
{
    const int32_t error = device_.GetError();
    if (error != 0 && device_.GetState() != 0) {
        Stop();
        listener_->OnPlayError(error, cookie_);
        return;
    }
    if (finished_.load()) {
        const int64_t ms = FramesToMs(source_->GetLength(), source_->GetRate());
        listener_->OnPlayPosition(&ms, cookie_);
        Stop();
    } else if (positionPending_.exchange(false)) {
        if (device_.GetState() == 0)
            return;
        const int64_t ms = FramesToMs(device_.GetPosition(), source_->GetRate());
        listener_->OnPlayPosition(&ms, cookie_);
        const LSoundLevelRecord levels = device_.GetLevels();
        listener_->OnPlayLevels(&levels, cookie_);
    } else if (stopPending_.exchange(false)) {
        Stop();
    }
}
