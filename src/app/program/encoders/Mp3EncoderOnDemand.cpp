#include "app/program/encoders/Mp3EncoderOnDemand.h"

#include "app/program/online/InstallOnDemandDialogs.h"
#include "audio/formats/mp3/LMp3EncoderComponent.h"
#include "foundation/files/LPath.h"
#include "gui/framework/LWindow.h"

namespace {

bool (*gProbe)() = nullptr;

} // namespace

bool EnsureMp3EncoderInstalled(LViewHandle parent)
{
    if (gProbe != nullptr && gProbe())
        return true;
    char path[kLPathSize] = {};
    return LComponentInstallOnDemand(kMp3EncoderComponentName, path,
                                     parent != nullptr ? LGetWindowFromView(parent) : nullptr);
}

void SetMp3EncoderProbeForTesting(bool (*probe)())
{
    gProbe = probe;
}
