// Click and pop removal: clicks injected at known places into clean music
// are found and repaired; clean material passes untouched.

#include "audio/effects/LClickPopFilter.h"
#include "audio/restore/RestoreTestSignals.h"

#include <gtest/gtest.h>

using namespace quorin::test;

namespace {

struct Click
{
    int64_t frame;
    int32_t channel;
    int32_t width;
    double dbfs;
    std::vector<int32_t> shape;
};

struct ClickResult
{
    int found = 0;
    int total = 0;
    double clickEnergy = 0; // over the spans of the found clicks
    double errorEnergy = 0; // repaired output against the clean original there
};

// Clicks of every width from 2 to 19 samples and amplitudes from -30 to 0
// dBFS: a steep edge that decays, of either sign, in one channel.
std::vector<Click> MakeClicks(int32_t rate, int64_t frames, int32_t channels, uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<Click> clicks;
    int64_t at = rate / 5;
    int n = 0;
    while (at + rate / 10 < frames) {
        Click c;
        c.frame = at + static_cast<int64_t>(random() % (rate / 20));
        c.channel = static_cast<int32_t>(random() % channels);
        c.width = 2 + n % 18;
        c.dbfs = -30.0 + 30.0 * static_cast<double>((n * 7) % 31) / 30.0;
        const double amplitude = 524288.0 * std::pow(10.0, c.dbfs / 20.0) * (random() % 2 ? 1 : -1);
        for (int32_t k = 0; k < c.width; ++k)
            c.shape.push_back(static_cast<int32_t>(amplitude * (1.0 - 0.5 * k / c.width)));
        clicks.push_back(c);
        at += rate / 8;
        ++n;
    }
    return clicks;
}

ClickResult Measure(const std::vector<int32_t>& clean, const std::vector<int32_t>& out,
                    const std::vector<Click>& clicks, int32_t channels)
{
    ClickResult r;
    for (const Click& c : clicks) {
        ++r.total;
        double click = 0, error = 0, worst = 0;
        for (int32_t k = 0; k < c.width; ++k) {
            const size_t i = static_cast<size_t>((c.frame + k) * channels + c.channel);
            const double e = static_cast<double>(out[i]) - clean[i];
            click += static_cast<double>(c.shape[k]) * c.shape[k];
            error += e * e;
            worst = std::max(worst, std::fabs(e));
        }
        // Found: nothing of the click's first half-height is left.
        if (worst < std::fabs(c.shape[0]) / 4.0) {
            ++r.found;
            r.clickEnergy += click;
            r.errorEnergy += error;
        }
    }
    return r;
}

LSoundSourcePtr Remover(int32_t rate, int32_t channels, std::vector<int32_t> samples)
{
    return LSoundSourcePtr(
        new LClickPopFilter(MakeSource(rate, static_cast<uint8_t>(channels), std::move(samples)), 35, 450));
}

} // namespace

TEST(ClickPopFilter, DerivedValuesAt44100)
{
    LClickPopFilter* f = new LClickPopFilter(MakeSource(44100, 2, {}), 35, 450);
    LSoundSourcePtr keep(f);
    EXPECT_EQ(f->GetLevel(), 65);
    EXPECT_EQ(f->GetWindow(), 441);
    EXPECT_EQ(f->GetLag(), 3);
    EXPECT_EQ(f->GetMaxClick(), 19);
    EXPECT_EQ(f->GetHop(), 416);
}

TEST(ClickPopFilter, DigitalSilencePassesUnchanged)
{
    LSoundSourcePtr filter = Remover(44100, 2, std::vector<int32_t>(44100 * 2 * 2, 0));
    const std::vector<int32_t> out = ReadAll(filter, 44100 * 2, 1000);
    for (size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i], 0) << i;
}

TEST(ClickPopFilter, CleanMusicPassesUnchanged)
{
    for (int32_t rate : {44100, 48000, 22050}) {
        for (double peak : {-1.0, -20.0, -45.0}) {
            const int64_t frames = rate * 2;
            const std::vector<int32_t> clean = MusicLike(rate, 2, frames, peak, 11);
            LClickPopFilter* raw = new LClickPopFilter(MakeSource(rate, 2, clean), 35, 450);
            LSoundSourcePtr filter(raw);
            const std::vector<int32_t> out = ReadAll(filter, frames, 3000);
            EXPECT_EQ(raw->GetRepairCount(), 0) << rate << " Hz, peak " << peak;
            EXPECT_EQ(out, clean) << rate << " Hz, peak " << peak;
        }
    }
}

TEST(ClickPopFilter, InjectedClicksAreFoundAndRepaired)
{
    const int32_t rate = 44100, channels = 2;
    const int64_t frames = rate * 12;
    // Quiet music, as between the loud notes of a record, where clicks are heard.
    for (double musicPeak : {-40.0, -30.0}) {
        const std::vector<int32_t> clean = MusicLike(rate, channels, frames, musicPeak, 3);
        const std::vector<Click> clicks = MakeClicks(rate, frames, channels, 5);
        std::vector<int32_t> dirty = clean;
        for (const Click& c : clicks)
            for (int32_t k = 0; k < c.width; ++k)
                dirty[(c.frame + k) * channels + c.channel] += c.shape[k];
        LSoundSourcePtr filter = Remover(rate, channels, dirty);
        const std::vector<int32_t> out = ReadAll(filter, frames, 4096);
        const ClickResult r = Measure(clean, out, clicks, channels);
        const double rate_ = static_cast<double>(r.found) / r.total;
        const double residualDb = Db(std::sqrt(r.errorEnergy / r.clickEnergy));
        std::printf("music peak %.0f dBFS: %d of %d clicks repaired, residual %.1f dB\n", musicPeak, r.found,
                    r.total, residualDb);
        EXPECT_GE(r.total, 80);
        EXPECT_GE(rate_, 0.97);
        EXPECT_LT(residualDb, musicPeak < -35 ? -45.0 : -38.0);
        // Outside the clicks the music is untouched, bar the samples a repair
        // bridges (up to the lag before and the lag plus a click length after).
        int64_t changed = 0;
        std::vector<bool> nearClick(out.size(), false);
        for (const Click& c : clicks)
            for (int64_t f = c.frame - 3; f < c.frame + c.width + 3 + 19; ++f)
                nearClick[f * channels + c.channel] = true;
        for (size_t i = 0; i < out.size(); ++i)
            if (!nearClick[i] && out[i] != clean[i])
                ++changed;
        EXPECT_EQ(changed, 0);
    }
}

TEST(ClickPopFilter, SeekStartsAfresh)
{
    const int32_t rate = 44100;
    const std::vector<int32_t> clean = MusicLike(rate, 1, rate * 2, -10, 2);
    LSoundSourcePtr filter = Remover(rate, 1, clean);
    std::vector<int32_t> part(5000);
    filter->Read(part.data(), 5000);
    EXPECT_EQ(filter->GetPosition(), 5000);
    filter->Seek(30000);
    EXPECT_EQ(filter->GetPosition(), 30000);
    filter->Read(part.data(), 5000);
    for (int64_t f = 0; f < 5000; ++f)
        ASSERT_EQ(part[f], clean[30000 + f]);
    EXPECT_EQ(filter->GetPosition(), 35000);
}
