#include "gui/qt/controls/LQtTrackBarImpl.h"

#include "gui/controls/LCommandKeys.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/controls/LQtControlCommands.h"
#include "gui/qt/windows/LQtTooltipImpl.h"

#include <QMouseEvent>
#include <QResizeEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionSlider>

LQtTrackBarImpl::LQtTrackBarImpl(Qt::Orientation orientation, QWidget* parent) : QSlider(orientation, parent)
{
    setTickPosition(QSlider::TicksBelow);
    setTickInterval(std::max(1, (maximum() - minimum()) / 10));
    connect(this, &QSlider::valueChanged, this, [this] {
        if (showToolTip_)
            UpdateValueTip();
        LSendCommandWithKey(LQtHandle(this), LCommandKeyTrackBar, LQtControlWindow(this));
    });
    connect(this, &QSlider::sliderReleased, this, [this] {
        if (valueTip_)
            valueTip_->HideTip();
    });
}

void LQtTrackBarImpl::UpdateValueTip()
{
    if (!isSliderDown())
        return;
    if (!valueTip_)
        valueTip_ = new LQtTooltipImpl(QString(), true, this);
    valueTip_->SetParentWindow(window());
    valueTip_->HideTip();
    valueTip_->SetText(QString::number(value())); // a whole number, never a decimal separator
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect knob = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    valueTip_->SetPlace(1);
    valueTip_->MoveToPoint(mapToGlobal(QPoint(knob.center().x(), knob.top())));
    valueTip_->Show();
}

void LQtTrackBarImpl::resizeEvent(QResizeEvent* event)
{
    // The shape decides the direction, so layouts never need to say it.
    const QSize size = event->size();
    if (size.width() > 0 && size.height() > 0) {
        const Qt::Orientation shape = size.height() > size.width() ? Qt::Vertical : Qt::Horizontal;
        if (shape != orientation()) {
            const QSignalBlocker quiet(this);
            setOrientation(shape);
        }
    }
    QSlider::resizeEvent(event);
}

void LQtTrackBarImpl::mousePressEvent(QMouseEvent* event)
{
    if (!isEnabled())
        return;
    pressed_ = true;
    QSlider::mousePressEvent(event);
}

void LQtTrackBarImpl::mouseReleaseEvent(QMouseEvent* event)
{
    QSlider::mouseReleaseEvent(event);
    if (!pressed_)
        return;
    pressed_ = false;
    LSendCommandWithKey(LQtHandle(this), LCommandKeyTrackBarRelease, LQtControlWindow(this));
}

LQtScrollBarImpl::LQtScrollBarImpl(Qt::Orientation orientation, QWidget* parent)
    : QScrollBar(orientation, parent)
{
    connect(this, &QScrollBar::valueChanged, this,
            [this] { LSendCommandWithKey(LQtHandle(this), LCommandKeyScrollBar, LQtControlWindow(this)); });
}
