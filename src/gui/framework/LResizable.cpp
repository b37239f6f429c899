#include "gui/framework/LResizable.h"

#include "gui/framework/LCommandRouting.h"
#include "gui/framework/LWindow.h"

#include <cstdint>

bool LResizable::Alive() const
{
    return window_ != nullptr && window_->IsCreated() && window_->IsWindow();
}

void LResizable::FitWindowToScreen()
{
    if (!Alive())
        return;
    window_->KeepOnScreen();
    int w = 0, h = 0;
    window_->GetWindowSize(&w, &h);
    lastWidth_ = w;
    lastHeight_ = h;
    window_->flag_ = false;
    OnResize(w, h);
    window_->flag_ = true;
}

int LResizable::SizingEdge(const LResizeFrame& previous, const LResizeFrame& current)
{
    // The edges the desktop moved; the bottom-left corner is the origin the
    // codes were first defined on.
    const bool leftMoved = current.x != previous.x;
    const bool bottomMoved = current.y + current.h != previous.y + previous.h;
    const bool rightMoved = current.x + current.w != previous.x + previous.w;
    const bool topMoved = current.y != previous.y;
    if (current.w == previous.w)
        return bottomMoved ? 6 : 3;
    if (current.h == previous.h)
        return leftMoved ? 1 : 2;
    if (leftMoved && bottomMoved)
        return 7;
    if (rightMoved && bottomMoved)
        return 8;
    if (leftMoved)
        return topMoved ? 4 : 0;
    return rightMoved && topMoved ? 5 : 0;
}

void LResizable::OnLiveResize(const LResizeFrame& previous, const LResizeFrame& current)
{
    if (!Alive())
        return;
    if (messageId >= 0) {
        const double scale = window_->GetScaleFactor();
        int rect[4] = {static_cast<int>(current.x * scale), static_cast<int>(current.y * scale), 0, 0};
        rect[2] = rect[0] + static_cast<int>(current.w * scale);
        rect[3] = rect[1] + static_cast<int>(current.h * scale);
        const int sent[4] = {rect[0], rect[1], rect[2], rect[3]};
        LSendWindowMessage(window_->GetView(), static_cast<uint32_t>(messageId),
                           SizingEdge(previous, current),
                           static_cast<int64_t>(reinterpret_cast<intptr_t>(rect)));
        if (!Alive())
            return;
        if (rect[0] != sent[0] || rect[1] != sent[1] || rect[2] != sent[2] || rect[3] != sent[3])
            window_->SetFramePixels(rect);
    }
    int w = 0, h = 0;
    window_->GetWindowSize(&w, &h);
    if (w != lastWidth_ || h != lastHeight_)
        FitWindowToScreen();
    if (Alive())
        window_->Redraw();
}

bool LResizable::ShouldZoom(bool zoomed)
{
    if (!Alive())
        return false;
    const int command = zoomed ? unzoomCommand : zoomCommand;
    if (command < 1)
        return true;
    window_->SendCommand(command);
    return false;
}

void LResizable::OnMinimize()
{
    if (minimizeCommand >= 1 && Alive())
        window_->SendCommand(minimizeCommand);
}
