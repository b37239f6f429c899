#pragma once
// The main window's status bar: up to 8 parts along the window bottom, each
// a text (and optionally an icon) with an optional tooltip and a command
// sent when the part is clicked. It draws through a paint control bound to
// control id 800 of the window.

#include "gui/controls/LPaintControl.h"

#include <cstdint>

class LStatusBar;

struct LStatusBarPart
{
    char text[260] = {};
    char tooltip[260] = {};
    uint32_t width = 2000;
    LGuiImage icon;
    int command = -1;
};

class LStatusBarPainter : public LPaintControl
{
public:
    ~LStatusBarPainter() override { Destroy(); }
    void Init(LWindow* window, int id);
    void OnMouseLeave() override;
    void OnMouseMove(int x, int y) override;
    void OnLButtonDown(int, int) override {}
    void OnLButtonUp(int x, int y) override;
    void Paint(LPaintContext* context) override;

    LStatusBar* bar = nullptr;
    LGuiFont font;
};

class LStatusBar
{
public:
    static constexpr int kControlId = 800;
    static constexpr int kMaxParts = 8;
    static constexpr uint32_t kRestOfWidth = 0xFFFFFFFFu;

    LStatusBar();
    virtual ~LStatusBar();
    LStatusBar(const LStatusBar&) = delete;
    LStatusBar& operator=(const LStatusBar&) = delete;

    // Makes the bar's view on the window, one part as wide as the window, and
    // places it along the bottom (30 points high).
    void Create(LWindow* window);
    // Right edges in pixels, kRestOfWidth for all that is left. An edge left
    // of the running left gives a part of width 0.
    void SetParts(int count, const uint32_t* rightEdges);
    // Cut to 259 bytes at a character boundary; a part past the count adds parts.
    void SetText(const char* text, unsigned part);
    void SetToolTip(const char* text, unsigned part);
    void SetCommand(int command, unsigned part);

    // The part under x (pixels), -1 when none.
    int PartAt(int x) const;
    void UpdateToolTip(int x);
    void HideToolTip();
    void OnClick(int x);

    int PartCount() const { return partCount_; }
    const LStatusBarPart& Part(int i) const { return parts_[i]; }
    bool ToolTipShown() const { return tooltipShown_; }
    LStatusBarPainter& Painter() { return painter_; }

private:
    friend class LStatusBarPainter;
    LStatusBarPainter painter_;
    LStatusBarPart parts_[kMaxParts];
    int partCount_ = 1;
    bool tooltipShown_ = false;
};

// Toolkit colours for the bar: the frame line (active or not) and the text.
LRGBColor LGetStatusBarColour(int which);
void LSetViewToolTip(LViewHandle view, const char* text);
