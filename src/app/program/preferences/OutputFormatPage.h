#pragma once
// "Output Format": what happens to a recording once it is done, the copy
// folder, and the template new recordings are named from, with the first
// names it gives shown as an example. The recording session opens it from
// its file-name link; the choice applies from the next track on.

#include "app/program/preferences/PreferenceChanges.h"
#include "gui/framework/LPropertySheet.h"

#include <string>

class OutputFormatPage : public LPropertyPage
{
public:
    enum : int {
        kSubtitle = 29599,
        kIntro = 29600,
        kActionList = 29602,
        kFormatSettings = 29603,
        kMakeCopyCheck = 29604,
        kCopyFolderText = 29606,
        kCopyFolderBrowse = 29607,
        kTemplateLabel = 29608,
        kTemplateText = 29609,
        kExampleLabel = 29610,
        kExampleText = 29612,
        kActionChanged = 1001,
        kTemplateChanged = 1002,
    };

    static const LDialogTemplate* Template();
    void Layout();

    void OnCreate() override;
    void UpdateControls() override;
    void OnCommand(int command, int extra) override;
    void OnHelp() override;
    bool CanOK() override { return true; }

    // Checks the page and adds its values; false keeps the dialog open.
    bool Gather(PreferenceChanges& changes);
    void ShowPreview();
};

// The example under the template: the names of recordings 1 to 3 with the
// action's extension, one a line, then "etc...".
std::string OutputNamePreview(const char* nameTemplate, int action);

// The template as stored: "Untitled %autonumber%" for an empty text,
// " %autonumber%" appended when it lacks the number, made a safe file name.
std::string StoredNameTemplate(const char* typed);

class OutputFormatSheet : public LPropertySheet
{
public:
    OutputFormatSheet();
    bool CanOK() override;
    void OnHelp() override;
    OutputFormatPage& Page() { return page_; }

private:
    OutputFormatPage page_;
};

// Runs "Output Format" modally over parent; true when closed with OK (the
// choice is stored then).
bool RunOutputFormatDialog(LWindow* parent);
