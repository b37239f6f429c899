#pragma once
// The application delegate: creates the main window object after the
// first-run step, initialises and shows it, answers the application's
// events (reopen, open documents, quit) and destroys it when the program
// ends. It owns the main window object alone, for the whole run.

#include "gui/framework/LSingleInstance.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class LApplicationCommandHost;

// Makes the main window object (nothing shown yet); null when it cannot.
using LMainDialogFactory = std::function<std::unique_ptr<LApplicationCommandHost>()>;

class LAppDelegate : public LSingleInstance::Handler
{
public:
    explicit LAppDelegate(LMainDialogFactory factory);
    ~LAppDelegate() override;
    LAppDelegate(const LAppDelegate&) = delete;
    LAppDelegate& operator=(const LAppDelegate&) = delete;

    // The first-run step, then the main window object. False: terminate.
    bool WillFinishLaunching();
    // Initialises and shows the main window. False: terminate.
    bool DidFinishLaunching();
    // The start-up checks, then the main window's creation and
    // initialisation; sets the run phase to running.
    bool InitMainDialog();
    // Whether closing the last window ends the program: when the main window
    // is gone or is closing (not when it was only hidden).
    bool ShouldTerminateAfterLastWindowClosed() const;
    // Destroys the main window object.
    void WillTerminate();

    // Application events.
    void OnReopen() override;
    void OnOpenDocuments(const std::vector<std::string>& paths) override;
    // A quit asked by the session (systemQuit: log-out, shut-down) or the
    // user; false when the main window refused.
    bool OnQuitEvent(bool systemQuit);

    LApplicationCommandHost* GetMainDialog() const { return mainDialog_.get(); }
    bool IsRunInit() const { return runInit_; }
    bool IsMainWindowInit() const { return mainWindowInit_; }

private:
    LMainDialogFactory factory_;
    std::unique_ptr<LApplicationCommandHost> mainDialog_;
    bool runInit_ = false;
    bool mainWindowInit_ = false;
};
