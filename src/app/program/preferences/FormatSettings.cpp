#include "app/program/preferences/FormatSettings.h"

#include "app/program/encoders/LMp3EncoderSettingsPage.h"
#include "app/program/encoders/LWavEncoderOptionsDialog.h"
#include "app/program/preferences/OutputActions.h"
#include "audio/formats/wav/LWavCodecSettings.h"
#include "foundation/files/LFileExists.h"
#include "foundation/files/LPath.h"
#include "foundation/log/LLog.h"
#include "foundation/settings/LSettings.h"

#include <algorithm>

namespace {

bool RunWavFormat(LViewHandle parent)
{
    char path[kLPathSize] = {};
    if (!LGetWavCodecSettingsPath(path)) {
        LLogWarning("Format settings: no folder for the WAV settings file");
        return false;
    }
    LWaveFormatBlock block;
    LSetWaveFormatBlock(block, 1, 44100, 2, 16);
    if (!LFileExists(path))
        LSaveWavCodecSettings(block, path);
    LLoadWavCodecSettings(block, path);
    if (ShowWavEncoderOptions(parent, block, 0, 0, "Select Wave File Format") != 1)
        return false;
    if (!LSaveWavCodecSettings(block, path)) {
        LLogWarningF("Format settings: cannot write %s", path);
        return false;
    }
    return true;
}

} // namespace

int StoredOutputAction()
{
    const int action = LSettingsGetInt("OutputFormat", "OutputFormatNum", 0);
    return action >= 0 && action < kOutputActionCount ? action : 0;
}

bool RunFormatSettings(LViewHandle parent, int action)
{
    if (!OutputActionHasFormatSettings(action))
        return false;
    if (!IsMp3OutputAction(action))
        return RunWavFormat(parent);
    LMp3EncoderOptions options;
    options.Load();
    LMp3EncoderSettingsPage page(&options);
    return ShowMp3EncoderSettings(&page, parent) == 1;
}
