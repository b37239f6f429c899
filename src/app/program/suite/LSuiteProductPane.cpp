#include "app/program/suite/LSuiteProductPane.h"

#include "gui/controls/LClickRegionMouseHandler.h"
#include "gui/controls/LStatusBar.h"
#include "gui/framework/LWindow.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <strings.h>

namespace {

constexpr int kArrowCursor = 0;
constexpr int kHandCursor = 1;

const LRGBColor kTitleColour = LRGBColor::FromRGB8(17, 34, 204);
const LRGBColor kMarkedDescriptionColour = LRGBColor::FromRGB8(10, 48, 0);
const LRGBColor kLinkColour = LRGBColor::FromRGB8(0, 50, 198);
const LRGBColor kMarkedLinkColour = LRGBColor::FromRGB8(30, 144, 0);
const LRGBColor kWhite = LRGBColor::FromRGB8(255, 255, 255);
const LRGBColor kBlack = LRGBColor::FromRGB8(0, 0, 0);

int Rounded(double units, float unitPx)
{
    return static_cast<int>(units * unitPx + 0.5);
}

struct Rgb
{
    int r, g, b;
};


LRGBColor Scaled(Rgb base, double factor)
{
    auto channel = [factor](int value) { return std::min(255, static_cast<int>(value * factor)); };
    return LRGBColor::FromRGB8(channel(base.r), channel(base.g), channel(base.b));
}

// A run button: a vertical gradient from the base x 1.05 to x 0.87, darker
// while pressed, lighter while the pointer is on it; framed just outside.
void DrawRunButton(LPaintContext* context, const LSuiteRowRect& r, Rgb base, bool pressed, bool hot,
                   const char* label, const LGuiFont& font)
{
    if (pressed)
        base = {std::max(0, base.r - 10), std::max(0, base.g - 40), std::max(0, base.b - 30)};
    else if (hot)
        base = {std::min(255, base.r + 30), std::min(255, base.g + 30), std::min(255, base.b + 30)};
    const LPaintRect box{r.left, r.top, r.right - r.left, r.bottom - r.top};
    context->GradientFillRect(box, Scaled(base, 1.05), Scaled(base, 0.87), box.x, box.y, box.x, box.y + box.h);
    LGuiPen pen;
    pen.colour = pressed ? LRGBColor::FromRGB8(209, 209, 209) : LRGBColor::FromRGB8(129, 130, 135);
    context->FrameRect({box.x - 1, box.y - 1, box.w + 2, box.h + 2}, pen);
    if (pressed)
        context->FrameRect(box, pen);
    context->SetFont(font);
    context->SetTextColour(kWhite);
    LPaintContext::DrawText(context, label, box.x, box.y, box.w, box.h, 1, 1, 0, 3);
}

} // namespace

// ---- The entry list ----

void LSuiteProductItem::Clear()
{
    entries_.clear();
}

bool LSuiteProductItem::GoesBefore(const LSuiteProductEntry& a, const LSuiteProductEntry& b)
{
    if (a.installed != b.installed)
        return !a.installed;
    const int wa = a.info->sortWeight, wb = b.info->sortWeight;
    if ((wa != 0) != (wb != 0))
        return wa != 0;
    if (wa != wb)
        return wa > wb;
    if (wa != 0)
        return false;
    return strcasecmp(a.info->title, b.info->title) < 0;
}

LSuiteProductEntry* LSuiteProductItem::AddTask(const LSuiteTask* task, const LSuiteProductInfo* info,
                                               bool (*isInstalled)(const char*))
{
    LSuiteProductEntry* entry = nullptr;
    for (const auto& existing : entries_)
        if (existing->info == info)
            entry = existing.get();
    if (entry == nullptr) {
        auto made = std::make_unique<LSuiteProductEntry>();
        made->info = info;
        made->installed = isInstalled != nullptr && isInstalled(info->name);
        auto place = entries_.begin();
        while (place != entries_.end() && !GoesBefore(*made, **place))
            ++place;
        entry = made.get();
        entries_.insert(place, std::move(made));
    }
    for (const auto& existing : entry->tasks)
        if (existing->task == task)
            return entry;
    auto taskEntry = std::make_unique<LSuiteTaskEntry>();
    taskEntry->task = task;
    taskEntry->info = info;
    entry->tasks.push_back(std::move(taskEntry));
    return entry;
}

bool LSuiteProductItem::IsHidden(const LSuiteProductEntry& entry)
{
    return std::strcmp(entry.info->name, kSuiteOwnProduct) == 0;
}

void LSuiteProductItem::BindFonts(LWindow* window, LViewHandle view)
{
    (void)window;
    LGuiFont::CreateSystem(&smallFont_, view, -2, false, false);
    LGuiFont::CreateSystem(&smallUnderlinedFont_, view, -2, false, true);
    bullet_.Load(321);
}

void LSuiteProductItem::SetToolTip(LViewHandle view, const char* format, const LSuiteProductInfo* info)
{
    char text[260];
    std::snprintf(text, sizeof text, format, info->title);
    LSetViewToolTip(view, text);
    tooltipShown_ = true;
}

// ---- The product pane ----

LSuiteProductPane::~LSuiteProductPane()
{
    Destroy();
}

void LSuiteProductPane::AttachPane(LWindow* window, int id)
{
    Attach(window, id);
    Create(window, id);
    BindFonts(window, GetView());
    LGuiFont::CreateSystem(&titleFont_, GetView(), 4, false, false);
    LGuiFont::CreateSystem(&titleUnderlinedFont_, GetView(), 4, false, true);
    LGuiFont::CreateSystem(&buttonFont_, GetView(), 2, false, false);
    LGuiFont::CreateSystem(&descriptionFont_, GetView(), 0, false, false);
}

int LSuiteProductPane::ClientWidth() const
{
    int w = 0;
    GetVisibleSize(&w, nullptr);
    return w;
}

void LSuiteProductPane::PaintContent(LPaintContext* context, int* width, int* height, bool measure)
{
    if (owner == nullptr)
        return;
    const float hu = owner->CharWidthPx();
    const float vu = owner->CharHeightPx();
    const int gap = Rounded(0.7, vu);
    const int x0 = Rounded(1.5, hu);
    const int bw = Rounded(13.5, hu);
    const int u = Rounded(1, hu);
    const int minH = Rounded(1.8, vu);
    int clientW = 0, clientH = 0;
    GetVisibleSize(&clientW, &clientH);
    if (clientW <= 0)
        clientW = *width;
    // The description is measured and drawn at the same width, so what was
    // measured is what shows.
    const int textW = std::max(1, clientW - (x0 + bw + 4 * u));

    // Drawing happens in content coordinates; only the rows that meet the
    // visible part are drawn.
    const int visibleTop = measure ? 0 : GetScrollY();
    const int visibleBottom = visibleTop + std::max(clientH, *height);
    if (!measure)
        context->FillRect({0, visibleTop, std::max(clientW, *width), visibleBottom - visibleTop}, kWhite);

    int y = gap / 2;
    for (const auto& owned : entries_) {
        LSuiteProductEntry& entry = *owned;
        if (IsHidden(entry))
            continue;
        const bool marked = &entry == marked_;
        int titleW = 0, titleH = 0, descW = 0, descH = 0;
        context->SetFont(marked ? titleUnderlinedFont_ : titleFont_);
        LPaintContext::MeasureText(context, entry.info->title, 0, &titleW, &titleH);
        context->SetFont(descriptionFont_);
        LPaintContext::MeasureText(context, entry.info->description, textW, &descW, &descH);
        // A row is never lower than its button needs.
        const int rowH = std::max(titleH + 1 + descH, minH) + gap;

        entry.row = {y, y + rowH, x0, clientW + x0};
        entry.button.left = clientW + x0 - bw - 4 * u;
        entry.button.right = clientW - 2 * u;
        entry.button.top = y + rowH / 2 - minH / 2;
        entry.button.bottom = entry.button.top + minH;

        if (!measure) {
            if (y > visibleBottom)
                break;
            if (y + rowH >= visibleTop) {
                context->SetFont(marked ? titleUnderlinedFont_ : titleFont_);
                context->SetTextColour(kTitleColour);
                LPaintContext::DrawText(context, entry.info->title, x0, y, clientW, titleH + 2, 0, 0, 0, 0);
                context->SetFont(descriptionFont_);
                context->SetTextColour(marked ? kMarkedDescriptionColour : kBlack);
                LPaintContext::DrawText(context, entry.info->description, x0, y + titleH + 1, textW, descH + 2, 0,
                                        0, 1, 2);
                const bool installed = LIsSuiteProductInstalled(entry.info->name);
                DrawRunButton(context, entry.button, installed ? Rgb{83, 215, 192} : Rgb{83, 215, 92},
                              entry.pressed, entry.hot, installed ? "Run It Now" : "Open App", buttonFont_);
            }
        }
        y += rowH;
    }
    *height = y + gap / 2;
    *width = clientW;
}

void LSuiteProductPane::Relayout()
{
    if (owner == nullptr || documentView == nullptr)
        return;
    std::unique_ptr<LPaintContext> context(LNewMeasureContext(documentView));
    int w = ClientWidth(), h = 0;
    GetVisibleSize(nullptr, &h);
    PaintContent(context.get(), &w, &h, true);
    if (w > 0 && h > 0)
        SetVirtualSize(w, h);
    Invalidate();
}

void LSuiteProductPane::OnSize()
{
    // The rows wrap to the visible width: a new width lays them out anew.
    int visible = 0;
    GetVisibleSize(&visible, nullptr);
    if (visible != laidOutWidth_) {
        laidOutWidth_ = visible;
        Relayout();
    }
}

void LSuiteProductPane::ScrollToTop()
{
    // Shrinking the content to what shows brings the scroller back to the
    // top; Relayout then gives it its height again.
    SetVirtualSize(0, 0);
}

LSuiteProductEntry* LSuiteProductPane::HitRow(int x, int y)
{
    (void)x;
    for (const auto& entry : entries_)
        if (!IsHidden(*entry) && y > entry->row.top && y < entry->row.bottom)
            return entry.get();
    return nullptr;
}

bool LSuiteProductPane::OnButton(const LSuiteProductEntry& entry, int x, int y)
{
    return x > entry.button.left && x < entry.button.right && y > entry.button.top && y < entry.button.bottom;
}

void LSuiteProductPane::ClearMarking()
{
    if (tooltipShown_)
        LSetViewToolTip(GetView(), "");
    tooltipShown_ = false;
    markingActive_ = false;
    marked_ = nullptr;
}

void LSuiteProductPane::OnMouseMove(int x, int y)
{
    for (const auto& entry : entries_)
        entry->hot = false;
    LSuiteProductEntry* hit = HitRow(x, y);
    if (hit == nullptr) {
        if (markingActive_) {
            ClearMarking();
            LSetViewCursor(GetView(), kArrowCursor);
        }
        for (const auto& entry : entries_)
            entry->pressed = false;
        Relayout();
        return;
    }
    LSetViewCursor(GetView(), kHandCursor);
    const bool onButton = OnButton(*hit, x, y);
    // Moving between the button and the rest of the row changes what a
    // click does, so the marking (and its tooltip) is made again.
    if (marked_ != hit || onButton != hotBefore_)
        ClearMarking();
    hit->hot = onButton;
    hotBefore_ = onButton;
    if (!markingActive_) {
        marked_ = hit;
        markingActive_ = true;
        if (onButton)
            SetToolTip(GetView(), hit->installed ? "Click to run %s" : "Click to install and run %s", hit->info);
        else
            SetToolTip(GetView(), "Click to visit the webpage for %s", hit->info);
    }
    Relayout();
}

void LSuiteProductPane::OnLButtonDown(int x, int y)
{
    for (const auto& entry : entries_)
        entry->pressed = false;
    for (const auto& owned : entries_) {
        LSuiteProductEntry& entry = *owned;
        if (IsHidden(entry) || y < entry.row.top || y > entry.row.bottom)
            continue;
        if (OnButton(entry, x, y)) {
            entry.pressed = true;
            Relayout();
        } else {
            // The title and description open the page at once.
            SendCommand(kSuiteOpenWebPage, reinterpret_cast<long>(entry.info), 0);
        }
        return;
    }
}

void LSuiteProductPane::OnLButtonUp(int x, int y)
{
    LSuiteProductEntry* released = nullptr;
    for (const auto& entry : entries_) {
        if (entry->pressed && OnButton(*entry, x, y))
            released = entry.get();
        entry->pressed = false;
    }
    Relayout();
    if (released != nullptr)
        SendCommand(kSuiteRunItem, reinterpret_cast<long>(released), 0);
}

void LSuiteProductPane::OnRButtonDown(int x, int y)
{
    LSuiteProductEntry* hit = HitRow(x, y);
    if (hit != nullptr && OnButton(*hit, x, y)) {
        marked_ = hit;
        markingActive_ = true;
        LSuiteShowLaunchMenu(owner);
    }
}

void LSuiteProductPane::OnRButtonUp(int x, int y)
{
    (void)x, (void)y;
    Relayout();
}

void LSuiteProductPane::OnMouseLeave()
{
    if (markingActive_) {
        ClearMarking();
        LSetViewCursor(GetView(), kArrowCursor);
    }
    for (const auto& entry : entries_)
        entry->pressed = entry->hot = false;
    hotBefore_ = false;
    Relayout();
}

// ---- The featured-tasks pane ----

void LSuiteProductButton::AttachPane(LWindow* window, int id)
{
    Attach(window, id);
    BindFonts(window, GetView());
}

void LSuiteProductButton::Paint(LPaintContext* context)
{
    context->FillRect({0, 0, width, height}, kWhite);
    LGuiPen pen;
    pen.colour = border_;
    context->FrameRect({0, 0, width, height}, pen);
    int headingW = 0, headingH = 0;
    LPaintContext::MeasureText(context, "Featured Tasks", width, &headingW, &headingH);
    LPaintContext::DrawText(context, "Featured Tasks", 10, 2, width - 12, headingH + 2, 0, 0, 0, 0);
    const double scale = ScaleFactor();
    const int bulletSize = static_cast<int>(9 * scale + 0.5);
    int y = 2 + headingH + static_cast<int>(6 * scale);
    for (const auto& product : entries_) {
        if (IsHidden(*product))
            continue;
        for (const auto& owned : product->tasks) {
            LSuiteTaskEntry& task = *owned;
            const bool marked = &task == marked_;
            const char* text = task.task != nullptr ? task.task->task : task.info->title;
            const int textX = static_cast<int>(30 * scale);
            if (bullet_.image.HasImage())
                context->DrawImage(bullet_.image, {static_cast<int>(18 * scale), y + static_cast<int>(2 * scale), bulletSize, bulletSize}, {});
            context->SetFont(marked ? smallUnderlinedFont_ : smallFont_);
            context->SetTextColour(marked ? kMarkedLinkColour : kLinkColour);
            int textW = 0, textH = 0;
            LPaintContext::MeasureText(context, text, 0, &textW, &textH);
            LPaintContext::DrawText(context, text, textX, y, textW + 2, textH + 2, 0, 0, 0, 0);
            context->SetFont(smallUnderlinedFont_);
            context->SetTextColour(kMarkedLinkColour);
            int openW = 0, openH = 0;
            LPaintContext::MeasureText(context, "Open App", 0, &openW, &openH);
            const int openX = textX + textW + static_cast<int>(20 * scale);
            LPaintContext::DrawText(context, "Open App", openX, y, openW + 2, openH + 2, 0, 0, 0, 0);
            task.row = {y, y + textH, textX, width};
            y += textH + static_cast<int>(6 * scale);
        }
    }
}

LSuiteTaskEntry* LSuiteProductButton::HitTask(int x, int y, bool strictly)
{
    for (const auto& product : entries_) {
        if (IsHidden(*product))
            continue;
        for (const auto& task : product->tasks) {
            const LSuiteRowRect& r = task->row;
            if (strictly ? (x > r.left && x < r.right && y > r.top && y < r.bottom) : (y >= r.top && y <= r.bottom))
                return task.get();
        }
    }
    return nullptr;
}

void LSuiteProductButton::OnMouseMove(int x, int y)
{
    LSuiteTaskEntry* hit = HitTask(x, y, true);
    if (hit == nullptr) {
        if (tooltipShown_)
            LSetViewToolTip(GetView(), "");
        tooltipShown_ = false;
        markingActive_ = false;
        LSetViewCursor(GetView(), kArrowCursor);
        if (marked_ != nullptr) {
            marked_ = nullptr;
            Invalidate();
        }
        return;
    }
    LSetViewCursor(GetView(), kHandCursor);
    markingActive_ = true;
    if (hit != marked_) {
        marked_ = hit;
        SetToolTip(GetView(), "Click to run %s", hit->info);
        Invalidate();
    }
}

void LSuiteProductButton::OnMouseLeave()
{
    markingActive_ = false;
    if (marked_ != nullptr) {
        marked_ = nullptr;
        Invalidate();
    }
}

void LSuiteProductButton::OnLButtonDown(int x, int y)
{
    LSuiteTaskEntry* hit = HitTask(x, y, false);
    if (hit != nullptr && markingActive_)
        SendCommand(kSuiteRunItem, reinterpret_cast<long>(hit), 1);
}

void LSuiteProductButton::OnRButtonDown(int x, int y)
{
    LSuiteTaskEntry* hit = HitTask(x, y, true);
    if (hit != nullptr) {
        marked_ = hit;
        LSuiteShowLaunchMenu(owner);
    }
}
