#pragma once
// "Data CD/DVD Burn Options": the format the files of a data disc get (WAV,
// MP3 or as they are) and whether every file is re-encoded or only those not
// already of that format. Stored in "OutputFormat" ("DataCDType",
// "ReencodeAllFiles") on OK only; OK with MP3 chosen needs the MP3 encoder
// (EnsureMp3EncoderInstalled) and leaves the dialog open without it.

#include "gui/framework/LWindow.h"

class LDataDiscTypeDialog : public LWindow
{
public:
    enum : int {
        kTypeGroup = 101,
        kTypeList = 102,
        kOptionsGroup = 103,
        kReencodeAll = 104,
        kReencodeOthers = 105,
        kFormatSettings = 106,
        kTypeChanged = 1102,
    };

    static const LDialogTemplate* Template();
    void Layout();
    void OnCreate() override;
    void UpdateControls() override;
    void OnCommand(int command, int extra) override;
    bool CanOK() override;
    void OnHelp() override;

    // Whether the WAV and MP3 option dialogs can be opened from here.
    static bool FormatSettingsAvailable();
    // The options of the chosen format: the MP3 encoder's, or the WAV
    // format data discs are written in.
    void ShowFormatSettings();
};

// Runs the dialog over parent; true when it ended with OK.
bool LRunDataDiscTypeDialog(LWindow* parent);
