#include "app/program/recording/RecordingInput.h"

#include "foundation/settings/LSettings.h"

#include <algorithm>
#include <cstdint>

int StoredRecordingVolume()
{
    return std::clamp(LSettingsGetInt("Recording", "Volume", kDefaultRecordingVolumeDb), -127, 127);
}

LSoundInputSelection LSelectRecordingInput()
{
    char device[260] = {};
    LSettingsGetString("Settings", "SoundInDevice", "", device);
    LSoundInputSelection selection;
    LSoundInputSelectByName(
        selection, device,
        static_cast<uint32_t>(std::max(LSettingsGetInt("Settings", "SoundInDeviceChannel", 0), 0)));
    LSoundInputSelection valid;
    LSoundInputValidateSelection(valid, selection);
    if (valid.device < 0)
        valid = LSoundInputDefaultSelection();
    LSoundInputSetVolumeDb(valid, static_cast<int8_t>(StoredRecordingVolume()));
    return valid;
}
