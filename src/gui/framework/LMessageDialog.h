#pragma once
// Two ready-made dialogs: a question answered by one of several large
// choice buttons (each a label with a note line), and a one-line text entry.

#include "gui/framework/LWindow.h"

#include <string>

// One choice; an entry whose id is 0 or less ends the caller's array.
struct LMessageButton
{
    int id;
    const char* label;
    const char* note; // may be null
};

class LMessageDialog : public LWindow
{
public:
    // Control ids: 101 message, 102 detail, 104 check box, 200 + i the
    // choice buttons in array order. The texts and the array are the
    // caller's and must outlive the dialog.
    LMessageDialog(LViewHandle parent, const char* title, const char* message, const char* detail,
                   const LMessageButton* buttons, int defaultId, bool closeLabel);

    // The chosen entry's id; -1 for Cancel, Close, Escape or the close box.
    int Run();

    int ButtonCount() const { return buttonCount_; }
    // The control id of the default choice button (200 when no entry has
    // the default id).
    int DefaultButtonControl() const;
    // Whether the Cancel (or Close) button is made: with no choice button
    // it always is, or the dialog could not be left.
    bool ShowsCancel() const;

    // May be changed between construction and Run.
    bool canCancel = true;
    bool showCancel = true;
    bool showCheckBox = false;
    bool checkBoxState = true;
    char checkBoxText[260] = "Show this dialog again";

    void OnCreate() override;
    bool CanOK() override;
    bool CanCancel() override;
    void OnCommand(int command, int extra) override;

private:
    void ReadCheckBox();

    LViewHandle parent_;
    // Copies: a caller's texts may be temporaries that end before Run.
    std::string title_;
    std::string message_;
    std::string detail_;
    int buttonCount_ = 0;
    const LMessageButton* buttons_;
    int result_ = -1;
    int defaultId_;
    bool closeLabel_;
};

class LTextEntryDialog : public LWindow
{
public:
    // text: at least 260 bytes, in and out (changed only by OK).
    LTextEntryDialog(char* text, const char* title, const char* label, const char* helpTopic);

    void OnCreate() override;
    void OnReady() override;
    bool CanOK() override;
    void OnHelp() override;

    static const LDialogTemplate* Template();

private:
    char* text_;
    const char* title_;
    const char* label_;
    const char* helpTopic_;
};

// Asks for one line of text; 1 when closed with OK (the text then holds
// the entry), else 0 and the text is unchanged.
int LRunTextEntryDialog(char* text, const char* title, LViewHandle parent, const char* label,
                        const char* helpTopic);
