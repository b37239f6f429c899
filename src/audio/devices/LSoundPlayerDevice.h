#pragma once
// The output stream of one player: a FIFO of samples filled by the player
// thread and emptied by the device layer's render callback, which applies
// the playback volume, maps the source's channels onto the chosen output
// channels and measures levels about thirty times a second.

#include "audio/core/LSoundSource.h"
#include "audio/devices/LSampleFifo.h"
#include "audio/devices/LSoundDeviceBackend.h"
#include "audio/devices/LSoundOutputDevices.h"
#include "audio/devices/LSoundRecorder.h"
#include "foundation/threads/LLockObject.h"
#include "foundation/threads/LSignalObject.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

// Device state bits.
enum : uint16_t {
    kPlayerDevicePlaying = 0x01,
    kPlayerDevicePaused = 0x02,
    kPlayerDevicePreview = 0x04,
};

class LSoundPlayerDevice : private LSoundRenderHandler
{
public:
    static constexpr uint32_t kFifoCapacity = 262144;
    static constexpr uint32_t kBlockFrames = 8192;
    static constexpr uint32_t kPreviewFrames = 512;

    // The two signals belong to the player: data written to the FIFO, playback ended.
    LSoundPlayerDevice(const LSignalObject* dataWritten, const LSignalObject* ended);
    ~LSoundPlayerDevice() override;
    LSoundPlayerDevice(const LSoundPlayerDevice&) = delete;
    LSoundPlayerDevice& operator=(const LSoundPlayerDevice&) = delete;

    // Opens the output for a source; startMode 1 opens it paused.
    bool Open(const LSoundSourcePtr& source, uint32_t startMode, void* listenerData);
    // Chooses another output or other output channels.
    bool SetDevice(const LPlaybackDeviceSel& selection);
    const LPlaybackDeviceSel& GetSelection() const { return selection_; }
    // Starts the output once data is queued (waits up to 5000 ms for it).
    void Start();
    // Start mode 1: stays paused; else starts. Then start mode 0.
    void ApplyStartMode();
    // Holds and resumes the output without dropping what is queued.
    void Pause();
    void Resume();
    // Stops the output, drops everything queued, state 0, null source.
    void Reset();
    void Close();

    // Volume in dB; returns the gain in 1/512 steps (512 = 0 dB).
    int32_t SetVolumeDb(int8_t db);
    void ApplyVolumeDb(int8_t db) { SetVolumeDb(db); }

    // Used by the player thread.
    bool HasRoom() const { return fifo_.FreeFrames() > kBlockFrames - 1; }
    void Fill(int64_t frames);
    void Refill();
    int64_t QueuedFrames() const;
    int64_t GetPosition() const { return position_.load(std::memory_order_acquire); }
    void StartPreview();
    // Lets the device play out what it holds; false when that took longer than ms.
    bool Drain(uint32_t ms);

    uint16_t GetState() const { return state_.load(std::memory_order_acquire); }
    uint32_t GetRate() const { return rate_; }
    uint32_t GetChannels() const { return channels_; }
    const LSignalObject& LevelSignal() const { return levelSignal_; }
    // A copy of the last reported levels.
    LSoundLevelRecord GetLevels();
    LSoundSource* GetSource() const { return source_.Get(); }
    void* GetListenerData() const { return listenerData_; }
    int32_t GetError() const { return error_.load(std::memory_order_acquire); }
    // Counts down while frames are rendered (for callers that wait for an amount played).
    void SetCountdown(int64_t frames);
    int64_t GetCountdown() const { return countdown_.load(std::memory_order_acquire); }

    // One internal sample through the playback gain to the device's 32-bit
    // scale, saturating instead of wrapping.
    static int32_t ToDeviceSample(int32_t sample, int32_t gain512);
    // The channel map for a selection: output channel of source channels 0
    // and 1; a second channel equal to the first moves off it.
    static void MapChannels(LPlaybackDeviceSel& selection, uint32_t sourceChannels, uint32_t deviceChannels,
                            int32_t map[2]);

private:
    int64_t OnRender(int32_t* out, int64_t frames) override;
    void OnRenderError(int32_t code) override;

    bool OpenUnit();
    void TakeSourceFormat(const LSoundSourcePtr& source);
    // Source position minus what is queued (and held elsewhere), in the source's frames.
    void UpdatePosition(int64_t held = 0);
    void RenderLevels(const int32_t* samples, uint32_t frames, int8_t* levels);
    void WriteDevice(const int32_t* samples, uint32_t frames, int32_t* out, uint32_t deviceChannels);

    LLockObject mutex_;
    const LSignalObject* dataWritten_;
    const LSignalObject* ended_;
    std::unique_ptr<LSoundPlaybackStream> stream_;
    std::string deviceId_;
    uint32_t deviceChannels_ = 0;
    uint32_t streamRate_ = 0;
    LSoundSourcePtr source_;
    LPlaybackDeviceSel selection_;
    int32_t channelMap_[2] = {0, 1};
    void* listenerData_ = nullptr;
    std::atomic<uint16_t> state_{0};
    std::atomic<int64_t> position_{0};
    uint32_t rate_ = 11025;
    uint32_t channels_ = 1;
    LSampleFifo fifo_;
    LSignalObject levelSignal_;
    LLockObject levelLock_;
    LSoundLevelRecord levels_;
    int8_t volumeDb_ = 0;
    std::atomic<int32_t> gain_{512};
    std::vector<int32_t> preview_;
    uint32_t startMode_ = 0;
    int64_t framesSinceReport_ = 0;
    int32_t callbacksSinceReport_ = 0;
    double sums_[256] = {};
    std::atomic<int64_t> countdown_{0};
    std::atomic<bool> countdownEnabled_{false};
    std::atomic<bool> draining_{false};
    std::atomic<int32_t> error_{0};
};
