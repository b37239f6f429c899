#pragma once
// Shared pieces of the sound-device tests: a sink that keeps what it is
// given, a fake device layer installed for the life of a test, and waits
// that keep delivering the main-thread notifications meanwhile.

#include "audio/LSoundSink.h"
#include "audio/devices/LFakeSoundBackend.h"
#include "foundation/threads/LThreadQueuedNotify.h"

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace quorin::test {

// Keeps every sample written; Truncate cuts like a file sink. Writes may be
// held at a gate to play a consumer that stalls.
class MemorySink : public LSoundSink
{
public:
    MemorySink(uint32_t rate, uint8_t channels) : LSoundSink(rate, channels) {}

    void Write(const int32_t* buffer, int64_t frames) override
    {
        {
            std::unique_lock<std::mutex> lock(gateLock_);
            if (holdNext_) {
                holdNext_ = false;
                held_ = true;
                gate_.notify_all();
                gate_.wait(lock, [this] { return !held_; });
            }
        }
        std::lock_guard<std::mutex> guard(lock_);
        samples_.insert(samples_.end(), buffer, buffer + frames * channels_);
        position_ += frames;
        ++writes_;
    }
    void Truncate(int64_t frame) override
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (frame < 0)
            frame = 0;
        if (frame <= position_) {
            samples_.resize(static_cast<size_t>(frame) * channels_);
            position_ = frame;
        }
    }
    std::vector<int32_t> Samples()
    {
        std::lock_guard<std::mutex> guard(lock_);
        return samples_;
    }
    int64_t Frames()
    {
        std::lock_guard<std::mutex> guard(lock_);
        return position_;
    }
    // The next Write waits until Release.
    void HoldNextWrite()
    {
        std::lock_guard<std::mutex> lock(gateLock_);
        holdNext_ = true;
    }
    bool WaitUntilHeld(int ms)
    {
        std::unique_lock<std::mutex> lock(gateLock_);
        return gate_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return held_; });
    }
    void Release()
    {
        std::lock_guard<std::mutex> lock(gateLock_);
        held_ = false;
        gate_.notify_all();
    }

private:
    std::mutex lock_;
    std::vector<int32_t> samples_;
    int64_t writes_ = 0;
    std::mutex gateLock_;
    std::condition_variable gate_;
    bool holdNext_ = false;
    bool held_ = false;
};

// Installs a fake device layer for the life of the object.
class FakeDevices
{
public:
    FakeDevices() { LSetSoundDeviceBackend(&backend); }
    ~FakeDevices() { LSetSoundDeviceBackend(nullptr); }
    LFakeSoundBackend backend;
};

inline LSoundDeviceInfo MakeDevice(const std::string& id, const std::string& description, int channels,
                                   const std::string& bus = "", bool monitor = false)
{
    LSoundDeviceInfo info;
    info.id = id;
    info.description = description;
    info.bus = bus;
    info.isMonitor = monitor;
    info.rate = 44100;
    static const char* const kNames[] = {"Front Left", "Front Right", "Rear Left", "Rear Right"};
    for (int i = 0; i < channels; ++i)
        info.channelNames.push_back(channels == 1 ? "Mono" : kNames[i % 4]);
    return info;
}

// Internal samples (20-bit scale) of a sine on every channel; channel c gets
// a different frequency so that channels can be told apart.
inline std::vector<int32_t> Tone(int64_t frames, int channels, double amplitude, uint32_t rate = 44100)
{
    std::vector<int32_t> samples(static_cast<size_t>(frames) * channels);
    for (int64_t f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            samples[f * channels + c] = static_cast<int32_t>(
                std::lround(amplitude * 524287.0 * std::sin(2 * M_PI * (440.0 + 220.0 * c) * f / rate)));
    return samples;
}

// Internal samples to the device side's 32-bit scale.
inline std::vector<int32_t> ToDevice(const std::vector<int32_t>& internal)
{
    std::vector<int32_t> out(internal.size());
    for (size_t i = 0; i < internal.size(); ++i)
        out[i] = static_cast<int32_t>(static_cast<uint32_t>(internal[i]) << 12);
    return out;
}

inline std::vector<int32_t> Concat(std::vector<int32_t> a, const std::vector<int32_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Waits until done() holds, delivering queued notifications meanwhile.
inline bool WaitUntil(LPolledNotifyQueue& queue, const std::function<bool()>& done, int ms = 5000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        queue.DeliverPending();
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        queue.WaitAndDeliver(2);
    }
}

} // namespace quorin::test
