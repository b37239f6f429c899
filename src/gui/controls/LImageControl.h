#pragma once
// Two small custom-drawn controls: a picture stretched over the control, and
// the play window's large time text on a white-to-grey background.

#include "gui/controls/LPaintControl.h"

class LImageControl : public LPaintControl
{
public:
    ~LImageControl() override;
    // Copies the picture (with its own size); the stretched copy is remade
    // at the next paint.
    void SetImage(const LGuiImage* image);
    void SetAlternateDrawMode();
    void Paint(LPaintContext* context) override;
    // Times the stretched copy was remade (tests).
    int CopiesMade() const { return copies_; }

private:
    LGuiImage image_;
    int copyWidth_ = 0;
    int copyHeight_ = 0;
    bool alternateMode_ = false;
    int copies_ = 0;
};

class LTimeDisplay : public LPaintControl
{
public:
    ~LTimeDisplay() override { Destroy(); }
    void Paint(LPaintContext* context) override { PaintContent(context); }
    virtual void PaintContent(LPaintContext* context);
    // Cut at a character boundary; repaints.
    void SetText(const char* text);
    void SetSecond(const char* text);

    LRGBColor top = LRGBColor::FromRGB8(255, 255, 255);
    LRGBColor bottom = LRGBColor::FromRGB8(210, 210, 210);
    LRGBColor frame = LRGBColor::FromRGB8(150, 150, 150);
    int frameAlpha = 255;
    bool rounded = false;
    int radius = 0;
    char text[260] = "0:00:00.000";
    char second[260] = "";
    // Where the last paint put the first text (tests).
    int textX = 0;
    int textY = 0;
    int textWidth = 0;
};
