#pragma once
// The wizard's pages "Record Side One" and "Record Side Two": Start
// Recording, Restart, Stop and (side two) Skip record the side into
// Recording/"side1.wav" or "side2.wav". The file is written in place, so a
// crash keeps what was captured. Leaving side two with Next or Skip splits
// both sides into tracks (SideProcessing.h).

#include "app/program/wizard/WizardRun.h"
#include "audio/core/LSoundSink.h"
#include "audio/devices/LSoundRecorder.h"
#include "gui/controls/LLevelMeter.h"
#include "gui/framework/LPropertySheet.h"

#include <memory>

#include <string>

enum : int {
    kSideInstruction = 30600,
    kSideMeter = 30602,
    kSideStart = 30605,
    kSideRestart = 30606,
    kSideStop = 30607,
    kSideSkip = 30608,
    kSideTakeText = 30610,
};

class RecordSidePage : public LWizardPage, private LSoundRecorderListener
{
public:
    // side 1 or 2.
    RecordSidePage(WizardRun& run, int side);
    ~RecordSidePage() override;

    // 640 x 184, "Recording".
    static const LDialogTemplate* Template();
    void Layout();

    void OnCreate() override;
    void OnDestroy() override;
    bool CanOK() override;
    bool CanCancel() override;
    void UpdateControls() override;
    void OnCommand(int command, int extra) override;
    void OnHelp() override;
    void OnPageShown() override;
    void OnLeave() override;

    // Starts recording the side (asks before replacing a take); false when
    // it did not start.
    bool StartSideRecording();
    void StopSideRecording();

    // The recorder's reports (main thread).
    void OnRecorderStarted();
    void OnRecorderStopped();
    void OnRecorderLevels(const LSoundLevelRecord* levels);

    int Side() const { return side_; }
    bool IsBusy() const;
    std::string SidePath() const;
    LSoundRecorder& Recorder() { return *recorder_; }
    const LLevelMeter& Meter() const { return meter_; }

private:
    void OnRecordingSound(void* cookie) override;
    void OnStopped(void* cookie) override;
    void OnLevels(const LSoundLevelRecord* levels, void* cookie) override;
    void OnWriteFailed(int32_t code, void* cookie) override;
    void ShowTake();

    WizardRun& run_;
    // Torn down sink first, then the meter, then the recorder (whose
    // destructor joins its thread).
    std::unique_ptr<LSoundRecorder> recorder_; // made when the page is first shown
    std::string sideFilePath_;
    LLevelMeter meter_;
    LSoundSinkPtr sink_;
    int side_;
};
