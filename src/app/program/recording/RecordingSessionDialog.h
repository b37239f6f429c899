#pragma once
// The recording session window: records the input into a temporary WAV
// file, shows levels, times and free space, verifies that a recording really
// started and, with auto-split on, closes each track at the silence after it
// and starts the next at once. Every finished track that is long enough
// becomes a job of the processing queue; the main window is told by posted
// window messages. Everything runs on the main thread: the recorder's
// reports arrive there as queued notifications.

#include "app/program/recording/SessionTakes.h"
#include "app/program/recording/TrackDetector.h"
#include "audio/core/LSoundSink.h"
#include "audio/core/LSoundSource.h"
#include "audio/devices/LSoundPipe.h"
#include "audio/devices/LSoundPlayer.h"
#include "audio/devices/LSoundRecorder.h"
#include "gui/controls/LCoolButtonContainer.h"
#include "gui/controls/LImageControl.h"
#include "gui/controls/LLevelMeter.h"
#include "gui/controls/LPaintContext.h"
#include "gui/framework/LCommandRouting.h"
#include "gui/framework/LKeyHandler.h"
#include "gui/framework/LTimerTable.h"
#include "gui/framework/LWindow.h"

#include <cstdint>
#include <memory>
#include <string>

// Control ids and commands of the window.
enum : int {
    kSessionOptionsGroup = 101,
    kSessionRecordAudioOnly = 103,
    kSessionPlayback = 104,
    kSessionAutoSplit = 106,
    kSessionNoiseMeasure = 107,
    kSessionSplitLabel = 110,
    kSessionSplitTime = 111,
    kSessionSplitSeconds = 113,
    kSessionUseMinTime = 115,
    kSessionMinTime = 116,
    kSessionMinSeconds = 118,
    kSessionRecordingGroup = 119,
    kSessionMeter = 4000,
    kSessionImage = 4002,
    kSessionStateText = 4004,
    kSessionNameLink = 4005,
    kSessionFileInfo = 4006,
    kSessionTime = 4007,
    kSessionTotalTime = 4008,
    kSessionDiscSpace = 4009,
    kSessionFreeSpace = 4010,
    kSessionRecord = 4011,
    kSessionPause = 4012,
    kSessionRestart = 4013,
    kSessionStop = 4014,
    kSessionSplit = 4015,
    kSessionDiscard = 4016,
    kSessionUpDownChanged = 6000,
    kSessionRecorderEnded = 6001, // posted to itself when the recorder stopped
    kSessionClose = 1001,
    kSessionHelp = 9001,
};

// Window messages to the main window.
enum : uint32_t {
    kSessionMessageJobQueued = 2035,
    kSessionMessageTrackDone = 2037,
    kSessionMessageDiscarded = 2038,
    kSessionMessageBurnPending = 2049,
    kSessionMessageNoiseFloor = 4018, // to this window: data1 is the new floor in dB
};

class RecordingSessionDialog : public LWindow,
                               public LKeyHandler,
                               public LTimerTable,
                               public LInterWinMessageHandler,
                               private LSoundRecorderListener
{
public:
    // mainView: the main window's view, where the posted messages go (may be null).
    explicit RecordingSessionDialog(LViewHandle mainView);
    ~RecordingSessionDialog() override;

    // The dialog template: 864 x 478, "Recording Session".
    static const LDialogTemplate* Template();
    // Creates the controls (positions from the window's origin x, y).
    void Layout(int x, int y);

    // LWindow
    void OnCreate() override;
    void OnDestroy() override;
    bool CanCancel() override;
    void UpdateControls() override;
    void OnCommand(int command, int extra) override;
    void OnHelp() override;
    // LKeyHandler
    bool OnKeyDown(LKey key) override;
    // LInterWinMessageHandler
    void OnInterWinMessage(uint32_t eventId, int64_t data1, int64_t data2) override;

    // The recorder's reports (listener calls, on the main thread).
    void OnRecorderStarted();
    void OnRecorderStopped();
    void OnRecorderTime(int64_t ms);
    void OnRecorderLevels(const LSoundLevelRecord* levels);

    // The session's steps (also reached through the commands).
    bool StartRecording(bool resume);
    void PauseRecording();
    void RestartRecording();
    // True when the track was kept and queued.
    bool StopRecording(bool discard);
    // Closes the track and queues it; false when it was discarded (too
    // short) or kept for the next start because the queue did not take it.
    bool FinishTrack();
    void SaveOptions();
    void CommitRecordingTime();
    void ShowOutputFileInfo();
    std::string GetDiscSpaceText(int64_t extraMs, bool commit);

    // State, for the commands' table and for tests.
    bool IsBusy() const;
    bool IsPaused() const { return isPaused_; }
    bool IsVerified() const { return detector_.IsVerified(); }
    const char* TempPath() const { return tempPath_; }
    const char* TrackName() const { return name_; }
    int64_t CurrentMs() const { return currentMs_; }
    int64_t SessionTotalMs() const { return sessionTotalMs_; }
    LSoundRecorder& Recorder() { return recorder_; }
    LSoundPlayer& Monitor() { return monitor_; }
    bool IsMonitoring() const { return monitorRunning_; }
    const TrackDetector& Detector() const { return detector_; }
    // The input clock the detector times by (frames taken from the device).
    int64_t InputFrames() const;

protected:
    void OnTimer(int id) override;

private:
    // LSoundRecorderListener
    void OnRecordingSound(void* cookie) override;
    void OnWaitingForSound(void* cookie) override;
    void OnStopped(void* cookie) override;
    void OnPosition(const int64_t* milliseconds, void* cookie) override;
    void OnLevels(const LSoundLevelRecord* levels, void* cookie) override;
    void OnError(int32_t code, void* cookie) override;
    void OnWriteFailed(int32_t code, void* cookie) override;

    bool BeginRecording(bool resume);
    void ResetSinks();
    void StartMonitor();
    void StopMonitor();
    void DeleteTempFile();
    void RefreshTimes();
    void RefreshFreeSpace();
    void RefreshNoiseFloorButton();
    // The link of the next name: the Output Format dialog, whose choice the
    // next track follows.
    void ChooseOutputFormat();
    void SetNextOutputName();
    void Post(uint32_t eventId, int64_t data1, int64_t data2);
    TrackDetectorSettings DetectorSettings() const;
    int64_t MinimumTrackMs() const;
    void LoadSessionTotal();
    int64_t FileLengthMs() const;

    // In the order of construction; destroyed in the reverse order, so that
    // the player and the recorder stop their threads before the sinks, the
    // pipe and the meter they use go.
    LCoolButtonContainer buttons_;
    LSoundRecorder recorder_;
    char name_[260] = {};
    char tempPath_[260] = {};
    SessionTakeLock takeLock_; // held on tempPath_ while the take is this window's
    LLevelMeter meter_;
    LSoundSinkPtr fileSink_;
    LSoundSinkPtr pipeSink_;
    LSoundSinkPtr recordSink_;
    LSoundSourcePtr monitorSource_;
    std::unique_ptr<LSoundPipeBufferPtr> pipeBuffer_;
    LViewHandle mainView_ = nullptr;
    bool isPaused_ = false;
    int64_t sessionTotalMs_ = 0;
    int64_t pauseOffsetMs_ = 0;
    int64_t currentMs_ = 0;
    int64_t runStartMs_ = 0; // the file's length when the recorder last started
    TrackDetector detector_;
    LSoundPlayer monitor_;
    LSoundSourcePtr secondSource_;
    LGuiImage image_;
    LImageControl imageControl_;
    bool monitorRunning_ = false;
};
