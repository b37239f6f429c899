#include "app/program/recording/RecordingInput.h"

#include "foundation/settings/LSettings.h"

#include <algorithm>
#include <cstdint>

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
    const int volume = std::clamp(LSettingsGetInt("Recording", "Volume", -20), -127, 127);
    LSoundInputSetVolumeDb(valid, static_cast<int8_t>(volume));
    return valid;
}
