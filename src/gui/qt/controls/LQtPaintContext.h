#pragma once
// The paint context on a QPainter: controls' pixels are the painter's units
// (a widget painter is scaled by 1 / device pixel ratio first).

#include "gui/controls/LPaintContext.h"

#include <QFont>
#include <QImage>
#include <QPainter>

#include <memory>

class LQtPaintContext : public LPaintContext
{
public:
    // painter may be null: the context then draws nothing. On a widget the
    // parent's background is already beneath the control, so clearing leaves
    // it showing instead of punching a hole into the window.
    LQtPaintContext(QPainter* painter, double scale, bool widgetTarget = false);
    ~LQtPaintContext() override = default;

    using LPaintContext::FillRect;
    bool IsValid() const override { return painter_ != nullptr; }
    double Scale() const override { return scale_; }
    void SetAlpha(float alpha) override;
    void FillRect(const LPaintRect& r, LRGBColor colour, int alpha) override;
    void GradientFillRect(const LPaintRect& r, LRGBColor from, LRGBColor to, int x0, int y0, int x1,
                          int y1) override;
    void ClearRect(const LPaintRect& r) override;
    void DrawLine(const LGuiPen& pen, int x0, int y0, int x1, int y1) override;
    void FrameRect(const LPaintRect& r, const LGuiPen& pen) override;
    void FillRoundedRect(const LPaintRect& r, int radius, LRGBColor colour) override;
    void DrawImage(const LGuiImage& image, const LPaintRect& dst, const LPaintRect& src,
                   float alpha) override;
    void SetFont(const LGuiFont& font) override { font_ = font; }
    const LGuiFont& GetFont() const override { return font_; }
    void SetTextColour(LRGBColor colour) override { textColour_ = colour; }
    LRGBColor GetTextColour() const override { return textColour_; }
    void DrawText(const char* utf8, const LPaintRect& box, const LTextFormat& format) override;
    void MeasureText(const char* utf8, int* w, int* h) override;
    std::string TruncateText(const char* utf8, int width, int truncation) override;
    void ClipRoundedRect(const LPaintRect& r, int radius) override;
    void ClipRect(const LPaintRect& r) override;
    void Save() override;
    void Restore() override;
    void Translate(double dx, double dy) override;
    LPaintTransform GetTransform() const override;
    void SetTransform(const LPaintTransform& transform) override;
    void ScaleBy(double sx, double sy) override;
    void StrokeRoundedRect(double x, double y, double w, double h, double radius,
                           const LGuiPen& pen) override;
    void FillGradient(const LGuiBrush& brush, float x, float y, float w, float h) override;
    void GradientFill(const LPaintRect& r, const LGuiColorAlpha& from, const LGuiColorAlpha& to,
                      bool vertical) override;

    QPainter* Painter() const { return painter_; }
    QFont ResolveFont() const;

private:
    QPainter* painter_;
    double scale_;
    bool widgetTarget_;
    LGuiFont font_;
    LRGBColor textColour_;
};

QColor LQtColor(LRGBColor colour, int alpha = 255);
// The picture's toolkit copy, made once per picture.
const QImage& LQtImageOf(const LGuiImage& image);
