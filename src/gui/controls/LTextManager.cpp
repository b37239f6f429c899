#include "gui/controls/LTextManager.h"

#include <atomic>
#include <cmath>

namespace {

std::atomic<LTextManager*> gEngine{nullptr};

bool Empty(const char* text)
{
    return text == nullptr || *text == '\0';
}

} // namespace

LTextManager& LTextManager::Shared()
{
    LTextManager* engine = gEngine.load(std::memory_order_acquire);
    return engine ? *engine : LDefaultTextManager();
}

void LTextManager::SetShared(LTextManager* engine)
{
    std::lock_guard lock(Lock());
    gEngine.store(engine, std::memory_order_release);
}

std::recursive_mutex& LTextManager::Lock()
{
    static std::recursive_mutex lock;
    return lock;
}

void LPaintContext::MeasureTextF(LPaintContext* ctx, const char* text, int maxWidth, float* width, float* height)
{
    if (width)
        *width = 0;
    if (height)
        *height = 0;
    if (Empty(text))
        return;
    float w = 0, h = 0;
    {
        std::lock_guard lock(LTextManager::Lock());
        LTextManager::Shared().Measure(ctx, text, maxWidth < 0 ? 0 : maxWidth, &w, &h);
    }
    if (width)
        *width = w;
    if (height)
        *height = h;
}

void LPaintContext::MeasureText(LPaintContext* ctx, const char* text, int maxWidth, int* width, int* height)
{
    float w = 0, h = 0;
    MeasureTextF(ctx, text, maxWidth, &w, &h);
    if (width)
        *width = static_cast<int>(std::ceil(w));
    if (height)
        *height = static_cast<int>(std::ceil(h));
}

void LPaintContext::DrawTextF(LPaintContext* ctx, const char* text, int hAlign, int vAlign, int wrap,
                              int truncation, bool transparent, float x, float y, float w, float h)
{
    if (Empty(text) || !(w > 0) || !(h > 0))
        return;
    LDrawTextFormat format;
    format.hAlign = hAlign;
    format.vAlign = vAlign;
    format.wrap = wrap;
    format.truncation = truncation;
    std::lock_guard lock(LTextManager::Lock());
    LTextManager::Shared().Draw(ctx, text, format, transparent, x, y, w, h);
}

void LPaintContext::DrawText(LPaintContext* ctx, const char* text, int x, int y, int w, int h, int hAlign,
                             int vAlign, int wrap, int truncation)
{
    DrawTextF(ctx, text, hAlign, vAlign, wrap, truncation, false, static_cast<float>(x), static_cast<float>(y),
              static_cast<float>(w), static_cast<float>(h));
}

void LPaintContext::GradientFillRect(LPaintContext* ctx, const LGuiColorAlpha* from, const LGuiColorAlpha* to,
                                     bool vertical, int x, int y, int w, int h)
{
    if (ctx == nullptr || from == nullptr || to == nullptr || w <= 0 || h <= 0)
        return;
    ctx->GradientFill({x, y, w, h}, *from, *to, vertical);
}

void LPaintContext::FillRect(const LGuiBrush* brush, float x, float y, float w, float h)
{
    if (brush == nullptr || !(w > 0) || !(h > 0))
        return;
    switch (brush->kind) {
    case 0: {
        const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
        FillRect({x0, y0, static_cast<int>(std::ceil(x + w)) - x0, static_cast<int>(std::ceil(y + h)) - y0},
                 brush->colour.colour, brush->colour.alpha);
        break;
    }
    case 1:
    case 2:
        FillGradient(*brush, x, y, w, h);
        break;
    default: // patterns: nothing makes them, nothing is drawn
        break;
    }
}
