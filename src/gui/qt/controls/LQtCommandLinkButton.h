#pragma once
// The host view of a command-link button; it owns the button object and
// deletes it with itself.

#include "gui/qt/controls/LQtPaintControlImpl.h"

class LCommandLinkButton;

class LQtCommandLinkButton : public LQtPaintControlImpl
{
    Q_OBJECT
public:
    explicit LQtCommandLinkButton(QWidget* parent) : LQtPaintControlImpl(parent) {}
    ~LQtCommandLinkButton() override;

    LCommandLinkButton* cmdLinkBtn() const { return button_; }
    // Does not delete a button set before.
    void setCmdLinkBtn(LCommandLinkButton* button) { button_ = button; }

private:
    LCommandLinkButton* button_ = nullptr;
};
