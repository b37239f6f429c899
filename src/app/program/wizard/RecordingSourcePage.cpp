#include "app/program/wizard/RecordingSourcePage.h"

#include "app/program/wizard/WizardLayout.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LRGBColor.h"
#include "gui/framework/LTextLines.h"

#include <cstdio>

namespace {

// Flags are texts whose first character is compared with '0'.
bool SettingSetAndOn(const char* section, const char* name)
{
    char text[260] = {};
    LSettingsGetString(section, name, "", text);
    return text[0] != '\0' && text[0] != '0';
}

bool SettingIsOff(const char* section, const char* name)
{
    char text[260] = {};
    LSettingsGetString(section, name, "", text);
    return text[0] == '0';
}

void Builder(LWindow* window, int, int, int)
{
    static_cast<RecordingSourcePage*>(window)->Layout();
}

struct DiagramLayout
{
    int picture;
    const char* captions[3];
    int captionX[3]; // pixels at scale 1
};

constexpr DiagramLayout kDiagrams[] = {
    {kDiagramCassette,
     {"Cassette Player with Amplifier", "Sound Card's Audio Jack", "Quorin"},
     {11, 183, 303}},
    {kDiagramViaAmp, {"Record Player", "Amplifier", "Sound Card's Audio Jack"}, {11, 163, 320}},
    {kDiagramDirectPhono, {"Record Player", "Sound Card's Audio Jack", "Quorin"}, {11, 183, 303}},
};

} // namespace

RecordingSourcePage::RecordingSourcePage(WizardRun& run) : run_(run) {}

RecordingSourcePage::~RecordingSourcePage()
{
    imageControl_.Destroy();
}

const LDialogTemplate* RecordingSourcePage::Template()
{
    static const LDialogTemplate dialogTemplate{640, 504, "Quorin Wizard", true, Builder};
    return &dialogTemplate;
}

void RecordingSourcePage::Layout()
{
    WizardAddText(this, kSourceIntro,
                  "This wizard will take you step by step through the recording process and will help you "
                  "choose settings to optimize your recordings.",
                  18, 14, 604, 38);
    WizardAddText(this, kSourceQuestion, "Are you converting records or tapes?", 18, 64, 604, 21);
    AddRadioButton(kSourceTapes, "Cassettes or Tapes", 1);
    WizardPlace(this, kSourceTapes, 18, 90, 604, 21);
    AddRadioButton(kSourceVinyl, "Vinyl Records", 1);
    WizardPlace(this, kSourceVinyl, 18, 116, 604, 21);
    AddGroupBox(kSourceConnectionGroup, "Connection Mode");
    WizardPlace(this, kSourceConnectionGroup, 38, 142, 289, 112);
    AddRadioButton(kSourceViaAmp, "Via amp or pre-amp", 2);
    WizardPlace(this, kSourceViaAmp, 50, 168, 263, 21);
    AddRadioButton(kSourceDirect, "Direct phono to computer", 2);
    WizardPlace(this, kSourceDirect, 50, 194, 263, 21);
    AddGroupBox(kSourceSpeedGroup, "Recording Speed");
    WizardPlace(this, kSourceSpeedGroup, 333, 142, 289, 108);
    AddRadioButton(kSourceSpeedNormal, "33/45/78 RPM", 3);
    WizardPlace(this, kSourceSpeedNormal, 345, 168, 263, 21);
    AddRadioButton(kSourceSpeed33At45, "33 RPM played at 45 RPM", 3);
    WizardPlace(this, kSourceSpeed33At45, 345, 194, 263, 21);
    AddRadioButton(kSourceSpeed78At45, "78 RPM played at 45 RPM", 3);
    WizardPlace(this, kSourceSpeed78At45, 345, 220, 263, 21);
    const double s = GetScaleFactor();
    AddSeparator(kSourceSeparator, static_cast<int>(18 * s), static_cast<int>(264 * s),
                 static_cast<int>(604 * s));
    LAddPaintControl(this, kSourceDiagram);
    WizardPlace(this, kSourceDiagram, 18, 274, 360, 127);
    const int captionX[3] = {18, 221, 424};
    for (int i = 0; i < 3; ++i) {
        AddStaticTextEmpty(kSourceCaption1 + i);
        SetStaticTextStyle(kSourceCaption1 + i, 0, 1);
        WizardPlace(this, kSourceCaption1 + i, captionX[i], 437, 128, 55);
    }
}

void RecordingSourcePage::OnCreate()
{
    SetStaticTextRGB(kSourceQuestion, LRGBColor::FromRGB8(0, 0, 255));
    if (SettingSetAndOn("RecordingSource", "SelectedOnce")) {
        SetCheck(SettingIsOff("RecordingSource", "Vinyl") ? kSourceTapes : kSourceVinyl, true);
        CheckConnectionFromSettings();
    }
    const int speed = LSettingsGetInt("RecordingSource", "RecordingSpeed", 0);
    for (int i = 0; i < 3; ++i)
        SetCheck(kSourceSpeedNormal + i, i == speed);
    imageControl_.Attach(this, kSourceDiagram);
    imageControl_.SetAlternateDrawMode();
    if (GetCheck(kSourceTapes))
        ShowDiagram(kDiagramCassette);
    else if (GetCheck(kSourceVinyl) && GetCheck(kSourceViaAmp))
        ShowDiagram(kDiagramViaAmp);
    else if (GetCheck(kSourceVinyl) && GetCheck(kSourceDirect))
        ShowDiagram(kDiagramDirectPhono);
    else
        ShowDiagram(kDiagramNone);
}

void RecordingSourcePage::CheckConnectionFromSettings()
{
    SetCheck(SettingIsOff("RecordingSource", "Amp") ? kSourceDirect : kSourceViaAmp, true);
}

void RecordingSourcePage::ShowDiagram(int picture)
{
    diagram_ = picture;
    const DiagramLayout* diagram = nullptr;
    for (const DiagramLayout& d : kDiagrams)
        if (d.picture == picture)
            diagram = &d;
    if (diagram == nullptr) {
        image_.Release();
        imageControl_.SetImage(&image_);
        for (int i = 0; i < 3; ++i)
            SetControlText(kSourceCaption1 + i, "");
        return;
    }
    char name[16];
    std::snprintf(name, sizeof name, "%d", picture);
    image_.LoadResourceOfType(name);
    imageControl_.SetImage(&image_);
    int x = 0, y = 0, w = 0, h = 0;
    GetControlRect(kSourceDiagram, &x, &y, &w, &h);
    const double s = GetScaleFactor();
    for (int i = 0; i < 3; ++i) {
        const int id = kSourceCaption1 + i;
        int cx = 0, cy = 0, cw = 0, ch = 0;
        GetControlRect(id, &cx, &cy, &cw, &ch);
        SetControlText(id, LBreakTextIntoLines(this, diagram->captions[i], cw).c_str());
        SetControlRect(id, static_cast<int>(diagram->captionX[i] * s), y + h + static_cast<int>(5 * s), cw,
                       ch);
    }
}

void RecordingSourcePage::UpdateControls()
{
    const bool vinyl = GetCheck(kSourceVinyl);
    for (int id : {kSourceViaAmp, kSourceDirect, kSourceSpeedNormal, kSourceSpeed33At45, kSourceSpeed78At45})
        EnableControl(id, vinyl);
}

void RecordingSourcePage::OnCommand(int command, int extra)
{
    switch (command) {
    case kSourceTapes:
        if (GetCheck(kSourceTapes)) {
            LSettingsSetString("RecordingSource", "SelectedOnce", "1");
            ShowDiagram(kDiagramCassette);
        }
        break;
    case kSourceVinyl:
        if (GetCheck(kSourceVinyl)) {
            LSettingsSetString("RecordingSource", "SelectedOnce", "1");
            if (!GetCheck(kSourceViaAmp) && !GetCheck(kSourceDirect))
                CheckConnectionFromSettings();
            ShowDiagram(GetCheck(kSourceViaAmp) ? kDiagramViaAmp : kDiagramDirectPhono);
        }
        break;
    case kSourceViaAmp:
        ShowDiagram(kDiagramViaAmp);
        break;
    case kSourceDirect:
        ShowDiagram(kDiagramDirectPhono);
        break;
    default:
        LWizardPage::OnCommand(command, extra);
        return;
    }
    if (IsVisible())
        UpdateControls();
}

bool RecordingSourcePage::CanOK()
{
    if (!GetCheck(kSourceVinyl) && !GetCheck(kSourceTapes)) {
        lastTip_ = "Please select if you are converting records or tapes";
        // Made here: the tip belongs to the wizard's window, which holds
        // the page only once it is shown.
        CreateTooltip();
        ShowBubbleTip(kSourceVinyl, lastTip_.c_str());
        return false;
    }
    LSettingsSetString("RecordingSource", "Vinyl", GetCheck(kSourceVinyl) ? "1" : "0");
    LSettingsSetString("RecordingSource", "Amp", GetCheck(kSourceViaAmp) ? "1" : "0");
    LSettingsSetString("RecordingSource", "RecordingSpeed",
                       GetCheck(kSourceSpeed33At45)   ? "1"
                       : GetCheck(kSourceSpeed78At45) ? "2"
                                                      : "0");
    return true;
}

void RecordingSourcePage::OnHelp()
{
    LOpenHelpTopic("recordingsource");
}
