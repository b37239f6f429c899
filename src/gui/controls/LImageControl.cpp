#include "gui/controls/LImageControl.h"

#include "foundation/text/LUtf8.h"

#include <cmath>
#include <cstdio>
#include <string>

LImageControl::~LImageControl()
{
    image_.Release();
    Destroy();
}

void LImageControl::SetImage(const LGuiImage* image)
{
    image_.Release();
    if (image != nullptr && image->HasImage()) {
        image_.CreateFromBitmap(&image->Bitmap(), image->Opaque());
        int w = 0, h = 0;
        image->GetSize(&w, &h);
        image_.SetSize(w, h);
        image_.SetVectorSource(image->VectorSource());
    }
    copyWidth_ = copyHeight_ = 0;
    Invalidate();
}

void LImageControl::SetAlternateDrawMode()
{
    alternateMode_ = true;
    Invalidate();
}

void LImageControl::Paint(LPaintContext* context)
{
    context->ClearRect(context->area);
    if (!image_.HasImage())
        return;
    int w = 0, h = 0;
    image_.GetSize(&w, &h);
    if (w == width && h == height) {
        context->DrawImage(image_, {0, 0, w, h}, {});
        return;
    }
    // The toolkit scales while drawing; the copy's size is what is remembered.
    if (copyWidth_ != width || copyHeight_ != height) {
        copyWidth_ = width;
        copyHeight_ = height;
        ++copies_;
    }
    context->DrawImage(image_, {0, 0, copyWidth_, copyHeight_}, {});
}

void LTimeDisplay::SetText(const char* value)
{
    LUtf8CopyWhole(text, value ? value : "", sizeof text);
    Invalidate();
}

void LTimeDisplay::SetSecond(const char* value)
{
    LUtf8CopyWhole(second, value ? value : "", sizeof second);
    Invalidate();
}

void LTimeDisplay::PaintContent(LPaintContext* context)
{
    if (rounded)
        cornerRadius = radius;
    const int W = width, H = height;
    context->GradientFillRect({0, 0, W, H}, top, bottom, 0, 0, 0, H);
    LGuiPen pen;
    pen.colour = frame;
    context->FrameRect({0, 0, W, H}, pen);
    const LGuiFont previous = context->GetFont();
    LGuiFont font;
    font.bold = true;
    font.size = 13 * 1.5f;
    context->SetFont(font);
    int tw = 0, th = 0;
    context->MeasureText(text, &tw, &th);
    const int x = static_cast<int>(std::floor((W - tw) / 2.0));
    const int y = (H - th) / 2;
    const LPaintRect box{x, y, 1 << 20, 1 << 20};
    context->DrawText(text, box, LTextFormat());
    if (second[0] != 0) {
        const std::string rest = std::string(" / ") + second;
        context->DrawText(rest.c_str(), {x + tw, y, 1 << 20, 1 << 20}, LTextFormat());
    }
    textX = x;
    textY = y;
    textWidth = tw;
    context->SetFont(previous);
}
