#include "audio/effects/LProcessingPump.h"

#include "audio/effects/LConversionEffects.h"
#include "audio/effects/LCrossfadeEffect.h"
#include "audio/effects/LLevellerEffect.h"
#include "foundation/threads/LProcessContext.h"

#include <algorithm>
#include <new>
#include <vector>

LSoundProcessJob::LSoundProcessJob() = default;

LSoundProcessJob::~LSoundProcessJob()
{
    secondSource.Reset();
    output.Reset();
    input.Reset();
}

int32_t ProcessSoundToSink(LProcessContext* context, LSoundProcessJob& job)
{
    context->MessageLevel(job.title.c_str(), 0);
    context->MessageLevel("Please wait...", 1);
    context->Progress(0.0);

    LSoundSourcePtr source = job.input;
    LSoundSinkPtr sink = job.output;
    if (context->IsStopRequested())
        return kPumpCancelled;
    if (source->GetStatus() != kSoundStatusOk || sink->IsFailed())
        return kPumpFailed;

    AdaptSoundSource(static_cast<int32_t>(sink->GetRate()), sink->GetChannels(), source);
    if (source->GetStatus() != kSoundStatusOk || source->GetChannels() != sink->GetChannels())
        return kPumpFailed;
    // Everything above 16-bit range is levelled down before a sink that stores 16 bits.
    if (source->GetPeakLimit() > kPcm16PeakLimit)
        LLevellerEffect(kPcm16PeakLimit).CreateFilter(source, source);

    int64_t remaining = source->GetLength() - source->GetPosition();
    if (job.crossfade != 0) {
        const int32_t rate = source->GetRate();
        int64_t length = rate > 19 ? std::min<int64_t>(remaining / 10, rate / 10) : 1;
        if (length < 1)
            length = 1;
        LCrossfadeEffect(length, job.secondSource).CreateFilter(source, source);
    }

    const int32_t channels = source->GetChannels();
    int64_t blocks = 10;
    std::vector<int32_t> buffer;
    try {
        buffer.resize(static_cast<size_t>(blocks * kSoundBlockFrames * channels));
    } catch (const std::bad_alloc&) {
        blocks = 1;
        buffer.resize(static_cast<size_t>(kSoundBlockFrames * channels));
    }

    if (remaining < 1)
        return kPumpDone;
    const double step = static_cast<double>(blocks * kSoundBlockFrames) / static_cast<double>(remaining);
    double progress = 0.0;
    for (;;) {
        if (context->IsStopRequested())
            return kPumpCancelled;
        const int64_t before = remaining;
        int64_t used = 0;
        for (int64_t b = 0; b < blocks && remaining >= 1; ++b) {
            const int64_t n = std::min(remaining, kSoundBlockFrames);
            source->Read(buffer.data() + b * kSoundBlockFrames * channels, n);
            if (context->IsStopRequested())
                return kPumpCancelled;
            remaining -= n;
            used = b + 1;
        }
        remaining = before;
        for (int64_t b = 0; b < used && remaining > 0; ++b) {
            const int64_t n = std::min(remaining, kSoundBlockFrames);
            sink->Write(buffer.data() + b * kSoundBlockFrames * channels, n);
            // A failed write ends the job at once, whatever else is asked.
            if (sink->IsFailed())
                return kPumpFailed;
            if (context->IsStopRequested())
                return kPumpCancelled;
            remaining -= n;
        }
        context->Progress(progress);
        progress += step;
        if (remaining < 1)
            return kPumpDone;
    }
}
