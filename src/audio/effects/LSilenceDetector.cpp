#include "audio/effects/LSilenceDetector.h"

#include "audio/core/LSoundSamples.h"
#include "foundation/threads/LProcessContext.h"

#include <algorithm>
#include <cmath>
#include <vector>

int32_t LSilenceThreshold(int8_t floorDb)
{
    const double threshold = std::trunc(std::pow(10.0, floorDb / 20.0) * 131072.0);
    return threshold >= 2147483647.0 ? INT32_MAX : static_cast<int32_t>(threshold);
}

int64_t LSilenceBlockFrames(int32_t rate)
{
    return std::clamp<int64_t>(rate / 20, 20, 8192);
}

void FreeSoundRegions(SoundRegion** head)
{
    if (head == nullptr)
        return;
    SoundRegion* node = *head;
    while (node != nullptr) {
        SoundRegion* next = node->next;
        delete node;
        node = next;
    }
    *head = nullptr;
}

int FindSilentRegions(LProcessContext* context, const SilenceSplitParams& params, LSoundSourcePtr& source,
                      SoundRegion** head)
{
    const int64_t rate = source->GetRate();
    const int32_t channels = source->GetChannels();
    const int64_t block = LSilenceBlockFrames(source->GetRate());
    const int32_t threshold = LSilenceThreshold(params.noiseFloor);
    const int64_t ms = std::max<int64_t>(params.minimumSilence, 0);
    const int64_t minimumSilence = (ms / 1000) * rate + ((ms % 1000) * rate) / 1000;
    const int64_t leadIn = block / 2;
    const int64_t tail = 2 * block;

    SoundRegion** tailLink = head;
    int count = 0;
    while (*tailLink != nullptr) {
        tailLink = &(*tailLink)->next;
        ++count;
    }
    auto append = [&](int64_t start, int64_t end) {
        if (end <= start)
            return;
        SoundRegion* node = new SoundRegion;
        node->start = start;
        node->end = end;
        *tailLink = node;
        tailLink = &node->next;
        ++count;
    };

    std::vector<int32_t> buffer(static_cast<size_t>(block * channels), 0);
    bool open = false;
    int64_t start = 0, lastLoud = 0;
    while (source->GetPosition() < source->GetLength()) {
        if (context->IsStopRequested())
            return 1;
        const int64_t pos = source->GetPosition();
        source->Read(buffer.data(), block);
        const int64_t length = source->GetLength();
        if (length > 0)
            context->Progress(static_cast<double>(pos) / static_cast<double>(length));
        context->MessageLevelF(0, "Number of silent regions found: %d", count);
        // Only the frames that belong to the source count: a short last block
        // would otherwise be judged with the samples of the block before it.
        const int64_t frames = std::clamp<int64_t>(length - pos, 0, block);
        const int32_t peak = LSamplePeak(buffer.data(), frames, channels);
        if (!open) {
            if (peak > threshold) {
                start = std::max<int64_t>(0, pos - leadIn);
                lastLoud = pos;
                open = true;
            }
        } else if (peak > threshold) {
            lastLoud = pos;
        } else if (pos - lastLoud >= minimumSilence) {
            append(start, std::min(lastLoud + tail, length));
            open = false;
        }
        // A source that does not move on would keep this loop going for ever.
        if (source->GetPosition() <= pos)
            break;
    }
    if (open)
        append(start, std::min(lastLoud + tail, source->GetLength()));
    return 0;
}
