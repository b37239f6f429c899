#include "audio/devices/LSoundPlayerDevice.h"

#include "audio/devices/LSoundDbTables.h"
#include "audio/effects/LLevellerEffect.h"
#include "audio/effects/LSampleLevels.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr uint32_t kStartWaitMs = 5000;

int8_t RoundedDb(double db)
{
    return static_cast<int8_t>(std::clamp(std::round(db), -127.0, 127.0));
}

} // namespace

LSoundPlayerDevice::LSoundPlayerDevice(const LSignalObject* dataWritten, const LSignalObject* ended)
    : dataWritten_(dataWritten), ended_(ended), fifo_(2, kFifoCapacity, kBlockFrames)
{
    source_.Reset();
    channels_ = 1;
    rate_ = 11025;
}

LSoundPlayerDevice::~LSoundPlayerDevice()
{
    Close();
}

int32_t LSoundPlayerDevice::ToDeviceSample(int32_t sample, int32_t gain512)
{
    const int64_t v = ((static_cast<int64_t>(sample) * gain512) >> 9) * 4096;
    return v > INT32_MAX ? INT32_MAX : (v < INT32_MIN ? INT32_MIN : static_cast<int32_t>(v));
}

void LSoundPlayerDevice::MapChannels(LPlaybackDeviceSel& selection, uint32_t sourceChannels,
                                     uint32_t deviceChannels, int32_t map[2])
{
    const int32_t last = deviceChannels > 0 ? static_cast<int32_t>(deviceChannels) - 1 : 0;
    const int32_t first = std::clamp(selection.firstChannel, 0, last);
    int32_t second = first;
    if (sourceChannels > 1) {
        second = selection.secondChannel;
        if (second == selection.firstChannel) {
            second = selection.firstChannel > 0 ? selection.firstChannel - 1 : 1;
            selection.secondChannel = second;
        }
        second = std::clamp(second, 0, last);
    }
    map[0] = first;
    map[1] = second;
}

bool LSoundPlayerDevice::OpenUnit()
{
    if (stream_) {
        stream_->Flush();
        return true;
    }
    deviceId_ = LSoundOutDeviceGetId(selection_.device);
    deviceChannels_ = LSoundOutDeviceGetChannels(selection_.device);
    if (deviceChannels_ == 0)
        return false;
    {
        LLockGuard guard(mutex_);
        MapChannels(selection_, channels_, deviceChannels_, channelMap_);
    }
    stream_ = LGetSoundDeviceBackend().OpenPlayback(deviceId_, rate_, deviceChannels_,
                                                    std::max<uint32_t>(rate_ / 10, 512), this);
    streamRate_ = stream_ ? rate_ : 0;
    return stream_ != nullptr;
}

bool LSoundPlayerDevice::Open(const LSoundSourcePtr& source, uint32_t startMode, void* listenerData)
{
    startMode_ = startMode;
    error_ = 0;
    draining_ = false;
    TakeSourceFormat(source);
    if (!stream_ && !OpenUnit())
        return false;
    listenerData_ = listenerData;
    UpdatePosition();
    return true;
}

void LSoundPlayerDevice::TakeSourceFormat(const LSoundSourcePtr& source)
{
    const uint32_t rate = static_cast<uint32_t>(source->GetRate());
    const uint32_t channels = source->GetChannels();
    if (rate == rate_ && channels == channels_ && stream_ && streamRate_ == rate) {
        LLockGuard guard(mutex_);
        source_ = source;
        return;
    }
    const bool playing = (state_.load() & kPlayerDevicePlaying) != 0;
    if (stream_)
        stream_->Pause();
    {
        LLockGuard guard(mutex_);
        fifo_.SetChannels(channels);
        source_ = source;
        rate_ = rate;
        channels_ = channels;
        {
            LLockGuard levelGuard(levelLock_);
            levels_.count = static_cast<uint8_t>(std::min<uint32_t>(channels, 255));
        }
        MapChannels(selection_, channels_, deviceChannels_, channelMap_);
    }
    if (stream_ && streamRate_ != rate_) {
        stream_.reset(); // the stream's own rate follows the source
        OpenUnit();
    } else if (stream_) {
        stream_->Flush();
    }
    if (stream_ && HasRoom()) {
        const int64_t remaining = source_->GetLength() - source_->GetPosition();
        Fill(std::min<int64_t>({static_cast<int64_t>(rate_ / 30), remaining, kBlockFrames}));
    }
    UpdatePosition();
    if (stream_ && playing)
        stream_->Start();
}

bool LSoundPlayerDevice::SetDevice(const LPlaybackDeviceSel& selection)
{
    if (!stream_) {
        selection_ = selection; // taken by the next Open
        return true;
    }
    if (selection.device == selection_.device && stream_) {
        LLockGuard guard(mutex_);
        selection_ = selection;
        MapChannels(selection_, channels_, deviceChannels_, channelMap_);
        return true;
    }
    const bool playing = (state_.load() & kPlayerDevicePlaying) != 0;
    stream_.reset();
    selection_ = selection;
    if (!OpenUnit())
        return false;
    if (playing)
        stream_->Start();
    return true;
}

void LSoundPlayerDevice::Start()
{
    if (!stream_)
        return;
    if (QueuedFrames() == 0 && fifo_.ReadableFrames() == 0 && !dataWritten_->Wait(kStartWaitMs))
        return;
    if (ended_->IsSignalled())
        return;
    draining_ = false;
    if (stream_->Start())
        state_.store(static_cast<uint16_t>((state_.load() | kPlayerDevicePlaying) & ~kPlayerDevicePaused));
}

void LSoundPlayerDevice::ApplyStartMode()
{
    if (startMode_ == 1) {
        if (stream_)
            stream_->Pause();
        state_.store(static_cast<uint16_t>((state_.load() | kPlayerDevicePaused) & ~kPlayerDevicePlaying));
    } else {
        Start();
    }
    startMode_ = 0;
}

void LSoundPlayerDevice::Pause()
{
    if (stream_)
        stream_->Pause();
    if (state_.load() != 0)
        state_.store(static_cast<uint16_t>((state_.load() | kPlayerDevicePaused) & ~kPlayerDevicePlaying));
}

void LSoundPlayerDevice::Resume()
{
    if (state_.load() & kPlayerDevicePaused)
        Start();
}

void LSoundPlayerDevice::Reset()
{
    if (stream_) {
        stream_->Pause();
        stream_->Flush();
    }
    LLockGuard guard(mutex_);
    fifo_.Flush();
    state_.store(0);
    draining_ = false;
    preview_.clear();
    source_.Reset();
    position_.store(0);
}

void LSoundPlayerDevice::Close()
{
    stream_.reset();
    streamRate_ = 0;
}

int32_t LSoundPlayerDevice::SetVolumeDb(int8_t db)
{
    volumeDb_ = db;
    const int32_t gain = LDbToGain512(db);
    gain_.store(gain, std::memory_order_release);
    return gain;
}

void LSoundPlayerDevice::UpdatePosition(int64_t held)
{
    int64_t correction = -QueuedFrames() - held;
    int64_t mapped = correction;
    if (source_->Query(kQueryMapCorrection, &mapped))
        correction = mapped;
    position_.store(std::max<int64_t>(0, source_->GetPosition() + correction), std::memory_order_release);
}

int64_t LSoundPlayerDevice::QueuedFrames() const
{
    return fifo_.ReadableFrames();
}

void LSoundPlayerDevice::Fill(int64_t frames)
{
    const int64_t remaining = std::min(source_->GetLength() - source_->GetPosition(), frames);
    int64_t todo = std::min<int64_t>(rate_ / 30, remaining);
    todo = std::min<int64_t>(todo, fifo_.FreeFrames());
    while (todo > 0) {
        const uint32_t chunk = static_cast<uint32_t>(std::min<int64_t>(todo, fifo_.GetBlockFrames()));
        source_->Read(fifo_.WriterBlock(), chunk);
        fifo_.Write(fifo_.WriterBlock(), chunk * channels_);
        todo -= chunk;
    }
    UpdatePosition();
}

void LSoundPlayerDevice::Refill()
{
    // The FIFO first, under the mutex the render callback holds while it
    // reads: the callback never sees half a flush, and plays silence rather
    // than old audio until the new frames arrive. Then what the device
    // still holds, which belongs to the old position as well.
    {
        LLockGuard guard(mutex_);
        fifo_.Flush();
    }
    if (stream_)
        stream_->Flush();
    const int64_t remaining = source_->GetLength() - source_->GetPosition();
    Fill(
        std::min<int64_t>({static_cast<int64_t>(kBlockFrames), remaining, static_cast<int64_t>(rate_ / 30)}));
}

void LSoundPlayerDevice::StartPreview()
{
    if (stream_)
        stream_->Pause();
    {
        LLockGuard guard(mutex_);
        fifo_.Flush();
        state_.store(0);
    }
    source_->Seek(position_.load());
    Fill(std::min<int64_t>(rate_ / 30, kPreviewFrames));
    {
        LLockGuard guard(mutex_);
        const uint32_t frames = std::min<uint32_t>(fifo_.ReadableFrames(), kPreviewFrames);
        preview_.assign(static_cast<size_t>(kPreviewFrames) * channels_, 0);
        fifo_.Read(preview_.data(), frames * channels_);
        const int32_t gain = gain_.load();
        for (int32_t& s : preview_) {
            const int64_t v = (static_cast<int64_t>(s) * gain) >> 9;
            s = v > INT32_MAX ? INT32_MAX : (v < INT32_MIN ? INT32_MIN : static_cast<int32_t>(v));
        }
        // The preview stands for the frame it starts at.
        UpdatePosition(frames);
        state_.store(kPlayerDevicePreview | kPlayerDevicePlaying);
    }
    if (stream_)
        stream_->Start();
}

bool LSoundPlayerDevice::Drain(uint32_t ms)
{
    if (!stream_)
        return true;
    draining_ = true;
    const bool done = stream_->Drain(ms);
    draining_ = false;
    return done;
}

LSoundLevelRecord LSoundPlayerDevice::GetLevels()
{
    LLockGuard guard(levelLock_);
    return levels_;
}

void LSoundPlayerDevice::SetCountdown(int64_t frames)
{
    countdown_.store(frames);
    countdownEnabled_.store(frames > 0);
}

void LSoundPlayerDevice::RenderLevels(const int32_t* samples, uint32_t frames, int8_t* levels)
{
    for (uint32_t c = 0; c < channels_ && c < 256; ++c) {
        const int64_t ms =
            LChannelMeanSquare(static_cast<int32_t>(c), samples, frames, static_cast<int32_t>(channels_));
        levels[c] = ms == 0 ? -127 : RoundedDb(10.0 * std::log10(static_cast<double>(ms) / 8388626.0));
    }
}

void LSoundPlayerDevice::WriteDevice(const int32_t* samples, uint32_t frames, int32_t* out,
                                     uint32_t deviceChannels)
{
    const int32_t gain = gain_.load(std::memory_order_acquire);
    const uint32_t used = std::min<uint32_t>(channels_, 2);
    for (uint32_t f = 0; f < frames; ++f) {
        const int32_t* in = samples + static_cast<size_t>(f) * channels_;
        int32_t* frame = out + static_cast<size_t>(f) * deviceChannels;
        if (used == 1) {
            frame[channelMap_[0]] = ToDeviceSample(in[0], gain);
            frame[channelMap_[1]] = frame[channelMap_[0]];
        } else {
            frame[channelMap_[0]] = ToDeviceSample(in[0], gain);
            frame[channelMap_[1]] = ToDeviceSample(in[1], gain);
        }
    }
}

int64_t LSoundPlayerDevice::OnRender(int32_t* out, int64_t frames)
{
    const uint32_t deviceChannels = deviceChannels_;
    std::memset(out, 0, static_cast<size_t>(frames) * deviceChannels * 4);
    const bool draining = draining_.load(std::memory_order_acquire);
    // Format changes hold the mutex briefly; never wait for them here.
    if (!mutex_.TryLock())
        return draining ? 0 : frames;
    if (state_.load(std::memory_order_acquire) & kPlayerDevicePreview) {
        const uint32_t n = static_cast<uint32_t>(std::min<int64_t>(frames, preview_.size() / channels_));
        const int32_t gain = 512; // the preview already carries the volume
        for (uint32_t f = 0; f < n; ++f)
            for (uint32_t k = 0; k < std::min<uint32_t>(channels_, 2); ++k)
                out[static_cast<size_t>(f) * deviceChannels + channelMap_[k]] =
                    ToDeviceSample(preview_[static_cast<size_t>(f) * channels_ + k], gain);
        mutex_.Unlock();
        return frames;
    }

    int8_t levels[256];
    const int64_t readable = fifo_.ReadableFrames();
    const int64_t delivered = std::min(frames, readable);
    if (delivered > 0) {
        int64_t done = 0;
        while (done < delivered) {
            const uint32_t chunk =
                static_cast<uint32_t>(std::min<int64_t>(delivered - done, fifo_.GetBlockFrames()));
            int32_t* block = fifo_.ReaderBlock();
            fifo_.Read(block, chunk * channels_);
            RenderLevels(block, chunk, levels);
            WriteDevice(block, chunk, out + done * deviceChannels, deviceChannels);
            done += chunk;
        }
        if (countdownEnabled_.load(std::memory_order_acquire))
            countdown_.store(std::max<int64_t>(0, countdown_.load() - delivered));
    } else {
        for (uint32_t c = 0; c < channels_ && c < 256; ++c)
            levels[c] = -127;
    }

    framesSinceReport_ += delivered;
    ++callbacksSinceReport_;
    for (uint32_t c = 0; c < channels_ && c < 256; ++c)
        sums_[c] += std::pow(10.0, levels[c] / 20.0);
    if (!(framesSinceReport_ < rate_ / 30 && delivered == frames)) {
        if (levelLock_.TryLock()) {
            levels_.count = static_cast<uint8_t>(std::min<uint32_t>(channels_, 255));
            for (uint32_t c = 0; c < channels_ && c < 256; ++c) {
                const double average = sums_[c] / callbacksSinceReport_;
                levels_.levels[c] = average > 0 ? RoundedDb(20.0 * std::log10(average)) : -127;
            }
            levelLock_.Unlock();
        }
        levelSignal_.Signal();
        framesSinceReport_ = 0;
        callbacksSinceReport_ = 0;
        std::fill(std::begin(sums_), std::end(sums_), 0.0);
    }
    mutex_.Unlock();
    return draining && delivered < frames ? delivered : frames;
}

void LSoundPlayerDevice::OnRenderError(int32_t code)
{
    int32_t expected = 0;
    error_.compare_exchange_strong(expected, code == 0 ? -1 : code);
    levelSignal_.Signal();
}
