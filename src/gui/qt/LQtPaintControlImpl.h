#pragma once
// The host view of a custom-drawn control: paints it in device pixels and
// hands it sizes, visibility, keys and (through its mouse handler) the mouse.

#include "gui/controls/LMouseHandler.h"

#include <QWidget>

class LPaintControl;

class LQtPaintControlImpl : public QWidget
{
    Q_OBJECT
public:
    explicit LQtPaintControlImpl(QWidget* parent);
    ~LQtPaintControlImpl() override;

    void setPaintControl(LPaintControl* control);
    LPaintControl* paintControl() const { return control_; }
    void setMouseHandler(LMouseHandler* handler) { handler_ = handler; }
    LMouseHandler* mouseHandler() const { return handler_; }
    // A control the view owns: deleted with the view.
    void giveControl(LPaintControl* control) { owned_ = control; }

    // Whole wheel lines x 120 delivered so far, per direction (for tests).
    LWheelAccumulator& verticalWheel() { return wheelY_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    QPoint Pixels(const QPointF& position) const;
    LPaintControl* control_ = nullptr;
    LMouseHandler* handler_ = nullptr;
    LPaintControl* owned_ = nullptr;
    LWheelAccumulator wheelX_;
    LWheelAccumulator wheelY_;
    bool rightFromMeta_ = false;
};
