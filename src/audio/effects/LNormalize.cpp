#include "audio/effects/LNormalize.h"

#include "audio/core/LSoundSamples.h"
#include "audio/core/LSoundSink.h"
#include "audio/effects/LGainEffect.h"
#include "audio/effects/LSampleLevels.h"
#include "audio/effects/LSpooledSoundSource.h"
#include "foundation/settings/LSettings.h"
#include "foundation/threads/LProcessContext.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {
constexpr int64_t kFullScale = 524272;      // 0x7FFF0
constexpr int64_t kMaximumGain = 167772160; // x10.0 in 8.24
} // namespace

int32_t LNormalizeGain(int64_t level, int32_t percent)
{
    // No measurable level, or no wanted level: leave the sound as it is.
    if (level < 1 || percent <= 0)
        return 16777216;
    // percent x full scale overflows 32 bits above about 4096 %: work wide
    // enough for any level, rounding the gain down so the result never passes the wanted level.
    const __int128 wanted = static_cast<__int128>(percent) * kFullScale * 16777216;
    const __int128 gain = wanted / (static_cast<__int128>(level) * 100);
    return static_cast<int32_t>(std::min<__int128>(gain, kMaximumGain));
}

int32_t NormalizeSound(LProcessContext* context, LNormalizeParams& params)
{
    LSoundSourcePtr source = params.source;
    if (source->GetStatus() != kSoundStatusOk)
        return 2;
    context->MessageLevel("Normalizing", 0);
    context->MessageLevel("Please Wait...", 1);

    const int32_t channels = source->GetChannels();
    const int64_t length = source->GetLength();
    const int64_t bound = std::max<int64_t>(length, 1);
    source->Seek(0);
    std::vector<int32_t> buffer(static_cast<size_t>(kSoundBlockFrames) * channels);
    const double step = static_cast<double>(kSoundBlockFrames) / static_cast<double>(bound);
    double progress = 0.0, sum = 0.0;
    int64_t peak = 0, done = 0;
    std::unique_ptr<LSoundSpool> spool;
    if (params.spool)
        spool = std::make_unique<LSoundSpool>();
    for (;;) {
        if (context->IsStopRequested())
            return 1;
        const int64_t n = std::min(length - done, kSoundBlockFrames);
        if (n < 1)
            break;
        source->Read(buffer.data(), n);
        if (spool)
            spool->Append(buffer.data(), n * channels);
        if (params.mode == kNormalizeRms) {
            double meanSquare = static_cast<double>(LMeanSquare(buffer.data(), n, channels));
            if (n < kSoundBlockFrames)
                meanSquare *= static_cast<double>(n) / kSoundBlockFrames;
            sum += meanSquare;
        } else {
            peak = std::max<int64_t>(peak, LSamplePeak(buffer.data(), n, channels));
        }
        progress += step;
        context->Progress(progress);
        done += n;
    }

    int64_t level = peak;
    int32_t percent = params.peakLevel;
    if (params.mode == kNormalizeRms) {
        level = done > 0 ? static_cast<int64_t>(std::floor(std::sqrt(sum / (done * 0x1p-13)) * 32 + 0.5)) : 0;
        percent = params.rmsLevel;
    }
    if (level >= 1 && spool && spool->IsOk() && spool->GetSamples() == done * channels) {
        LSoundSourcePtr spooled(
            new LSpooledSoundSource(*spool, source->GetRate(), channels, source->GetPeakLimit()));
        if (spooled->GetStatus() == kSoundStatusOk) {
            // The chain is not read again: a seek would only set its filters
            // going over the start once more.
            LGainEffect(LNormalizeGain(level, percent)).CreateFilter(params.source, spooled);
            return 0;
        }
    }
    source->Seek(0);
    if (level < 1)
        return 0;
    LGainEffect(LNormalizeGain(level, percent)).CreateFilter(params.source, source);
    return 0;
}

bool NormalizeSoundWithSettings(LProcessContext* context, LSoundSourcePtr& source)
{
    const int level = LSettingsGetInt("Settings", "NormalizeLevel", 100);
    if (level == 0)
        return false;
    LNormalizeParams params;
    params.mode = kNormalizePeak;
    params.peakLevel = level;
    params.rmsLevel = 30;
    params.source = source;
    if (NormalizeSound(context, params) != 0)
        return false;
    source = params.source;
    return true;
}
