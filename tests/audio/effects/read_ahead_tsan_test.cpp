// The read-ahead filter: what it delivers is what its upstream delivers,
// whatever the reader's request sizes, across the end, after seeks and
// queries; it stays out of the way when inactive or over a growing source,
// and lets go of its thread however it ends.

#include "EffectsTestSources.h"

#include "audio/effects/LReadAheadSoundFilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

using namespace quorin::test;

namespace {

constexpr int64_t kFrames = 100000;

// Real data up to the length, then silence; reports how many frames were real.
class ClampingSource : public VectorSource
{
public:
    using VectorSource::VectorSource;
    int64_t Read(int32_t* buffer, int64_t frames) override
    {
        const int64_t before = GetPosition();
        VectorSource::Read(buffer, frames);
        return std::clamp<int64_t>(GetLength() - before, 0, frames);
    }
};

// Each output sample is the running sum of its channel so far: any frame
// lost, repeated or reordered changes everything after it. A seek starts the
// sums again.
class RunningSumFilter : public LSoundFilter
{
public:
    explicit RunningSumFilter(const LSoundSourcePtr& upstream)
        : LSoundFilter(upstream), sums_(upstream->GetChannels(), 0)
    {
    }
    int64_t Read(int32_t* buffer, int64_t frames) override
    {
        const int64_t delivered = upstream_->Read(buffer, frames);
        for (int64_t f = 0; f < frames; ++f)
            for (size_t c = 0; c < sums_.size(); ++c) {
                sums_[c] += buffer[f * sums_.size() + c];
                buffer[f * sums_.size() + c] = static_cast<int32_t>(sums_[c]);
            }
        return delivered;
    }
    void Seek(int64_t frame) override
    {
        upstream_->Seek(frame);
        std::fill(sums_.begin(), sums_.end(), 0);
    }

private:
    std::vector<int64_t> sums_;
};

// A source that says more data is on its way, as a recording in progress does.
class GrowingSource : public VectorSource
{
public:
    using VectorSource::VectorSource;
    bool IsMoreDataPending() override { return true; }
};

std::vector<int32_t> Ramp(int64_t frames, int channels)
{
    std::vector<int32_t> samples(static_cast<size_t>(frames * channels));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int32_t>((i * 7919) % 65521) - 32760;
    return samples;
}

LSoundSourcePtr MakeChain(const std::vector<int32_t>& samples, int channels)
{
    LSoundSourcePtr source(new ClampingSource(44100, static_cast<uint8_t>(channels), samples));
    return LSoundSourcePtr(new RunningSumFilter(source));
}

struct Reading
{
    std::vector<int32_t> samples;
    int64_t delivered = 0;
    int64_t position = 0;
};

Reading ReadInChunks(LSoundSourcePtr& source, int64_t frames, int64_t chunk)
{
    Reading r;
    const int channels = source->GetChannels();
    r.samples.assign(static_cast<size_t>(frames * channels), -1);
    for (int64_t done = 0; done < frames;) {
        const int64_t n = std::min(chunk, frames - done);
        r.delivered += source->Read(r.samples.data() + done * channels, n);
        done += n;
    }
    r.position = source->GetPosition();
    return r;
}

TEST(ReadAhead, DeliversWhatTheUpstreamDeliversWhateverTheRequestSizes)
{
    struct Case
    {
        int channels;
        int64_t chunk;
        int64_t frames; // read in all, past the end where larger than kFrames
    };
    const Case cases[] = {
        {2, 8192, kFrames},  {2, 1, 20000},       {2, 777, kFrames + 3000}, {1, 8193, kFrames + 1},
        {6, 50000, kFrames}, {2, 200000, 200000}, {1, 4096, kFrames - 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.channels << " channels, chunks of " << c.chunk << ", " << c.frames << " frames");
        const std::vector<int32_t> samples = Ramp(kFrames, c.channels);
        LSoundSourcePtr direct = MakeChain(samples, c.channels);
        LSoundSourcePtr ahead = MakeChain(samples, c.channels);
        ASSERT_NE(LAddReadAhead(ahead), nullptr);
        EXPECT_EQ(ahead->GetLength(), kFrames);
        const Reading want = ReadInChunks(direct, c.frames, c.chunk);
        const Reading got = ReadInChunks(ahead, c.frames, c.chunk);
        EXPECT_EQ(got.samples, want.samples);
        EXPECT_EQ(got.delivered, want.delivered);
        EXPECT_EQ(got.position, want.position);
        EXPECT_EQ(ahead->GetLength(), kFrames);
    }
}

TEST(ReadAhead, SeeksAndQueriesPutTheUpstreamWhereTheReaderIs)
{
    const std::vector<int32_t> samples = Ramp(kFrames, 2);
    // A seek restarts the sums, so after one both chains must agree again.
    for (int64_t target : {int64_t{0}, int64_t{12345}, kFrames - 10, kFrames + 50}) {
        SCOPED_TRACE(target);
        LSoundSourcePtr direct = MakeChain(samples, 2);
        LSoundSourcePtr ahead = MakeChain(samples, 2);
        LAddReadAhead(ahead);
        ReadInChunks(ahead, 30000, 1000); // leaves blocks read ahead
        direct->Seek(target);
        ahead->Seek(target);
        EXPECT_EQ(ahead->GetPosition(), direct->GetPosition());
        EXPECT_EQ(ReadInChunks(ahead, 40000, 3000).samples, ReadInChunks(direct, 40000, 3000).samples);
    }

    // A query stops the thread and rewinds the upstream to what was delivered.
    auto* plain = new ClampingSource(44100, 2, samples);
    const LSoundSourcePtr keep(plain);
    LSoundSourcePtr ahead(plain);
    LAddReadAhead(ahead);
    const Reading first = ReadInChunks(ahead, 20000, 1000);
    int64_t value = 0;
    EXPECT_FALSE(ahead->Query(12345, &value));
    EXPECT_EQ(plain->GetPosition(), 20000);
    const Reading rest = ReadInChunks(ahead, kFrames - 20000, 5000);
    std::vector<int32_t> all = first.samples;
    all.insert(all.end(), rest.samples.begin(), rest.samples.end());
    EXPECT_EQ(all, samples);
}

TEST(ReadAhead, InactiveOrOverAGrowingSourceItOnlyPassesThrough)
{
    const std::vector<int32_t> samples = Ramp(kFrames, 2);
    const std::vector<int64_t> asked = {100, 5000, 7, 30000};
    auto readPattern = [&](LSoundSourcePtr& source) {
        std::vector<int32_t> buffer(30000 * 2);
        for (int64_t n : asked)
            source->Read(buffer.data(), n);
    };

    auto* vector = new VectorSource(44100, 2, samples);
    LSoundSourcePtr source(vector);
    LReadAheadSoundFilter* filter = LAddReadAhead(source, false);
    ASSERT_NE(filter, nullptr);
    EXPECT_FALSE(filter->IsActive());
    readPattern(source);
    EXPECT_EQ(vector->reads_, asked);
    EXPECT_EQ(source->GetPosition(), 35107);

    // Made active, it reads whole blocks from where the reader stands;
    // made inactive again, the upstream is put back where the reader is.
    vector->reads_.clear();
    filter->SetActive(true);
    std::vector<int32_t> buffer(10 * 2);
    source->Read(buffer.data(), 10);
    filter->SetActive(false);
    ASSERT_FALSE(vector->reads_.empty());
    EXPECT_EQ(vector->reads_.front(), kSoundBlockFrames);
    EXPECT_EQ(vector->GetPosition(), 35117);
    EXPECT_EQ(std::vector<int32_t>(buffer.begin(), buffer.end()),
              std::vector<int32_t>(samples.begin() + 35107 * 2, samples.begin() + 35117 * 2));

    auto* growing = new GrowingSource(44100, 2, samples);
    LSoundSourcePtr live(growing);
    LSoundSource* before = live.Get();
    EXPECT_EQ(LAddReadAhead(live), nullptr);
    EXPECT_EQ(live.Get(), before);
    LReadAheadSoundFilter over(live);
    EXPECT_TRUE(over.IsMoreDataPending());
    std::vector<int32_t> wide(30000 * 2);
    for (int64_t n : asked)
        over.Read(wide.data(), n);
    EXPECT_EQ(growing->reads_, asked);

    LSoundSourcePtr failed;
    LSetFailedSource(failed, kSoundStatusCannotOpen);
    LSoundSource* failedBefore = failed.Get();
    EXPECT_EQ(LAddReadAhead(failed), nullptr);
    EXPECT_EQ(failed.Get(), failedBefore);
    LReadAheadSoundFilter overFailed(failed);
    EXPECT_EQ(overFailed.GetStatus(), kSoundStatusUpstreamFailed);
}

TEST(ReadAhead, LetsGoOfItsThreadAndUpstreamHoweverItEnds)
{
    const std::vector<int32_t> samples = Ramp(kFrames, 2);
    auto* plain = new VectorSource(44100, 2, samples);
    const LSoundSourcePtr keep(plain);
    std::vector<int32_t> buffer(2 * 2);
    for (int reads : {1, 3, 40}) {
        SCOPED_TRACE(reads);
        plain->Seek(0);
        {
            LSoundSourcePtr ahead(plain);
            LAddReadAhead(ahead);
            for (int i = 0; i < reads; ++i)
                ahead->Read(buffer.data(), 2);
            EXPECT_EQ(keep->GetRefCount(), 2); // ours and the filter's
        }                                      // released while the thread may be in the middle of a block
        EXPECT_EQ(keep->GetRefCount(), 1);
    }
}

} // namespace
