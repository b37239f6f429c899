#pragma once
// The drawing surface custom-drawn controls paint on. Everything is in device
// pixels with the origin at the top left; the toolkit side (gui/qt/) supplies
// the implementation, so controls stay free of toolkit types.

#include "gui/framework/LView.h"
#include "gui/framework/LRGBColor.h"
#include "gui/graphics/LBitmap.h"

#include <cstdint>
#include <memory>
#include <string>

// A colour with its opacity (255 opaque).
struct LGuiColorAlpha
{
    LRGBColor colour;
    uint8_t alpha = 255;
    constexpr bool operator==(const LGuiColorAlpha&) const = default;
};

// A fill: kind 0 solid (colour); 1 axial gradient from start to end; 2
// elliptic radial gradient around the centre with radii (stop 0 at the
// edge, the last stop at the centre); 3 pattern (drawn as nothing: nothing
// makes pattern brushes). Gradients extend beyond their ends.
struct LGuiBrush
{
    static constexpr int kMaxStops = 20;
    int kind = 0;
    LGuiColorAlpha colour;
    float startX = 0, startY = 0, endX = 0, endY = 0;         // kind 1
    float centreX = 0, centreY = 0, radiusX = 0, radiusY = 0; // kind 2
    LGuiColorAlpha stops[kMaxStops];
    float positions[kMaxStops] = {};
    uint64_t stopCount = 0;

    static LGuiBrush Solid(LGuiColorAlpha colour)
    {
        LGuiBrush brush;
        brush.colour = colour;
        return brush;
    }
    // Appends a stop; false when all 20 are used.
    bool AddStop(LGuiColorAlpha stop, float position)
    {
        if (stopCount >= kMaxStops)
            return false;
        stops[stopCount] = stop;
        positions[stopCount] = position;
        ++stopCount;
        return true;
    }
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
    std::string family; // empty: the system face
    float size = 13;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    int weight = 0; // 100 (thin) .. 900 (black); 0: as bold says
    bool systemFace() const { return family.empty(); }

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
    // A weight as the -1 .. 1 trait of font descriptors: 500 is 0, 900 is 1.
    static float WeightTrait(int weight) { return 2.0f * static_cast<float>(weight - 100) / 800.0f - 1.0f; }
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
    // tiff, icns, then png/NAME.png under the resources folder: the first
    // file that exists is loaded; our own drawing svg/NAME.svg when none does.
    bool LoadResource(const char* name);
    // cur, tiff, png, then jpg (TYPE/NAME.TYPE), then svg, the same way.
    bool LoadResourceOfType(const char* name);
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
    // The drawing the picture was made from, when it came from one (an SVG
    // file): the toolkit draws that afresh at the size shown, so the picture
    // stays sharp at every scale.
    const std::string& VectorSource() const { return vector_; }
    void SetVectorSource(const std::string& path) { vector_ = path; }

    // Toolkit copy (opaque to this layer).
    std::shared_ptr<void>& NativeCache() const { return native_; }

private:
    LBitmap bitmap_;
    bool opaque_ = false;
    int width_ = 0;
    int height_ = 0;
    std::string vector_;
    mutable std::shared_ptr<void> native_;
};

// A picture loaded by its resource number ("%d"); size is its width.
class LGuiIcon
{
public:
    LGuiIcon() = default;
    explicit LGuiIcon(int id) { Load(id); }
    bool Load(int id);
    void Release()
    {
        image.Release();
        size = 0;
    }
    LGuiImage image;
    int size = 0;
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

struct LDrawTextFormat;

// The affine map from the coordinates drawing calls use to device pixels:
// x' = a x + c y + tx, y' = b x + d y + ty.
struct LPaintTransform
{
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
    constexpr bool operator==(const LPaintTransform&) const = default;
};

class LPaintContext
{
public:
    virtual ~LPaintContext() = default;

    // The rectangle being painted, in control pixels.
    LPaintRect area;

    // Text outline (drawn by the shared text engine when outline is on): a
    // stroke of outlineWidth pixels in outlineColour around every glyph.
    LGuiColorAlpha outlineColour;
    float outlineWidth = 1.5f;
    bool outline = false;
    // The font kept aside while another one is current.
    LGuiFont secondFont;

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
    virtual LRGBColor GetTextColour() const { return {}; }
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
    // The current map to device pixels; Save and Restore keep it too.
    virtual LPaintTransform GetTransform() const = 0;
    virtual void SetTransform(const LPaintTransform& transform) = 0;
    // Scales the drawing coordinates about their origin.
    virtual void ScaleBy(double sx, double sy) = 0;

    // A 1-pixel-wide (pen width) rounded outline through the given
    // coordinates (pixel centres are at .5), antialiased.
    virtual void StrokeRoundedRect(double x, double y, double w, double h, double radius, const LGuiPen& pen)
    {
        (void)x, (void)y, (void)w, (void)h, (void)radius, (void)pen;
    }
    // Two colours with their opacity, top to bottom (vertical) or left to
    // right, not extended beyond the rectangle, without antialiasing.
    virtual void GradientFill(const LPaintRect& r, const LGuiColorAlpha& from, const LGuiColorAlpha& to,
                              bool vertical)
    {
        GradientFillRect(r, from.colour, to.colour, r.x, r.y, vertical ? r.x : r.x + r.w,
                         vertical ? r.y + r.h : r.y);
    }

    // Fills with a brush: solid, or a gradient clipped to the rectangle.
    void FillRect(const LGuiBrush* brush, float x, float y, float w, float h);
    // A gradient brush over the rectangle (clipped to it); the toolkit's.
    virtual void FillGradient(const LGuiBrush& brush, float x, float y, float w, float h)
    {
        (void)brush, (void)x, (void)y, (void)w, (void)h;
    }
    // The painted view's size in pixels (the area without a view).
    virtual void GetPixelSize(int* w, int* h) const
    {
        if (w)
            *w = area.w;
        if (h)
            *h = area.h;
    }

    // ---- Entry points on any context (LTextManager.cpp) ----
    // The text engine is shared by all contexts and used by one caller at a
    // time. Widths and heights are pixels; maxWidth 0 means no wrapping limit.
    // An absent or empty text measures 0 x 0.
    static void MeasureTextF(LPaintContext* ctx, const char* text, int maxWidth, float* width, float* height);
    // The same, each value rounded up.
    static void MeasureText(LPaintContext* ctx, const char* text, int maxWidth, int* width, int* height);
    // hAlign 0 left, 1 centre, 2 right (else natural); vAlign 0 top, 1
    // centre, 2 bottom; wrap 1 wraps at words; truncation 0 none, 1 wrap at
    // characters, 2 wrap at words, 3 cut the tail with "...". Nothing for an
    // empty text or an empty box.
    static void DrawTextF(LPaintContext* ctx, const char* text, int hAlign, int vAlign, int wrap,
                          int truncation, bool transparent, float x, float y, float w, float h);
    static void DrawText(LPaintContext* ctx, const char* text, int x, int y, int w, int h, int hAlign,
                         int vAlign, int wrap, int truncation);
    // Two-colour gradient over (x, y, w, h).
    static void GradientFillRect(LPaintContext* ctx, const LGuiColorAlpha* from, const LGuiColorAlpha* to,
                                 bool vertical, int x, int y, int w, int h);
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
