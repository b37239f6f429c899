#include "gui/controls/LRatingControl.h"

#include "gui/framework/LWindow.h"

#include <algorithm>
#include <cmath>

LRatingControl::~LRatingControl()
{
    filled_.Release();
    empty_.Release();
    hover_.Release();
    Destroy();
}

void LRatingControl::Create(LWindow* window, int id, int starCount)
{
    id_ = id;
    count_ = std::clamp(starCount, 0, 255);
    size_ = std::max(1, static_cast<int>(std::lround(window ? window->CharHeightPx() : 17.0f)));
    offset_ = size_ / 4;
    rating_ = 0;
    hoverRating_ = rating_;
    hovering_ = false;
    Attach(window, id);
    Invalidate();
}

void LRatingControl::SetRating(int rating)
{
    rating_ = std::clamp(rating, 0, count_);
    if (!hovering_)
        hoverRating_ = rating_;
    Invalidate();
}

int LRatingControl::StarAt(int x) const
{
    // Star i covers [(i - 1) x size, i x size); a point belongs to star i
    // from a quarter into it, so the first quarter of the row means none.
    if (x < offset_ || size_ <= 0)
        return 0;
    const int r = (x - offset_) / size_ + 1;
    return std::min(r, count_);
}

void LRatingControl::SetImages(const LGuiImage* filled, const LGuiImage* empty, const LGuiImage* hover)
{
    auto copy = [](LGuiImage& to, const LGuiImage* from) {
        to.Release();
        if (from != nullptr && from->HasImage())
            to.CreateFromBitmap(&from->Bitmap(), from->Opaque());
    };
    copy(filled_, filled);
    copy(empty_, empty);
    copy(hover_, hover);
    Invalidate();
}

namespace {

// Whether (x, y) lies inside the five-pointed star of outer radius R and
// inner radius r around (cx, cy), first point up (even-odd rule).
bool InsideStar(double x, double y, double cx, double cy, double R, double r)
{
    double px[10], py[10];
    for (int k = 0; k < 10; ++k) {
        const double a = -M_PI / 2 + k * M_PI / 5;
        const double radius = (k % 2 == 0) ? R : r;
        px[k] = cx + radius * std::cos(a);
        py[k] = cy + radius * std::sin(a);
    }
    bool inside = false;
    for (int i = 0, j = 9; i < 10; j = i++) {
        if ((py[i] > y) != (py[j] > y) && x < (px[j] - px[i]) * (y - py[i]) / (py[j] - py[i]) + px[i])
            inside = !inside;
    }
    return inside;
}

void MakeStar(int size, uint32_t fill, uint32_t edge, LGuiImage* out)
{
    if (out == nullptr)
        return;
    out->Release();
    LBitmap descriptor;
    descriptor.format = LPixelFormatBGRA32;
    descriptor.width = size;
    descriptor.height = size;
    LBitmapInitLayout(descriptor);
    LBitmap bitmap;
    LBitmapAllocate(bitmap, descriptor);
    if (!LBitmapIsValid(bitmap))
        return;
    const double c = size / 2.0;
    const double R = size * 0.47, r = R * 0.45;
    const double edgeWidth = std::max(1.0, size / 14.0);
    constexpr int kSub = 4;
    for (int y = 0; y < size; ++y) {
        uint8_t* row = bitmap.Row(y);
        for (int x = 0; x < size; ++x) {
            int outer = 0, inner = 0;
            for (int sy = 0; sy < kSub; ++sy)
                for (int sx = 0; sx < kSub; ++sx) {
                    const double fx = x + (sx + 0.5) / kSub, fy = y + (sy + 0.5) / kSub;
                    if (InsideStar(fx, fy, c, c, R, r)) {
                        ++outer;
                        if (InsideStar(fx, fy, c, c + edgeWidth * 0.15, R - edgeWidth * 1.6,
                                       r - edgeWidth * 0.7))
                            ++inner;
                    }
                }
            // Outline colour where only the outer star covers, fill inside.
            const double a = outer / double(kSub * kSub);
            const double fin = outer ? inner / double(outer) : 0;
            uint8_t* p = row + x * 4;
            for (int ch = 0; ch < 3; ++ch) {
                const double f = (fill >> (8 * ch)) & 0xff, e = (edge >> (8 * ch)) & 0xff;
                p[ch] = static_cast<uint8_t>(std::lround(f * fin + e * (1 - fin)));
            }
            const double fillAlpha = ((fill >> 24) & 0xff) / 255.0;
            p[3] = static_cast<uint8_t>(std::lround(255 * a * (fin * fillAlpha + (1 - fin))));
        }
    }
    out->CreateFromBitmap(&bitmap, false);
}

} // namespace

void LRatingControl::MakeStarImages(int size, LGuiImage* filled, LGuiImage* empty, LGuiImage* hover)
{
    size = std::max(1, size);
    MakeStar(size, 0xfff2b01e, 0xffa86f00, filled);
    MakeStar(size, 0x00ffffff, 0xff9a9a9a, empty);
    MakeStar(size, 0xfff9d77a, 0xffc89a3a, hover);
}

void LRatingControl::Changed()
{
    Invalidate();
    if (owner != nullptr && view != nullptr)
        owner->SendCommand(id_, 0);
    Invalidate();
}

void LRatingControl::OnMouseEnter()
{
    hovering_ = true;
    Invalidate();
}

void LRatingControl::OnMouseLeave()
{
    hovering_ = false;
    Invalidate();
}

void LRatingControl::OnMouseMove(int x, int)
{
    const int r = StarAt(x);
    if (r != hoverRating_) {
        hoverRating_ = r;
        Invalidate();
    }
}

void LRatingControl::OnLButtonDown(int x, int)
{
    SetCapture();
    rating_ = StarAt(x);
    hoverRating_ = rating_;
    Changed();
}

void LRatingControl::OnLButtonUp(int x, int)
{
    if (HasCapture())
        LReleaseMouseCapture();
    rating_ = StarAt(x);
    hoverRating_ = rating_;
    Changed();
}

void LRatingControl::Paint(LPaintContext* context)
{
    if (view == nullptr)
        return;
    context->ClearRect(context->area);
    const bool preview = hovering_ || HasCapture();
    const int shown = preview ? hoverRating_ : rating_;
    const LGuiImage& lit = (preview && hover_.HasImage()) ? hover_ : filled_;
    for (int i = 1; i <= count_; ++i) {
        const LGuiImage& image = i <= shown ? lit : empty_;
        if (image.HasImage())
            context->DrawImage(image, {(i - 1) * size_, 0, size_, size_}, {});
    }
}
