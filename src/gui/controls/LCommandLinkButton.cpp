#include "gui/controls/LCommandLinkButton.h"

#include "foundation/platform/LMenuText.h"
#include "gui/framework/LWindow.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

// Round to nearest the way the layout rules do: truncate(x + 0.5).
int R(float x)
{
    return static_cast<int>(x + 0.5f);
}

int Up(float x)
{
    return static_cast<int>(std::ceil(x));
}

// The arrow before the title when the resource picture is missing: a green
// disc with a white arrow pointing right.
void DrawFallbackIcon(LGuiImage& icon)
{
    LBitmap descriptor;
    descriptor.format = LPixelFormatBGRA32;
    descriptor.width = 32;
    descriptor.height = 32;
    LBitmapInitLayout(descriptor);
    LBitmap bitmap;
    LBitmapAllocate(bitmap, descriptor);
    if (!LBitmapIsValid(bitmap))
        return;
    {
        LBitmapPaintContext paint(&bitmap);
        paint->ClearRect({0, 0, 32, 32});
        paint->FillRoundedRect({1, 1, 30, 30}, 15, LRGBColor::FromRGB8(46, 139, 87));
        LGuiPen pen;
        pen.colour = LRGBColor::FromRGB8(255, 255, 255);
        pen.width = 4;
        paint->DrawLine(pen, 8, 16, 23, 16);
        pen.width = 3;
        paint->DrawLine(pen, 15, 9, 23, 17);
        paint->DrawLine(pen, 15, 23, 23, 15);
    }
    icon.CreateFromBitmap(&bitmap, false);
}

} // namespace

LCommandLinkButton::LCommandLinkButton()
{
    if (!icon_.Load(311))
        DrawFallbackIcon(icon_.image);
}

LCommandLinkButton::~LCommandLinkButton()
{
    icon_.Release();
    Destroy();
}

LCommandLinkButton* LCommandLinkButton::Create(LWindow* window, int id, const char* title, const char* note)
{
    if (window == nullptr || window->GetView() == nullptr)
        return nullptr;
    auto button = std::make_unique<LCommandLinkButton>();
    if (LAddCommandLinkButtonView(window, id, button.get()) == nullptr)
        return nullptr;
    LCommandLinkButton* created = button.release(); // the view owns it now
    created->Setup(window, id, title, note);
    return created;
}

void LCommandLinkButton::Setup(LWindow* window, int id, const char* title, const char* note)
{
    if (window == nullptr || !window->HasControl(id))
        return;
    id_ = id;
    LStripMnemonics(title_, title);
    LStripMnemonics(note_, note);
    Attach(window, id);
}

float LCommandLinkButton::U() const
{
    return owner ? owner->CharWidthPx() : 8.0f;
}

float LCommandLinkButton::V() const
{
    return owner ? owner->CharHeightPx() : 17.0f;
}

int LCommandLinkButton::DialogUnitsToPixels(float n) const
{
    return R(n * U());
}

void LCommandLinkButton::SelectFont(LPaintContext* ctx, bool large)
{
    LGuiFont font; // the control's own: the system face at its size
    font.size *= large ? 1.25f : 0.85f;
    ctx->secondFont = ctx->GetFont();
    ctx->SetFont(font);
}

void LCommandLinkButton::PreferredSizeOn(LPaintContext* ctx, float u, float v, const char* title, const char* note,
                                         int* width, int* height)
{
    const int p = R(0.25f * u);
    const LGuiFont saved = ctx->GetFont();
    float w = 0, h = 0;
    SelectFont(ctx, true);
    LPaintContext::MeasureTextF(ctx, title, 0, &w, nullptr);
    const int tw = Up(w);
    LPaintContext::MeasureTextF(ctx, title, tw, nullptr, &h);
    const int th = Up(h);
    ctx->SetFont(saved);
    SelectFont(ctx, false);
    LPaintContext::MeasureTextF(ctx, note, 0, &w, nullptr);
    const int nw = std::min(R(1.5f * u) + Up(w), R(62 * u));
    LPaintContext::MeasureTextF(ctx, note, nw, nullptr, &h);
    const int nh = Up(h);
    ctx->SetFont(saved);
    if (width)
        *width = std::max(nw, tw) + 2 * (R(1.25f * u) + R(2 * u) + p);
    if (height)
        *height = 3 * R(0.59f * v) + nh + th + 2 * p;
}

void LCommandLinkButton::GetPreferredSize(int* width, int* height)
{
    if (width)
        *width = 0;
    if (height)
        *height = 0;
    if (view == nullptr || owner == nullptr)
        return;
    std::unique_ptr<LPaintContext> ctx(LNewMeasureContext(view));
    PreferredSizeOn(ctx.get(), U(), V(), title_, note_, width, height);
}

void LCommandLinkButton::OnMouseEnter()
{
    hover_ = true;
    Invalidate();
}

void LCommandLinkButton::OnMouseLeave()
{
    hover_ = false;
    pressed_ = false;
    Invalidate();
}

void LCommandLinkButton::OnLButtonDown(int, int)
{
    pressed_ = true;
    Invalidate();
}

void LCommandLinkButton::OnLButtonUp(int x, int y)
{
    // A release outside (the pointer was dragged off while held) is no click,
    // even when the toolkit reports the leave only after the release.
    const bool inside = x >= 0 && y >= 0 && x < width && y < height;
    if (pressed_ && inside && owner && view)
        owner->PostCommand(id_, 0);
    pressed_ = false;
    Invalidate();
}

void LCommandLinkButton::Paint(LPaintContext* ctx)
{
    if (owner == nullptr || view == nullptr)
        return;
    const float u = U(), v = V();
    const int w = width, h = height;
    const int p = R(0.25f * u);
    if (hover_)
        ctx->FillRect({p, p, w - 2 * p, h - 2 * p},
                      pressed_ ? LRGBColor::FromRGB8(200, 200, 200) : LRGBColor::FromRGB8(225, 225, 225));
    LGuiPen pen;
    pen.colour = LGetCommandLinkColour(hover_ || pressed_ ? 1 : 0);
    const double right = w - 1.5, bottom = h - 1.5;
    ctx->StrokeRoundedRect(0.5, 0.5, right - 0.5, bottom - 0.5, p, pen);

    pen.colour = LGetCommandLinkColour(2);
    const LGuiFont saved = ctx->GetFont();
    SelectFont(ctx, true);
    int tw = 0, th = 0;
    LPaintContext::MeasureText(ctx, title_, 0, &tw, nullptr);
    LPaintContext::MeasureText(ctx, title_, tw, nullptr, &th);
    const int ix = p + R(1.25f * u);
    const int ty = p + R(0.59f * v);
    const int s = R(2 * u);
    const int tx = ix + R(1.25f * u) + R(2 * u);
    const int iy = ty + (th - s) / 2;
    ctx->DrawImage(icon_.image, {ix, iy, s, s}, {}, 1.0f);
    ctx->SetTextColour(pen.colour);
    LPaintContext::DrawTextF(ctx, title_, 0, 0, 0, 0, false, static_cast<float>(tx), static_cast<float>(ty),
                             2147483648.0f, 2147483648.0f);
    ctx->SetFont(saved);
    const int ny = ty + th;
    if ((hover_ || pressed_) && tw > 1)
        ctx->DrawLine(pen, tx, ny, tx + tw - 1, ny);

    SelectFont(ctx, false);
    int nw = 0, nh = 0;
    LPaintContext::MeasureText(ctx, note_, 0, &nw, nullptr);
    nw = std::min(R(1.5f * u) + nw, R(62 * u));
    LPaintContext::MeasureText(ctx, note_, nw, nullptr, &nh);
    LPaintContext::DrawTextF(ctx, note_, 0, 0, 1, 0, false, static_cast<float>(tx + R(1.5f * u)),
                             static_cast<float>(ny + R(0.59f * v)), static_cast<float>(nw),
                             static_cast<float>(nh));
    ctx->SetFont(saved);
}

LCommandLinkButton* LCreateCommandLinkButton(LWindow* window, int id, const char* title, const char* note)
{
    return LCommandLinkButton::Create(window, id, title, note);
}

void LGetCommandLinkButtonSize(LWindow* window, int id, int* width, int* height)
{
    if (width)
        *width = 0;
    if (height)
        *height = 0;
    if (window == nullptr)
        return;
    if (LCommandLinkButton* button = LCommandLinkButtonOfView(window->GetControl(id)))
        button->GetPreferredSize(width, height);
}
