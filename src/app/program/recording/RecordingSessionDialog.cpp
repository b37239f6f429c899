#include "app/program/recording/RecordingSessionDialog.h"

#include "app/program/preferences/OutputFormatPage.h"

#include "app/program/recording/NoiseFloorDialog.h"
#include "app/program/recording/RecordingInput.h"
#include "app/program/recording/RecordingTeeSink.h"
#include "app/program/recording/SessionSpaceTexts.h"
#include "app/program/recording/SessionTakes.h"
#include "app/program/startup/LAcceleratorTables.h"
#include "app/queue/ConvertRecordingJob.h"
#include "app/queue/OutputNames.h"
#include "app/queue/ProcessQueueWorker.h"
#include "audio/devices/LResourceSound.h"
#include "audio/effects/LRestorationTasks.h"
#include "audio/formats/mp3/LMp3EncoderOptions.h"
#include "audio/formats/wav/LWavCodecSettings.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "audio/formats/wav/LWaveFormatBlock.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/ini/LDurationText.h"
#include "foundation/log/LLog.h"
#include "foundation/platform/LStandardFolders.h"
#include "foundation/settings/LSettings.h"
#include "gui/controls/LStatusBar.h"
#include "gui/framework/LMessageBox.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kProductTitle = "Quorin Dizer od OD Udivezeve";
constexpr const char* kIdleText = "Idle - Press Record to begin recording";
constexpr int kBubbleTimer = 1;
constexpr int64_t kSilenceLimitMs = 4000;
// The monitor pipe's peak limit (its format word).
constexpr uint32_t kMonitorPeakLimit = 0x7FFF0;

// On: the stored text is not empty and does not begin with '0'.
bool SettingOn(const char* section, const char* name, const char* defaultValue = "")
{
    char text[260] = {};
    LSettingsGetString(section, name, defaultValue, text);
    return text[0] != '\0' && text[0] != '0';
}

int NoiseFloor()
{
    return LSettingsGetInt("Settings", "dBNoiseFloor", -25);
}

int OutputFormat()
{
    return LSettingsGetInt("OutputFormat", "OutputFormatNum", 0);
}

void Builder(LWindow* window, int x, int y, int)
{
    static_cast<RecordingSessionDialog*>(window)->Layout(x, y);
}

} // namespace

RecordingSessionDialog::RecordingSessionDialog(LViewHandle mainView) : mainView_(mainView)
{
    // Placeholder sinks until a recording starts: failed, so nothing is
    // ever written through them by mistake.
    LSetFailedSink(fileSink_);
    LSetFailedSink(pipeSink_);
    LSetFailedSink(recordSink_);
    SetOwner(this);
}

RecordingSessionDialog::~RecordingSessionDialog()
{
    // No report may reach a half-destroyed window.
    recorder_.SetListener(nullptr, nullptr);
    recorder_.Stop();
    monitor_.Stop();
    KillAllTimers();
    Unregister();
    imageControl_.Destroy();
    meter_.Destroy();
    buttons_.Detach();
}

const LDialogTemplate* RecordingSessionDialog::Template()
{
    static const LDialogTemplate dialogTemplate{864, 478, "Recording Session", true, Builder};
    return &dialogTemplate;
}

void RecordingSessionDialog::Layout(int x, int y)
{
    const double s = GetScaleFactor();
    auto px = [s](double points) { return static_cast<int>(points * s + 0.5); };
    auto place = [&](int id, double left, double top, double w, double h) {
        SetControlRect(id, px(x / s + left), px(y / s + top), px(w), px(h));
    };
    SetClientSize(px(940), px(530));

    AddGroupBox(kSessionOptionsGroup, "Options");
    place(kSessionOptionsGroup, 18, 14, 904, 152);
    AddCheckBox(kSessionRecordAudioOnly, "Start recording only when audio starts");
    place(kSessionRecordAudioOnly, 30, 40, 480, 21);
    AddCheckBox(kSessionPlayback, "Play back audio while recording");
    place(kSessionPlayback, 516, 40, 390, 21);
    AddCheckBox(kSessionAutoSplit, "Auto-split files based on noise floor");
    place(kSessionAutoSplit, 30, 66, 480, 21);
    AddButtonNoRect(kSessionNoiseMeasure, "Noise measure...");
    place(kSessionNoiseMeasure, 516, 64, 300, 25);
    AddStaticText(kSessionSplitLabel,
                  "Duration at which noise floor must be maintained for a split to occur:");
    place(kSessionSplitLabel, 30, 98, 560, 21);
    AddUpDown(kSessionSplitTime, false);
    SetUpDownRange(kSessionSplitTime, 1, 10, 1);
    place(kSessionSplitTime, 596, 96, 64, 25);
    AddStaticText(kSessionSplitSeconds, "seconds");
    place(kSessionSplitSeconds, 668, 98, 64, 21);
    AddCheckBox(kSessionUseMinTime, "Discard recorded files that are shorter than:");
    place(kSessionUseMinTime, 30, 128, 560, 21);
    AddUpDown(kSessionMinTime, false);
    SetUpDownRange(kSessionMinTime, 2, 99, 1);
    place(kSessionMinTime, 596, 126, 64, 25);
    AddStaticText(kSessionMinSeconds, "seconds");
    place(kSessionMinSeconds, 668, 128, 64, 21);

    AddGroupBox(kSessionRecordingGroup, "Recording");
    place(kSessionRecordingGroup, 18, 176, 904, 292);
    AddStaticText(120, "Record volume Level");
    place(120, 30, 200, 240, 21);
    LAddPaintControl(this, kSessionMeter);
    place(kSessionMeter, 30, 224, 465, 20);
    const char* scale[5] = {"Low", "|", "Good", "|", "High"};
    for (int i = 0; i < 5; ++i) {
        AddStaticText(122 + i, scale[i]);
        SetStaticTextStyle(122 + i, 0, 1);
        place(122 + i, 30 + i * 93, 248, 93, 21);
    }
    LAddPaintControl(this, kSessionImage);
    place(kSessionImage, 690, 198, 220, 140);

    const char* labels[7] = {"Recording state:",
                             "File name:",
                             "File info:",
                             "Recording time:",
                             "Total recording time:",
                             "Space left on disc:",
                             "Hard drive space remaining:"};
    for (int i = 0; i < 7; ++i) {
        AddStaticText(127 + i, labels[i]);
        place(127 + i, 30, 278 + i * 26, 200, 21);
    }
    const int values[7] = {kSessionStateText, kSessionNameLink,  kSessionFileInfo, kSessionTime,
                           kSessionTotalTime, kSessionDiscSpace, kSessionFreeSpace};
    for (int i = 0; i < 7; ++i) {
        if (values[i] == kSessionNameLink)
            AddHyperLink(kSessionNameLink, "", "", 0, 0, 0, 0);
        else
            AddStaticTextEmpty(values[i]);
        place(values[i], 236, 278 + i * 26, 640, 21);
    }

    const char* buttons[6] = {"Record", "Pause", "Restart", "Stop", "Split", "Discard"};
    const int images[6] = {356, 358, 357, 359, 360, 361};
    for (int i = 0; i < 6; ++i) {
        AddButtonOfKind(kSessionRecord + i, buttons[i], 3);
        SetButtonImage(kSessionRecord + i, images[i]);
        place(kSessionRecord + i, 18 + i * 151, 482, 145, 34);
    }
}

void RecordingSessionDialog::OnCreate()
{
    SetCheck(kSessionRecordAudioOnly, SettingOn("Settings", "RecordAudioOnly"));
    SetCheck(kSessionAutoSplit, SettingOn("Settings", "AutoSplitTracks"));
    char playback[260] = {};
    LSettingsGetString("Settings", "PlaybackAudioWhileRecording", "", playback);
    SetCheck(kSessionPlayback, std::strcmp(playback, "0") != 0);
    SetCheck(kSessionUseMinTime, SettingOn("Settings", "UseMinTime"));
    SetUpDownValue(kSessionSplitTime, std::clamp(LSettingsGetInt("Settings", "AutoSplitTime", 2), 1, 10));
    SetUpDownValue(kSessionMinTime, std::clamp(LSettingsGetInt("Settings", "MinTime", 2), 2, 99));
    RefreshNoiseFloorButton();
    SetTimer(kBubbleTimer, 1000);
    recorder_.SetListener(static_cast<LSoundRecorderListener*>(this), nullptr);
    meter_.Attach(this, kSessionMeter);
    OnRecorderStopped();
    SetControlText(kSessionStateText, kIdleText);
    SetHyperLinkText(kSessionNameLink, "");
    SetControlText(kSessionFileInfo, "N/A");
    SetControlText(kSessionTime, "0:00:00");
    SetControlText(kSessionTotalTime, "0:00:00");
    LoadSessionTotal();
    SetControlText(kSessionDiscSpace, GetDiscSpaceText(0, false).c_str());
    SetNextOutputName();
    RefreshFreeSpace();
    // The six command buttons: flat, bordered under the pointer, their
    // names as tooltips.
    buttons_.Attach(this);
    for (int id = kSessionRecord; id <= kSessionDiscard; ++id) {
        char text[260] = {};
        GetButtonText(id, text);
        buttons_.SetBorderOnHover(id, true);
        LSetViewToolTip(GetControl(id), text);
    }
    CreateTooltip();
    image_.LoadResource("350");
    imageControl_.Attach(this, kSessionImage);
    imageControl_.SetImage(&image_);
    Register(this, 0);
    SetKeyHandler(this);
    RefreshTimes();
}

void RecordingSessionDialog::OnDestroy()
{
    // A window closed by other means than its close box still keeps what
    // was recorded: the track is finished and queued.
    if (IsBusy() || isPaused_)
        StopRecording(false);
    recorder_.SetListener(nullptr, nullptr);
    StopMonitor();
    KillAllTimers();
    Unregister();
    SetKeyHandler(nullptr);
}

bool RecordingSessionDialog::IsBusy() const
{
    const int32_t state = recorder_.GetState();
    return state == kRecorderWaiting || state == kRecorderRecording;
}

int64_t RecordingSessionDialog::InputFrames() const
{
    return recorder_.GetStream().GetFramesTaken();
}

bool RecordingSessionDialog::CanCancel()
{
    if (IsBusy()) {
        LMessageBox box(
            GetView(),
            "You are currently in the middle of a recording - are you sure you want to finish the "
            "Recording Session? The current recording will be lost if you click 'Finish'. To "
            "avoid this message, stop your recordings before ending the session.",
            kProductTitle);
        box.style = LMessageBoxWarningStyle;
        box.SetButton(1, "Finish");
        box.SetButton(2, "Cancel");
        if (box.Show() != 1)
            return false;
        // The user agreed to lose the recording in progress.
        StopRecording(true);
        Post(kSessionMessageDiscarded, 0, 0);
    } else if (isPaused_) {
        // A paused track is a finished track: it is kept and queued, never
        // left behind in the caches folder.
        StopRecording(false);
        Post(kSessionMessageTrackDone, 0, 1);
    }
    const int format = OutputFormat();
    if (format >= 2 && format <= 4)
        Post(kSessionMessageBurnPending, 0, 0);
    CommitRecordingTime();
    LSettingsSetString("RecordingPage", "TotalSize", "0");
    detector_.SetVerified(false);
    return true;
}

void RecordingSessionDialog::UpdateControls()
{
    const bool splitOn = GetCheck(kSessionAutoSplit);
    for (int id : {int(kSessionSplitTime), kSessionSplitTime + 1, int(kSessionSplitSeconds)})
        EnableControl(id, splitOn);
    const bool minOn = GetCheck(kSessionUseMinTime);
    for (int id : {int(kSessionMinTime), kSessionMinTime + 1, int(kSessionMinSeconds)})
        EnableControl(id, minOn);

    const bool busy = IsBusy();
    bool record = false, pause = false, restart = false, stop = false, split = false, discard = false;
    if (busy) {
        pause = restart = stop = discard = true;
        split = detector_.IsVerified();
    } else if (isPaused_) {
        record = stop = discard = true;
    } else {
        record = true;
    }
    EnableControl(kSessionRecord, record);
    EnableControl(kSessionPause, pause);
    EnableControl(kSessionRestart, restart);
    EnableControl(kSessionStop, stop);
    EnableControl(kSessionSplit, split);
    EnableControl(kSessionDiscard, discard);
}

void RecordingSessionDialog::OnCommand(int command, int extra)
{
    switch (command) {
    case kSessionRecordAudioOnly:
    case kSessionAutoSplit:
    case kSessionUseMinTime:
    case kSessionSplitTime:
    case kSessionMinTime:
    case kSessionUpDownChanged:
        SaveOptions();
        break;
    case kSessionPlayback:
        if (GetCheck(kSessionPlayback))
            StartMonitor();
        else
            StopMonitor();
        LSettingsSetString("Settings", "PlaybackAudioWhileRecording", GetCheck(kSessionPlayback) ? "1" : "0");
        break;
    case kSessionNoiseMeasure:
        RunNoiseFloorDialog(this);
        RefreshNoiseFloorButton();
        break;
    case kSessionNameLink:
        ChooseOutputFormat();
        SetNextOutputName();
        ShowOutputFileInfo();
        break;
    case kSessionRecord:
        if (IsBusy())
            break;
        if (!isPaused_) {
            SetNextOutputName();
            StartRecording(false);
        } else {
            StartRecording(true);
            Post(kSessionMessageTrackDone, 0, 0);
        }
        break;
    case kSessionPause:
        if (!isPaused_)
            PauseRecording();
        break;
    case kSessionRestart:
        RestartRecording();
        break;
    case kSessionStop:
        if (!IsBusy() && !isPaused_)
            break;
        StopRecording(false);
        Post(kSessionMessageTrackDone, 0, 1);
        break;
    case kSessionSplit:
        // Only a verified recording has a track to close.
        if (!IsBusy() || !detector_.IsVerified())
            break;
        FinishTrack();
        detector_.ResetAfterStop();
        StartRecording(false);
        Post(kSessionMessageTrackDone, 0, 0);
        break;
    case kSessionDiscard:
        if (isPaused_ || detector_.IsVerified()) {
            StopRecording(true);
            Post(kSessionMessageDiscarded, 0, 0);
        }
        break;
    case kSessionClose:
        PostCommand(kCommandCancel);
        break;
    case kSessionRecorderEnded:
        // The recorder ended on its own (its input stopped delivering): what
        // it recorded is finished as a stop would finish it.
        if (!IsBusy() && !isPaused_ && tempPath_[0] != '\0' && !fileSink_->IsFailed()) {
            LLogWarning("The recording stopped: the sound input stopped delivering");
            isPaused_ = true;
            StopRecording(false);
            Post(kSessionMessageTrackDone, 0, 1);
        }
        break;
    case kSessionHelp:
        OnHelp();
        break;
    default:
        LWindow::OnCommand(command, extra);
        return;
    }
    if (IsVisible())
        UpdateControls();
}

void RecordingSessionDialog::OnHelp()
{
    LOpenHelpTopic("recordingsession");
}

bool RecordingSessionDialog::OnKeyDown(LKey key)
{
    for (const auto& entry : LRecordingAcceleratorTable) {
        if (entry.key.code == key.code) {
            SendCommand(entry.command);
            return true;
        }
    }
    return false;
}

void RecordingSessionDialog::OnTimer(int id)
{
    if (id != kBubbleTimer)
        return;
    KillTimer(kBubbleTimer);
    if (SettingOn("RecordingPage", "ShowBubbleTipNoiseFloor")) {
        ShowBubbleTip(kSessionNoiseMeasure,
                      "Click here to re-measure the background noise levels of the source recording.");
        LSettingsSetString("RecordingPage", "ShowBubbleTipNoiseFloor", "0");
    }
}

void RecordingSessionDialog::OnInterWinMessage(uint32_t eventId, int64_t data1, int64_t data2)
{
    (void)data2;
    if (eventId != kSessionMessageNoiseFloor)
        return;
    LSettingsSetInt("Settings", "dBNoiseFloor", data1);
    RefreshNoiseFloorButton();
}

// ---- Recorder reports ----

void RecordingSessionDialog::OnRecordingSound(void*)
{
    OnRecorderStarted();
}

void RecordingSessionDialog::OnWaitingForSound(void*) {}

void RecordingSessionDialog::OnStopped(void*)
{
    OnRecorderStopped();
    // Looked at once the current step is over: a stop the session made
    // itself has by then paused, closed or restarted the track.
    PostCommand(kSessionRecorderEnded);
}

void RecordingSessionDialog::OnPosition(const int64_t* milliseconds, void*)
{
    if (milliseconds != nullptr)
        OnRecorderTime(*milliseconds);
}

void RecordingSessionDialog::OnLevels(const LSoundLevelRecord* levels, void*)
{
    OnRecorderLevels(levels);
}

void RecordingSessionDialog::OnError(int32_t code, void*)
{
    // The input went away: what was recorded stays a track, as a stop would make it.
    LLogErrorF("Recording stopped: the sound input failed (code %d)", static_cast<int>(code));
    if (tempPath_[0] != '\0' && fileSink_->GetPosition() > 0) {
        isPaused_ = true; // lets the stop finish the file the recorder no longer writes
        StopRecording(false);
        Post(kSessionMessageTrackDone, 0, 1);
    }
    UpdateControls();
}

void RecordingSessionDialog::OnWriteFailed(int32_t code, void*)
{
    // The recording ends at the first write that failed; what the file
    // holds up to there is a track like any other, and its header says so.
    const bool full = IsDiskFullError(code);
    const int64_t kept = FileLengthMs();
    char length[64];
    LFormatDurationMs(&kept, length);
    LLogErrorF("Recording stopped: the recording file could not be written (%s); %s was kept",
               std::strerror(code), length);
    std::string where = tempPath_;
    bool queued = false;
    if (tempPath_[0] != '\0') {
        isPaused_ = true; // lets the stop finish the file the recorder no longer writes
        queued = StopRecording(false);
        Post(kSessionMessageTrackDone, 0, 1);
    }
    UpdateControls();
    SetControlText(kSessionStateText,
                   full ? "Recording Stopped - Disk Full" : "Recording Stopped - Write Error");
    char text[1200];
    const char* reason = full ? "the disk is full" : std::strerror(code);
    if (kept <= 0)
        std::snprintf(text, sizeof text, "The recording has stopped: %s. Nothing had been recorded yet.",
                      reason);
    else if (!queued && access(where.c_str(), F_OK) != 0)
        // Shorter than the shortest recording the user keeps: the stop
        // discarded it, so no file is named as kept.
        std::snprintf(text, sizeof text,
                      "The recording has stopped: %s.\r\n\r\nThe %s recorded were shorter than the "
                      "shortest recording kept and were discarded.",
                      reason, length);
    else if (queued)
        std::snprintf(text, sizeof text,
                      "The recording has stopped: %s.\r\n\r\n%s of the recording were kept and queued for "
                      "conversion. Free some space on the disk before you record again.",
                      reason, length);
    else
        std::snprintf(text, sizeof text,
                      "The recording has stopped: %s.\r\n\r\n%s of the recording were kept in \"%s\". Free "
                      "some space on the disk before you record again.",
                      reason, length, where.c_str());
    LMessageBox box(GetView(), text, kProductTitle);
    box.style = LMessageBoxWarningStyle;
    box.Show();
}

void RecordingSessionDialog::OnRecorderStarted()
{
    StartMonitor();
    UpdateControls();
}

void RecordingSessionDialog::OnRecorderStopped()
{
    LSoundLevelRecord silence;
    silence.count = 1;
    silence.levels[0] = -127;
    meter_.SetLevels(&silence);
}

void RecordingSessionDialog::OnRecorderTime(int64_t ms)
{
    if (!IsBusy())
        return;
    // The recorder reports the file's length; what this run added counts
    // on top of what was recorded before a pause, whatever else is on.
    const int64_t run = std::max<int64_t>(ms - runStartMs_, 0);
    currentMs_ = run + pauseOffsetMs_;
    RefreshTimes();
    SetControlText(kSessionDiscSpace, GetDiscSpaceText(run, false).c_str());
    RefreshFreeSpace();
}

void RecordingSessionDialog::OnRecorderLevels(const LSoundLevelRecord* levels)
{
    if (levels == nullptr || !IsBusy())
        return;
    meter_.SetLevels(levels);
    // A player whose output went away lets go of the pipe; otherwise start
    // it once there is sound to play.
    if (monitorRunning_ && (monitor_.GetDevice().GetState() & kPlayerDevicePlaying) == 0)
        StopMonitor();
    StartMonitor();
    TrackDetectorReport report;
    report.level = TrackDetector::ReportLevel(*levels);
    report.inputFrames = InputFrames();
    report.rate = recordSink_->GetRate();
    report.recorderState = recorder_.GetState();
    const TrackDetectorSettings settings = DetectorSettings();
    const TrackDetectorOutcome out = detector_.OnReport(report, settings);
    if (out.averageTaken) {
        char text[32];
        std::snprintf(text, sizeof text, "%d", out.average);
        LSettingsSetString("RecordingPage", "LastAveragedBLevel", text);
    }
    if (out.verified)
        SetControlText(kSessionStateText, "Recording");
    if (out.stillWaiting) {
        char text[64];
        std::snprintf(text, sizeof text, "Waiting for noise floor: %ddB", settings.noiseFloorDb);
        SetControlText(kSessionStateText, text);
    }
    if (out.verifyRan)
        UpdateControls();
    if (out.endOfTrack) {
        StopRecording(false);
        StartRecording(false);
        UpdateControls();
    }
}

TrackDetectorSettings RecordingSessionDialog::DetectorSettings() const
{
    TrackDetectorSettings settings;
    settings.noiseFloorDb = NoiseFloor();
    settings.recordAudioOnly = SettingOn("Settings", "RecordAudioOnly");
    settings.autoSplit = SettingOn("Settings", "AutoSplitTracks");
    settings.autoSplitSeconds = std::clamp(LSettingsGetInt("Settings", "AutoSplitTime", 2), 1, 10);
    return settings;
}

// ---- The session's steps ----

bool RecordingSessionDialog::StartRecording(bool resume)
{
    if (IsBusy())
        return false;
    detector_.PrepareHistory(LSettingsGetInt("Settings", "AutoSplitTime", 5));
    return BeginRecording(resume);
}

bool RecordingSessionDialog::BeginRecording(bool resume)
{
    // A resume without a file to continue is a new recording.
    if (resume && (tempPath_[0] == '\0' || fileSink_->IsFailed()))
        resume = false;
    if (!resume) {
        detector_.StartTrack();
        tempPath_[0] = '\0';
        takeLock_.Create(tempPath_, sizeof tempPath_);
        GetControlText(kSessionNameLink, name_);
        LWaveFormatBlock format;
        LSetWaveFormatBlock(format, 1, 44100, 2, 16);
        if (tempPath_[0] != '\0')
            CreateSoundSinkForFormat(fileSink_, tempPath_, format, true);
        else
            LSetFailedSink(fileSink_);
        if (fileSink_->IsFailed()) {
            char text[600];
            std::snprintf(
                text, sizeof text,
                "%s cannot open the file \"%s\" for recording.\r\n\r\nPlease check you have selected "
                "the correct output folder in settings.",
                kProductTitle, tempPath_);
            MessageBoxError(text, kProductTitle);
            LSetFailedSink(fileSink_);
            DeleteTempFile();
            return false;
        }
    }
    isPaused_ = false;
    recorder_.Stop();

    recorder_.SetSelection(LSelectRecordingInput());

    if (SettingOn("Settings", "RecordTone"))
        PlayResourceTone(364);
    detector_.ResetForStart();

    StopMonitor();
    pipeBuffer_ = std::make_unique<LSoundPipeBufferPtr>(
        new LSoundPipeBuffer(44100, fileSink_->GetChannels(), kMonitorPeakLimit));
    pipeSink_ = new LSoundPipeWriter(*pipeBuffer_);
    recordSink_ = new RecordingTeeSink(fileSink_, pipeSink_);

    runStartMs_ = LSoundRecorder::FramesToMs(fileSink_->GetPosition(), fileSink_->GetRate());
    const int trigger =
        SettingOn("Settings", "RecordAudioOnly") ? TrackDetector::ClampedFloor(NoiseFloor()) : -127;
    if (!recorder_.Start(recordSink_, 0, trigger, kSilenceLimitMs, 0)) {
        MessageBoxError(
            "Quorin Dizer od OD Udivezeve cannot open the sound device for recording.\r\n\r\nPlease "
            "check you have selected the correct Sound Record Device in the Options dialog.",
            kProductTitle);
        ResetSinks();
        StopMonitor();
        DeleteTempFile();
        UpdateControls();
        return false;
    }
    SetControlText(kSessionStateText, "Waiting for audio stream");
    ShowOutputFileInfo();
    UpdateControls();
    return true;
}

void RecordingSessionDialog::PauseRecording()
{
    if (recorder_.GetState() != kRecorderRecording || isPaused_)
        return;
    isPaused_ = true;
    pauseOffsetMs_ = currentMs_;
    RefreshTimes();
    currentMs_ = 0;
    recorder_.Stop();
    // The time before the pause is what the file holds once the stop made
    // its cut: the resumed run counts on from there.
    pauseOffsetMs_ = FileLengthMs();
    detector_.ResetAfterStop();
    if (SettingOn("Settings", "StoppedTone"))
        PlayResourceTone(365);
}

void RecordingSessionDialog::RestartRecording()
{
    const int32_t state = recorder_.GetState();
    if (state == kRecorderStopped)
        return;
    PauseRecording();
    // The recorder must let go of its sinks before they are released and
    // the file is deleted, whether it was recording or still waiting.
    recorder_.Stop();
    ResetSinks();
    StopMonitor();
    DeleteTempFile();
    isPaused_ = false;
    currentMs_ = pauseOffsetMs_ = 0;
    RefreshTimes();
    StartRecording(false);
    detector_.ResetAfterStop();
    detector_.SetVerified(false);
}

int64_t RecordingSessionDialog::FileLengthMs() const
{
    return LSoundRecorder::FramesToMs(fileSink_->GetPosition(), fileSink_->GetRate());
}

int64_t RecordingSessionDialog::MinimumTrackMs() const
{
    if (!SettingOn("Settings", "UseMinTime"))
        return 0;
    char text[260] = {};
    LSettingsGetString("Settings", "MinTime", "0:00:00", text);
    int64_t ms = 0;
    LParseDuration(&ms, text);
    return std::max<int64_t>(ms, 0);
}

bool RecordingSessionDialog::StopRecording(bool discard)
{
    if (!isPaused_ && !IsBusy())
        return false;
    // The recorder's stop makes the file's length final.
    recorder_.Stop();
    const bool verified = detector_.IsVerified();
    const int64_t length = FileLengthMs();
    // A recording whose start was never verified (a quiet tape below the
    // floor, say) is still a recording: kept when it is long enough.
    const bool keep = !discard && (verified || (length > 0 && length > MinimumTrackMs()));
    if (!discard && !keep)
        LLogInfo("Recording discarded due to no detection of an audio stream");
    detector_.ResetAfterStop();
    detector_.SetVerified(false);
    isPaused_ = false;
    if (SettingOn("Settings", "RecordTone"))
        PlayResourceTone(365);
    char duration[64];
    LFormatDurationMs(&length, duration);
    LLogInfoF("Stopped recording to file %s (File Length: %s)", name_, duration);
    SetControlText(kSessionStateText, kIdleText);
    const bool queued = keep && FinishTrack();
    ResetSinks();
    StopMonitor();
    if (!keep) {
        DeleteTempFile();
        currentMs_ = pauseOffsetMs_ = 0;
        RefreshTimes();
    }
    SetControlText(kSessionTime, "0:00:00");
    UpdateControls();
    return queued;
}

bool RecordingSessionDialog::FinishTrack()
{
    recorder_.Stop();
    GetControlText(kSessionNameLink, name_);
    currentMs_ = FileLengthMs();
    ResetSinks();
    StopMonitor();
    SetControlText(kSessionFileInfo, "N/A");

    const int64_t minimum = MinimumTrackMs();
    if (currentMs_ < minimum) {
        char text[300];
        std::snprintf(text, sizeof text,
                      "The recording was discarded because no audio stream was detected or the recording was "
                      "less than %lld seconds in length.",
                      static_cast<long long>(minimum / 1000));
        LLogError(text);
        ShowBubbleTip(kSessionStateText, text);
        SetControlText(kSessionStateText, "Recording Discarded");
        DeleteTempFile();
        currentMs_ = pauseOffsetMs_ = 0;
        RefreshTimes();
        SetControlText(kSessionDiscSpace, GetDiscSpaceText(0, false).c_str());
        return false;
    }
    const QueueStatus status =
        QueueSessionTake(TheProcessQueueWorker(), tempPath_, name_, currentMs_, kSessionQueueWaitMs);
    if (status != QueueStatus::kOk) {
        // The take stays where the next start finds it; it is not counted
        // as recorded time, and the user hears of it now.
        LLogWarningF("File conversion FAILED: the recording %s is kept for the next start", tempPath_);
        const std::string text = TakeNotQueuedText(status, tempPath_);
        takeLock_.Release();
        tempPath_[0] = '\0';
        currentMs_ = pauseOffsetMs_ = 0;
        RefreshTimes();
        SetControlText(kSessionDiscSpace, GetDiscSpaceText(0, false).c_str());
        SetControlText(kSessionStateText, "Recording Kept - Not Queued");
        LMessageBox box(GetView(), text.c_str(), kProductTitle);
        box.style = LMessageBoxWarningStyle;
        box.Show();
        return false;
    }
    SetControlText(kSessionDiscSpace, GetDiscSpaceText(0, true).c_str());
    LSettingsSetString("RecordingPage", "CurrentSize", "0");
    CommitRecordingTime();
    // The queue owns the file now.
    takeLock_.Release();
    tempPath_[0] = '\0';
    SetNextOutputName();
    Post(kSessionMessageTrackDone, 0, 1);
    return true;
}

void RecordingSessionDialog::SaveOptions()
{
    LSettingsSetString("Settings", "RecordAudioOnly", GetCheck(kSessionRecordAudioOnly) ? "1" : "0");
    LSettingsSetString("Settings", "AutoSplitTracks", GetCheck(kSessionAutoSplit) ? "1" : "0");
    LSettingsSetString("Settings", "PlaybackAudioWhileRecording", GetCheck(kSessionPlayback) ? "1" : "0");
    LSettingsSetString("Settings", "UseMinTime", GetCheck(kSessionUseMinTime) ? "1" : "0");
    LSettingsSetInt("Settings", "AutoSplitTime", std::clamp(GetUpDownValue(kSessionSplitTime), 1, 10));
    if (GetCheck(kSessionUseMinTime))
        LSettingsSetInt("Settings", "MinTime", std::max(GetUpDownValue(kSessionMinTime), 2));
}

void RecordingSessionDialog::CommitRecordingTime()
{
    sessionTotalMs_ += currentMs_;
    char text[64];
    LFormatDurationCs(&sessionTotalMs_, text);
    LSettingsSetString("RecordingPage", "TotalTime", text);
    currentMs_ = pauseOffsetMs_ = 0;
    RefreshTimes();
}

void RecordingSessionDialog::LoadSessionTotal()
{
    char text[260] = {};
    LSettingsGetString("RecordingPage", "TotalTime", "0:00:00", text);
    sessionTotalMs_ = 0;
    LParseDuration(&sessionTotalMs_, text);
    sessionTotalMs_ = std::max<int64_t>(sessionTotalMs_, 0);
}

void RecordingSessionDialog::RefreshTimes()
{
    char text[64];
    LFormatDurationRounded(&currentMs_, text);
    SetControlText(kSessionTime, text);
    const int64_t total = sessionTotalMs_ + currentMs_;
    LFormatDurationRounded(&total, text);
    SetControlText(kSessionTotalTime, text);
}

void RecordingSessionDialog::RefreshFreeSpace()
{
    char folder[260] = {};
    const bool named = LGetCachesFolder(folder);
    SetControlText(kSessionFreeSpace, FormatFreeSpace(named ? FreeBytesOfVolume(folder) : -1).c_str());
}

void RecordingSessionDialog::RefreshNoiseFloorButton()
{
    char text[64];
    std::snprintf(text, sizeof text, "(Current Noise Floor = %d dB)", NoiseFloor());
    SetControlText(kSessionNoiseMeasure, text);
}

void RecordingSessionDialog::ChooseOutputFormat()
{
    // The wizard offers its output step only when this flag allows it; while
    // the dialog runs it must read as on, and afterwards as it was.
    char before[260] = {};
    const bool stored = LSettingsGetString("Wizard", "SetOutputFormat", "", before);
    LSettingsSetString("Wizard", "SetOutputFormat", "1");
    RunOutputFormatDialog(this);
    LSettingsSetString("Wizard", "SetOutputFormat", stored && std::strcmp(before, "0") == 0 ? "0" : "1");
}

void RecordingSessionDialog::SetNextOutputName()
{
    char name[260] = {};
    MakeNextOutputName(name);
    SetHyperLinkText(kSessionNameLink, name);
}

std::string RecordingSessionDialog::GetDiscSpaceText(int64_t extraMs, bool commit)
{
    const int format = OutputFormat();
    if (format == 4) {
        const int64_t used = pauseOffsetMs_ + sessionTotalMs_ + extraMs;
        return AudioDiscSpaceText(QuerySessionDisc(), used);
    }
    if (format == 2 || format == 3) {
        int64_t total = LSettingsGetInt64("RecordingPage", "TotalSize", 0);
        int64_t current = LSettingsGetInt64("RecordingPage", "CurrentSize", 0);
        if (commit) {
            total += current;
            LSettingsSetInt("RecordingPage", "TotalSize", total);
        }
        current = extraMs / 1000 * 176400;
        LSettingsSetInt("RecordingPage", "CurrentSize", current);
        return DataDiscSpaceText(QuerySessionDisc(), total + current);
    }
    return "N/A";
}

void RecordingSessionDialog::ShowOutputFileInfo()
{
    const int format = OutputFormat();
    char text[260] = {};
    if (format == 1 || format == 3) {
        LMp3EncoderOptions options;
        options.Load();
        const char* mode = options.ChannelMode == 0   ? "Stereo"
                           : options.ChannelMode == 2 ? "Force"
                           : options.ChannelMode == 3 ? "Mono"
                                                      : "Joint";
        if (options.ConstantBitRate)
            std::snprintf(text, sizeof text, "%s CBR %dkbps %s", "MP3", options.CBRBitRate, mode);
        else
            std::snprintf(text, sizeof text, "%s VBR %dkbps-%dkbps %s", "MP3", options.VBRMinBitRate,
                          options.VBRMaxBitRate, mode);
    } else if (format == 0 || format == 2 || format == 4) {
        LWaveFormatBlock block;
        char path[260] = {};
        if (LGetWavCodecSettingsPath(path) && !LLoadWavCodecSettings(block, path)) {
            LSetWaveFormatBlock(block, 1, 44100, 2, 16);
            LSaveWavCodecSettings(block, path);
        }
        std::snprintf(text, sizeof text, "%s %dHz %s", "WAV", static_cast<int>(block.sampleRate),
                      block.channels == 1 ? "Mono" : "Stereo");
    } else {
        std::snprintf(text, sizeof text, "WAV 44100Hz Stereo");
    }
    SetControlText(kSessionFileInfo, text);
    LLogInfoF("Recording to file %s", name_);
}

// ---- Sinks, monitor, files ----

void RecordingSessionDialog::ResetSinks()
{
    // The recorder's sink first: it holds the other two.
    LSetFailedSink(recordSink_);
    LSetFailedSink(pipeSink_);
    LSetFailedSink(fileSink_);
}

// The monitor plays the pipe only while the recorder writes into it: a
// reader end that nobody drains would fill the pipe and hold the recorder up,
// so the reader exists only while the player really plays. Called again with
// every report until it runs.
void RecordingSessionDialog::StartMonitor()
{
    if (!GetCheck(kSessionPlayback) || !pipeBuffer_ || !*pipeBuffer_ || monitorRunning_)
        return;
    if (recorder_.GetState() != kRecorderRecording || (*pipeBuffer_)->ReadableBytes() == 0)
        return;
    monitorSource_ = new LSoundPipeReader(*pipeBuffer_);
    (*pipeBuffer_)->Discard();
    monitorRunning_ =
        monitor_.Play(monitorSource_) && (monitor_.GetDevice().GetState() & kPlayerDevicePlaying) != 0;
    if (!monitorRunning_) {
        LLogWarning("The recording cannot be played back: the sound output did not start");
        StopMonitor();
    }
}

void RecordingSessionDialog::StopMonitor()
{
    monitor_.Stop();
    monitorSource_.Reset();
    monitorRunning_ = false;
}

void RecordingSessionDialog::DeleteTempFile()
{
    if (tempPath_[0] != '\0')
        unlink(tempPath_);
    tempPath_[0] = '\0';
    takeLock_.Release();
}

void RecordingSessionDialog::Post(uint32_t eventId, int64_t data1, int64_t data2)
{
    if (mainView_ != nullptr)
        LPostWindowMessage(mainView_, eventId, data1, data2);
}
