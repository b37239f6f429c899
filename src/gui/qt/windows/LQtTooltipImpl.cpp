#include "gui/qt/windows/LQtTooltipImpl.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include <cmath>

LQtTooltipImpl::LQtTooltipImpl(const QString& text, bool balloon, QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint), layout_(balloon), text_(text)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont font = QApplication::font("QTipLabel");
    font.setPointSizeF(std::max(6.0, QApplication::font().pointSizeF() - 2));
    setFont(font);
    arrowSide_ = balloon ? 1 : 0;
    hideTimer_.setSingleShot(true);
    connect(&hideTimer_, &QTimer::timeout, this, [this] { HideTip(); });
}

LQtTooltipImpl::~LQtTooltipImpl()
{
    qApp->removeEventFilter(this);
}

void LQtTooltipImpl::SetParentWindow(QWidget* window)
{
    parentWindow_ = window ? window->window() : nullptr;
}

void LQtTooltipImpl::SetText(const QString& text)
{
    text_ = text;
    update();
}

QSizeF LQtTooltipImpl::TextSize() const
{
    if (text_.isEmpty())
        return {};
    const QFontMetricsF metrics(font());
    return metrics.boundingRect(QRectF(0, 0, 1000, 1000), Qt::TextWordWrap, text_).size();
}

LTipRect LQtTooltipImpl::Area(const QPoint& target) const
{
    QScreen* screen = QGuiApplication::screenAt(target);
    if (!screen && control_)
        screen = control_->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 100000, 100000);
    return {double(area.x()), double(area.y()), double(area.width()), double(area.height())};
}

void LQtTooltipImpl::Apply(const LTipRect& rect)
{
    arrowSide_ = layout_.balloon ? LTooltipLayout::ArrowSideFor(place_) : 0;
    setGeometry(static_cast<int>(std::floor(rect.x)), static_cast<int>(std::floor(rect.y)),
                static_cast<int>(std::ceil(rect.w)), static_cast<int>(std::ceil(rect.h)));
    update();
}

void LQtTooltipImpl::MoveToPoint(const QPoint& point)
{
    if (text_.isEmpty())
        return;
    const QSizeF text = TextSize();
    Apply(layout_.AtPoint(point.x(), point.y(), text.width(), text.height(), Area(point), &place_));
}

void LQtTooltipImpl::MoveToControl(QWidget* control)
{
    if (text_.isEmpty() || !control)
        return;
    control_ = control;
    const QPoint topLeft = control->mapToGlobal(QPoint(0, 0));
    const LTipRect target{double(topLeft.x()), double(topLeft.y()), double(control->width()),
                          double(control->height())};
    const QSizeF text = TextSize();
    const QPoint centre = topLeft + QPoint(control->width() / 2, control->height() / 2);
    Apply(layout_.AtControl(target, text.width(), text.height(), Area(centre), &place_));
}

void LQtTooltipImpl::Show()
{
    if (parentWindow_ && !parentWindow_->isActiveWindow())
        return;
    hideTimer_.start(10000);
    qApp->removeEventFilter(this);
    qApp->installEventFilter(this);
    show();
    shown_ = true;
}

void LQtTooltipImpl::HideTip()
{
    shown_ = false;
    hideTimer_.stop();
    qApp->removeEventFilter(this);
    hide();
}

bool LQtTooltipImpl::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
        // Hidden later in this turn: the press goes on to its target.
        QMetaObject::invokeMethod(
            this, [this] { HideTip(); }, Qt::QueuedConnection);
        break;
    case QEvent::WindowDeactivate:
        if (watched == parentWindow_)
            HideTip();
        break;
    default:
        break;
    }
    return false;
}

void LQtTooltipImpl::paintEvent(QPaintEvent*)
{
    if (text_.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double a = layout_.arrowSize;
    const double w = layout_.BoxWidth(TextSize().width());
    const double h = layout_.BoxHeight(TextSize().height());
    double bx = 0;
    double by = 0;
    switch (arrowSide_) {
    case 1:
    case 2:
        by = a;
        break;
    case 3:
        bx = a;
        by = a;
        break;
    case 6:
    case 7:
        bx = a;
        break;
    default:
        break;
    }
    const QRectF box(bx + 0.5, by + 0.5, w - 1, h - 1);
    QPainterPath path;
    path.addRoundedRect(box, layout_.cornerRadius, layout_.cornerRadius);
    if (layout_.balloon && arrowSide_ > 0) {
        const QRectF v = rect();
        const double cx = box.x() + box.width() / 2;
        const double cy = box.y() + box.height() / 2;
        QPolygonF arrow;
        switch (arrowSide_) {
        case 1:
            arrow << QPointF(cx - a, box.top()) << QPointF(cx, v.top()) << QPointF(cx + a, box.top());
            break;
        case 2:
            arrow << QPointF(box.right() - a, box.top()) << v.topRight()
                  << QPointF(box.right(), box.top() + a);
            break;
        case 3:
            arrow << QPointF(box.left(), box.top() + a) << v.topLeft() << QPointF(box.left() + a, box.top());
            break;
        case 4:
            arrow << QPointF(cx - a, box.bottom()) << QPointF(cx, v.bottom())
                  << QPointF(cx + a, box.bottom());
            break;
        case 5:
            arrow << QPointF(box.right(), box.bottom() - a) << v.bottomRight()
                  << QPointF(box.right() - a, box.bottom());
            break;
        case 6:
            arrow << QPointF(box.left() + a, box.bottom()) << v.bottomLeft()
                  << QPointF(box.left(), box.bottom() - a);
            break;
        case 7:
            arrow << QPointF(box.left(), cy - a) << QPointF(v.left(), cy) << QPointF(box.left(), cy + a);
            break;
        case 8:
            arrow << QPointF(box.right(), cy - a) << QPointF(v.right(), cy) << QPointF(box.right(), cy + a);
            break;
        default:
            break;
        }
        QPainterPath tip;
        tip.addPolygon(arrow);
        tip.closeSubpath();
        path = path.united(tip);
    }
    // A soft shadow half a point down and right, then the box.
    painter.fillPath(path.translated(0.5, 0.5), QColor(0, 0, 0, 90));
    painter.fillPath(path, QColor(235, 235, 235));
    painter.setPen(QColor(0, 0, 0));
    painter.drawText(
        QRectF(bx + layout_.margin, by + layout_.margin, w - 2 * layout_.margin, h - 2 * layout_.margin),
        Qt::AlignLeft | Qt::TextWordWrap, text_);
}
