#pragma once
// The application's main window: it owns the toolbar, the status bar and the
// keyboard hook of the whole program, keeps its placement and toolbar state
// across runs, and knows how the program closes and quits. Closing it (the
// close box, Ctrl+W) only hides it; Quit closes it for good, saving what the
// next start needs, and then ends the application.

#include "app/program/about/LAboutBox.h"
#include "app/program/menus/LApplicationCommandHost.h"
#include "foundation/threads/LSignalObject.h"
#include "gui/controls/LStatusBar.h"
#include "gui/framework/LGrowlProxy.h"
#include "gui/framework/LKeyHandler.h"
#include "gui/framework/LNotifyBubble.h"
#include "gui/framework/LResizable.h"
#include "gui/framework/LToolBar.h"
#include "gui/framework/LWindow.h"

#include <cstdint>
#include <functional>
#include <memory>

// Raised once (one byte) by the main window's close step.
const LSignalObject& LMainWindowClosedSignal();

class LMainWindow : public LWindow,
                    public LKeyHandler,
                    public LApplicationCommandHost,
                    public LNotifyBubbleHost
{
public:
    LMainWindow();
    ~LMainWindow() override;

    // The process's main window, null while there is none.
    static LMainWindow* Instance();

    // The toolkit window, as large as the screen's work area until the
    // saved placement is applied.
    bool CreateMainWindow();
    // Title, status bar, the window's own initialisation (OnCreate), the
    // saved placement ("MainWindow"), key handling; shows the window unless
    // "Settings"/"MainWindowShownAtStartup" begins with '0'.
    void InitMainWindow();

    // The close request. Outside a quit it only hides the window; during a
    // quit it closes modal windows first (one after another) and then runs
    // CloseMainWindow.
    void Cancel() override;
    // The close step proper: ends the About box, hides the window, saves its
    // placement, destroys it, adds the minutes run, stores the usage
    // counters and raises the closed signal.
    void CloseMainWindow();
    // Quit: false (nothing changes) when a modal window is up or the window
    // refuses to close; else the window closes and the application ends.
    bool QueryQuit() override;
    // Shows the window (also when hidden or minimised) and brings the
    // program to the front.
    void BringToFront() override;
    void SaveWindowPlacement(const char* section) override;

    // 'clos' and 'not!' hide the window, 'quit' quits, 'QtNc' retries the
    // close, 9500 toggles the toolbar; the rest goes to the framework.
    void OnCommand(int command, int extra) override;
    // The application's main menu.
    void EnableMenuItem(int command, bool enable) override;
    void CheckMenuItem(int command, bool checked) override;
    void SetMenuItemTitle(int command, const char* title) override;
    void SetMenuItemTitleAndShortcut(int command, const char* title, const LKey* shortcut) override;

    // The preferences ('pref'); the window's own.
    virtual void Preferences() {}

    // LApplicationCommandHost.
    bool CreateAndInitMainWindow() override;
    LWindow* GetMainWindow() override { return this; }
    void OpenDocuments(const std::vector<std::string>& paths) override { (void)paths; }
    bool IsClosing() const override { return quitting_ || closed_ || LWindow::IsClosing(); }
    LAboutBox* GetAboutBox() override { return &aboutBox_; }
    void OnPreferences() override { Preferences(); }
    void OnQuitCancelled() override { Cancel(); }
    bool IsToolbarVisible() const override { return toolBar_.IsVisible(); }
    // Shows or hides the toolbar, stores the state and lays the window out.
    void ShowToolbar(bool show) override;

    // Keys: the window's accelerator table first, then the framework's keys.
    bool OnKeyDown(LKey key) override;
    virtual const LKeyToCommandMap* AcceleratorTable(int* count) const;

    // Set for a quit at log-out, restart or shut-down: the end-of-session
    // feedback is skipped.
    void SetSystemQuit(bool on) override { systemQuit_ = on; }
    bool IsSystemQuit() const { return systemQuit_; }
    bool IsQuitting() const { return quitting_; }
    bool IsClosed() const { return closed_; }
    // Runs once the window has closed for good (the application ends there).
    void SetClosedHook(std::function<void()> hook) { closedHook_ = std::move(hook); }

    LToolBar& ToolBar() { return toolBar_; }
    LStatusBar& StatusBar() { return statusBar_; }

    // Lays the window out for a new client size (pixels).
    virtual void OnResize(int width, int height) { (void)width, (void)height; }

    // The content view's modal window when it is another than this one.
    LViewHandle GetForeignModalView() const;

    // A notice of finished work: the desktop's notification service, or our
    // own bubble when there is none.
    void Notify(const char* text);
    LGrowlProxy& GrowlProxy() { return growlProxy_; }
    LNotifyBubble* NotifyBubble() { return notifyBubble_.get(); }

    // The start of this run, seconds since 1970.
    int64_t StartTime() const { return startTime_; }
    void SetStartTime(int64_t seconds) { startTime_ = seconds; }

protected:
    class Resizer : public LResizable
    {
    public:
        explicit Resizer(LMainWindow* window) : LResizable(window), main_(window) {}
        void OnResize(int width, int height) override { main_->OnResize(width, height); }

    private:
        LMainWindow* main_;
    };

    LToolBar toolBar_;
    LStatusBar statusBar_;
    Resizer resizer_;
    bool systemQuit_ = false;
    bool quitting_ = false;
    bool closed_ = false;
    int closeRetries_ = 0;
    int64_t startTime_ = 0;
    LAboutBox aboutBox_;
    LGrowlProxy growlProxy_;
    std::unique_ptr<LNotifyBubble> notifyBubble_; // made with the toolkit window
    std::function<void()> closedHook_;
};

// Adds the minutes of a run (rounded to whole minutes, 30 s up) to
// "Settings"/"MinutesRunSinceLastInstall".
void LAddRunMinutes(int64_t startSeconds, int64_t nowSeconds);
