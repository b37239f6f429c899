#include "audio/effects/LConversionEffects.h"

#include "audio/effects/LChannelConvert.h"
#include "audio/effects/LResampleSoundFilter.h"
#include "audio/effects/LResampleSoundSink.h"

void LChannelConvertEffect::CreateFilter(LSoundSourcePtr& out, const LSoundSourcePtr& source)
{
    if (source->GetStatus() != kSoundStatusOk || channels_ == 0 || channels_ == source->GetChannels()) {
        out = source;
        return;
    }
    if (source->GetChannels() == 2 && channels_ == 1)
        out = new LStereoToMonoFilter(source);
    else if (source->GetChannels() == 1 && channels_ == 2)
        out = new LMonoToStereoFilter(source);
    else
        out = new LChannelConvertFilter(source, channels_);
}

void LResampleEffect::CreateFilter(LSoundSourcePtr& out, const LSoundSourcePtr& source)
{
    if (rate_ < 1) {
        out = new LResampleSoundFilter(source, rate_, approximate_);
        return;
    }
    if (source->GetStatus() != kSoundStatusOk || rate_ == source->GetRate()) {
        out = source;
        return;
    }
    if (static_cast<int64_t>(rate_) * 4 < source->GetRate()) {
        LSoundSourcePtr intermediate;
        LResampleEffect(rate_ * 2, approximate_).CreateFilter(intermediate, source);
        out = new LResampleSoundFilter(intermediate, rate_, approximate_);
        return;
    }
    out = new LResampleSoundFilter(source, rate_, approximate_);
}

void AdaptSoundSource(int32_t rate, uint8_t channels, LSoundSourcePtr& source)
{
    if (source->GetChannels() > channels)
        LChannelConvertEffect(channels).CreateFilter(source, source);
    if (source->GetRate() != rate)
        LResampleEffect(rate, false).CreateFilter(source, source);
    if (source->GetChannels() != channels)
        LChannelConvertEffect(channels).CreateFilter(source, source);
}

void AdaptSoundSink(uint32_t rate, uint8_t channels, LSoundSinkPtr& sink)
{
    if (sink->GetChannels() > channels)
        CreateChannelConvertSink(sink, sink, channels);
    if (sink->GetRate() != rate)
        CreateResampleSoundSink(sink, rate, sink, false);
    if (sink->GetChannels() != channels)
        CreateChannelConvertSink(sink, sink, channels);
}

void CreateMultiSoundSink(LSoundSinkPtr& out, const LSoundSinkPtr* sinks, int32_t n)
{
    uint32_t rate = 0;
    uint8_t channels = 0;
    for (int32_t i = 0; i < n; ++i) {
        if (sinks[i]->GetRate() > rate)
            rate = sinks[i]->GetRate();
        if (sinks[i]->GetChannels() > channels)
            channels = sinks[i]->GetChannels();
    }
    if (n < 1 || rate == 0) {
        LSetFailedSink(out);
        return;
    }
    LMultiSoundSink* multi = new LMultiSoundSink(rate, channels, n);
    LSoundSinkPtr result(multi);
    for (int32_t i = 0; i < n; ++i) {
        LSoundSinkPtr adapted = sinks[i];
        AdaptSoundSink(rate, channels, adapted);
        multi->GetSinks()[i] = adapted;
    }
    out = result;
}
