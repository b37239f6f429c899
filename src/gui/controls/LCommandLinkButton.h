#pragma once
// A large push button drawn by us: an arrow icon, a title line in a larger
// font and a wrapping note in a smaller one below it. A click (press and
// release inside) posts the control id to the window. Message and choice
// dialogs create it by control id; its host view owns it.

#include "gui/controls/LPaintControl.h"

class LCommandLinkButton : public LPaintControl
{
public:
    LCommandLinkButton();
    ~LCommandLinkButton() override;

    // Creates the host view under id on the window, a button owned by it,
    // and sets it up; the button, or null without a window view.
    static LCommandLinkButton* Create(LWindow* window, int id, const char* title, const char* note);
    // Texts (mnemonic marks removed, cut between characters) and binding;
    // nothing when the window has no control with the id.
    void Setup(LWindow* window, int id, const char* title, const char* note);

    // Both 0 while unbound.
    void GetPreferredSize(int* width, int* height);
    // The size formula on a given context, with text units u and v (pixels).
    static void PreferredSizeOn(LPaintContext* ctx, float u, float v, const char* title, const char* note,
                                int* width, int* height);
    int DialogUnitsToPixels(float n) const;

    void OnMouseEnter() override;
    void OnMouseLeave() override;
    void OnLButtonDown(int x, int y) override;
    void OnLButtonUp(int x, int y) override;
    void Paint(LPaintContext* context) override;

    const char* Title() const { return title_; }
    const char* Note() const { return note_; }
    bool Hover() const { return hover_; }
    bool Pressed() const { return pressed_; }

    // The large (title) or small (note) font becomes current; the previous
    // one is kept as the context's second font.
    static void SelectFont(LPaintContext* ctx, bool large);

private:
    float U() const;
    float V() const;

    int id_ = 0;
    bool hover_ = false;
    bool pressed_ = false;
    char title_[260] = {};
    char note_[260] = {};
    LGuiIcon icon_;
};

// Forwards to LCommandLinkButton::Create.
LCommandLinkButton* LCreateCommandLinkButton(LWindow* window, int id, const char* title, const char* note);
// Both 0 unless the id names a command-link button; then its preferred size.
void LGetCommandLinkButtonSize(LWindow* window, int id, int* width, int* height);

// Toolkit pieces (gui/qt/controls/LQtCommandLinkButton.cpp).
// A new host view that owns button; null without a window view.
LViewHandle LAddCommandLinkButtonView(LWindow* window, int id, LCommandLinkButton* button);
// The button of a command-link host view, else null.
LCommandLinkButton* LCommandLinkButtonOfView(LViewHandle view);
// System colours: 0 light grey, 1 window frame, 2 control text.
LRGBColor LGetCommandLinkColour(int which);
