#pragma once
// A floating tip next to a control or a screen point: a plain box or a
// balloon whose arrow points at the target. It hides after 10 seconds, on any
// mouse press anywhere (the press still reaches its target) and when its
// parent window stops being the active window.

#include "gui/controls/LTooltipLayout.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

class LQtTooltipImpl : public QWidget
{
    Q_OBJECT
public:
    LQtTooltipImpl(const QString& text, bool balloon, QWidget* owner = nullptr);
    ~LQtTooltipImpl() override;

    void SetParentWindow(QWidget* window);
    void SetText(const QString& text);
    const QString& Text() const { return text_; }
    // The control the tip points at; null for a tip at a point.
    QWidget* Control() const { return control_; }
    // Points in global coordinates (y down).
    void MoveToPoint(const QPoint& point);
    void MoveToControl(QWidget* control);
    void Show();
    void HideTip();
    bool IsShown() const { return shown_; }
    int Place() const { return place_; }
    // The place tried first by the next MoveToPoint.
    void SetPlace(int place) { place_ = place; }
    int ArrowSide() const { return arrowSide_; }
    const LTooltipLayout& Layout() const { return layout_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QSizeF TextSize() const;
    // The available area of the screen the target is on.
    LTipRect Area(const QPoint& target) const;
    void Apply(const LTipRect& rect);

    LTooltipLayout layout_;
    QString text_;
    QPointer<QWidget> parentWindow_;
    QPointer<QWidget> control_;
    QTimer hideTimer_;
    bool shown_ = false;
    int place_ = 0;
    int arrowSide_ = 0;
};
