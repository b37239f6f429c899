#include "audio/core/LSoundSource.h"

#include <cerrno>
#include <cstring>
#include <ctime>

LSoundSource::LSoundSource(int32_t rate, uint8_t channels, uint32_t peakLimit)
    : rate_(rate), channels_(channels), peakLimit_(peakLimit)
{
    if (rate_ < 1) {
        rate_ = 44100;
        status_ = kSoundStatusBadParameters;
    }
    if (channels_ == 0) {
        channels_ = 1;
        status_ = kSoundStatusBadParameters;
    }
}

LSoundSource::~LSoundSource() = default;

bool LSoundSource::Query(int32_t, int64_t*)
{
    return false;
}

bool LSoundSource::IsMoreDataPending()
{
    return false;
}

int LSoundSource::WaitForData(uint32_t ms)
{
    LSleepMilliseconds(ms);
    return 0;
}

void LSleepMilliseconds(uint32_t ms)
{
    timespec wanted{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    timespec left{};
    while (nanosleep(&wanted, &left) != 0 && errno == EINTR)
        wanted = left;
}

// ---- handle ----

void LSoundSourcePtr::AddRef(LSoundSource* source)
{
    ++source->refCount_;
}

void LSoundSourcePtr::Release(LSoundSource* source)
{
    if (--source->refCount_ == 0)
        delete source;
}

LSoundSourcePtr::LSoundSourcePtr() : source_(new LNullSoundSource())
{
    AddRef(source_);
}

LSoundSourcePtr::LSoundSourcePtr(LSoundSource* source) : source_(source ? source : new LNullSoundSource())
{
    AddRef(source_);
}

LSoundSourcePtr::LSoundSourcePtr(const LSoundSourcePtr& other) : source_(other.source_)
{
    AddRef(source_);
}

LSoundSourcePtr::~LSoundSourcePtr()
{
    Release(source_);
}

LSoundSourcePtr& LSoundSourcePtr::operator=(const LSoundSourcePtr& other)
{
    // Counting the new object up first keeps self-assignment safe.
    LSoundSource* incoming = other.source_;
    AddRef(incoming);
    Release(source_);
    source_ = incoming;
    return *this;
}

LSoundSourcePtr& LSoundSourcePtr::operator=(LSoundSource* source)
{
    LSoundSource* incoming = source ? source : new LNullSoundSource();
    AddRef(incoming);
    Release(source_);
    source_ = incoming;
    return *this;
}

LSoundSource* LSoundSourcePtr::Reset()
{
    Release(source_);
    source_ = new LNullSoundSource();
    AddRef(source_);
    return source_;
}

// ---- filter ----

LSoundFilter::LSoundFilter(const LSoundSourcePtr& upstream)
    : LSoundSource(upstream->GetRate(), upstream->GetChannels(), upstream->GetPeakLimit()),
      upstream_(upstream)
{
    if (upstream_->GetStatus() != kSoundStatusOk)
        status_ = kSoundStatusUpstreamFailed;
}

LSoundFilter::~LSoundFilter() = default;

int64_t LSoundFilter::GetPosition()
{
    return upstream_->GetPosition();
}

int64_t LSoundFilter::GetLength()
{
    return upstream_->GetLength();
}

void LSoundFilter::Seek(int64_t frame)
{
    upstream_->Seek(frame);
}

bool LSoundFilter::Query(int32_t code, int64_t* value)
{
    return upstream_->Query(code, value);
}

bool LSoundFilter::IsMoreDataPending()
{
    return upstream_->IsMoreDataPending();
}

int LSoundFilter::WaitForData(uint32_t ms)
{
    return upstream_->WaitForData(ms);
}

// ---- null source ----

LNullSoundSource::LNullSoundSource() : LSoundSource(11025, 1, 0x200000)
{
    status_ = kSoundStatusPlaceholder;
}

LNullSoundSource::LNullSoundSource(uint8_t status) : LSoundSource(11025, 1, 0x200000)
{
    status_ = status;
}

LNullSoundSource::~LNullSoundSource() = default;

int64_t LNullSoundSource::Read(int32_t* buffer, int64_t frames)
{
    if (frames > 0)
        std::memset(buffer, 0, static_cast<size_t>(frames) * channels_ * sizeof(int32_t));
    return 0;
}

void LSetFailedSource(LSoundSourcePtr& out, uint8_t status)
{
    out = new LNullSoundSource(status);
}
