#pragma once
// The offer of another copy after a burn that went well: the outcome in
// words, "Burn Another" (OK) and "Close".

#include "gui/framework/LWindow.h"

#include <string>

class BurnAnotherDialog : public LWindow
{
public:
    enum : int { kMessage = 102, kSeparator = 104 };

    explicit BurnAnotherDialog(const char* message);
    static const LDialogTemplate* Template();
    void Layout();
    void OnCreate() override;
    bool CanOK() override { return true; }

private:
    char message_[1024] = {};
};

// Runs the dialog over parent: true for "Burn Another".
bool LRunBurnAnotherDialog(LWindow* parent, const char* message);
