#pragma once
// The sound-device layer under the recorder and the player: a small
// interface with the PulseAudio implementation for the program and an
// in-process fake for tests. Device lists are built afresh on every query.
// Streams carry interleaved signed 32-bit samples at full 32-bit scale in the
// device's own channel layout; the callbacks run on the backend's thread and
// must neither block nor allocate.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct LSoundDeviceInfo
{
    std::string id;                        // what a stream is opened with (the server's device name)
    std::string description;               // the name shown to the user
    std::string bus;                       // "usb", "pci", "bluetooth", "firewire" or empty
    bool isMonitor = false;                // an input that records what an output plays
    uint32_t rate = 0;                     // the device's own rate
    std::vector<std::string> channelNames; // one per channel, empty texts allowed
};

// Receives captured audio, on the backend's thread.
class LSoundCaptureHandler
{
public:
    virtual ~LSoundCaptureHandler() = default;
    // frames x channels samples, possibly unaligned.
    virtual void OnCaptureData(const void* samples, int64_t frames) = 0;
    // The device lost frames before they reached us (a hole in the stream).
    virtual void OnCaptureHole(int64_t frames) = 0;
    // The device went away or the server failed: no more data will come.
    virtual void OnCaptureError(int32_t code) = 0;
};

class LSoundCaptureStream
{
public:
    virtual ~LSoundCaptureStream() = default;
    // Starts delivering; false when the device cannot be recorded.
    virtual bool Start() = 0;
    // Stops delivering; no callback runs after it returns.
    virtual void Stop() = 0;
    virtual uint32_t GetRate() const = 0;
    virtual uint32_t GetChannels() const = 0;
};

// Produces the samples to play, on the backend's thread.
class LSoundRenderHandler
{
public:
    virtual ~LSoundRenderHandler() = default;
    // Fills frames x channels samples and returns how many frames to hand to
    // the device: all of them (silence where nothing was queued), except
    // while the stream drains, when only frames that carry sound count.
    virtual int64_t OnRender(int32_t* out, int64_t frames) = 0;
    virtual void OnRenderError(int32_t code) = 0;
};

class LSoundPlaybackStream
{
public:
    virtual ~LSoundPlaybackStream() = default;
    // Starts or resumes the output; Pause holds it without dropping what is queued.
    virtual bool Start() = 0;
    virtual void Pause() = 0;
    // Drops what the device still holds.
    virtual void Flush() = 0;
    // Waits until what was handed to the device has been played; false on time-out.
    virtual bool Drain(uint32_t ms) = 0;
    virtual uint32_t GetRate() const = 0;
    virtual uint32_t GetChannels() const = 0;
};

// Error codes the streams report.
enum : int32_t {
    kSoundDeviceGone = 1,    // the device was removed
    kSoundServerFailed = 2,  // the connection to the sound server broke
    kSoundStreamOverrun = 3, // the consumer fell so far behind that data was lost
};

class LSoundDeviceBackend
{
public:
    virtual ~LSoundDeviceBackend() = default;

    // Inputs: real inputs first, then the monitors of outputs. False when the
    // server cannot be asked.
    virtual bool ListInputs(std::vector<LSoundDeviceInfo>& out) = 0;
    virtual bool ListOutputs(std::vector<LSoundDeviceInfo>& out) = 0;
    // The ids of the default devices; false when there is none.
    virtual bool GetDefaultInput(std::string& id) = 0;
    virtual bool GetDefaultOutput(std::string& id) = 0;

    // A capture stream on device id at rate with the device's channels;
    // framesPerBuffer asks for the delivery granularity. Null on failure.
    virtual std::unique_ptr<LSoundCaptureStream> OpenCapture(const std::string& id, uint32_t rate,
                                                             uint32_t channels, uint32_t framesPerBuffer,
                                                             LSoundCaptureHandler* handler) = 0;
    // A paused playback stream on device id (empty: the default output).
    virtual std::unique_ptr<LSoundPlaybackStream> OpenPlayback(const std::string& id, uint32_t rate,
                                                               uint32_t channels, uint32_t framesPerBuffer,
                                                               LSoundRenderHandler* handler) = 0;
};

// The backend in force: the PulseAudio one unless a test installed another.
LSoundDeviceBackend& LGetSoundDeviceBackend();
// Installs a backend (null goes back to PulseAudio). Not while streams are open.
void LSetSoundDeviceBackend(LSoundDeviceBackend* backend);
