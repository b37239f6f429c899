#pragma once
// The standard alert: a message line, an explanatory text, up to three
// buttons and an optional "do not show again" check box, run
// application-modally over an optional parent window.

#include "gui/framework/LView.h"

#include <cstdint>
#include <string>

enum LMessageBoxStyle : int64_t {
    LMessageBoxWarningStyle = 0,
    LMessageBoxInformationalStyle = 1,
    LMessageBoxCriticalStyle = 2,
};

class LMessageBox
{
public:
    // title and the button labels are cut to 259 bytes at a character
    // boundary; text is kept whole (null shows as empty).
    LMessageBox(LViewHandle parentView, const char* text, const char* title);

    // 1 for the first button, 3 for the third, 2 for anything else (the
    // second button, or the box closed without a button).
    int Show();

    void SetButton(int index, const char* label);
    void SetSuppression(const char* label, bool checked);

    LViewHandle parentView;
    int64_t style = LMessageBoxInformationalStyle;
    bool showSuppression = false;
    char suppressionText[260] = {};
    bool suppressionChecked = false;
    std::string text;
    char title[260] = {};
    char button1[260] = "OK";
    char button2[260] = {};
    char button3[260] = {};
};

// A parentless critical alert with one "OK" button.
void LMessageBoxError(const char* text, const char* title);
// The same titled with the product's name.
void LMessageBoxProductError(const char* text);
