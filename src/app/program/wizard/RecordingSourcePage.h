#pragma once
// The wizard's first page: records or tapes, how a record player is
// connected, the speed the record is played at, and a diagram of the
// connection. Next stores the answers in section "RecordingSource"
// ("Vinyl", "Amp", "RecordingSpeed"; "SelectedOnce" once a source was
// checked) for the speed correction and the restoration tools.

#include "app/program/wizard/WizardRun.h"
#include "gui/controls/LImageControl.h"
#include "gui/controls/LPaintContext.h"
#include "gui/framework/LPropertySheet.h"

#include <string>

enum : int {
    kSourceIntro = 24600,
    kSourceQuestion = 24601,
    kSourceTapes = 24603,
    kSourceVinyl = 24604,
    kSourceConnectionGroup = 24606,
    kSourceViaAmp = 24608,
    kSourceDirect = 24609,
    kSourceSpeedGroup = 24611,
    kSourceSpeedNormal = 24613,
    kSourceSpeed33At45 = 24614,
    kSourceSpeed78At45 = 24615,
    kSourceSeparator = 24616,
    kSourceDiagram = 24618,
    kSourceCaption1 = 24621,
    kSourceCaption2 = 24622,
    kSourceCaption3 = 24623,
};

// The diagrams by picture number.
enum : int {
    kDiagramNone = 0,
    kDiagramDirectPhono = 352,
    kDiagramViaAmp = 353,
    kDiagramCassette = 354,
};

class RecordingSourcePage : public LWizardPage
{
public:
    explicit RecordingSourcePage(WizardRun& run);
    ~RecordingSourcePage() override;

    // 640 x 504, "Quorin Wizard".
    static const LDialogTemplate* Template();
    void Layout();

    void OnCreate() override;
    bool CanOK() override;
    void UpdateControls() override;
    void OnCommand(int command, int extra) override;
    void OnHelp() override;

    // The diagram shown (kDiagram...) and the last bubble tip (tests).
    int Diagram() const { return diagram_; }
    const std::string& LastTip() const { return lastTip_; }

private:
    void ShowDiagram(int picture);
    void CheckConnectionFromSettings();

    WizardRun& run_;
    LGuiImage image_;
    LImageControl imageControl_;
    int diagram_ = kDiagramNone;
    std::string lastTip_;
};
