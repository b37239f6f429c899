#include "gui/qt/controls/LQtSmallControls.h"

#include "foundation/platform/LDesktopOpen.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/app/LQtCommandSink.h"
#include "gui/qt/controls/LQtControlCommands.h"
#include "gui/qt/controls/LQtControls.h"

#include <QMouseEvent>

namespace {

constexpr int kIconSize = 17;
LQtHyperLinkImpl::Opener g_opener = nullptr;

QPixmap Icon(int resourceId, qreal ratio)
{
    QPixmap pixmap =
        QPixmap::fromImage(LQtLoadImageResource(resourceId, static_cast<int>(kIconSize * ratio)));
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

} // namespace

LQtVolumeSliderImpl::LQtVolumeSliderImpl(QWidget* parent, int iconVolMin, int iconVolMax)
    : QWidget(parent), slider_(new QSlider(Qt::Horizontal, this)), low_(new QLabel(this)),
      high_(new QLabel(this))
{
    slider_->setRange(-48, 0);
    slider_->setTracking(true);
    const qreal ratio = devicePixelRatioF();
    low_->setPixmap(Icon(iconVolMin, ratio));
    high_->setPixmap(Icon(iconVolMax, ratio));
    // Only the user's moves are commands; the program's own settings are not.
    connect(slider_, &QSlider::valueChanged, this,
            [this] { LQtSendCommand(LQtControlWindow(this), LQtControlId(this)); });
}

void LQtVolumeSliderImpl::SetId(int32_t id)
{
    LQtSetControlId(this, id);
}

void LQtVolumeSliderImpl::SetIcons(int iconVolMin, int iconVolMax)
{
    const qreal ratio = devicePixelRatioF();
    low_->setPixmap(Icon(iconVolMin, ratio));
    high_->setPixmap(Icon(iconVolMax, ratio));
}

void LQtVolumeSliderImpl::SetLevel(int level)
{
    const QSignalBlocker quiet(slider_);
    slider_->setValue(std::clamp(level, slider_->minimum(), slider_->maximum()));
}

void LQtVolumeSliderImpl::resizeEvent(QResizeEvent*)
{
    const int inner = std::max(0, width() - 2 * kIconSize);
    low_->setGeometry(0, 0, kIconSize, kIconSize);
    slider_->setGeometry(kIconSize, 0, inner, kIconSize);
    high_->setGeometry(inner + kIconSize, 0, kIconSize, kIconSize);
}

LQtDateTimeImpl::LQtDateTimeImpl(QWidget* parent) : QDateTimeEdit(QDateTime::currentDateTime(), parent)
{
    setCalendarPopup(true);
    connect(this, &QDateTimeEdit::dateTimeChanged, this,
            [this] { LQtSendControlCommand(this, kLQtCommandKeyDateChange); });
}

void LQtDateTimeImpl::SetDateTime(const QDateTime& when)
{
    const QSignalBlocker quiet(this);
    setDateTime(when);
}

LQtHyperLinkImpl::LQtHyperLinkImpl(QWidget* parent) : QLabel(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, QColor(0, 0, 238));
    setPalette(colours);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
}

void LQtHyperLinkImpl::SetURL(const char* url)
{
    url_ = QString::fromUtf8(url ? url : "");
}

void LQtHyperLinkImpl::SetLinkText(const QString& text)
{
    setText(text);
}

void LQtHyperLinkImpl::SetOpener(Opener opener)
{
    g_opener = opener;
}

void LQtHyperLinkImpl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QLabel::mousePressEvent(event);
        return;
    }
    if (url_.isEmpty()) {
        LQtSendCommand(LQtControlWindow(this), LQtControlId(this));
        return;
    }
    const QByteArray address = url_.toUtf8();
    (g_opener ? g_opener : LOpenURL)(address.constData());
}
