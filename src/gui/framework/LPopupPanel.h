#pragma once
// A helper window that goes away by itself: with autoClose it ends with
// 'not!' when it loses activation, and when its owner window closes, is
// minimised or starts being resized by the user. Running it never blocks.

#include "gui/framework/LWindow.h"

class LPopupPanel : public LWindow
{
public:
    LPopupPanel() = default;
    // A live panel ends with 'ok  ' first.
    ~LPopupPanel() override;

    // Turns autoClose off, then ends as any window.
    void EndDialog(int code) override;
    void OnDeactivate() override;
    // Runs modelessly over parent (shown when showOnRun); false when the
    // panel ended while it was created.
    bool DoModal(LWindow* parent, int placement) override;
    // Stores the flag; on, the owner window (when there is one) is watched.
    void SetAutoClose(bool on);
    bool GetAutoClose() const { return autoClose_; }

    bool showOnRun = true;

private:
    void WatchOwner();
    void StopWatching();
    bool autoClose_ = false;
    void* watch_ = nullptr; // the toolkit's watch over the owner
};
