#pragma once
// The small modal window of a long operation started from a window. The
// operation runs on the main thread inside the dialog: a task class derives
// from LProgressDialog, implements Process and reports through the
// LProcessContext interface. Every stop test and wait keeps the event loop
// moving, so the window repaints, Cancel works and notifications arrive.
//
// Without a task: Show opens the window, the caller works with the dialog as
// its context, Hide closes it.

#include "foundation/threads/LProcessContext.h"
#include "gui/framework/LWindow.h"

#include <cstdint>

class LProgressDialog : public LProcessContext, public LWindow
{
public:
    explicit LProgressDialog(const char* title);
    ~LProgressDialog() override;

    // Builds and shows the window, runs Process, closes the window and
    // returns Process's result; 0 without running it when no window could be
    // made.
    uint32_t Run(LViewHandle parent);
    // Builds and shows the window; 1 on success, 0 when it cannot be made.
    int Show(LViewHandle parent);
    void Hide();

    // The operation; runs on the calling (main) thread.
    virtual int64_t Process() { return 0; }
    // Sets the cancelled flag once and disables the Cancel button; the window
    // stays until Process returns.
    virtual void CancelProgress();
    virtual void EndProgress(int code);
    bool IsCancelled() const { return cancelled_; }

    // LProcessContext.
    bool IsStopRequested() override;
    bool WaitForStop(uint32_t ms) override;
    int WaitForStopOrSignal(const LSignalObject* signal, uint32_t ms) override;
    int WaitForStopOrPollSet(LPollSet* set, uint32_t ms) override;
    void Message(const char* text) override;
    // Level 0: status line 1, level 1: status line 2; deeper levels are ignored.
    void MessageLevel(const char* text, int level) override;
    void Progress(double fraction) override;
    void BeginIndeterminateProgress() override;
    void EndIndeterminateProgress() override;

    // The window part: ending or cancelling the window only cancels.
    void EndDialog(int code) override;
    void Cancel() override;

    // Controls of the window.
    static constexpr int kStatusLine1 = 101;
    static constexpr int kStatusLine2 = 102;
    static constexpr int kProgressBar = 104;
    static constexpr int kCaption = 107;
    static constexpr int kIcon = 110;

protected:
    bool Create(LViewHandle parent);
    void BuildWindow();
    void DestroyProgressWindow();

    LWindow* parentWindow_ = nullptr;
    LViewHandle parentView_ = nullptr;
    bool thirdLine_ = false;
    bool cancelled_ = false;
    const char* title_;
    int iconResource_ = 304;
    bool session_ = false;
};
