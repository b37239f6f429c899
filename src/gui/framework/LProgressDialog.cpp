#include "gui/framework/LProgressDialog.h"

#include "foundation/threads/LPollSet.h"
#include "foundation/threads/LSignalObject.h"
#include "gui/framework/LEventPump.h"
#include "gui/framework/LMessageBox.h"

#include <cmath>

namespace {

int R(double x)
{
    return static_cast<int>(std::floor(x + 0.5));
}

} // namespace

LProgressDialog::LProgressDialog(const char* title) : title_(title != nullptr ? title : "") {}

LProgressDialog::~LProgressDialog()
{
    if (GetView() != nullptr)
        DestroyProgressWindow();
}

bool LProgressDialog::Create(LViewHandle parent)
{
    parentView_ = parent;
    parentWindow_ = nullptr;
    if (parentView_ == nullptr)
        parentView_ = LGetModalWindowView();
    if (parentView_ != nullptr) {
        parentWindow_ = LGetWindowFromView(parentView_);
        // An owner laying itself out must not get a child window now.
        if (parentWindow_ != nullptr && !parentWindow_->GetReadyFlag())
            return false;
    }
    BuildWindow();
    return IsWindow();
}

void LProgressDialog::BuildWindow()
{
    double cw = CharWidthPx();
    double ch = CharHeightPx();
    int width = R(55 * cw);
    int height = R(8 * ch);
    CreateCocoaWindow(1, 1, kWindowStyleTitled | kWindowStyleClosable, false, parentView_);
    SetClientSize(width, height);
    // No close box: the operation ends the window, Cancel only asks it to.
    EnableCloseButton(false);
    SetTitle(title_);

    int margin = R(2 * cw);
    int gap = R(1.25 * cw);
    int top = R(0.94 * ch);
    int side = static_cast<int>(GetScaleFactor() * 64);
    int lineHeight = R(1.23 * ch);
    int pitch = lineHeight + R(0.59 * ch);
    int x = margin + gap + side;
    int textWidth = width - gap - side - 2 * margin;

    AddImageControlNoRect(kIcon);
    SetImageControlResource(kIcon, iconResource_);
    SetControlRect(kIcon, margin, top, side, side);
    AddStaticTextEmpty(kStatusLine1);
    SetStaticTextStyle(kStatusLine1, 2, 0);
    SetControlRect(kStatusLine1, x, top, textWidth, lineHeight);
    AddStaticTextEmpty(kStatusLine2);
    SetStaticTextStyle(kStatusLine2, 2, 0);
    SetControlRect(kStatusLine2, x, top + pitch, textWidth, lineHeight);
    AddProgressBarNoRect(kProgressBar);
    SetControlRect(kProgressBar, x, top + 2 * pitch, textWidth, R(0.35 * ch));
    AddCancelButton();
    SetCancelButton(kCommandCancel);
    LayoutDialogButtons(0, 0, 0, width, height);
    const char* caption = "Quorin by Oxbel Software";
    AddStaticText(kCaption, caption);
    SetControlRect(kCaption, x, height - top - lineHeight, GetTextWidth(caption), lineHeight);

    OnCreate();
    if (!IsWindow())
        return;
    if (parentWindow_ != nullptr) {
        SetParent(parentWindow_);
        CenterOnParent();
    } else {
        CenterOnScreen();
    }
    ShowWindow(true);
    UpdateControls();
}

int LProgressDialog::Show(LViewHandle parent)
{
    if (!Create(parent))
        return 0;
    cancelled_ = false;
    if (parentWindow_ != nullptr && (!parentWindow_->IsEnabled() || !parentWindow_->IsVisible()))
        parentWindow_->ShowWindow(true);
    session_ = BeginModalSession(GetView());
    return 1;
}

uint32_t LProgressDialog::Run(LViewHandle parent)
{
    if (Show(parent) == 0)
        return 0;
    int64_t result = Process();
    DestroyProgressWindow();
    return static_cast<uint32_t>(result);
}

void LProgressDialog::Hide()
{
    DestroyProgressWindow();
    parentWindow_ = nullptr;
}

void LProgressDialog::DestroyProgressWindow()
{
    if (GetView() != nullptr) {
        if (session_)
            EndModalSession(GetView());
        session_ = false;
        DestroyWindow();
    }
    cancelled_ = true;
}

void LProgressDialog::CancelProgress()
{
    if (GetView() != nullptr) {
        EnableControl(kCommandCancel, false);
        Redraw();
    }
    cancelled_ = true;
}

void LProgressDialog::EndProgress(int code)
{
    (void)code;
    CancelProgress();
}

void LProgressDialog::EndDialog(int code)
{
    (void)code;
    CancelProgress();
}

void LProgressDialog::Cancel()
{
    CancelProgress();
}

bool LProgressDialog::IsStopRequested()
{
    LProcessPendingEvents();
    return cancelled_;
}

bool LProgressDialog::WaitForStop(uint32_t ms)
{
    return LWaitWithMessagePump([this] { return cancelled_; }, ms != LNoTimeLimit, ms) == 1;
}

int LProgressDialog::WaitForStopOrSignal(const LSignalObject* signal, uint32_t ms)
{
    int fd = signal != nullptr ? signal->ReadFd() : -1;
    return LWaitForDescriptorsWithMessagePump(
        &fd, fd >= 0 ? 1 : 0, [this] { return cancelled_; }, ms != LNoTimeLimit, ms, false);
}

int LProgressDialog::WaitForStopOrPollSet(LPollSet* set, uint32_t ms)
{
    int fds[LPollSet::kCapacity];
    size_t count = 0;
    if (set != nullptr)
        for (uint64_t i = 0; i < set->count && i < LPollSet::kCapacity; ++i)
            fds[count++] = set->entries[i].fd;
    int result = LWaitForDescriptorsWithMessagePump(
        fds, count, [this] { return cancelled_; }, ms != LNoTimeLimit, ms, true);
    if (result == LWaitSignalled && set != nullptr)
        set->HasInput(); // the caller reads which entries are ready
    return result;
}

void LProgressDialog::Message(const char* text)
{
    LMessageBox box(GetView(), text, title_);
    box.style = LMessageBoxCriticalStyle;
    box.SetButton(1, "Continue");
    box.Show();
}

void LProgressDialog::MessageLevel(const char* text, int level)
{
    int id = level == 0 ? kStatusLine1 : level == 1 ? kStatusLine2 : 0;
    if (id == 0)
        return;
    SetControlText(id, text);
    EnableControl(id, true);
}

void LProgressDialog::Progress(double fraction)
{
    SetProgressBarPos(kProgressBar, fraction);
}

void LProgressDialog::BeginIndeterminateProgress()
{
    SetProgressBarIndeterminate(kProgressBar, true);
}

void LProgressDialog::EndIndeterminateProgress()
{
    SetProgressBarIndeterminate(kProgressBar, false);
}
