#pragma once
// An in-process sound-device layer for tests: inputs fed from a buffer or a
// WAV file, outputs that keep what they were given. Streams run paced by the
// clock on a thread of their own (optionally faster than real time), or are
// driven step by step from the test's thread. Devices can be unplugged while
// a stream runs.

#include "audio/devices/LSoundDeviceBackend.h"

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>

class LFakeSoundBackend : public LSoundDeviceBackend
{
public:
    enum class Pacing { kClock, kStepped };

    LFakeSoundBackend();
    ~LFakeSoundBackend() override;

    // Devices. Channels come from info.channelNames.
    void AddInput(const LSoundDeviceInfo& info);
    void AddOutput(const LSoundDeviceInfo& info);
    void SetDefaultInput(const std::string& id) { defaultInput_ = id; }
    void SetDefaultOutput(const std::string& id) { defaultOutput_ = id; }
    // Removes an input or output; its open streams report kSoundDeviceGone.
    void Unplug(const std::string& id);
    // Makes every query fail, as a missing server would.
    void SetServerDown(bool down) { serverDown_ = down; }

    // What an input delivers once started: samples at 32-bit scale in the
    // device's channels, then silence (or nothing, when silenceAfter is false).
    void SetInputFeed(const std::string& id, std::vector<int32_t> samples, bool silenceAfter = true);
    // The same from a WAV file (any coding the opener reads; channels must match the device).
    bool SetInputFeedFromWav(const std::string& id, const char* path, bool silenceAfter = true);

    // Pacing of new streams; chunkFrames per delivery; speed 1.0 is real time.
    void SetPacing(Pacing pacing, uint32_t chunkFrames = 441, double speed = 1.0);

    // Stepped pacing: delivers frames to every running capture stream, or
    // renders frames from every started playback stream, on this thread.
    void StepCapture(int64_t frames);
    void StepPlayback(int64_t frames);

    // Everything rendered so far into an output (samples at 32-bit scale).
    std::vector<int32_t> PlayedSamples(const std::string& id);
    int OpenCaptureCount() const { return openCaptures_.load(); }

    // LSoundDeviceBackend
    bool ListInputs(std::vector<LSoundDeviceInfo>& out) override;
    bool ListOutputs(std::vector<LSoundDeviceInfo>& out) override;
    bool GetDefaultInput(std::string& id) override;
    bool GetDefaultOutput(std::string& id) override;
    std::unique_ptr<LSoundCaptureStream> OpenCapture(const std::string& id, uint32_t rate, uint32_t channels,
                                                     uint32_t framesPerBuffer,
                                                     LSoundCaptureHandler* handler) override;
    std::unique_ptr<LSoundPlaybackStream> OpenPlayback(const std::string& id, uint32_t rate,
                                                       uint32_t channels, uint32_t framesPerBuffer,
                                                       LSoundRenderHandler* handler) override;

    class CaptureStream;
    class PlaybackStream;

private:
    friend class CaptureStream;
    friend class PlaybackStream;

    struct Feed
    {
        std::vector<int32_t> samples;
        bool silenceAfter = true;
    };

    const LSoundDeviceInfo* FindLocked(const std::vector<LSoundDeviceInfo>& list,
                                       const std::string& id) const;
    void Register(CaptureStream* stream);
    void Unregister(CaptureStream* stream);
    void Register(PlaybackStream* stream);
    void Unregister(PlaybackStream* stream);
    void AppendPlayed(const std::string& id, const int32_t* samples, size_t count);

    mutable std::mutex lock_;
    std::vector<LSoundDeviceInfo> inputs_;
    std::vector<LSoundDeviceInfo> outputs_;
    std::string defaultInput_;
    std::string defaultOutput_;
    std::map<std::string, Feed> feeds_;
    std::mutex playedLock_;
    std::map<std::string, std::vector<int32_t>> played_;
    std::set<CaptureStream*> captures_;
    std::set<PlaybackStream*> playbacks_;
    std::atomic<int> openCaptures_{0};
    Pacing pacing_ = Pacing::kClock;
    uint32_t chunkFrames_ = 441;
    double speed_ = 1.0;
    bool serverDown_ = false;
};
