#pragma once
// Where the main window's notices of finished work go: to the desktop's
// notification service when it runs and took our registration, otherwise to
// the program's own bubble at the top right of the screen.

#include "gui/framework/LNotifyBubble.h"

#include <string>

class LGrowlProxy
{
public:
    // Looks for the desktop's service and remembers whether it can take our
    // notices (the registered flag). Without it every notice uses the bubble.
    void Register();
    bool IsRegistered() const { return registered_; }

    // Title and text of one notice; icon id 0 means the program picture.
    // A display time of 0 or less keeps the desktop's notice until the user
    // dismisses it; the bubble still goes after its own time.
    void Notify(const char* title, const char* text, int iconId, int displaySeconds);

    // The name the notices carry, and the desktop entry (without ".desktop")
    // whose icon the desktop shows beside them.
    void SetApplication(const std::string& appName, const std::string& desktopEntry);
    const std::string& AppName() const { return appName_; }

    // The bubble used when the desktop's service is not there.
    void SetBubble(LNotifyBubble* bubble) { bubble_ = bubble; }

    // Text as the service shows it: when it reads markup, &, < and > are
    // written as entities so a file name cannot open a tag.
    static std::string EscapeBody(const std::string& text, bool markup);

private:
    bool registered_ = false;
    bool bodyMarkup_ = false;
    std::string appName_ = "Quorin";
    std::string desktopEntry_;
    LNotifyBubble* bubble_ = nullptr;
};
