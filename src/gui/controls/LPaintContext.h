#pragma once
// The drawing surface custom-drawn controls paint on. Everything is in device
// pixels with the origin at the top left; the toolkit side (gui/qt/) supplies
// the implementation, so controls stay free of toolkit types.

#include "gui/framework/LView.h"
#include "gui/graphics/LBitmap.h"

#include <cstdint>
#include <memory>
#include <string>

// 16-bit components whose high byte is the 8-bit colour.
struct LRGBColor
{
    uint16_t red = 0;
    uint16_t green = 0;
    uint16_t blue = 0;

    static constexpr LRGBColor FromRGB8(int r, int g, int b)
    {
        return {static_cast<uint16_t>((r & 255) * 257), static_cast<uint16_t>((g & 255) * 257),
                static_cast<uint16_t>((b & 255) * 257)};
    }
    constexpr int Red8() const { return red >> 8; }
    constexpr int Green8() const { return green >> 8; }
    constexpr int Blue8() const { return blue >> 8; }
    constexpr bool operator==(const LRGBColor&) const = default;
};

struct LGuiPen
{
    bool dashed = false; // 3 pixels on, 2 off
    LRGBColor colour;
    int width = 1;
};

struct LPaintRect
{
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    constexpr bool operator==(const LPaintRect&) const = default;
};

// A font by description; the toolkit resolves it when it draws or measures.
// size is in points and becomes size x scale pixels on the surface.
struct LGuiFont
{
    // A control's font with overrides, each 0 (as the control), 1 (off) or
    // 2 (on). Without a control the system font stands in. The size is the
    // control's (or the system size) times scale; a null or empty face gives
    // the system face.
    static void CreateDerived(LGuiFont* out, LViewHandle control, const char* face, int bold, int italic,
                              int underline, int strikeout, float scale);
    // The system face at the system size plus sizeDelta pixels of the view's
    // screen (the view may be null).
    static void CreateSystem(LGuiFont* out, LViewHandle view, int sizeDelta, bool bold, bool underline);
    // The font a control shows (the system font for none).
    static LGuiFont FromControl(LViewHandle control);
    // The system font size in points.
    static float SystemFontSize();

    std::string family; // empty: the system face
    float size = 13;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    bool systemFace() const { return family.empty(); }
};

// A picture held as a format-0 bitmap; the toolkit keeps its own copy
// beside it, made on first draw and dropped when the picture changes.
class LGuiImage
{
public:
    LGuiImage() = default;
    LGuiImage(const LGuiImage&) = delete;
    LGuiImage& operator=(const LGuiImage&) = delete;

    // Copies a bitmap of format 0; false (and no picture) for any other.
    bool CreateFromBitmap(const LBitmap* bitmap, bool opaque);
    // tiff, icns, then png/NAME.png under the resources folder.
    bool LoadResource(const char* name);
    bool LoadFile(const char* path);
    void Release();
    bool HasImage() const { return LBitmapIsValid(bitmap_); }
    // The cached size when both values are >= 1, else the picture's own.
    bool GetSize(int* w, int* h) const;
    void SetSize(int w, int h)
    {
        width_ = w;
        height_ = h;
    }
    const LBitmap& Bitmap() const { return bitmap_; }
    bool Opaque() const { return opaque_; }

    // Toolkit copy (opaque to this layer).
    std::shared_ptr<void>& NativeCache() const { return native_; }

private:
    LBitmap bitmap_;
    bool opaque_ = false;
    int width_ = 0;
    int height_ = 0;
    mutable std::shared_ptr<void> native_;
};

// Where the resource pictures live ("resources" beside the program, or
// QUORIN_RESOURCES); tests may point it elsewhere.
std::string LGetGuiResourcesFolder();
void LSetGuiResourcesFolder(const std::string& folder);

// Horizontal: 0 left, 1 centre, 2 right. Vertical: 0 top, 1 centre, 2 bottom.
// Truncation: 0 none (clipped), 1 middle, 2 tail ("..." in place of the cut).
struct LTextFormat
{
    int hAlign = 0;
    int vAlign = 0;
    bool wrap = false;
    int truncation = 0;
};

class LPaintContext
{
public:
    virtual ~LPaintContext() = default;

    // The rectangle being painted, in control pixels.
    LPaintRect area;

    // False when the context has no drawing target (it then draws nothing).
    virtual bool IsValid() const = 0;
    // Pixels per point of the surface (1 for bitmaps).
    virtual double Scale() const = 0;

    virtual void SetAlpha(float alpha) = 0;
    virtual void FillRect(const LPaintRect& r, LRGBColor colour, int alpha = 255) = 0;
    // Two-colour linear gradient from (x0, y0) to (x1, y1) over the rectangle.
    virtual void GradientFillRect(const LPaintRect& r, LRGBColor from, LRGBColor to, int x0, int y0, int x1,
                                  int y1) = 0;
    // Makes the rectangle fully transparent.
    virtual void ClearRect(const LPaintRect& r) = 0;
    // Pixel lines: coordinates are pixel centres and the end pixel is not drawn.
    virtual void DrawLine(const LGuiPen& pen, int x0, int y0, int x1, int y1) = 0;
    virtual void FrameRect(const LPaintRect& r, const LGuiPen& pen) = 0;
    virtual void FillRoundedRect(const LPaintRect& r, int radius, LRGBColor colour) = 0;
    // A source of zero size means the whole picture.
    virtual void DrawImage(const LGuiImage& image, const LPaintRect& dst, const LPaintRect& src,
                           float alpha = 1.0f) = 0;

    // Text: the font is the context's until changed; every call lays out
    // with its own format, nothing carries over between calls.
    virtual void SetFont(const LGuiFont& font) = 0;
    virtual const LGuiFont& GetFont() const = 0;
    virtual void SetTextColour(LRGBColor colour) = 0;
    virtual void DrawText(const char* utf8, const LPaintRect& box, const LTextFormat& format) = 0;
    // Width and height of the text on one line in pixels.
    virtual void MeasureText(const char* utf8, int* w, int* h) = 0;
    // The text as DrawText would show it in width pixels with the truncation.
    virtual std::string TruncateText(const char* utf8, int width, int truncation) = 0;

    // Clipping and state.
    virtual void ClipRoundedRect(const LPaintRect& r, int radius) = 0;
    virtual void ClipRect(const LPaintRect& r) = 0;
    virtual void Save() = 0;
    virtual void Restore() = 0;
    virtual void Translate(double dx, double dy) = 0;
};

// A paint context over a format-0 bitmap: rows as stored, row r is row r.
// Other formats give a context that draws nothing and leaves the pixels alone.
LPaintContext* LBitmapPaintBegin(LBitmap* bitmap);
void LBitmapPaintEnd(LPaintContext* context);

class LBitmapPaintContext
{
public:
    explicit LBitmapPaintContext(LBitmap* bitmap) : context_(LBitmapPaintBegin(bitmap)) {}
    ~LBitmapPaintContext() { LBitmapPaintEnd(context_); }
    LBitmapPaintContext(const LBitmapPaintContext&) = delete;
    LBitmapPaintContext& operator=(const LBitmapPaintContext&) = delete;
    LPaintContext* operator->() const { return context_; }
    LPaintContext* Get() const { return context_; }

private:
    LPaintContext* context_;
};
