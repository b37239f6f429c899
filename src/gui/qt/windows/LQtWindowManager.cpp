// The window manager's answers to the desktop: the character cell measured
// from the system font, a change of screen or scale, application activation
// and the window becoming or resigning the active window.

#include "gui/framework/LEmbeddedWindow.h"
#include "gui/framework/LResizable.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/windows/LQtMouseCapture.h"
#include "gui/qt/windows/LQtWindowImpl.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>
#include <QToolBar>

#include <cmath>
#include <functional>
#include <memory>

namespace {

// Every letter and digit once: its mean advance is the cell's width.
constexpr char kCellSample[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

double ScaleOf(const QWidget* widget)
{
    const double scale = widget != nullptr ? widget->devicePixelRatioF() : 1.0;
    return scale < 1.0 ? 1.0 : scale;
}

// A size that tells point-sized and pixel-sized fonts apart.
double FontSizeKey(const QFont& font)
{
    return font.pointSizeF() > 0 ? font.pointSizeF() : -static_cast<double>(font.pixelSize());
}

// Whether the window the manager serves is still the one it was: a hook may
// end the window, which deletes the manager with it.
class WindowLife
{
public:
    explicit WindowLife(LWindow* window)
        : window_(window), life_(window->LifeToken()), generation_(window->Generation())
    {
    }
    bool Alive() const
    {
        return !life_.expired() && window_->Generation() == generation_ && window_->IsWindow();
    }

private:
    LWindow* window_;
    std::weak_ptr<bool> life_;
    uint32_t generation_;
};

// Tells every view under `view`, depth first, that its frame changed: views
// that keep a size in pixels measure again at the new scale.
void NotifyFrameChanged(QWidget* view)
{
    for (QObject* child : view->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget == nullptr || widget->isWindow())
            continue;
        QResizeEvent event(widget->size(), widget->size());
        QCoreApplication::sendEvent(widget, &event);
        NotifyFrameChanged(widget);
    }
}

} // namespace

void LMacWindowManager::updateCharacterSize()
{
    const QFont font = QApplication::font();
    const double size = FontSizeKey(font);
    if (size != systemFontSize_) {
        systemFontSize_ = size;
        const QFontMetricsF metrics(font);
        const QString sample = QString::fromLatin1(kCellSample);
        charWidthPoints_ =
            static_cast<float>(std::floor(metrics.horizontalAdvance(sample) / sample.size() + 0.5));
        charHeightPoints_ = static_cast<float>(std::floor(metrics.height() + 0.5));
    }
    const double scale = ScaleOf(widget_);
    charWidthPixels_ = static_cast<float>(charWidthPoints_ * scale);
    charHeightPixels_ = static_cast<float>(charHeightPoints_ * scale);
    if (window_ != nullptr)
        window_->SetCharacterCell(charWidthPoints_, charHeightPoints_, scale);
    for (LEmbeddedWindow* child : embedded_)
        child->SetCharacterCell(charWidthPoints_, charHeightPoints_, scale);
}

void LMacWindowManager::handleScaleFactorChange()
{
    if (widget_ == nullptr || window_ == nullptr)
        return;
    const QScreen* screen = LQtScreenOf(widget_);
    const double scale = ScaleOf(widget_);
    if (screen == lastScreen_ && scale == lastScale_)
        return;
    lastScreen_ = screen;
    lastScale_ = scale;
    if (!window_->IsWindow())
        return;
    LWindow* window = window_;
    const WindowLife life(window);
    updateCharacterSize();
    if (QWidget* content = LQtWidget(window->GetView()))
        NotifyFrameChanged(content);
    if (!life.Alive())
        return;
    if (resizable_ != nullptr)
        resizable_->FitWindowToScreen();
    if (life.Alive())
        window->Redraw();
}

void LMacWindowManager::applicationStateChanged(Qt::ApplicationState state)
{
    const bool active = state == Qt::ApplicationActive;
    if (active == appActive_)
        return;
    appActive_ = active;
    const int command = active ? appActiveCommand_ : appResignCommand_;
    if (command > 0 && window_ != nullptr && window_->IsWindow())
        window_->SendCommand(command);
}

void LMacWindowManager::handleAppActivation(int command)
{
    appActiveCommand_ = command;
    if (!appStateConnection_ && widget_ != nullptr) {
        appActive_ = QGuiApplication::applicationState() == Qt::ApplicationActive;
        appStateConnection_ =
            QObject::connect(qApp, &QGuiApplication::applicationStateChanged, widget_,
                             [this](Qt::ApplicationState state) { applicationStateChanged(state); });
    }
}

void LMacWindowManager::handleAppDeactivation(int command)
{
    appResignCommand_ = command;
    handleAppActivation(appActiveCommand_);
}

void LMacWindowManager::validateToolbarItems()
{
    // Each item shows its own enabled state again.
    if (widget_ == nullptr)
        return;
    for (QToolBar* bar : widget_->findChildren<QToolBar*>()) {
        if (bar->isHidden())
            continue;
        for (QAbstractButton* button : bar->findChildren<QAbstractButton*>())
            button->update();
    }
}

void LMacWindowManager::windowDidBecomeKey()
{
    if (window_ == nullptr || !window_->IsWindow())
        return;
    LWindow* window = window_;
    const WindowLife life(window);
    window->HideToolTip();
    if (window->IsCreated()) {
        window->UpdateControls();
        if (!life.Alive())
            return;
        window->Redraw();
    }
    validateToolbarItems();
    window->OnActivate();
    if (life.Alive() && becomeKeyCommand_ > 0)
        window->SendCommand(becomeKeyCommand_);
}

void LMacWindowManager::windowDidResignKey()
{
    if (window_ == nullptr || !window_->IsWindow()) {
        LQtMouseCapture::shared().releaseCapture();
        return;
    }
    LWindow* window = window_;
    const WindowLife life(window);
    window->HideToolTip();
    const bool minimised = widget_ != nullptr && widget_->isMinimized();
    if (!minimised && window->IsCreated()) {
        window->UpdateControls();
        if (!life.Alive()) {
            LQtMouseCapture::shared().releaseCapture();
            return;
        }
        window->Redraw();
    }
    window->OnDeactivate();
    if (life.Alive()) {
        validateToolbarItems();
        if (resignKeyCommand_ > 0)
            window->SendCommand(resignKeyCommand_);
    }
    LQtMouseCapture::shared().releaseCapture();
}

namespace {

LResizeFrame FrameOf(const QRect& rect)
{
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

} // namespace

void LMacWindowManager::windowDidResize()
{
    if (widget_ == nullptr)
        return;
    const QRect frame = widget_->frameGeometry();
    // A frame the handler set from inside is part of this resize.
    if (resizing_ || resizable_ == nullptr || window_ == nullptr || !window_->IsWindow()) {
        if (!resizing_)
            previousFrame_ = frame;
        return;
    }
    const QPointer<QWidget> widget = widget_;
    const WindowLife life(window_);
    resizing_ = true;
    resizable_->OnLiveResize(FrameOf(previousFrame_), FrameOf(frame));
    if (!life.Alive() || widget == nullptr)
        return;
    resizing_ = false;
    previousFrame_ = widget_->frameGeometry();
}

void LMacWindowManager::windowDidMove()
{
    if (widget_ == nullptr || resizing_)
        return;
    // A move that comes with a new size belongs to the resize, which reads
    // the previous frame itself.
    const QRect frame = widget_->frameGeometry();
    if (frame.size() == previousFrame_.size())
        previousFrame_ = frame;
}

bool LMacWindowManager::windowDidChangeState(Qt::WindowStates oldState, bool fromDesktop)
{
    if (revertingState_ || widget_ == nullptr)
        return !revertingState_;
    const Qt::WindowStates now = widget_->windowState();
    if (resizable_ == nullptr || window_ == nullptr || !window_->IsWindow())
        return true;
    const bool wasZoomed = oldState & Qt::WindowMaximized;
    const bool isZoomed = now & Qt::WindowMaximized;
    const bool minimising = (now & Qt::WindowMinimized) && !(oldState & Qt::WindowMinimized);
    if (minimising) {
        resizable_->OnMinimize();
        return true;
    }
    // Only the desktop asks: the program's own zooming (and the state put
    // back below) is not a request.
    if (!fromDesktop || wasZoomed == isZoomed || (now & Qt::WindowMinimized) ||
        (oldState & Qt::WindowMinimized))
        return true;
    const QPointer<QWidget> widget = widget_;
    const WindowLife life(window_);
    if (resizable_->ShouldZoom(wasZoomed))
        return true;
    // The window's command took the place of the zoom: the state goes back.
    if (!life.Alive() || widget == nullptr)
        return false;
    revertingState_ = true;
    widget->setWindowState(oldState);
    revertingState_ = false;
    return false;
}
