#include "burn/LAudioTrackSource.h"

#include <libburn/libburn.h>

#include <climits>
#include <cstdlib>

using namespace burn;

namespace {

LAiffTrackProducer* ProducerOf(burn_source* source)
{
    return static_cast<LAiffTrackProducer*>(source->data);
}

int ReadTrack(burn_source* source, unsigned char* buffer, int size)
{
    const int64_t n = ProducerOf(source)->Produce(buffer, size);
    return n < 0 ? -1 : static_cast<int>(n);
}

off_t TrackSize(burn_source* source)
{
    return static_cast<off_t>(ProducerOf(source)->TotalBytes());
}

// libburn notes a fixed size it would pad or cut to; the track's length is
// already whole blocks, so there is nothing to change.
int SetTrackSize(burn_source*, off_t)
{
    return 1;
}

void FreeTrack(burn_source* source)
{
    delete ProducerOf(source);
    source->data = nullptr;
}

} // namespace

burn_source* LNewAudioTrackSource(std::unique_ptr<LAiffTrackProducer> producer)
{
    if (!producer || !producer->Open())
        return nullptr;
    // burn_source_free releases the record itself with free().
    auto* source = static_cast<burn_source*>(std::calloc(1, sizeof(burn_source)));
    if (source == nullptr)
        return nullptr;
    source->refcount = 1;
    source->read = &ReadTrack;
    source->get_size = &TrackSize;
    source->set_size = &SetTrackSize;
    source->free_data = &FreeTrack;
    source->data = producer.release();
    return source;
}

void LReleaseBurnSource(burn_source* source)
{
    if (source != nullptr)
        burn_source_free(source);
}
