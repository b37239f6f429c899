#include "gui/framework/LResizable.h"

#include "gui/framework/LWindow.h"

void LResizable::FitWindowToScreen()
{
    if (window_ == nullptr || !window_->IsCreated() || !window_->IsWindow())
        return;
    int w = 0, h = 0;
    window_->GetWindowSize(&w, &h);
    lastWidth_ = w;
    lastHeight_ = h;
    window_->flag_ = false;
    OnResize(w, h);
    window_->flag_ = true;
}

void LResizable::OnLiveResize()
{
    if (window_ == nullptr || !window_->IsCreated() || !window_->IsWindow())
        return;
    int w = 0, h = 0;
    window_->GetWindowSize(&w, &h);
    if (w == lastWidth_ && h == lastHeight_)
        return;
    FitWindowToScreen();
    window_->Redraw();
}
