#include "gui/controls/LLevelMeter.h"

#include <algorithm>

LLevelMeter::LLevelMeter() = default;

LLevelMeter::~LLevelMeter()
{
    Destroy();
}

void LLevelMeter::Attach(LWindow* window, int id)
{
    LPaintControl::Attach(window, id);
    SetOpaque(false);
}

int LLevelMeter::Position(int dB, int L)
{
    const int clamped = std::clamp(dB - kMinDb, 0, kMaxDb - kMinDb);
    return static_cast<int>(static_cast<double>(clamped) / (kMaxDb - kMinDb) * L);
}

LRGBColor LLevelMeter::ColumnColour(int c, int L)
{
    const int T = Position(kRedDb, L);
    const int half = T / 2;
    if (c > T)
        return LRGBColor::FromRGB8(255, 20, 37);
    if (c == T)
        return LRGBColor::FromRGB8(0, 0, 0);
    // With a bar too short for a ramp, the start colour stands for it.
    if (half == 0)
        return LRGBColor::FromRGB8(7, 103, 0);
    if (c <= half) {
        const double t = static_cast<double>(c) / half;
        return LRGBColor::FromRGB8(static_cast<int>(7 + 227 * t), static_cast<int>(103 + 152 * t), 0);
    }
    const double t = static_cast<double>(c - half) / half;
    return LRGBColor::FromRGB8(static_cast<int>(234 + 6 * t), static_cast<int>(255 - 135 * t), 0);
}

void LLevelMeter::Rebuild()
{
    const int L = width, H = height;
    positions_.assign(61, 0);
    for (int k = 0; k < 60; ++k)
        positions_[k] = Position(kMinDb + k, L);
    positions_[60] = L - 1;
    barImage_.Release();
    if (L > 0 && H > 0) {
        LBitmap descriptor;
        descriptor.format = LPixelFormatBGRA32;
        descriptor.width = L;
        descriptor.height = H;
        LBitmapInitLayout(descriptor);
        LBitmap bar;
        LBitmapAllocate(bar, descriptor);
        if (LBitmapIsValid(bar)) {
            {
                LBitmapPaintContext paint(&bar);
                LGuiPen pen;
                for (int c = 0; c < L; ++c) {
                    pen.colour = ColumnColour(c, L);
                    paint->DrawLine(pen, c, 0, c, H);
                }
            }
            barImage_.CreateFromBitmap(&bar, true);
        }
    }
    builtLength_ = L;
    builtHeight_ = H;
    needsRebuild_ = false;
}

void LLevelMeter::Paint(LPaintContext* context)
{
    if (needsRebuild_ || builtLength_ != width || builtHeight_ != height)
        Rebuild();
    const int L = width, H = height;
    context->ClearRect(context->area);
    const bool enabled = IsEnabled();
    context->FillRect({0, 0, L, H},
                      enabled ? LRGBColor::FromRGB8(0, 0, 0) : LRGBColor::FromRGB8(128, 128, 128));
    if (!enabled || channelCount_ <= 0)
        return;
    const int gap = channelCount_ < 3 ? 1 : 0;
    int room = channelCount_ < 3 ? H - channelCount_ - 1 : H - 2;
    // Too low for a pixel row per channel and its gaps: no bars at all.
    if (room < channelCount_)
        return;
    int y = 0;
    for (int i = 0; i < channelCount_; ++i) {
        const int left = channelCount_ - i;
        const int h = room / left;
        room -= h;
        const int v = std::min(levels_[i], kMaxDb);
        const int index = std::clamp(v - kMinDb, 0, 60);
        const int len = positions_[index];
        if (len > 0 && h > 0)
            context->DrawImage(barImage_, {0, y, len, h}, {0, 0, len, h});
        y += h + gap;
    }
}

void LLevelMeter::SetLevels(const LSoundLevelRecord* record)
{
    if (record == nullptr)
        return;
    const int count = record->count;
    if (count == channelCount_ &&
        std::equal(levels_, levels_ + count, record->levels, [](int a, int8_t b) { return a == b; }))
        return;
    auto extremes = [](const auto* values, int n, int* lo, int* hi) {
        *lo = *hi = -79;
        if (n > 0) {
            *lo = *std::min_element(values, values + n);
            *hi = *std::max_element(values, values + n);
        }
    };
    int minOld, maxOld, minNew, maxNew;
    extremes(levels_, channelCount_, &minOld, &maxOld);
    extremes(record->levels, count, &minNew, &maxNew);
    const int hi = std::max(Position(maxOld, width), Position(maxNew, width));
    const int lo = std::min(Position(minOld, width), Position(minNew, width));
    channelCount_ = count;
    for (int i = 0; i < count; ++i)
        levels_[i] = record->levels[i];
    if (channelCount_ != paintedChannelCount_) {
        paintedChannelCount_ = channelCount_;
        Invalidate();
    } else {
        InvalidateRect(lo, 0, hi - lo + 1, height);
    }
}

void LLevelMeter::Clear()
{
    for (int i = 0; i < channelCount_; ++i)
        levels_[i] = -127;
    Invalidate();
}
