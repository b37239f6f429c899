#include "app/program/preferences/FormatSettings.h"

#include "app/program/encoders/LMp3EncoderSettingsPage.h"
#include "app/program/encoders/LWavEncoderOptionsDialog.h"
#include "app/program/preferences/OutputActions.h"
#include "audio/formats/mp3/LMp3EncoderComponent.h"
#include "audio/formats/wav/LWavCodecSettings.h"
#include "foundation/files/LFileExists.h"
#include "foundation/files/LPath.h"
#include "foundation/log/LLog.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LMessageBox.h"

#include <algorithm>

namespace {

bool RealProbe()
{
    LMp3EncoderComponent component;
    return component.IsLoaded();
}

bool (*gProbe)() = RealProbe;

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

bool EnsureMp3EncoderInstalled(LViewHandle parent)
{
    if (gProbe())
        return true;
    LMessageBox box(parent,
                    "Quorin cannot load its MP3 encoder, so recordings cannot be saved as MP3 files.\r\n\r\n"
                    "The encoder is provided by the package libmp3lame0: install it (for example with "
                    "\"sudo apt install libmp3lame0\") and choose the MP3 format again, or choose a Wave "
                    "format.",
                    "MP3 Encoder Not Installed");
    box.style = LMessageBoxCriticalStyle;
    box.SetButton(1, "OK");
    box.Show();
    return false;
}

void SetMp3EncoderProbeForTesting(bool (*probe)())
{
    gProbe = probe ? probe : RealProbe;
}
