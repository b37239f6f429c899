#include "audio/devices/LSoundDeviceBackend.h"

#include "audio/devices/LPulseSoundBackend.h"

#include <atomic>

namespace {

std::atomic<LSoundDeviceBackend*> gInstalled{nullptr};

} // namespace

LSoundDeviceBackend& LGetSoundDeviceBackend()
{
    LSoundDeviceBackend* installed = gInstalled.load(std::memory_order_acquire);
    if (installed != nullptr)
        return *installed;
    static LPulseSoundBackend pulse;
    return pulse;
}

void LSetSoundDeviceBackend(LSoundDeviceBackend* backend)
{
    gInstalled.store(backend, std::memory_order_release);
}
