#pragma once
// The toolkit's application object and its run loop, and the application-wide
// window commands of the menus ("Hide", "Minimize All", ...). One per process,
// made on the main thread before any window.

#include "gui/framework/LView.h"

class LPopupMenu;
class LWindow;

class LApplication
{
public:
    // Creates the toolkit's application (argc and argv must outlive it), or
    // uses the one that exists already (tests). Installs the main-thread queue.
    LApplication(int& argc, char** argv);
    ~LApplication();
    LApplication(const LApplication&) = delete;
    LApplication& operator=(const LApplication&) = delete;

    // Runs the event loop until LTerminateApplication. Returns at once when
    // terminating was asked before.
    void Run();

    // Called when SIGINT or SIGTERM arrives while the loop runs (the session
    // ends, or the user interrupts), once the open questions are closed with
    // their safe answer: the main window's close step. The loop ends whatever
    // it answers. A signal before the loop ends the start where it is.
    void SetQuitRequestHook(bool (*hook)(void* data), void* data);

    // Called when the last visible window was closed; true ends the loop.
    // Hiding a window (the main window's Close Window) never asks.
    void SetLastWindowClosedHook(bool (*hook)(void* data), void* data);

private:
    bool ownsApplication_ = false;
    void* state_ = nullptr;
};

// Ends the running event loop (the application's terminate); before Run
// starts, Run returns at once.
void LTerminateApplication();
bool LIsApplicationTerminating();
// True once SIGINT or SIGTERM has arrived: questions are no longer asked,
// they get their safe answer (LMessageBox::Show answers its second button,
// or its only one).
bool LIsSessionEnding();

// Hide: every shown window of the program is hidden (a bare X server cannot
// minimise, and hidden windows need no desktop to come back); bringing the
// program to the front (LBringAppToFront, as reopening or starting it again
// does) shows them again.
void LHideApplication();
// Shows again what LHideApplication hid, owners before the windows opened
// from them; false when nothing was hidden.
bool LUnhideApplication();
// Minimises every visible window of the program.
void LMiniaturizeAllWindows();
void LMiniaturizeWindow(LWindow* window);
void LDeminiaturizeWindow(LWindow* window);
bool LIsWindowMiniaturized(const LWindow* window);
// Shows the window and puts it in front, even when it was hidden.
void LOrderWindowFront(LWindow* window);

// Shows the menu as the menu bar of the window, above its content (the
// content view becomes shorter by the bar). The bar follows the menu: menus
// added to or removed from it later appear and go in the bar too. Null menu
// removes the bar.
void LAttachMenuBar(LWindow* window, LPopupMenu* menu);
// The bar's height in device pixels, 0 when the window has none or it is hidden.
int LGetMenuBarHeight(const LWindow* window);
