#include "app/program/LMainWindow.h"

#include "app/program/menus/LApplicationMenus.h"
#include "app/program/startup/LAppStartup.h"
#include "app/program/startup/LFirstRun.h"
#include "app/program/startup/LSupportServices.h"
#include "foundation/process/LProcessStartup.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LApplication.h"
#include "gui/framework/LCommandRouting.h"
#include "gui/framework/LEventPump.h"
#include "gui/framework/LMainMenu.h"
#include "gui/framework/LScreens.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

LMainWindow* gMainWindow = nullptr;

constexpr int32_t kCommandQuitRetry = LFourCharCode("QtNc");
// A modal window that keeps refusing to close stops the quit after this
// many rounds, instead of the quit retrying for ever.
constexpr int kMaxCloseRetries = 100;

constexpr const char* kPlacementSection = "MainWindow";

int TextUnits(float unit, double count)
{
    return static_cast<int>(unit * count + 0.5);
}

} // namespace

const LSignalObject& LMainWindowClosedSignal()
{
    static LSignalObject signal;
    return signal;
}

void LAddRunMinutes(int64_t startSeconds, int64_t nowSeconds)
{
    if (startSeconds <= 0)
        return;
    const int64_t minutes = (nowSeconds - startSeconds + 30) / 60;
    const int64_t total =
        LSettingsGetInt("Settings", "MinutesRunSinceLastInstall", 0) + std::max<int64_t>(0, minutes);
    LSettingsSetInt("Settings", "MinutesRunSinceLastInstall", total);
}

LMainWindow::LMainWindow() : resizer_(this)
{
    gMainWindow = this;
    LLoadUsageCounters();
    toolBar_.SetStateKey("Main");
    toolBar_.SetToolbarIdentifier("com.oxbelsoftware.quorin.Main");
    startTime_ = static_cast<int64_t>(std::time(nullptr));
}

LMainWindow::~LMainWindow()
{
    SetKeyHandler(nullptr);
    if (gMainWindow == this)
        gMainWindow = nullptr;
}

LMainWindow* LMainWindow::Instance()
{
    return gMainWindow;
}

bool LMainWindow::CreateMainWindow()
{
    int screen[4] = {};
    LGetScreenRect(1, screen);
    const int width = std::max(1, screen[2] - screen[0]);
    const int height = std::max(1, screen[3] - screen[1]);
    if (!CreateCocoaWindow(width, height,
                           kWindowStyleTitled | kWindowStyleClosable | kWindowStyleMiniaturizable |
                               kWindowStyleResizable,
                           false, nullptr))
        return false;
    growlProxy_.SetApplication("Quorin", kDesktopEntryId);
    growlProxy_.Register();
    if (!notifyBubble_)
        notifyBubble_ = std::make_unique<LNotifyBubble>();
    notifyBubble_->SetOwner(this);
    growlProxy_.SetBubble(notifyBubble_.get());
    return true;
}

void LMainWindow::Notify(const char* text)
{
    growlProxy_.Notify("Quorin", text, 0, LNotifyBubble::kShowMs / 1000);
}

void LMainWindow::InitMainWindow()
{
    SetTitle("Quorin - Vinyl and Tape Recorder");
    LBuildMainMenu(*this);
    statusBar_.Create(this);
    PostCommand(kCommandReady);
    LStartCrashDetection();
    OnCreate();

    // The window may not be smaller than 134 x 45 text units, nor larger
    // than the screen's work area.
    int area[4] = {};
    LGetWindowWorkArea(GetView(), area);
    const int areaW = area[2] - area[0];
    const int areaH = area[3] - area[1];
    int minW = TextUnits(CharWidthPx(), 134);
    int minH = TextUnits(CharHeightPx(), 45);
    if (areaW > 0 && areaH > 0) {
        minW = std::min(minW, areaW);
        minH = std::min(minH, areaH);
    }
    if (GetView() != nullptr) {
        SetResizableHandler(&resizer_);
        SetMinSize(minW, minH);
    }
    RestoreWindowPlacement(kPlacementSection, TextUnits(CharWidthPx(), 170), TextUnits(CharHeightPx(), 45),
                           minW, minH, false);
    created_ = true;
    LSetAppRunPhase(kRunPhaseWindowInit);
    LSettingsSetString("Settings", "FirstRun", "1");
    UpdateControls();
    SetKeyHandler(this);
    EnableWindow(true);
    resizer_.FitWindowToScreen();
    SetMenuItemTitle(kCommandToggleToolbar, LToolbarToggleTitle(toolBar_.IsVisible()));

    char shown[260] = {};
    LSettingsGetString("Settings", "MainWindowShownAtStartup", "", shown);
    if (shown[0] != '0')
        ShowWindow(true);
}

LViewHandle LMainWindow::GetForeignModalView() const
{
    LViewHandle modal = LGetModalWindowView();
    return modal != nullptr && modal != GetView() ? modal : nullptr;
}

void LMainWindow::Cancel()
{
    if (!quitting_) {
        // The close box: the program keeps running behind a hidden window.
        ShowWindow(false);
        return;
    }
    LSettingsSetString("ToolBarState", toolBar_.StateKey().c_str(), toolBar_.IsVisible() ? "1" : "0");
    if (LViewHandle modal = GetForeignModalView()) {
        if (LWindow* owner = LGetWindowFromView(modal)) {
            if (++closeRetries_ > kMaxCloseRetries) {
                // The modal window will not close: the quit is off.
                quitting_ = false;
                closeRetries_ = 0;
                return;
            }
            owner->PostCommand(kCommandCancel);
            PostCommand(kCommandQuitRetry);
            return;
        }
    }
    closeRetries_ = 0;
    LProcessPendingEvents();
    CloseMainWindow();
}

void LMainWindow::CloseMainWindow()
{
    if (closed_)
        return;
    if (aboutBox_.IsWindow() && !aboutBox_.LWindow::IsClosing())
        aboutBox_.EndDialog(kCommandOK);
    SaveWindowPlacement(kPlacementSection);
    ShowWindow(false);
    SetResizableHandler(nullptr);
    SetKeyHandler(nullptr);
    closed_ = true;
    DestroyWindow();
    LAddRunMinutes(startTime_, static_cast<int64_t>(std::time(nullptr)));
    if (!systemQuit_)
        LRunEndSurveyHook(this);
    LSaveUsageCounters();
    LStopCrashDetection();
    LSetAppRunPhase(kRunPhaseWindowClosed);
    LMainWindowClosedSignal().Signal();
    if (closedHook_)
        closedHook_();
    // The application ends once this close has returned to its loop.
    LTerminateApplication();
}

bool LMainWindow::QueryQuit()
{
    if (closed_)
        return true;
    quitting_ = true;
    if (GetForeignModalView() != nullptr || !CanCancel()) {
        quitting_ = false;
        return false;
    }
    Cancel();
    return true;
}

bool LMainWindow::CreateAndInitMainWindow()
{
    if (!CreateMainWindow())
        return false;
    InitMainWindow();
    return IsWindow();
}

void LMainWindow::BringToFront()
{
    if (!IsWindow())
        return;
    if (LIsWindowMiniaturized(this))
        LDeminiaturizeWindow(this);
    else
        LOrderWindowFront(this);
    LBringAppToFront();
}

void LMainWindow::SaveWindowPlacement(const char* section)
{
    if (IsWindow())
        LWindow::SaveWindowPlacement(section);
}

void LMainWindow::ShowToolbar(bool show)
{
    toolBar_.Show(show);
    // The content's size, as a resize lays it out: the client size counts
    // the menu bar in too and would push the status bar off the bottom.
    int w = 0, h = 0;
    GetWindowSize(&w, &h);
    OnResize(w, h);
}

void LMainWindow::OnCommand(int command, int extra)
{
    if (!LHandleApplicationCommand(*this, command, extra))
        LWindow::OnCommand(command, extra);
}

const LKeyToCommandMap* LMainWindow::AcceleratorTable(int* count) const
{
    *count = 0;
    return nullptr;
}

bool LMainWindow::OnKeyDown(LKey key)
{
    int count = 0;
    const LKeyToCommandMap* table = AcceleratorTable(&count);
    return TranslateAccelerator(key, table, count);
}

void LMainWindow::EnableMenuItem(int command, bool enable)
{
    LMainMenuEnableItem(command, enable);
}

void LMainWindow::CheckMenuItem(int command, bool checked)
{
    LMainMenuCheckItem(command, checked);
}

void LMainWindow::SetMenuItemTitle(int command, const char* title)
{
    LMainMenuSetItemTitle(command, title);
}

void LMainWindow::SetMenuItemTitleAndShortcut(int command, const char* title, const LKey* shortcut)
{
    if (shortcut == nullptr) {
        LMainMenuSetItemTitle(command, title);
        return;
    }
    const LKeyToCommandMap entry{*shortcut, command};
    LMainMenuSetItemText(command, title, &entry, 1);
}
