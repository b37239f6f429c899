#include "gui/controls/LStatusBar.h"

#include "foundation/text/LUtf8.h"
#include "gui/controls/LDBEdit.h"
#include "gui/framework/LWindow.h"

#include <algorithm>

void LStatusBarPainter::Init(LWindow* window, int id)
{
    Attach(window, id);
    font = LGuiFont();
}

void LStatusBarPainter::OnMouseLeave()
{
    if (bar)
        bar->HideToolTip();
}

void LStatusBarPainter::OnMouseMove(int x, int)
{
    if (bar)
        bar->UpdateToolTip(x);
}

void LStatusBarPainter::OnLButtonUp(int x, int)
{
    if (bar)
        bar->OnClick(x);
}

void LStatusBarPainter::Paint(LPaintContext* context)
{
    if (!bar || !owner)
        return;
    const LPaintRect& area = context->area;
    const bool active = owner->IsEnabled();
    context->FillRect(area, LRGBColor::FromRGB8(200, 200, 200));
    if (area.y == 0) {
        LGuiPen pen;
        pen.colour = LGetStatusBarColour(active ? 0 : 1);
        context->DrawLine(pen, area.x, 0, area.x + area.w, 0);
    }
    context->SetTextColour(LGetStatusBarColour(2));
    context->SetFont(font);
    const int pad = static_cast<int>(owner->CharWidthPx() * 1.25f + 0.5f);
    const int textY = static_cast<int>(owner->CharHeightPx() * 0.42f + 0.5f);
    const double s = ScaleFactor();
    long left = 0;
    for (int i = 0; i < bar->partCount_; ++i) {
        const LStatusBarPart& part = bar->parts_[i];
        long tx = left + pad;
        const long partWidth = part.width;
        left += partWidth;
        if (tx + partWidth < area.x)
            continue;
        if (tx > area.x + area.w)
            break;
        if (part.icon.HasImage()) {
            const int size = static_cast<int>(16 * s);
            context->DrawImage(part.icon, {static_cast<int>(tx), textY, size, size}, {});
            tx += size;
        }
        const long textW = partWidth - pad;
        if (textW > 0) {
            LTextFormat format;
            format.truncation = 2;
            context->DrawText(part.text, {static_cast<int>(tx), textY, static_cast<int>(textW), height},
                              format);
        }
    }
}

LStatusBar::LStatusBar()
{
    painter_.bar = this;
}

LStatusBar::~LStatusBar()
{
    for (auto& part : parts_)
        part.icon.Release();
    painter_.Destroy();
}

void LStatusBar::Create(LWindow* window)
{
    if (!window || !window->GetView())
        return;
    LAddPaintControl(window, kControlId);
    int w = 0, h = 0;
    window->GetUsableClientSize(&w, &h);
    const double s = window->GetScaleFactor();
    const int barH = static_cast<int>(30 * s);
    window->SetControlRect(kControlId, 0, std::max(0, h - barH), w, barH);
    painter_.Init(window, kControlId);
    const uint32_t edge = static_cast<uint32_t>(std::max(0, w));
    SetParts(1, &edge);
}

void LStatusBar::SetParts(int count, const uint32_t* rightEdges)
{
    if (!painter_.GetView() || !painter_.GetOwner() || rightEdges == nullptr)
        return;
    double w = 0, h = 0;
    LGetViewSizePoints(painter_.GetOwner()->GetView(), &w, &h);
    const int64_t total =
        std::max<int64_t>(0, static_cast<int64_t>(w * painter_.GetOwner()->GetScaleFactor()));
    partCount_ = std::clamp(count, 0, kMaxParts);
    int64_t left = 0;
    for (int i = 0; i < partCount_; ++i) {
        int64_t width;
        if (rightEdges[i] == kRestOfWidth)
            width = total - left;
        else
            width = static_cast<int64_t>(rightEdges[i]) - left;
        width = std::max<int64_t>(width, 0);
        parts_[i].width = static_cast<uint32_t>(width);
        left += width;
    }
    painter_.Invalidate();
}

void LStatusBar::SetText(const char* text, unsigned part)
{
    if (text == nullptr || part >= kMaxParts || !painter_.GetView())
        return;
    LUtf8CopyWhole(parts_[part].text, text, sizeof parts_[part].text);
    if (partCount_ <= static_cast<int>(part))
        partCount_ = static_cast<int>(part) + 1;
    painter_.Invalidate();
}

void LStatusBar::SetToolTip(const char* text, unsigned part)
{
    if (text != nullptr && part < kMaxParts)
        LUtf8CopyWhole(parts_[part].tooltip, text, sizeof parts_[part].tooltip);
}

void LStatusBar::SetCommand(int command, unsigned part)
{
    if (part < kMaxParts)
        parts_[part].command = command;
}

int LStatusBar::PartAt(int x) const
{
    int64_t right = 0;
    for (int i = 0; i < partCount_; ++i) {
        right += parts_[i].width;
        if (right > x)
            return i;
    }
    return -1;
}

void LStatusBar::UpdateToolTip(int x)
{
    const int part = PartAt(x);
    if (part >= 0) {
        if (parts_[part].tooltip[0] != 0) {
            LSetViewToolTip(painter_.GetView(), parts_[part].tooltip);
            tooltipShown_ = true;
        }
    } else if (tooltipShown_) {
        HideToolTip();
    }
}

void LStatusBar::HideToolTip()
{
    if (!tooltipShown_)
        return;
    LSetViewToolTip(painter_.GetView(), nullptr);
    tooltipShown_ = false;
}

void LStatusBar::OnClick(int x)
{
    const int part = PartAt(x);
    if (part >= 0 && parts_[part].command != -1 && painter_.GetOwner())
        painter_.GetOwner()->OnCommand(parts_[part].command, 0);
}
