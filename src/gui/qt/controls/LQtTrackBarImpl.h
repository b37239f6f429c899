#pragma once
// A slider with tick marks that reports every value change and the release
// of the mouse, and a free-standing scroll bar that reports its moves. Both
// send through the framework's command slots, so an unset slot still has the
// window refresh its controls.

#include <QScrollBar>
#include <QSlider>

#include <cstdint>

class LQtTrackBarImpl : public QSlider
{
    Q_OBJECT
public:
    LQtTrackBarImpl(Qt::Orientation orientation, QWidget* parent);
    // While the user drags the knob, a balloon above it shows the value.
    void SetShowToolTip(bool show) { showToolTip_ = show; }
    bool ShowToolTip() const { return showToolTip_; }
    // Taller than wide: the bar stands and its values count from the top.
    bool IsVertical() const { return orientation() == Qt::Vertical; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void UpdateValueTip();

    bool showToolTip_ = false;
    bool pressed_ = false;
    class LQtTooltipImpl* valueTip_ = nullptr; // a child, made on first use
};

class LQtScrollBarImpl : public QScrollBar
{
    Q_OBJECT
public:
    LQtScrollBarImpl(Qt::Orientation orientation, QWidget* parent);
    // Kept for the scroll bar's users; the bar itself does not read them.
    int32_t minValue = 0;
    int32_t maxValue = 0;
    int32_t thumbSize = 0;
};
