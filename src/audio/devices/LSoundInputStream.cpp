#include "audio/devices/LSoundInputStream.h"

#include "audio/devices/LSoundDbTables.h"
#include "audio/effects/LConversionEffects.h"
#include "foundation/threads/LPoll.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr uint32_t kSlotWaitMs = 3000;

int32_t Saturate(int64_t v)
{
    return v > INT32_MAX ? INT32_MAX : (v < INT32_MIN ? INT32_MIN : static_cast<int32_t>(v));
}

} // namespace

void LSoundInputSlotArrayResize(std::vector<std::unique_ptr<LSoundInputSlot>>& slots, size_t count,
                                int64_t frames, uint32_t channels)
{
    slots.clear();
    slots.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        auto slot = std::make_unique<LSoundInputSlot>();
        slot->framesCapacity = frames;
        slot->samplesCapacity = frames * channels;
        slot->data.assign(static_cast<size_t>(slot->samplesCapacity), 0);
        slots.push_back(std::move(slot));
    }
}

LSoundInputStream::LSoundInputStream() = default;

LSoundInputStream::~LSoundInputStream()
{
    Close();
}

int64_t LSoundInputStream::FramesPerBufferForRate(uint32_t rate)
{
    return std::clamp<int64_t>(rate / 10, 512, 8192);
}

size_t LSoundInputStream::SlotCountFor(int64_t framesPerBuffer, uint32_t rate)
{
    if (framesPerBuffer <= 0 || rate == 0)
        return 0;
    return static_cast<size_t>(std::ceil(4.0 / (static_cast<double>(framesPerBuffer) / rate)));
}

bool LSoundInputStream::Open(LSoundSinkPtr& sink)
{
    Close();
    std::vector<LSoundInDeviceEntry> devices;
    LSoundInDeviceList::Build(devices);
    if (selection.device < 0 || selection.device >= static_cast<int32_t>(devices.size()))
        return false;
    const LSoundInDeviceEntry& device = devices[selection.device];
    if (device.channels == 0 || sink->GetChannels() == 0 || sink->GetRate() == 0)
        return false;
    deviceName_ = device.name;
    deviceChannels_ = device.channels;
    outChannels_ = sink->GetChannels();

    // Which device channel feeds each output channel. The stereo flag on
    // channel 0 records the device's first two channels as a pair; any other
    // choice records the chosen channel alone, on every output channel.
    const uint32_t chosen = std::min(selection.channel, deviceChannels_ - 1);
    const bool pair = selection.stereo != 0 && selection.channel == 0 && deviceChannels_ > 1;
    channelMap_.assign(outChannels_, chosen);
    if (pair)
        for (uint32_t k = 0; k < outChannels_; ++k)
            channelMap_[k] = std::min(k, deviceChannels_ - 1);

    const uint32_t wanted = sink->GetRate();
    framesPerBuffer_ = FramesPerBufferForRate(wanted);
    capture_ = LGetSoundDeviceBackend().OpenCapture(device.id, wanted, deviceChannels_,
                                                    static_cast<uint32_t>(framesPerBuffer_), this);
    if (!capture_)
        return false;
    rate_ = capture_->GetRate();
    if (rate_ == 0)
        return false;
    if (rate_ != wanted) {
        framesPerBuffer_ = FramesPerBufferForRate(rate_);
        AdaptSoundSink(rate_, static_cast<uint8_t>(outChannels_), sink);
    }
    LSoundInputSlotArrayResize(slots_, SlotCountFor(framesPerBuffer_, rate_), framesPerBuffer_,
                               deviceChannels_);
    lostFrames_.store(0, std::memory_order_release);
    overruns_.store(0, std::memory_order_release);
    framesCaptured_.store(0, std::memory_order_release);
    framesTaken_.store(0, std::memory_order_release);
    ClearError();
    return true;
}

void LSoundInputStream::ResetRing()
{
    readIndex_ = 0;
    writeIndex_ = 0;
    fillOffset_ = 0;
    dropping_ = false;
    for (auto& slot : slots_) {
        slot->framesFilled.store(0, std::memory_order_release);
        slot->emptied.Reset();
        slot->filled.Reset();
    }
}

bool LSoundInputStream::Start()
{
    if (!capture_ || slots_.empty())
        return false;
    ResetRing();
    callbackStart_.store(LMonotonicMilliseconds(), std::memory_order_release);
    lastConsume_ = LMonotonicMilliseconds();
    firstCallback_.store(true, std::memory_order_release);
    if (!capture_->Start())
        return false;
    running_.store(true, std::memory_order_release);
    return true;
}

void LSoundInputStream::StopCapture()
{
    if (capture_)
        capture_->Stop();
    running_.store(false, std::memory_order_release);
    // No callback runs any more: the callback's side is ours now.
    if (fillOffset_ > 0 && !slots_.empty())
        PublishSlot();
}

void LSoundInputStream::Close()
{
    StopCapture();
    capture_.reset();
    slots_.clear();
}

void LSoundInputStream::PublishSlot()
{
    LSoundInputSlot& slot = *slots_[writeIndex_];
    slot.emptied.Reset();
    slot.framesFilled.store(fillOffset_, std::memory_order_release);
    slot.filled.Signal();
    writeIndex_ = static_cast<uint32_t>((writeIndex_ + 1) % slots_.size());
    fillOffset_ = 0;
}

void LSoundInputStream::OnCaptureData(const void* samples, int64_t frames)
{
    if (firstCallback_.exchange(false, std::memory_order_acq_rel))
        callbackStart_.store(LMonotonicMilliseconds(), std::memory_order_release);
    if (slots_.empty())
        return;
    framesCaptured_.fetch_add(frames, std::memory_order_acq_rel);
    const auto* bytes = static_cast<const uint8_t*>(samples);
    const size_t frameBytes = static_cast<size_t>(deviceChannels_) * 4;
    while (frames > 0) {
        LSoundInputSlot& slot = *slots_[writeIndex_];
        if (fillOffset_ == 0 && slot.framesFilled.load(std::memory_order_acquire) != 0) {
            // The recorder still holds this slot: the whole ring is full.
            if (!dropping_) {
                dropping_ = true;
                overruns_.fetch_add(1, std::memory_order_acq_rel);
            }
            lostFrames_.fetch_add(frames, std::memory_order_acq_rel);
            slot.filled.Signal(); // make sure the recorder is awake
            return;
        }
        dropping_ = false;
        const int64_t n = std::min(frames, slot.framesCapacity - fillOffset_);
        std::memcpy(slot.data.data() + fillOffset_ * deviceChannels_, bytes,
                    static_cast<size_t>(n) * frameBytes);
        fillOffset_ += n;
        frames -= n;
        bytes += static_cast<size_t>(n) * frameBytes;
        if (fillOffset_ == slot.framesCapacity)
            PublishSlot();
    }
}

void LSoundInputStream::OnCaptureHole(int64_t frames)
{
    lostFrames_.fetch_add(frames, std::memory_order_acq_rel);
    overruns_.fetch_add(1, std::memory_order_acq_rel);
}

void LSoundInputStream::OnCaptureError(int32_t code)
{
    int32_t expected = 0;
    error_.compare_exchange_strong(expected, code == 0 ? -1 : code, std::memory_order_acq_rel);
    // Wake the recorder wherever it waits.
    for (auto& slot : slots_)
        slot->filled.Signal();
}

int64_t LSoundInputStream::ConvertSlot(LSoundInputSlot& slot, int32_t* out)
{
    const int64_t frames = slot.framesFilled.load(std::memory_order_acquire);
    if (frames <= 0)
        return 0;
    const int8_t volume = LSoundInputGetVolumeDbByName(deviceName_, selection.channel);
    // The gain in 1/512 steps; products are formed in 64 bits and saturated,
    // so a strong boost clips instead of wrapping to the opposite sign.
    const int64_t gain = LDbToGain512(volume);
    const int32_t* in = slot.data.data();
    for (int64_t f = 0; f < frames; ++f) {
        const int32_t* frame = in + f * deviceChannels_;
        for (uint32_t k = 0; k < outChannels_; ++k) {
            const int64_t s = (static_cast<int64_t>(frame[channelMap_[k]]) + 2048) >> 12;
            out[f * outChannels_ + k] = Saturate((s * gain) >> 9);
        }
    }
    slot.framesFilled.store(0, std::memory_order_release);
    slot.filled.Reset();
    slot.emptied.Signal();
    framesTaken_.fetch_add(frames, std::memory_order_acq_rel);
    return frames;
}

bool LSoundInputStream::TakeBlock(LProcessContext* context, int32_t* out, int64_t* frames)
{
    *frames = 0;
    if (slots_.empty())
        return false;
    LSoundInputSlot& slot = *slots_[readIndex_];
    const uint32_t start = LMonotonicMilliseconds();
    while (slot.framesFilled.load(std::memory_order_acquire) == 0) {
        if (GetError() != 0 || context->IsStopRequested())
            return false;
        const uint32_t waited = LMonotonicMilliseconds() - start;
        if (waited >= kSlotWaitMs)
            return false;
        const int result = context->WaitForStopOrSignal(&slot.filled, kSlotWaitMs - waited);
        if (result == LWaitStopRequested)
            return false;
        if (slot.framesFilled.load(std::memory_order_acquire) == 0)
            slot.filled.Reset(); // a wake-up for an error or a drop, not for this slot
    }
    if (context->IsStopRequested())
        return false;
    lastConsume_ = LMonotonicMilliseconds();
    *frames = ConvertSlot(slot, out);
    readIndex_ = static_cast<uint32_t>((readIndex_ + 1) % slots_.size());
    return true;
}

int64_t LSoundInputStream::DrainBlock(int32_t* out)
{
    if (slots_.empty())
        return 0;
    lastConsume_ = LMonotonicMilliseconds();
    const int64_t frames = ConvertSlot(*slots_[readIndex_], out);
    if (frames > 0)
        readIndex_ = static_cast<uint32_t>((readIndex_ + 1) % slots_.size());
    return frames;
}
