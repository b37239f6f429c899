#pragma once
// What the application's start-up, menus and commands need from the main
// window. The main window implements it; the application delegate owns the
// main window through it for the whole run and destroys it at the end.

#include <string>
#include <vector>

class LAboutBox;
class LWindow;

class LApplicationCommandHost
{
public:
    virtual ~LApplicationCommandHost() = default;

    // ---- Start-up and application events ----
    // Creates the main window and initialises it (its placement, menus,
    // list); false ends the start-up before anything is shown.
    virtual bool CreateAndInitMainWindow() = 0;
    // The main window itself: owner of the menus, parent of the About box and
    // of messages. Null before CreateAndInitMainWindow.
    virtual LWindow* GetMainWindow() = 0;
    // The reopen event: the main window shows and comes to the front.
    virtual void BringToFront() = 0;
    // The open-documents event (files named at start or by a later start):
    // added to the list as Add File(s) adds them.
    virtual void OpenDocuments(const std::vector<std::string>& paths) = 0;
    // The close query and, when it agrees, the quit sequence. False when the
    // user keeps the program running.
    virtual bool QueryQuit() = 0;
    // Set when the session is ending (log-out, shut-down): the quit skips
    // the end-of-session feedback.
    virtual void SetSystemQuit(bool systemQuit) = 0;
    // The main window is in its closing sequence.
    virtual bool IsClosing() const = 0;

    // ---- Application commands ----
    // The About box the main window keeps for its life.
    virtual LAboutBox* GetAboutBox() = 0;
    // 'pref': the main window's preferences operation.
    virtual void OnPreferences() = 0;
    // 'QtNc': the main window's Cancel runs again.
    virtual void OnQuitCancelled() = 0;
    // The main window's toolbar (Window menu's Hide/Show Toolbar).
    virtual bool IsToolbarVisible() const = 0;
    virtual void ShowToolbar(bool show) = 0;
};
