#include "audio/core/LSoundSink.h"

#include <cerrno>

#include <new>

LSoundSink::LSoundSink(uint32_t rate, uint8_t channels, int32_t handle)
    : rate_(rate), channels_(channels), handle_(handle)
{
    if (channels_ == 0) {
        channels_ = 1;
        flags_ |= kSoundSinkFailed;
    }
}

LSoundSink::~LSoundSink() = default;

void LSoundSink::Encode(const int32_t*, int64_t) {}

void LSoundSink::Abandon()
{
    SetFailed(ECANCELED);
    Finish();
}

bool LSoundSink::Finish()
{
    return !IsFailed();
}

// ---- handle ----

void LSoundSinkPtr::AddRef(LSoundSink* sink)
{
    ++sink->refCount_;
}

void LSoundSinkPtr::Release(LSoundSink* sink)
{
    if (--sink->refCount_ == 0)
        delete sink;
}

LSoundSinkPtr::LSoundSinkPtr() : sink_(new LNullSoundSink())
{
    AddRef(sink_);
}

LSoundSinkPtr::LSoundSinkPtr(LSoundSink* sink) : sink_(sink ? sink : new LNullSoundSink())
{
    AddRef(sink_);
}

LSoundSinkPtr::LSoundSinkPtr(const LSoundSinkPtr& other) : sink_(other.sink_)
{
    AddRef(sink_);
}

LSoundSinkPtr::~LSoundSinkPtr()
{
    Release(sink_);
}

LSoundSinkPtr& LSoundSinkPtr::operator=(const LSoundSinkPtr& other)
{
    // Counting the new object up first keeps self-assignment safe.
    LSoundSink* incoming = other.sink_;
    AddRef(incoming);
    Release(sink_);
    sink_ = incoming;
    return *this;
}

LSoundSinkPtr& LSoundSinkPtr::operator=(LSoundSink* sink)
{
    LSoundSink* incoming = sink ? sink : new LNullSoundSink();
    AddRef(incoming);
    Release(sink_);
    sink_ = incoming;
    return *this;
}

LSoundSink* LSoundSinkPtr::Reset()
{
    Release(sink_);
    sink_ = new LNullSoundSink();
    AddRef(sink_);
    return sink_;
}

// ---- null, counting and fan-out sinks ----

LNullSoundSink::LNullSoundSink(int error) : LSoundSink(44100, 1, -1)
{
    flags_ |= kSoundSinkFailed;
    error_ = error;
}

LNullSoundSink::~LNullSoundSink() = default;

LCountingSoundSink::LCountingSoundSink(uint32_t rate, uint8_t channels) : LSoundSink(rate, channels, -1) {}

LCountingSoundSink::~LCountingSoundSink() = default;

void LCountingSoundSink::Write(const int32_t*, int64_t frames)
{
    position_ += frames;
}

LSoundSinkArray::LSoundSinkArray(int32_t count) : count_(count < 0 ? 0 : count)
{
    items_ = static_cast<LSoundSinkPtr*>(::operator new(sizeof(LSoundSinkPtr) * (count_ ? count_ : 1)));
    for (int32_t i = 0; i < count_; ++i)
        new (&items_[i]) LSoundSinkPtr();
}

LSoundSinkArray::~LSoundSinkArray()
{
    for (int32_t i = count_ - 1; i >= 0; --i)
        items_[i].~LSoundSinkPtr();
    ::operator delete(items_);
}

LMultiSoundSink::LMultiSoundSink(uint32_t rate, uint8_t channels, int32_t count)
    : LSoundSink(rate, channels, -1), sinks_(count)
{
}

LMultiSoundSink::~LMultiSoundSink() = default;

void LMultiSoundSink::Write(const int32_t* buffer, int64_t frames)
{
    position_ += frames;
    for (int32_t i = 0; i < sinks_.GetCount(); ++i)
        sinks_[i]->Write(buffer, frames);
}

void LMultiSoundSink::Abandon()
{
    SetFailed(ECANCELED);
    for (int32_t i = 0; i < sinks_.GetCount(); ++i)
        sinks_[i]->Abandon();
}

bool LMultiSoundSink::Finish()
{
    bool ok = !IsFailed();
    for (int32_t i = 0; i < sinks_.GetCount(); ++i)
        if (dynamic_cast<LNullSoundSink*>(sinks_[i].Get()) == nullptr && !sinks_[i]->Finish())
            ok = false;
    return ok;
}

void LSetFailedSink(LSoundSinkPtr& out)
{
    out = new LNullSoundSink();
}

void LSetFailedSink(LSoundSinkPtr& out, int error)
{
    out = new LNullSoundSink(error);
}
