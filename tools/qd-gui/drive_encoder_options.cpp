// The encoder option dialogs as the output-format settings open them: the
// WAV format from "WavCodec.wff" (saved back on OK, printed as a format line)
// and the MP3 options of the settings.
#include "QdGuiDrive.h"

#include "app/program/encoders/LMp3EncoderSettingsPage.h"
#include "app/program/encoders/LWavEncoderOptionsDialog.h"
#include "foundation/files/LPath.h"

#include <cstdio>
#include <string>

namespace {

bool OpenWave(QdGuiDrive& drive)
{
    if (!drive.args.empty())
        return false;
    char path[kLPathSize] = {};
    if (!LGetWavCodecSettingsPath(path)) {
        std::fprintf(stderr, "qd-gui drive: no folder for the WAV settings file\n");
        return false;
    }
    LWaveFormatBlock block;
    LLoadWavCodecSettings(block, path);
    const bool ok = ShowWavEncoderOptions(nullptr, block, 0, 0, "Select Wave File Format") == 1;
    if (ok) {
        if (!LSaveWavCodecSettings(block, path)) {
            std::fprintf(stderr, "qd-gui drive: cannot write %s\n", path);
            return false;
        }
        drive.File(path);
        QdGuiDrive::Print(
            "format: tag=" + std::to_string(block.formatTag) + " channels=" + std::to_string(block.channels) +
            " rate=" + std::to_string(block.sampleRate) + " bits=" + std::to_string(block.bitsPerSample));
    }
    drive.Finished(ok);
    return true;
}

bool OpenMp3(QdGuiDrive& drive)
{
    if (!drive.args.empty())
        return false;
    LMp3EncoderOptions options;
    options.Load();
    LMp3EncoderSettingsPage page(&options);
    drive.Finished(ShowMp3EncoderSettings(&page, nullptr) == 1);
    return true;
}

} // namespace

QD_GUI_DRIVABLE("wave-options", "", OpenWave);
QD_GUI_DRIVABLE("mp3-options", "", OpenMp3);
