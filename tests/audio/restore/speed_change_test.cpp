// Speed correction of records played at the wrong turntable speed.

#include "audio/effects/LSpeedChangeSoundFilter.h"
#include "audio/restore/RestoreTestSignals.h"

#include <gtest/gtest.h>

using namespace quorin::test;

TEST(SpeedChange, ResampledRates)
{
    // 33 1/3 rpm played at 45: 44100 x 135 / 100.
    EXPECT_EQ(LSpeedChangeRate(44100, kSpeed45To33Ratio), 59535);
    EXPECT_EQ(LSpeedChangeRate(48000, kSpeed45To33Ratio), 64800);
    // 78 played at 45: 44100 x 45 / 78 = 25442.3, the exact quotient of the speeds.
    EXPECT_EQ(LSpeedChangeRate(44100, kSpeed78To45Ratio), 25442);
    // Ratios below 0.1 count as 0.1.
    EXPECT_EQ(LSpeedChangeRate(44100, 0.0), 441000);
}

TEST(SpeedChange, ToneComesOutAtTheCorrectedPitch)
{
    const int32_t rate = 44100;
    const int64_t frames = rate * 2;
    struct Case
    {
        double ratio;
        double want;
        int32_t resampled;
    } cases[] = {{kSpeed45To33Ratio, 740.74, 59535}, {kSpeed78To45Ratio, 1733.33, 25442}};
    for (const Case& c : cases) {
        LSpeedChangeSoundFilter* raw =
            new LSpeedChangeSoundFilter(MakeSource(rate, 2, Sine(1000, rate, 2, frames)), false, c.ratio);
        LSoundSourcePtr speed(raw);
        EXPECT_EQ(speed->GetStatus(), kSoundStatusOk);
        EXPECT_EQ(speed->GetRate(), rate);
        EXPECT_EQ(speed->GetChannels(), 2);
        EXPECT_EQ(raw->GetResampledRate(), c.resampled);
        const int64_t length = speed->GetLength();
        EXPECT_NEAR(static_cast<double>(length), frames / c.ratio, 2.0);
        const std::vector<int32_t> out = ReadAll(speed, length);
        EXPECT_EQ(speed->GetPosition(), length);
        for (int32_t ch = 0; ch < 2; ++ch)
            EXPECT_NEAR(ToneFrequency(out, 2, ch, rate, 2000, length - 2000), c.want, 0.1) << c.ratio;
        // Seeking counts frames at the new speed.
        speed->Seek(length / 2);
        EXPECT_NEAR(static_cast<double>(speed->GetPosition()), length / 2, 1.0);
    }
}

TEST(SpeedChange, FailedSourceStaysFailed)
{
    LSoundSourcePtr failed;
    LSetFailedSource(failed, kSoundStatusCannotOpen);
    LSoundSourcePtr speed(new LSpeedChangeSoundFilter(failed, false, kSpeed45To33Ratio));
    EXPECT_NE(speed->GetStatus(), kSoundStatusOk);
}
