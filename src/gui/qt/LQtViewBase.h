#pragma once
// The base of our own views: turns the toolkit's mouse and key events into
// calls on the receivers a window or control attaches (a mouse handler and a
// key handler, neither owned). Positions reach the mouse handler in device
// pixels of the view. A drag that starts in one view keeps other views from
// seeing the pointer enter until the button is released.

#include "gui/controls/LMouseHandler.h"

#include <QWidget>

class LKeyHandler;
class LWindow;

class LQtViewBase : public QWidget
{
    Q_OBJECT
public:
    LQtViewBase(QWidget* parent, LWindow* window = nullptr);
    ~LQtViewBase() override;

    LWindow* zunkitWindow() const { return window_; }
    LMouseHandler* mouseHandler() const { return handler_; }
    // A new handler is told at once when the pointer is already inside.
    void setMouseHandler(LMouseHandler* handler);
    LKeyHandler* keyHandler() const { return keyHandler_; }
    // The first handler attached stays until cleared with null.
    void setKeyHandler(LKeyHandler* handler);

    // The view in which a drag with the left button is in progress, or null.
    static LQtViewBase* draggedView();

    // Whole wheel lines x 120 delivered so far, per direction (for tests).
    LWheelAccumulator& verticalWheel() { return wheelY_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

    QPoint Pixels(const QPointF& position) const;
    bool HandlerActive() const { return handler_ != nullptr && isEnabled(); }

private:
    LWindow* window_;
    LMouseHandler* handler_ = nullptr;
    LKeyHandler* keyHandler_ = nullptr;
    LWheelAccumulator wheelX_;
    LWheelAccumulator wheelY_;
    bool rightFromMeta_ = false;
    bool mouseDown_ = false;
    bool mouseDragging_ = false;
    bool mouseIn_ = false;
};
