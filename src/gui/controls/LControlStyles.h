#pragma once
// Plain style records that dialogs pass to the control API when they create
// controls. They are read only; fields the creators do not read are kept so
// that the records keep the shape every dialog fills in.

#include <cstdint>

// Buttons: kind 1 or 2 makes a cool (flat) button, anything else a push
// button; the third flag makes a check-type button. textPosition places the
// title relative to the image.
struct LButtonStyle
{
    int kind = 0;
    uint8_t flags[4] = {0, 0, 0, 0};
    int reserved = 0;
    int textPosition = 1;

    bool IsCheckType() const { return flags[2] != 0; }
    bool IsCool() const { return kind == 1 || kind == 2; }
    static LButtonStyle Standard() { return LButtonStyle{}; }
};

// One-line text inputs: flag bytes, of which the second means password, the
// fifth digits only and the sixth read only; then the alignment (0 left,
// 1 centre, 2 right, other values leave the default).
struct LTextInputStyle
{
    uint8_t flags[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    int alignment = -1;

    bool IsPassword() const { return flags[1] != 0; }
    bool IsNumberOnly() const { return flags[4] != 0; }
    bool IsReadOnly() const { return flags[5] != 0; }
};

// Static texts: truncation 1 in the middle, 2 at the tail (other values
// leave the text whole); alignment 0 left, 1 centre, 2 right (other values
// leave the default).
struct LStaticTextStyle
{
    uint32_t truncation = 0;
    uint32_t alignment = 0xFFFFFFFFu;
};
using LStaticTextFormat = LStaticTextStyle;

// Multi-line edit views.
struct LEditFlags
{
    bool autoresize = false;
    bool lowerCase = false;
    bool upperCase = false;
    bool digitsOnly = false;
    bool readOnly = false;
    bool border = false;
    bool horizontalScroller = false;
    bool verticalScroller = false;
    bool singleLine = false;
    bool richText = false;
    bool linkDetection = false;
    int alignment = 0; // 0 left, 1 centre, 2 right
};

// Track bars: the first flag shows the value in a balloon while dragging.
struct LTrackBarStyle
{
    uint8_t flags[4] = {0, 0, 0, 0};

    bool ShowsValueTip() const { return flags[0] != 0; }
};
