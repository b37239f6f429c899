#pragma once
// The pull side of the audio pipeline: sources deliver interleaved signed
// 32-bit samples at the internal scale (16-bit PCM shifted left by 4).
// Objects are shared through LSoundSourcePtr, whose count lives inside the
// object; a handle never holds null, so a failed factory hands back a null
// source carrying a non-zero status instead.

#include <cstdint>

// Source status values.
enum : uint8_t {
    kSoundStatusOk = 0,
    kSoundStatusPlaceholder = 1,    // the null source
    kSoundStatusUpstreamFailed = 2, // a filter's upstream has a non-zero status
    kSoundStatusBadParameters = 3,  // bad rate or channels, or bad file contents
    kSoundStatusCannotOpen = 4,
    kSoundStatusUnsupported = 5, // the file's sample format is not supported
    kSoundStatusNotDecoded = 7,  // a recognised WAVE coding we do not decode
    kSoundStatusIsFolder = 8,    // the path names a folder
    kSoundStatusNotRegular = 9,  // a device, pipe or socket: no file with an end
    kSoundStatusNotAudio = 10,   // a file of some other kind than the readers read
};

// Peak limit of sources that read 16-bit data: the largest 16-bit value at the internal scale.
constexpr uint32_t kPcm16PeakLimit = 0x7FFF0;

class LSoundSource
{
public:
    // A rate below 1 becomes 44100 and 0 channels become 1, both with status 3,
    // so that the object stays usable.
    LSoundSource(int32_t rate, uint8_t channels, uint32_t peakLimit);
    virtual ~LSoundSource() = 0;
    LSoundSource(const LSoundSource&) = delete;
    LSoundSource& operator=(const LSoundSource&) = delete;

    // Fills frames x channels samples and advances the position by frames.
    // Returns the number of frames delivered from real data (callers do not rely on it).
    virtual int64_t Read(int32_t* buffer, int64_t frames) = 0;
    virtual int64_t GetPosition() = 0;
    virtual int64_t GetLength() = 0;
    virtual void Seek(int64_t frame) = 0;
    // A generic integer query; the base answers nothing.
    virtual bool Query(int32_t code, int64_t* value);
    // True while data may still arrive (a source fed by a running recorder).
    virtual bool IsMoreDataPending();
    // Waits up to ms milliseconds for more data; the base simply sleeps. Returns 0.
    virtual int WaitForData(uint32_t ms);

    int32_t GetRate() const { return rate_; }
    uint8_t GetChannels() const { return channels_; }
    uint32_t GetPeakLimit() const { return peakLimit_; }
    uint8_t GetStatus() const { return status_; }
    uint16_t GetRefCount() const { return refCount_; }

protected:
    // Sets a status unless one is already recorded (the first failure is the one to report).
    void SetStatus(uint8_t status)
    {
        if (status_ == kSoundStatusOk)
            status_ = status;
    }
    // Replaces the status outright (used by constructors that know better than the base).
    void ForceStatus(uint8_t status) { status_ = status; }
    void SetPeakLimit(uint32_t peakLimit) { peakLimit_ = peakLimit; }

    int32_t rate_;
    uint8_t channels_;
    uint32_t peakLimit_;
    uint8_t status_ = kSoundStatusOk;

private:
    friend class LSoundSourcePtr;
    uint16_t refCount_ = 0;
};

// Sleeps ms milliseconds, resuming after interruptions by signals.
void LSleepMilliseconds(uint32_t ms);

// An intrusive counted handle; never null once constructed.
class LSoundSourcePtr
{
public:
    // Holds a fresh null source.
    LSoundSourcePtr();
    // Takes a counted reference to source (a null pointer means a fresh null source).
    explicit LSoundSourcePtr(LSoundSource* source);
    LSoundSourcePtr(const LSoundSourcePtr& other);
    ~LSoundSourcePtr();
    LSoundSourcePtr& operator=(const LSoundSourcePtr& other);
    LSoundSourcePtr& operator=(LSoundSource* source);

    // Releases the held object and replaces it with a new null source; returns it.
    LSoundSource* Reset();

    LSoundSource* Get() const { return source_; }
    LSoundSource* operator->() const { return source_; }
    LSoundSource& operator*() const { return *source_; }

private:
    static void AddRef(LSoundSource* source);
    static void Release(LSoundSource* source);
    LSoundSource* source_;
};

// A source that pulls from another source and transforms its samples. The
// default operations forward to the upstream unchanged.
class LSoundFilter : public LSoundSource
{
public:
    explicit LSoundFilter(const LSoundSourcePtr& upstream);
    ~LSoundFilter() override;

    int64_t Read(int32_t* buffer, int64_t frames) override = 0;
    int64_t GetPosition() override;
    int64_t GetLength() override;
    void Seek(int64_t frame) override;
    bool Query(int32_t code, int64_t* value) override;
    bool IsMoreDataPending() override;
    int WaitForData(uint32_t ms) override;

    const LSoundSourcePtr& GetUpstream() const { return upstream_; }

protected:
    LSoundSourcePtr upstream_;
};

// What an empty or failed handle holds: 11025 Hz mono silence with status 1.
class LNullSoundSource : public LSoundSource
{
public:
    LNullSoundSource();
    // A placeholder standing for a failure: keeps the given status (4, 5, 7 ...).
    explicit LNullSoundSource(uint8_t status);
    ~LNullSoundSource() override;

    int64_t Read(int32_t* buffer, int64_t frames) override;
    int64_t GetPosition() override { return 0; }
    int64_t GetLength() override { return 0; }
    void Seek(int64_t) override {}
};

// Makes a handle hold a fresh null source carrying status.
void LSetFailedSource(LSoundSourcePtr& out, uint8_t status);
