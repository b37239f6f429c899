#pragma once
// The host view of a custom-drawn control: paints it in device pixels and
// hands it sizes, visibility, keys and (through its mouse handler) the mouse.

#include "gui/qt/LQtViewBase.h"

class LPaintControl;

class LQtPaintControlImpl : public LQtViewBase
{
    Q_OBJECT
public:
    explicit LQtPaintControlImpl(QWidget* parent, LWindow* window = nullptr);
    ~LQtPaintControlImpl() override;

    void setPaintControl(LPaintControl* control);
    LPaintControl* paintControl() const { return control_; }
    // A control the view owns: deleted with the view.
    void giveControl(LPaintControl* control) { owned_ = control; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    LPaintControl* control_ = nullptr;
    LPaintControl* owned_ = nullptr;
};
