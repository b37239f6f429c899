#include "app/program/wizard/RecordSidePage.h"

#include "app/program/recording/RecordingInput.h"
#include "app/program/wizard/SideProcessing.h"
#include "app/program/wizard/WizardTasks.h"
#include "app/program/wizard/WizardLayout.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "foundation/log/LLog.h"
#include "foundation/settings/LSettings.h"
#include "gui/controls/LPaintControl.h"
#include "gui/framework/LMessageBox.h"
#include "gui/framework/LTextLines.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The side's recorder waits (trigger -127 dB: the first buffer starts it)
// and never trims a silence shorter than this.
constexpr int64_t kSideSilenceMs = 4000;

void Builder(LWindow* window, int, int, int)
{
    static_cast<RecordSidePage*>(window)->Layout();
}

// The length of a recorded side in whole seconds, -1 when it does not read.
int64_t SideSeconds(const std::string& path)
{
    LSoundSourcePtr source;
    LOpenWavSoundSource(source, path.c_str());
    if (source->GetStatus() != kSoundStatusOk || source->GetRate() <= 0)
        return -1;
    return source->GetLength() / source->GetRate();
}

} // namespace

RecordSidePage::RecordSidePage(WizardRun& run, int side) : run_(run), side_(side == 2 ? 2 : 1)
{
    LSetFailedSink(sink_);
    run_.unsavedRecording = false;
}

RecordSidePage::~RecordSidePage()
{
    if (recorder_) {
        recorder_->SetListener(nullptr, nullptr);
        recorder_->Stop();
    }
    sink_ = nullptr;
    meter_.Destroy();
}

const LDialogTemplate* RecordSidePage::Template()
{
    static const LDialogTemplate dialogTemplate{640, 184, "Recording", true, Builder};
    return &dialogTemplate;
}

void RecordSidePage::Layout()
{
    WizardAddText(this, kSideInstruction,
                  "Move the needle (or rewind the cassette) to the start. When it is playing click Start "
                  "Recording.",
                  18, 14, 604, 38);
    AddStaticTextEmpty(kSideTakeText);
    WizardPlace(this, kSideTakeText, 18, 54, 604, 21);
    LAddPaintControl(this, kSideMeter);
    WizardPlace(this, kSideMeter, 18, 80, 604, 51);
    AddButtonNoRect(kSideStart, "Start Recording");
    WizardPlace(this, kSideStart, 18, 152, 146, 21);
    AddButtonNoRect(kSideRestart, "Restart");
    WizardPlace(this, kSideRestart, 170, 152, 146, 21);
    AddButtonNoRect(kSideStop, "Stop");
    WizardPlace(this, kSideStop, 322, 152, 147, 21);
    AddButtonNoRect(kSideSkip, "Skip");
    WizardPlace(this, kSideSkip, 475, 152, 147, 21);
}

void RecordSidePage::OnCreate()
{
    // Made only now: a wizard that never shows this page never opens the
    // sound server for it.
    recorder_ = std::make_unique<LSoundRecorder>();
    ShowControl(kSideSkip, side_ == 2);
    recorder_->SetListener(static_cast<LSoundRecorderListener*>(this), nullptr);
    meter_.Attach(this, kSideMeter);
    meter_.Clear();
}

void RecordSidePage::OnDestroy()
{
    if (!recorder_)
        return;
    if (IsBusy())
        recorder_->Stop();
    recorder_->SetListener(nullptr, nullptr);
}

std::string RecordSidePage::SidePath() const
{
    return run_.folders.SidePath(side_);
}

bool RecordSidePage::IsBusy() const
{
    if (!recorder_)
        return false;
    const int32_t state = recorder_->GetState();
    return state == kRecorderWaiting || state == kRecorderRecording;
}

void RecordSidePage::OnPageShown()
{
    char vinyl[260] = {};
    LSettingsGetString("RecordingSource", "Vinyl", "", vinyl);
    SetControlText(kSideInstruction,
                   LBreakTextIntoLines(
                       this,
                       vinyl[0] == '0' ? "Rewind the cassette to the start. When it is playing, click Start "
                                         "Recording."
                                       : "Move the needle to the start. When it is playing, click Start "
                                         "Recording.",
                       static_cast<int>(604 * GetScaleFactor()))
                       .c_str());
    meter_.Clear();
    ShowTake();
}

// What is already recorded of the side, so that the user knows a take
// exists (one kept from an earlier run included).
void RecordSidePage::ShowTake()
{
    if (IsBusy() || !run_.folders.HasSide(side_)) {
        SetControlText(kSideTakeText, "");
        return;
    }
    const int64_t seconds = SideSeconds(SidePath());
    char text[200];
    if (seconds < 0)
        std::snprintf(text, sizeof text, "A recording of this side is kept.");
    else
        std::snprintf(text, sizeof text, "A recording of this side is kept (%lld:%02lld).",
                      static_cast<long long>(seconds / 60), static_cast<long long>(seconds % 60));
    SetControlText(kSideTakeText, text);
}

void RecordSidePage::UpdateControls()
{
    const bool busy = IsBusy();
    EnableControl(kSideStart, !busy);
    EnableControl(kSideRestart, busy);
    EnableControl(kSideStop, busy);
}

bool RecordSidePage::StartSideRecording()
{
    if (IsBusy())
        return false;
    sideFilePath_ = SidePath();
    // A take made earlier (a Stop, or an earlier run that was cut short) is
    // the user's recording: it is replaced only on the user's word, never by
    // the default button.
    if (run_.folders.HasSide(side_)) {
        const char* text = side_ == 2 ? "Side two has already been recorded. Do you want to replace that "
                                        "recording with a new one?"
                                      : "Side one has already been recorded. Do you want to replace that "
                                        "recording with a new one?";
        if (run_.ui->Ask(this, text, "Replace Recording", "Keep Recording", "Replace Recording") != 2)
            return false;
    }
    LWaveFormatBlock format;
    LSetWaveFormatBlock(format, 1, 44100, 2, 16);
    CreateSoundSinkForFormat(sink_, sideFilePath_.c_str(), format, true);
    if (sink_->IsFailed()) {
        char text[900];
        std::snprintf(
            text, sizeof text,
            "%s cannot open the file \"%s\" for recording.\r\n\r\nPlease check you have selected the "
            "correct output folder in settings.",
            kWizardProductTitle, sideFilePath_.c_str());
        run_.ui->Tell(this, text, kWizardProductTitle, LMessageBoxCriticalStyle);
        LSetFailedSink(sink_);
        unlink(sideFilePath_.c_str());
        return false;
    }
    recorder_->SetSelection(LSelectRecordingInput());
    if (!recorder_->Start(sink_, 0, -127, kSideSilenceMs, 0)) {
        char text[600];
        std::snprintf(
            text, sizeof text,
            "%s cannot open the sound device for recording.\r\n\r\nPlease check you have selected the "
            "correct Sound Record Device in the Options dialog.",
            kWizardProductTitle);
        run_.ui->Tell(this, text, kWizardProductTitle, LMessageBoxCriticalStyle);
        sink_->Abandon();
        LSetFailedSink(sink_);
        unlink(sideFilePath_.c_str());
        UpdateControls();
        return false;
    }
    ShowTake();
    UpdateControls();
    return true;
}

void RecordSidePage::StopSideRecording()
{
    if (recorder_ && recorder_->GetState() != kRecorderStopped)
        recorder_->Stop();
    LSetFailedSink(sink_);
    ShowTake();
    UpdateControls();
}

void RecordSidePage::OnCommand(int command, int extra)
{
    switch (command) {
    case kSideStart:
        StartSideRecording();
        break;
    case kSideRestart:
        StopSideRecording();
        unlink(SidePath().c_str());
        StartSideRecording();
        break;
    case kSideStop:
        StopSideRecording();
        break;
    case kSideSkip:
        if (LWizard* wizard = GetWizard(); wizard != nullptr && wizard->IsWindow())
            wizard->GoNext();
        return;
    default:
        LWizardPage::OnCommand(command, extra);
        return;
    }
    if (IsVisible())
        UpdateControls();
}

bool RecordSidePage::CanOK()
{
    if (IsBusy() &&
        run_.ui->Ask(this,
                     "You are currently in the middle of a recording. Are you sure you want to stop the "
                     "recording and proceed to the next page?",
                     "Recording Running", "Stop Recording and Proceed", "No") != 1)
        return false;
    StopSideRecording();
    if (side_ == 2)
        SplitRecordedSides(run_, this);
    return true;
}

void RecordSidePage::OnLeave()
{
    StopSideRecording();
}

bool RecordSidePage::CanCancel()
{
    if (!ConfirmEndWithoutSaving(run_, this))
        return false;
    StopSideRecording();
    return true;
}

void RecordSidePage::OnHelp()
{
    LOpenHelpTopic("recordwizard");
}

void RecordSidePage::OnRecordingSound(void*)
{
    OnRecorderStarted();
}

void RecordSidePage::OnStopped(void*)
{
    OnRecorderStopped();
}

void RecordSidePage::OnLevels(const LSoundLevelRecord* levels, void*)
{
    OnRecorderLevels(levels);
}

void RecordSidePage::OnWriteFailed(int32_t code, void*)
{
    // The recorder ended at the first write that failed; the side keeps
    // what was written, with a header that says how much.
    LLogErrorF("Recording of side %d stopped: the file could not be written (%s)", side_,
               std::strerror(code));
    StopSideRecording();
    const bool full = code == ENOSPC || code == EDQUOT || code == EFBIG;
    char text[600];
    std::snprintf(
        text, sizeof text,
        "The recording has stopped: %s. What was recorded up to then is kept. Free some space on the "
        "disk before you record again.",
        full ? "the disk is full" : std::strerror(code));
    run_.ui->Tell(this, text, kWizardProductTitle, LMessageBoxWarningStyle);
}

void RecordSidePage::OnRecorderStarted()
{
    run_.unsavedRecording = true;
    if (IsVisible())
        UpdateControls();
}

void RecordSidePage::OnRecorderStopped()
{
    meter_.Clear();
    if (IsVisible()) {
        ShowTake();
        UpdateControls();
    }
}

void RecordSidePage::OnRecorderLevels(const LSoundLevelRecord* levels)
{
    if (levels != nullptr && recorder_ && recorder_->GetState() != kRecorderStopped)
        meter_.SetLevels(levels);
}
