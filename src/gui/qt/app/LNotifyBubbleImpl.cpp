#include "gui/qt/app/LNotifyBubbleImpl.h"

#include "foundation/threads/LThreadQueuedNotify.h"
#include "gui/framework/LNotifyBubble.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/controls/LQtControls.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

namespace {

LNotifyBubble* gCurrentBubble = nullptr;

constexpr int kIconX = 20;
constexpr int kIconY = 44;
constexpr int kIconSize = 48;
constexpr int kTextX = 80;
constexpr int kCaptionY = 30;
constexpr int kDescriptionY = 64;
constexpr int kInset = 5;

} // namespace

LNotifyBubbleImpl::LNotifyBubbleImpl()
    // A tip-type window: drawn above the others, never managed into focus
    // by the window manager, and never activated by showing it.
    : QWidget(nullptr,
              Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Quorin"));
    resize(1, 1);
    hideTimer_.setSingleShot(true);
    connect(&hideTimer_, &QTimer::timeout, this, &LNotifyBubbleImpl::HideBubble);
    // A click in another program takes the active state away from ours.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (shown_ && state == Qt::ApplicationInactive)
            HideBubble();
    });
}

LNotifyBubbleImpl::~LNotifyBubbleImpl()
{
    if (watching_)
        qApp->removeEventFilter(this);
}

void LNotifyBubbleImpl::SetText(const QString& text, const QString& caption)
{
    text_ = text;
    caption_ = caption;
    Relayout();
    update();
}

void LNotifyBubbleImpl::SetIcon(int iconId)
{
    if (iconId == 0)
        return;
    iconId_ = iconId;
    qreal ratio = devicePixelRatioF();
    icon_ = LQtLoadImageResource(iconId, qRound(kIconSize * ratio));
    update();
}

void LNotifyBubbleImpl::Relayout()
{
    if (text_.isEmpty())
        return;
    setFixedSize(LNotifyBubble::kWidth, LNotifyBubble::kHeight);
}

void LNotifyBubbleImpl::MoveToPoint(const QPoint& point)
{
    if (text_.isEmpty())
        return;
    Relayout();
    move(point);
    update();
}

void LNotifyBubbleImpl::ShowBubble()
{
    hideTimer_.start(LNotifyBubble::kShowMs);
    if (!watching_) {
        qApp->installEventFilter(this);
        watching_ = true;
    }
    show();
    shown_ = true;
}

void LNotifyBubbleImpl::HideBubble()
{
    shown_ = false;
    hideTimer_.stop();
    hide();
    if (watching_) {
        qApp->removeEventFilter(this);
        watching_ = false;
    }
}

bool LNotifyBubbleImpl::eventFilter(QObject* watched, QEvent* event)
{
    // Any press anywhere in the program closes the bubble; the press still
    // goes on to what was clicked.
    if (shown_ && event->type() == QEvent::MouseButtonPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() != this)
        HideBubble();
    return QWidget::eventFilter(watched, event);
}

void LNotifyBubbleImpl::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    HideBubble();
}

void LNotifyBubbleImpl::paintEvent(QPaintEvent* event)
{
    (void)event;
    if (text_.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath body;
    body.addRoundedRect(QRectF(rect()), 3, 3);
    const int grey = qRound(0.9216 * 255);
    painter.fillPath(body, QColor(grey, grey, grey));
    painter.setPen(QColor(0, 0, 0, 60));
    painter.drawPath(body);

    if (!icon_.isNull())
        painter.drawImage(QRect(kIconX, kIconY, kIconSize, kIconSize), icon_);

    painter.setPen(Qt::black);
    QFont captionFont = font();
    captionFont.setBold(true);
    painter.setFont(captionFont);
    QRect captionRect(kTextX + kInset, kCaptionY + kInset, width() - kTextX - 2 * kInset,
                      kDescriptionY - kCaptionY - kInset);
    painter.drawText(captionRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     painter.fontMetrics().elidedText(caption_, Qt::ElideRight, captionRect.width()));
    painter.setFont(font());
    QRect textRect(kTextX + kInset, kDescriptionY + kInset, width() - kTextX - 2 * kInset,
                   height() - kDescriptionY - 2 * kInset);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text_);
}

// LNotifyBubble: the toolkit-free face of the window above.

static LNotifyBubbleImpl* Impl(void* impl)
{
    return static_cast<LNotifyBubbleImpl*>(impl);
}

LNotifyBubble::LNotifyBubble()
{
    impl_ = new LNotifyBubbleImpl();
    gCurrentBubble = this;
}

LNotifyBubble::~LNotifyBubble()
{
    if (gCurrentBubble == this)
        gCurrentBubble = nullptr;
    delete Impl(impl_);
}

LNotifyBubble* LNotifyBubble::Current()
{
    return gCurrentBubble;
}

void LNotifyBubble::Show(const char* text, const char* caption, int iconId)
{
    LNotifyBubbleImpl* bubble = Impl(impl_);
    bubble->HideBubble();
    bubble->SetIcon(iconId);
    bubble->SetText(QString::fromUtf8(text != nullptr ? text : ""),
                    QString::fromUtf8(caption != nullptr ? caption : ""));
    QScreen* screen = QGuiApplication::primaryScreen();
    QRect area = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    bubble->MoveToPoint(QPoint(area.right() + 1 - kWidth - 20, area.top()));
    bubble->ShowBubble();
}

void LNotifyBubble::Hide()
{
    Impl(impl_)->HideBubble();
}

bool LNotifyBubble::IsShown() const
{
    return Impl(impl_)->IsShown();
}

std::string LNotifyBubble::Text() const
{
    return Impl(impl_)->Text().toStdString();
}

std::string LNotifyBubble::Caption() const
{
    return Impl(impl_)->Caption().toStdString();
}

int LNotifyBubble::IconId() const
{
    return Impl(impl_)->IconId();
}

void LNotifyBubble::PostToWindow(int code, LWindow* window)
{
    if (window == nullptr || (code != 1 && code != 2))
        return;
    LMainThreadDispatcher* dispatcher = LGetMainThreadDispatcher();
    if (dispatcher == nullptr)
        return;
    std::weak_ptr<bool> life = window->LifeToken();
    uint32_t generation = window->Generation();
    dispatcher->Post([life, window, generation, code] {
        if (life.expired() || window->Generation() != generation)
            return;
        auto* host = dynamic_cast<LNotifyBubbleHost*>(window);
        if (host == nullptr)
            return;
        if (code == 1)
            host->OnNotifyBubbleHook1();
        else
            host->OnNotifyBubbleHook2();
    });
}
