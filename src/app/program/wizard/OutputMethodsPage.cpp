#include "app/program/wizard/OutputMethodsPage.h"

#include "app/program/encoders/Mp3EncoderOnDemand.h"

#include "app/program/wizard/WizardPageSupport.h"
#include "foundation/log/LLog.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LMessageBox.h"

#include <unistd.h>

namespace {

void Builder(LWindow* window, int, int, int)
{
    static_cast<OutputMethodsPage*>(window)->Layout();
}

} // namespace

OutputMethodsPage::OutputMethodsPage(WizardTrackFolders folders, WizardTrackReceiver* receiver,
                                     WizardSideActions actions)
    : folders_(std::move(folders)), receiver_(receiver), actions_(std::move(actions))
{
}

const LDialogTemplate* OutputMethodsPage::Template()
{
    static const LDialogTemplate dialogTemplate{640, 132, "Output Methods", true, Builder};
    return &dialogTemplate;
}

void OutputMethodsPage::Layout()
{
    AddGroupBox(kMethodGroup, "Output Methods");
    PlaceControl(this, kMethodGroup, 18, 14, 604, 108);
    AddRadioButton(kAudioCd, "Burn recorded audio to an audio CD (for listening on a CD player).", 1);
    PlaceControl(this, kAudioCd, 30, 40, 578, 21);
    AddRadioButton(kMp3, "Convert recorded audio files to mp3.", 1);
    PlaceControl(this, kMp3, 30, 66, 578, 21);
    AddRadioButton(kNothing, "Do nothing. I want to do more work on these files.", 1);
    PlaceControl(this, kNothing, 30, 92, 578, 21);
}

void OutputMethodsPage::OnCreate()
{
    CheckMethod(ReadOutputMethod());
}

OutputMethod OutputMethodsPage::CheckedMethod() const
{
    if (GetCheck(kAudioCd))
        return OutputMethod::kAudioCd;
    if (GetCheck(kMp3))
        return OutputMethod::kMp3;
    return OutputMethod::kNothing;
}

void OutputMethodsPage::CheckMethod(OutputMethod method)
{
    SetCheck(kAudioCd, method == OutputMethod::kAudioCd);
    SetCheck(kMp3, method == OutputMethod::kMp3);
    SetCheck(kNothing, method == OutputMethod::kNothing);
}

bool OutputMethodsPage::CanOK()
{
    return PerformOutput();
}

bool OutputMethodsPage::PerformOutput()
{
    const OutputMethod method = CheckedMethod();
    if (method == OutputMethod::kMp3) {
        // Declined or failed, the install has told the user; the wizard stays
        // with the tracks as they are.
        if (!EnsureMp3EncoderInstalled(GetView()))
            return false;
        Mp3Conversion conversion;
        std::string error;
        const int result = RunWizardStep(this, "Converting to mp3 file.", [&](LProcessContext* context) {
            return ConvertTracksToMp3(context, folders_.save, &conversion, &error);
        });
        if (result != 0) {
            const std::string text =
                (result == 1 ? std::string("The conversion to MP3 was cancelled.") : error) +
                " No track was converted or handed over; your tracks are kept as they were.";
            Tell(text.c_str());
            return false;
        }
        const bool handed = HandOver(conversion.tracks, conversion.madeFrom, "Converting to mp3 file.");
        if (!handed) {
            // What was not taken is made again next time from its WAV.
            for (size_t i = 0; i < conversion.tracks.size(); ++i)
                if (!conversion.madeFrom[i].empty())
                    unlink((folders_.save + "/" + conversion.tracks[i]).c_str());
            // A taken MP3 took its WAV with it; the rest keep their WAVs.
            return false;
        }
    } else if (!HandOver(ListTrackFiles(folders_.save), {}, "Saving record files")) {
        return false;
    }
    if (method == OutputMethod::kAudioCd)
        LSettingsSetString("OutputFormat", "WIZARDBURN", "1");
    StoreOutputMethod(method);
    return true;
}

bool OutputMethodsPage::HandOver(const std::vector<std::string>& names,
                                 const std::vector<std::string>& madeFrom, const char* title)
{
    if (receiver_ == nullptr) {
        Tell("The tracks cannot be handed over: there is no main window to take them.");
        return false;
    }
    HandOverReport report;
    const int result = RunWizardStep(this, title, [&](LProcessContext* context) {
        return HandOverTracks(context, *receiver_, folders_.save, names, madeFrom, &report);
    });
    if (result == 0)
        return true;
    if (report.left.empty() && report.landed.size() == names.size())
        return true;
    std::string text = result == 1 ? "Adding the tracks to your recordings was cancelled."
                                   : "Some tracks could not be added to your recordings folder.";
    text += " " + std::to_string(report.landed.size()) + " of " + std::to_string(names.size()) +
            " tracks were added. The others are kept in " + folders_.save +
            " while the wizard is open: make room in your recordings folder (or make it writable) and click "
            "Finish again, or choose another output method.";
    LLogWarning(text.c_str());
    Tell(text.c_str());
    return false;
}

bool OutputMethodsPage::CanCancel()
{
    return !actions_.mayCancel || actions_.mayCancel(this);
}

void OutputMethodsPage::OnHelp()
{
    LOpenHelpTopic("outputformat");
}

void OutputMethodsPage::Tell(const char* text)
{
    LMessageBox box(GetView(), text, kTrackPageMessageTitle);
    box.style = LMessageBoxCriticalStyle;
    box.Show();
}
