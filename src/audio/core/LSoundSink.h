#pragma once
// The push side of the audio pipeline: sinks accept blocks of interleaved
// internal samples and store or send them. A sink that cannot do its work
// says so through its failed flag; the last handle's release finishes the
// output (a file sink rewrites its header and closes).

#include <cstdint>

// Sink flag bits.
enum : uint8_t {
    kSoundSinkFailed = 0x01,
};

// File sinks accept at most this many frames a call.
constexpr int64_t kSoundBlockFrames = 8192;

class LSoundSink
{
public:
    // 0 channels become 1 channel and a failed sink.
    LSoundSink(uint32_t rate, uint8_t channels, int32_t handle = -1);
    virtual ~LSoundSink();
    LSoundSink(const LSoundSink&) = delete;
    LSoundSink& operator=(const LSoundSink&) = delete;

    // Consumes frames x channels samples and adds frames to the position.
    virtual void Write(const int32_t* buffer, int64_t frames) = 0;
    // When frame <= position, cuts the output back to frame frames (negative
    // counts as 0); a frame beyond the position changes nothing.
    virtual void Truncate(int64_t frame) = 0;
    // Codec sinks: converts samples into the sink's byte buffer.
    virtual void Encode(const int32_t* buffer, int64_t frames);
    // Completes the output now, as the last handle's release would, and
    // returns true when everything reached it (so a caller can report a file
    // whose final header could not be written). Later writes are dropped.
    virtual bool Finish();
    // Gives the output up: the sink is marked failed and finished, so a file
    // written beside its destination is removed and the destination keeps
    // what it held before. For a job that was cancelled or went wrong.
    virtual void Abandon();

    int64_t GetPosition() const { return position_; }
    uint32_t GetRate() const { return rate_; }
    uint8_t GetChannels() const { return channels_; }
    uint8_t GetFlags() const { return flags_; }
    bool IsFailed() const { return (flags_ & kSoundSinkFailed) != 0; }
    // The system's error number behind a failure to create or write the
    // output (0 when the failure has no such cause), for messages.
    int GetError() const { return error_; }
    int32_t GetHandle() const { return handle_; }
    uint16_t GetRefCount() const { return refCount_; }

protected:
    void SetFailed() { flags_ |= kSoundSinkFailed; }
    void SetFailed(int error)
    {
        flags_ |= kSoundSinkFailed;
        if (error_ == 0)
            error_ = error;
    }

    int64_t position_ = 0;
    uint32_t rate_;
    uint8_t channels_;
    uint8_t flags_ = 0;
    int32_t handle_;
    int error_ = 0;

private:
    friend class LSoundSinkPtr;
    uint16_t refCount_ = 0;
};

// An intrusive counted handle; never null once constructed.
class LSoundSinkPtr
{
public:
    // Holds a fresh null sink.
    LSoundSinkPtr();
    // Takes a counted reference to sink (a null pointer means a fresh null sink).
    explicit LSoundSinkPtr(LSoundSink* sink);
    LSoundSinkPtr(const LSoundSinkPtr& other);
    ~LSoundSinkPtr();
    LSoundSinkPtr& operator=(const LSoundSinkPtr& other);
    LSoundSinkPtr& operator=(LSoundSink* sink);

    // Releases the held object (finishing it when this was its last handle)
    // and replaces it with a new null sink; returns it.
    LSoundSink* Reset();

    LSoundSink* Get() const { return sink_; }
    LSoundSink* operator->() const { return sink_; }
    LSoundSink& operator*() const { return *sink_; }

private:
    static void AddRef(LSoundSink* sink);
    static void Release(LSoundSink* sink);
    LSoundSink* sink_;
};

// What every sink factory returns when it cannot build what was asked: a
// failed 44100 Hz mono sink that swallows everything.
class LNullSoundSink : public LSoundSink
{
public:
    // error: the system's error number that made the factory give up, if any.
    explicit LNullSoundSink(int error = 0);
    ~LNullSoundSink() override;
    void Write(const int32_t*, int64_t) override {}
    void Truncate(int64_t) override {}
};

// Counts the frames a chain produces.
class LCountingSoundSink : public LSoundSink
{
public:
    LCountingSoundSink(uint32_t rate, uint8_t channels);
    ~LCountingSoundSink() override;
    void Write(const int32_t* buffer, int64_t frames) override;
    void Truncate(int64_t) override {}
};

// A fixed-size array of sink handles, each starting as a fresh null sink and
// released last element first.
class LSoundSinkArray
{
public:
    explicit LSoundSinkArray(int32_t count);
    ~LSoundSinkArray();
    LSoundSinkArray(const LSoundSinkArray&) = delete;
    LSoundSinkArray& operator=(const LSoundSinkArray&) = delete;

    int32_t GetCount() const { return count_; }
    LSoundSinkPtr& operator[](int32_t index) { return items_[index]; }
    const LSoundSinkPtr& operator[](int32_t index) const { return items_[index]; }

private:
    int32_t count_;
    LSoundSinkPtr* items_;
};

// Writes the same blocks to every sink of its array, in index order.
class LMultiSoundSink : public LSoundSink
{
public:
    LMultiSoundSink(uint32_t rate, uint8_t channels, int32_t count);
    ~LMultiSoundSink() override;
    void Write(const int32_t* buffer, int64_t frames) override;
    void Truncate(int64_t) override {}
    // Finishes every sink placed in the array (slots still holding their null sink are not counted).
    bool Finish() override;
    void Abandon() override;

    LSoundSinkArray& GetSinks() { return sinks_; }

private:
    LSoundSinkArray sinks_;
};

// Makes a handle hold a fresh failed null sink.
void LSetFailedSink(LSoundSinkPtr& out);
// The same, carrying the system's reason (an errno value).
void LSetFailedSink(LSoundSinkPtr& out, int error);
