#include "gui/qt/windows/LQtWindowImpl.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LApplication.h"
#include "gui/framework/LCommandRouting.h"
#include "gui/framework/LDiscMediaEvents.h"
#include "gui/framework/LEmbeddedWindow.h"
#include "gui/framework/LEventPump.h"
#include "gui/framework/LHelpTopicOpener.h"
#include "gui/framework/LKeyHandler.h"
#include "gui/framework/LResizable.h"
#include "gui/framework/LWindow.h"
#include "gui/framework/LWindowBackgroundPainter.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtKeys.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/app/LQtMainThreadDispatcher.h"
#include "gui/qt/controls/LQtPaintContext.h"
#include "gui/qt/windows/LQtMouseCapture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QVariant>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

int Round(double x)
{
    return static_cast<int>(std::floor(x + 0.5));
}

double MainScreenScale()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    double scale = screen != nullptr ? screen->devicePixelRatio() : 1.0;
    return scale < 1.0 ? 1.0 : scale;
}

int gModalDepth = 0;
void (*gMainMenuHook)(bool) = nullptr;
std::string gLastHelpTopic;
LHelpTopicOpenerFunction gHelpTopicOpener = nullptr;

// Disables every action of every menu bar of the program: the main menu's
// items must not run while a modal run owns the program.
void EnableMenuBars(bool enable)
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        for (QMenuBar* bar : widget->findChildren<QMenuBar*>())
            for (QAction* action : bar->actions())
                action->setEnabled(enable);
}

} // namespace

QRect LQtContentArea(const QWidget* top, QSize size)
{
    if (!size.isValid())
        size = top->size();
    int barHeight = 0;
    for (QMenuBar* bar : top->findChildren<QMenuBar*>(Qt::FindDirectChildrenOnly))
        if (bar->property("lmenubar").toBool() && !bar->isHidden()) {
            barHeight = bar->sizeHint().height();
            bar->setGeometry(0, 0, size.width(), barHeight);
        }
    return QRect(0, barHeight, size.width(), std::max(1, size.height() - barHeight));
}

QScreen* LQtScreenOf(const QWidget* widget)
{
    QScreen* screen = widget != nullptr ? widget->screen() : nullptr;
    return screen != nullptr ? screen : QGuiApplication::primaryScreen();
}

namespace {

// The windows whose DoModal runs, innermost last.
std::vector<LWindow*>& ModalRuns()
{
    static std::vector<LWindow*> runs;
    return runs;
}

} // namespace

void LCancelModalRuns()
{
    const std::vector<LWindow*> runs = ModalRuns();
    for (auto it = runs.rbegin(); it != runs.rend(); ++it)
        (*it)->EndDialog(kCommandCancel);
}

int LGetModalDepth()
{
    return gModalDepth;
}

void LIncrementModalDepth()
{
    if (++gModalDepth == 1) {
        EnableMenuBars(false);
        if (gMainMenuHook != nullptr)
            gMainMenuHook(false);
    }
}

void LDecrementModalDepth()
{
    if (gModalDepth == 0)
        return;
    if (--gModalDepth == 0) {
        EnableMenuBars(true);
        if (gMainMenuHook != nullptr)
            gMainMenuHook(true);
    }
}

void LSetMainMenuEnableHook(void (*hook)(bool enable))
{
    gMainMenuHook = hook;
}

void LSetHelpTopicOpener(LHelpTopicOpenerFunction opener)
{
    gHelpTopicOpener = opener;
}

void LOpenHelpTopic(const char* topic)
{
    gLastHelpTopic = topic != nullptr ? topic : "";
    if (gHelpTopicOpener != nullptr)
        gHelpTopicOpener(gLastHelpTopic.c_str());
}

const char* LLastHelpTopic()
{
    return gLastHelpTopic.c_str();
}

// ---- associated data ----

void LAssociatedData::SetData(uintptr_t value, LViewHandle object, const char* key)
{
    if (object == nullptr)
        return;
    LQtWidget(object)->setProperty(key, QVariant::fromValue<quintptr>(value));
}

uintptr_t LAssociatedData::GetData(LViewHandle object, const char* key)
{
    if (object == nullptr)
        return 0;
    QVariant value = LQtWidget(object)->property(key);
    return value.isValid() ? static_cast<uintptr_t>(value.value<quintptr>()) : 0;
}

LViewHandle LGetSuperview(LViewHandle view)
{
    return view != nullptr ? LQtHandle(LQtWidget(view)->parentWidget()) : nullptr;
}

LWindow* LGetWindowFromView(LViewHandle view)
{
    return reinterpret_cast<LWindow*>(LAssociatedData::GetData(view, LAssociatedData::kWindowKey));
}

// ---- the manager and the peers ----

LMacWindowManager::LMacWindowManager(QWidget* window, LWindow* owner) : widget_(window), window_(owner)
{
    lastScreen_ = LQtScreenOf(window);
    lastScale_ = window != nullptr ? std::max(1.0, window->devicePixelRatioF()) : 1.0;
    previousFrame_ = window != nullptr ? window->frameGeometry() : QRect();
    updateCharacterSize();
}

void LMacWindowManager::closeWindow()
{
    window_ = nullptr;
    resizable_ = nullptr;
    QObject::disconnect(appStateConnection_);
    if (widget_ == nullptr)
        return;
    if (auto* impl = qobject_cast<LQtWindowImpl*>(widget_.data()))
        impl->detach();
    for (auto* view : widget_->findChildren<LQtWindowContentView*>())
        if (LGetWindowFromView(LQtHandle(view)) == nullptr)
            view->detach();
    widget_->hide();
    // Never inside the widget's own event handler: the deletion waits for
    // the event loop.
    widget_->deleteLater();
}

void LMacWindowManager::relayoutControls()
{
    if (resizable_ != nullptr && window_ != nullptr)
        resizable_->FitWindowToScreen();
}

void LMacWindowManager::removeEmbeddedWindow(LEmbeddedWindow* window)
{
    auto it = std::find(embedded_.begin(), embedded_.end(), window);
    if (it != embedded_.end())
        embedded_.erase(it);
}

void LMacWindowManager::windowShouldClose()
{
    if (window_ == nullptr || !window_->IsWindow())
        return;
    if (!window_->CanCancel())
        return;
    window_->Cancel();
}

bool LMacWindowManager::cancelByEscape()
{
    if (window_ == nullptr || !window_->IsWindow())
        return false;
    if (auto* button = LQtFindCancelButton(LQtWidget(window_->GetView()))) {
        if (button->isEnabled() && button->isVisible())
            button->click();
        return true;
    }
    if (closeByEsc_) {
        window_->SendCommand(kCommandCancel);
        return true;
    }
    return false;
}

LQtWindowImpl::LQtWindowImpl(LWindow* window, Qt::WindowFlags flags)
    : QWidget(nullptr, flags), window_(window)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
}

LMacWindowManager* LQtWindowImpl::manager() const
{
    return window_ != nullptr ? window_->GetManager() : nullptr;
}

void LQtWindowImpl::closeEvent(QCloseEvent* event)
{
    // The close box arrives as 'not!': the window ends itself through
    // EndDialog, or stays when it cannot cancel.
    event->ignore();
    if (LMacWindowManager* m = manager())
        m->windowShouldClose();
}

void LQtWindowImpl::setOwnerWindow(QWidget* owner)
{
    owner_ = owner != nullptr && owner->window() != this ? owner->window() : nullptr;
    // The toolkit hands the owner to the window manager only for dialog-type
    // windows; a plain window would float free of the window it came from.
    if (owner_ != nullptr && windowType() == Qt::Window && !isVisible())
        setWindowFlags((windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog);
}

void LQtWindowImpl::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Sent before the window is mapped: what the window manager reads at the
    // map (WM_TRANSIENT_FOR) is set here. An owner that is not shown would
    // take this window out of sight with it.
    if (QWindow* handle = windowHandle()) {
        QWindow* owner = owner_ != nullptr && owner_->isVisible() ? owner_->windowHandle() : nullptr;
        if (handle->transientParent() != owner)
            handle->setTransientParent(owner);
    }
    // A work area that changes (a panel comes or grows) takes the window
    // with it.
    if (QScreen* screen = LQtScreenOf(this); screen != watchedScreen_) {
        disconnect(workAreaWatch_);
        watchedScreen_ = screen;
        workAreaWatch_ =
            connect(screen, &QScreen::availableGeometryChanged, this, [this] { keepOnWorkArea(); });
    }
    fitPending_ = true;
    // Without a window manager no frame comes: what there is fits now.
    QTimer::singleShot(0, this, [this] { keepOnWorkArea(); });
}

void LQtWindowImpl::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    // The window manager framed and placed the window: its frame is known
    // from now on and must lie inside the work area.
    if (fitPending_ && frameGeometry() != geometry()) {
        fitPending_ = false;
        QTimer::singleShot(0, this, [this] { keepOnWorkArea(); });
    }
    if (LMacWindowManager* m = manager())
        m->windowDidMove();
}

void LQtWindowImpl::keepOnWorkArea()
{
    if (!isVisible() || isMinimized() || isMaximized() || isFullScreen())
        return;
    // The offscreen platform's screen is a nominal size that the program's
    // shots and tests lay windows out beyond.
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return;
    QScreen* screen = LQtScreenOf(this);
    if (screen == nullptr)
        return;
    const QRect area = screen->availableGeometry();
    const QRect frame = frameGeometry();
    const QRect client = geometry();
    const int frameWidth = frame.width() - client.width();
    const int frameHeight = frame.height() - client.height();
    // A resizable window's minimum never asks for more than the work area
    // leaves inside the frame.
    const QSize room(std::max(1, area.width() - frameWidth), std::max(1, area.height() - frameHeight));
    if (minimumSize() != maximumSize() && (minimumWidth() > room.width() || minimumHeight() > room.height()))
        setMinimumSize(minimumSize().boundedTo(room));
    // Shrunk as far as the window allows; a window that cannot shrink keeps
    // its top-left corner (title bar and close box) on the work area.
    QSize size(std::min(client.width(), area.width() - frameWidth),
               std::min(client.height(), area.height() - frameHeight));
    size = size.expandedTo(minimumSize()).boundedTo(maximumSize());
    if (size != client.size())
        resize(size);
    const int x =
        std::max(area.x(), std::min(frame.x(), area.x() + area.width() - size.width() - frameWidth));
    const int y =
        std::max(area.y(), std::min(frame.y(), area.y() + area.height() - size.height() - frameHeight));
    if (QPoint(x, y) != frame.topLeft())
        move(x, y);
}

namespace {

bool IsModifierKey(int qtKey)
{
    return qtKey == Qt::Key_Shift || qtKey == Qt::Key_Control || qtKey == Qt::Key_Alt ||
           qtKey == Qt::Key_Meta || qtKey == Qt::Key_AltGr;
}

uint32_t ModifierBitOfKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Control:
        return LKey::kCommand;
    case Qt::Key_Shift:
        return LKey::kShift;
    case Qt::Key_Alt:
        return LKey::kOption;
    case Qt::Key_Meta:
        return LKey::kControl;
    default:
        return 0;
    }
}

// The modifiers after a modifier key went down or up. Platforms differ on
// whether the event's own modifiers already include the key, so the key
// itself decides its bit.
uint32_t ModifiersAfter(const QKeyEvent* event, bool pressed)
{
    uint32_t bits = LQtModifierBits(event->modifiers());
    uint32_t own = ModifierBitOfKey(event->key());
    return pressed ? (bits | own) : (bits & ~own);
}

// The character the layout typed for the key, 0 when none.
char16_t TypedCharacter(const QKeyEvent* event)
{
    const QString text = event->text();
    if (text.size() != 1 || !text.at(0).isPrint())
        return 0;
    return text.at(0).unicode();
}

} // namespace

LKeyHandler* LQtWindowImpl::activeKeyHandler() const
{
    LKeyHandler* handler = window_ != nullptr ? window_->GetKeyHandler() : nullptr;
    return handler != nullptr && handler->IsEnabled() ? handler : nullptr;
}

void LQtWindowImpl::keyPressEvent(QKeyEvent* event)
{
    if (LKeyHandler* handler = activeKeyHandler()) {
        bool handled = IsModifierKey(event->key())
                           ? handler->DispatchModifiersChanged(ModifiersAfter(event, true), false)
                           : handler->DispatchKeyDown(LQtKeyFromEvent(event), event->isAutoRepeat(),
                                                      TypedCharacter(event));
        if (handled) {
            event->accept();
            return;
        }
    }
    LMacWindowManager* m = manager();
    if (m != nullptr && event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (m->cancelByEscape()) {
            event->accept();
            return;
        }
    }
    if (m != nullptr && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        if (auto* button = LQtFindDefaultButton(this)) {
            if (button->isEnabled())
                button->click();
            event->accept();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

void LQtWindowImpl::keyReleaseEvent(QKeyEvent* event)
{
    if (LKeyHandler* handler = activeKeyHandler()) {
        bool handled = IsModifierKey(event->key())
                           ? handler->DispatchModifiersChanged(ModifiersAfter(event, false), false)
                           : handler->DispatchKeyUp(LQtKeyFromEvent(event), event->isAutoRepeat());
        if (handled) {
            event->accept();
            return;
        }
    }
    QWidget::keyReleaseEvent(event);
}

void LQtWindowImpl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    for (auto* child : findChildren<LQtWindowContentView*>(Qt::FindDirectChildrenOnly))
        child->setGeometry(LQtContentArea(this));
    if (LMacWindowManager* m = manager())
        m->windowDidResize();
}

void LQtWindowImpl::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (window_ == nullptr)
        return;
    if (event->type() == QEvent::ActivationChange) {
        if (LMacWindowManager* m = manager()) {
            if (isActiveWindow())
                m->windowDidBecomeKey();
            else
                m->windowDidResignKey();
        }
    } else if (event->type() == QEvent::WindowStateChange) {
        LMacWindowManager* m = manager();
        if (m != nullptr && !m->windowDidChangeState(static_cast<QWindowStateChangeEvent*>(event)->oldState(),
                                                     event->spontaneous()))
            return;
        if (windowState() & Qt::WindowMinimized)
            window_->OnMinimize();
        else if (static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized)
            window_->OnRestore();
    }
}

bool LQtWindowImpl::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    // A move to another screen, or a new scale on this one.
    if (event->type() == QEvent::ScreenChangeInternal
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
        || event->type() == QEvent::DevicePixelRatioChange
#endif
    ) {
        if (LMacWindowManager* m = manager())
            m->handleScaleFactorChange();
    }
    return handled;
}

LQtWindowContentView::LQtWindowContentView(LWindow* window, QWidget* parent)
    : QWidget(parent), window_(window)
{
    setAutoFillBackground(true);
}

void LQtWindowContentView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (LWindowBackgroundPainter* painter = LGetBackgroundPainter(LQtHandle(this)))
        painter->FrameChanged();
    if (window_ == nullptr || !embeddedHost_)
        return;
    if (auto* embedded = dynamic_cast<LEmbeddedWindow*>(window_))
        embedded->Relayout();
}

void LQtWindowContentView::paintEvent(QPaintEvent* event)
{
    LWindowBackgroundPainter* painter = LGetBackgroundPainter(LQtHandle(this));
    if (painter == nullptr) {
        QWidget::paintEvent(event);
        return;
    }
    // In pixels over the whole view, whatever part is dirty.
    const double scale = std::max(1.0, devicePixelRatioF());
    QPainter qpainter(this);
    qpainter.scale(1.0 / scale, 1.0 / scale);
    LQtPaintContext context(&qpainter, scale, true);
    context.area = {0, 0, Round(width() * scale), Round(height() * scale)};
    painter->PaintView(&context);
}

// ---- LMacWindow ----

LMacWindow::LMacWindow() : life_(std::make_shared<bool>(true))
{
    double scale = MainScreenScale();
    charWidthPx_ = static_cast<float>(8 * scale);
    charHeightPx_ = static_cast<float>(17 * scale);
}

LMacWindow::~LMacWindow()
{
    life_.reset();
    if (view_ != nullptr && isTopLevel_) {
        // A window deleted while still shown: take its peers down rather than
        // leave them pointing at freed memory.
        LAssociatedData::SetData(0, view_, LAssociatedData::kWindowKey);
        if (manager_ != nullptr) {
            manager_->closeWindow();
            delete manager_;
        }
    }
}

void LMacWindow::SetCharacterCell(float widthPt, float heightPt, double scale)
{
    charWidthPt_ = widthPt;
    charHeightPt_ = heightPt;
    charWidthPx_ = static_cast<float>(widthPt * scale);
    charHeightPx_ = static_cast<float>(heightPt * scale);
}

void LMacWindow::OnHelp()
{
    LOpenHelpTopic("index");
}

void LMacWindow::OnCommand(int command, int extra)
{
    (void)extra;
    if (command == kCommandHelp) {
        OnHelp();
        return;
    }
    if (command == kCommandCancel) {
        if (CanCancel())
            EndDialog(kCommandCancel);
    } else if (command == kCommandOK) {
        if (CanOK())
            EndDialog(kCommandOK);
    } else if (command == kCommandReady) {
        OnReady();
    }
    if (IsVisible())
        UpdateControls();
}

void LMacWindow::EndDialog(int code)
{
    closing_ = true;
    modalResult_ = code;
    if (modalRunning_) {
        modalRunning_ = false;
        if (modalLoop_ != nullptr)
            static_cast<QEventLoop*>(modalLoop_)->exit(0);
        return;
    }
    DestroyWindow();
}

bool LMacWindow::IsWindow() const
{
    return view_ != nullptr && LQtWidget(view_)->parentWidget() != nullptr && !closing_;
}

static QWidget* ShownView(const LMacWindow* window)
{
    return LQtWidget(window->GetView());
}

bool LMacWindow::IsVisible() const
{
    if (view_ == nullptr)
        return false;
    if (isTopLevel_)
        return nsWindow_ != nullptr && LQtWidget(nsWindow_)->isVisible();
    QWidget* shown = ShownView(this);
    return shown->parentWidget() != nullptr && shown->isVisible();
}

bool LMacWindow::IsEnabled() const
{
    if (view_ == nullptr)
        return false;
    if (isTopLevel_) {
        QWidget* top = LQtWidget(nsWindow_);
        return top->isEnabled() && top->isActiveWindow();
    }
    return ShownView(this)->isEnabled();
}

void LMacWindow::ShowWindow(bool show)
{
    if (view_ == nullptr)
        return;
    if (!isTopLevel_) {
        ShownView(this)->setVisible(show);
        if (show)
            ShownView(this)->update();
        return;
    }
    QWidget* top = LQtWidget(nsWindow_);
    if (show) {
        top->show();
        // The offscreen platform used by tests and qd-gui cannot raise.
        if (QGuiApplication::platformName() != QLatin1String("offscreen"))
            top->raise();
        top->activateWindow();
    } else {
        top->hide();
    }
}

void LMacWindow::SetTitle(const char* text)
{
    std::snprintf(title_, sizeof(title_), "%s", text != nullptr ? text : "");
    if (nsWindow_ != nullptr)
        LQtWidget(nsWindow_)->setWindowTitle(QString::fromUtf8(text != nullptr ? text : ""));
}

void LMacWindow::Redraw()
{
    if (view_ != nullptr)
        ShownView(this)->update();
}

void LMacWindow::EnableCloseButton(bool enable)
{
    if (nsWindow_ == nullptr)
        return;
    QWidget* top = LQtWidget(nsWindow_);
    bool visible = top->isVisible();
    top->setWindowFlag(Qt::WindowCloseButtonHint, enable);
    if (visible)
        top->show(); // changing flags hides a top-level widget
}

void LMacWindow::EnableWindow(bool enable)
{
    if (nsWindow_ != nullptr)
        LQtWidget(nsWindow_)->setEnabled(enable);
    else if (view_ != nullptr)
        ShownView(this)->setEnabled(enable);
}

bool LMacWindow::WaitUntilClosed(int ms)
{
    LWaitWithMessagePump([this] { return !IsWindow(); }, true, static_cast<uint32_t>(ms));
    return IsWindow();
}

bool LMacWindow::SendCommand(int command, int extra)
{
    LWindow* self = LGetWindowFromView(view_);
    if (self == nullptr)
        return false;
    LSendCommandExtra(static_cast<uint32_t>(command), static_cast<uint32_t>(extra), self);
    return true;
}

void LMacWindow::PostCommand(int command, int extra)
{
    LPostCommandExtra(static_cast<uint32_t>(command), static_cast<uint32_t>(extra),
                      static_cast<LWindow*>(this));
}

void LMacWindow::SetParent(LWindow* parent)
{
    if (view_ == nullptr)
        return;
    LAssociatedData::SetData(reinterpret_cast<uintptr_t>(parent), view_, LAssociatedData::kParentWindowKey);
    LAssociatedData::SetData(reinterpret_cast<uintptr_t>(parent != nullptr ? parent->GetView() : nullptr),
                             view_, LAssociatedData::kParentViewKey);
    if (isTopLevel_ && nsWindow_ != nullptr)
        if (auto* impl = qobject_cast<LQtWindowImpl*>(LQtWidget(nsWindow_)))
            impl->setOwnerWindow(parent != nullptr && parent->GetView() != nullptr
                                     ? LQtWidget(parent->GetView())->window()
                                     : nullptr);
}

LWindow* LMacWindow::GetParentWindow() const
{
    return reinterpret_cast<LWindow*>(LAssociatedData::GetData(view_, LAssociatedData::kParentWindowKey));
}

bool LMacWindow::CreateCocoaWindow(int width, int height, unsigned styleMask, bool panel,
                                   LViewHandle parentView)
{
    LQtMainThreadDispatcher::Install();
    if (view_ != nullptr)
        DestroyWindow();
    QWidget* parentWidget = parentView != nullptr ? LQtWidget(parentView)->window() : nullptr;
    QScreen* screen = LQtScreenOf(parentWidget);
    double scale = screen != nullptr ? screen->devicePixelRatio() : 1.0;
    if (scale <= 0)
        scale = 1.0;
    Qt::WindowFlags flags = panel ? Qt::Tool : (parentWidget != nullptr ? Qt::Dialog : Qt::Window);
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (styleMask & kWindowStyleClosable)
        flags |= Qt::WindowCloseButtonHint;
    if (styleMask & kWindowStyleMiniaturizable)
        flags |= Qt::WindowMinimizeButtonHint;
    if (styleMask & kWindowStyleResizable)
        flags |= Qt::WindowMaximizeButtonHint;
    LQtWindowImpl* impl = panel ? new LQtPanelImpl(static_cast<LWindow*>(this))
                                : new LQtWindowImpl(static_cast<LWindow*>(this), flags);
    if (panel)
        impl->setWindowFlags(flags);
    if (screen != nullptr)
        impl->setScreen(screen);
    QSize size(std::max(1, Round((width != 0 ? width : 1) / scale)),
               std::max(1, Round((height != 0 ? height : 1) / scale)));
    impl->resize(size);
    if (!(styleMask & kWindowStyleResizable))
        impl->setFixedSize(size);
    if (screen != nullptr) {
        QRect visible = screen->availableGeometry();
        impl->move(visible.x() + (visible.width() - size.width()) / 2,
                   visible.y() + (visible.height() - size.height()) / 2);
    }
    isPanel_ = panel;
    auto* content = new LQtWindowContentView(static_cast<LWindow*>(this), impl);
    content->setGeometry(0, 0, size.width(), size.height());
    nsWindow_ = LQtHandle(impl);
    view_ = LQtHandle(content);
    manager_ = new LMacWindowManager(impl, static_cast<LWindow*>(this));
    closing_ = false;
    isTopLevel_ = true;
    created_ = false;
    LAssociatedData::SetData(reinterpret_cast<uintptr_t>(static_cast<LWindow*>(this)), view_,
                             LAssociatedData::kWindowKey);
    LAssociatedData::SetData(reinterpret_cast<uintptr_t>(parentView), view_, LAssociatedData::kParentViewKey);
    impl->setProperty("lresizable", (styleMask & kWindowStyleResizable) != 0);
    generation_.fetch_add(1, std::memory_order_acq_rel);
    return true;
}

bool LMacWindow::CreateFromTemplate(const LDialogTemplate* dialogTemplate)
{
    if (IsWindow()) {
        ShowWindow(true);
        return false;
    }
    double scale = MainScreenScale();
    int w = static_cast<int>(dialogTemplate->width * scale);
    int h = static_cast<int>(dialogTemplate->height * scale);
    auto* self = static_cast<LWindow*>(this);
    CreateCocoaWindow(w, h, kWindowStyleTitled | kWindowStyleClosable, self->usePanel, nullptr);
    SetTitle(dialogTemplate->title);
    EnableCloseButton(dialogTemplate->closable);
    if (dialogTemplate->builder != nullptr)
        dialogTemplate->builder(self, 0, 0, 1);
    self->LayoutDialogButtons(0, 0, 0, w, h);
    return true;
}

void LMacWindow::InitWindow(int placement, bool show)
{
    placement_ = 0;
    OnCreate();
    if (!IsWindow())
        return; // ended itself while creating its controls
    PostCommand(kCommandReady);
    if (placement_ == 0) {
        if (placement == LPlacementCenterOnScreen)
            CenterOnScreen();
        else if (placement == LPlacementCenterOnParent)
            CenterOnParent();
    }
    UpdateControls();
    if (!IsWindow())
        return;
    created_ = true;
    if (manager_ != nullptr)
        manager_->relayoutControls();
    ShowWindow(show);
    if (show && view_ != nullptr) {
        QWidget* first = ShownView(this)->nextInFocusChain();
        if (first != nullptr && ShownView(this)->isAncestorOf(first))
            first->setFocus(Qt::TabFocusReason);
    }
}

void LMacWindow::DestroyWindow()
{
    LViewHandle view = view_;
    LWindow* formerOwner = nullptr;
    if (view != nullptr) {
        LQtMouseCapture::shared().releaseCaptureOf(view);
        OnDestroy();
        LAbandonWindowMessagesTo(view);
        if (manager_ != nullptr) {
            std::vector<LEmbeddedWindow*> embedded = manager_->embeddedWindows();
            for (LEmbeddedWindow* child : embedded)
                child->Detach();
        }
        formerOwner = GetParentWindow();
        LAssociatedData::SetData(0, view, LAssociatedData::kWindowKey);
    }
    SetParent(nullptr);
    if (modalLoop_ != nullptr) {
        modalRunning_ = false;
        static_cast<QEventLoop*>(modalLoop_)->exit(0);
    }
    if (isTopLevel_ && manager_ != nullptr) {
        manager_->closeWindow();
    } else if (view != nullptr) {
        QWidget* widget = ShownView(this);
        if (auto* content = qobject_cast<LQtWindowContentView*>(widget))
            content->detach();
        widget->hide();
        widget->setParent(nullptr);
        widget->deleteLater();
    }
    delete manager_;
    manager_ = nullptr;
    if (view != nullptr)
        generation_.fetch_add(1, std::memory_order_acq_rel);
    view_ = nullptr;
    closing_ = false;
    nsWindow_ = nullptr;
    created_ = false;
    isTopLevel_ = false;
    if (formerOwner != nullptr && formerOwner->IsWindow())
        formerOwner->EnableWindow(true);
}

// ---- geometry ----

double LMacWindow::GetScaleFactor() const
{
    QWidget* widget = view_ != nullptr ? ShownView(this) : nullptr;
    double scale = widget != nullptr ? widget->devicePixelRatioF() : MainScreenScale();
    return scale < 1.0 ? 1.0 : scale;
}

void LMacWindow::GetWindowSize(int* w, int* h) const
{
    int width = 0, height = 0;
    if (view_ != nullptr) {
        double scale = GetScaleFactor();
        width = Round(ShownView(this)->width() * scale);
        height = Round(ShownView(this)->height() * scale);
    }
    if (w != nullptr)
        *w = width;
    if (h != nullptr)
        *h = height;
}

void LMacWindow::GetClientSize(int* w, int* h) const
{
    int width = 0, height = 0;
    double scale = GetScaleFactor();
    if (isTopLevel_ && nsWindow_ != nullptr) {
        QRect frame = LQtWidget(nsWindow_)->frameGeometry();
        width = Round(frame.width() * scale);
        height = Round(frame.height() * scale);
    } else if (view_ != nullptr) {
        width = static_cast<int>(ShownView(this)->width() * scale);
        height = static_cast<int>(ShownView(this)->height() * scale);
    }
    if (w != nullptr)
        *w = width;
    if (h != nullptr)
        *h = height;
}

void LMacWindow::GetUsableClientSize(int* w, int* h) const
{
    int width = 0, height = 0;
    GetWindowSize(&width, &height);
    if (view_ != nullptr) {
        QWidget* bar = LQtFindControl(ShownView(this), 800);
        if (bar != nullptr && bar->isVisible())
            height -= static_cast<int>(30 * GetScaleFactor());
    }
    if (w != nullptr)
        *w = width;
    if (h != nullptr)
        *h = height;
}

void LMacWindow::GetWindowPos(int* x, int* y) const
{
    int px = 0, py = 0;
    if (nsWindow_ != nullptr) {
        double scale = GetScaleFactor();
        QRect frame = LQtWidget(nsWindow_)->frameGeometry();
        px = Round(frame.x() * scale);
        py = Round(frame.y() * scale);
    }
    if (x != nullptr)
        *x = px;
    if (y != nullptr)
        *y = py;
}

void LMacWindow::ResizeWindow(int w, int h, bool animate)
{
    (void)animate;
    if (!isTopLevel_ || nsWindow_ == nullptr)
        return;
    QWidget* top = LQtWidget(nsWindow_);
    double scale = GetScaleFactor();
    QSize size(std::max(1, Round((w != 0 ? w : 1) / scale)), std::max(1, Round((h != 0 ? h : 1) / scale)));
    if (!top->property("lresizable").toBool())
        top->setFixedSize(size);
    else
        top->resize(size);
    // A hidden widget gets its resize event only when shown: the content
    // view follows now, so sizes read back at once.
    ShownView(this)->setGeometry(LQtContentArea(top, size));
}

void LMacWindow::SetMinSize(int w, int h)
{
    if (nsWindow_ == nullptr)
        return;
    double scale = GetScaleFactor();
    LQtWidget(nsWindow_)->setMinimumSize(Round(w / scale), Round(h / scale));
}

void LMacWindow::MoveWindow(int x, int y)
{
    if (nsWindow_ == nullptr)
        return;
    double scale = GetScaleFactor();
    LQtWidget(nsWindow_)->move(Round(x / scale), Round(y / scale));
}

static QRect VisibleFrameOf(QWidget* top)
{
    QScreen* screen = LQtScreenOf(top);
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

// Top-left of a frame of size inside visible, centred on area; per axis a
// position at or before the visible origin becomes the origin, otherwise it
// is limited so the frame ends inside.
static QPoint CenteredIn(const QRect& area, const QSize& size, const QRect& visible, double scale)
{
    auto axis = [](int areaStart, int areaSize, int size, int visStart, int visSize) {
        int pos = areaStart + (areaSize - size) / 2;
        if (pos <= visStart)
            return visStart;
        // A window larger than the visible area keeps its top-left corner
        // (title bar and close box) on the screen.
        return std::max(visStart, std::min(pos, visStart + visSize - size));
    };
    int x = axis(area.x(), area.width(), size.width(), visible.x(), visible.width());
    int y = axis(area.y(), area.height(), size.height(), visible.y(), visible.height());
    // Edges on device pixels.
    x = static_cast<int>(std::floor(Round(x * scale) / scale));
    y = static_cast<int>(std::floor(Round(y * scale) / scale));
    return {x, y};
}

void LMacWindow::CenterOnParent()
{
    placement_ = 1;
    if (nsWindow_ == nullptr)
        return;
    QWidget* top = LQtWidget(nsWindow_);
    LWindow* owner = GetParentWindow();
    QWidget* ownerTop =
        owner != nullptr && owner->GetView() != nullptr ? LQtWidget(owner->GetView())->window() : nullptr;
    QRect visible = VisibleFrameOf(top);
    QRect area = ownerTop != nullptr ? ownerTop->frameGeometry() : visible;
    top->move(CenteredIn(area, top->frameGeometry().size(), visible, GetScaleFactor()));
}

void LMacWindow::CenterOnScreen()
{
    placement_ = 2;
    if (nsWindow_ == nullptr)
        return;
    QWidget* top = LQtWidget(nsWindow_);
    QRect visible = VisibleFrameOf(top);
    top->move(CenteredIn(visible, top->frameGeometry().size(), visible, GetScaleFactor()));
}

bool LMacWindow::IsMaximized() const
{
    return nsWindow_ != nullptr && LQtWidget(nsWindow_)->isMaximized();
}

void LMacWindow::Maximize()
{
    if (nsWindow_ == nullptr)
        return;
    QWidget* top = LQtWidget(nsWindow_);
    top->setWindowState(top->windowState() | Qt::WindowMaximized);
}

void LMacWindow::RestoreWindowPlacement(const char* section, int defW, int defH, int minW, int minH,
                                        bool defMaximized)
{
    if (!IsWindow() || nsWindow_ == nullptr)
        return;
    QWidget* top = LQtWidget(nsWindow_);
    double scale = GetScaleFactor();
    QRect visible = VisibleFrameOf(top);
    int vx = static_cast<int>(visible.x() * scale);
    int vy = static_cast<int>(visible.y() * scale);
    int vw = static_cast<int>(visible.width() * scale);
    int vh = static_cast<int>(visible.height() * scale);
    minW = std::min(minW, vw);
    minH = std::min(minH, vh);
    int w = LSettingsGetInt(section, "Width", defW);
    w = w <= minW ? minW : std::min(w, vw);
    int h = LSettingsGetInt(section, "Height", defH);
    h = h <= minH ? minH : std::min(h, vh);
    int statusBar = 0;
    if (QWidget* bar = LQtFindControl(ShownView(this), 800); bar != nullptr && !bar->isHidden())
        statusBar = static_cast<int>(30 * scale);
    // What the window adds above its content (a menu bar) is not part of the
    // stored height, which is the content's: add it back.
    const int chrome = std::max(0, Round((top->height() - ShownView(this)->height()) * scale));
    int total = std::min(h + statusBar + chrome, vh);
    SetSize(w, total);
    char text[260] = {};
    LSettingsGetString(section, "Maximized", "", text);
    bool maximized = text[0] == '\0' ? defMaximized : text[0] != '0';
    if (maximized) {
        // The restored size above stays the normal geometry.
        Maximize();
        return;
    }
    int xMax = vx + vw - w;
    int yMax = vy + vh - total;
    int x = LSettingsGetInt(section, "X", 200);
    int y = LSettingsGetInt(section, "Y", 200);
    x = x <= vx ? vx : std::min(x, xMax);
    y = y <= vy ? vy : std::min(y, yMax);
    MoveWindow(x, y);
    if (created_)
        ShowWindow(true);
}

void LMacWindow::SaveWindowPlacement(const char* section)
{
    if (!IsWindow() || nsWindow_ == nullptr)
        return;
    QWidget* top = LQtWidget(nsWindow_);
    bool maximized = top->property("lresizable").toBool() && top->isMaximized();
    int x = 0, y = 0, w = 0, h = 0;
    if (maximized) {
        // The normal geometry, so that leaving the maximised state after a
        // restart returns to a real size.
        double scale = GetScaleFactor();
        QRect normal = top->normalGeometry();
        x = Round(normal.x() * scale);
        y = Round(normal.y() * scale);
        w = Round(normal.width() * scale);
        h = Round(normal.height() * scale);
        if (QWidget* bar = LQtFindControl(ShownView(this), 800); bar != nullptr && !bar->isHidden())
            h -= static_cast<int>(30 * scale);
    } else {
        GetWindowPos(&x, &y);
        GetUsableClientSize(&w, &h);
    }
    char number[32];
    LSettingsSetStringForUser(kLSettingsCurrentUser, section, "Maximized", maximized ? "1" : "0");
    std::snprintf(number, sizeof(number), "%d", x);
    LSettingsSetStringForUser(kLSettingsCurrentUser, section, "X", number);
    std::snprintf(number, sizeof(number), "%d", y);
    LSettingsSetStringForUser(kLSettingsCurrentUser, section, "Y", number);
    std::snprintf(number, sizeof(number), "%d", w);
    LSettingsSetStringForUser(kLSettingsCurrentUser, section, "Width", number);
    std::snprintf(number, sizeof(number), "%d", h);
    LSettingsSetStringForUser(kLSettingsCurrentUser, section, "Height", number);
}

void LMacWindow::SetResizableHandler(LResizable* handler)
{
    if (manager_ != nullptr)
        manager_->setResizableHandler(handler);
}

bool LMacWindow::HasMouseCapture() const
{
    return view_ != nullptr && LQtMouseCapture::shared().capturingView() == view_;
}

// ---- LWindow ----

LWindow::LWindow() = default;

LWindow::~LWindow()
{
    if (usePanel && IsWindow())
        DestroyWindow();
}

bool LWindow::DoModal(LWindow* parent, int placement)
{
    if (parent != nullptr && (!parent->IsEnabled() || !parent->IsVisible()))
        parent->ShowWindow(true);
    SetParent(parent);
    if (nsWindow_ != nullptr)
        LQtWidget(nsWindow_)->setWindowModality(Qt::ApplicationModal);
    // A dialog opened from a shown window stands over that window.
    if (placement == LPlacementCenterOnScreen && parent != nullptr && parent->IsVisible() &&
        !LIsWindowMiniaturized(parent))
        placement = LPlacementCenterOnParent;
    modalResult_ = kCommandCancel;
    InitWindow(placement, true);
    if (manager_ != nullptr)
        manager_->setCloseWindowByEsc(true);
    int result = modalResult_;
    // A log-out closes the open questions and asks no new ones: a window a
    // timer opens after the signal would otherwise hold the quit forever.
    if (IsWindow() && !LIsSessionEnding()) {
        modalRunning_ = true;
        LIncrementModalDepth();
        QEventLoop loop;
        modalLoop_ = &loop;
        ModalRuns().push_back(this);
        loop.exec(QEventLoop::DialogExec);
        std::erase(ModalRuns(), this);
        modalLoop_ = nullptr;
        modalRunning_ = false;
        result = modalResult_;
        LDecrementModalDepth();
    }
    DestroyWindow();
    return result == kCommandOK;
}

bool LWindow::ShowModeless(LWindow* parent, int placement, bool show)
{
    SetParent(parent);
    InitWindow(placement, show);
    if (manager_ != nullptr)
        manager_->setCloseWindowByEsc(true);
    return IsWindow();
}

static LWindow* OwnerOf(LViewHandle view)
{
    return LGetWindowFromView(view);
}

int LWindow::CreateModal(LViewHandle parentView, const LDialogTemplate* dialogTemplate)
{
    if (!CreateFromTemplate(dialogTemplate))
        return 0;
    return DoModal(OwnerOf(parentView), LPlacementCenterOnScreen) ? 1 : 0;
}

int LWindow::CreateModalSized(LViewHandle parentView, int w, int h)
{
    double scale = MainScreenScale();
    CreateCocoaWindow(static_cast<int>(w * 2 * scale), static_cast<int>(h * 2 * scale),
                      kWindowStyleTitled | kWindowStyleClosable, usePanel, parentView);
    return DoModal(OwnerOf(parentView), LPlacementCenterOnScreen) ? 1 : 0;
}

int LWindow::CreateModalResizable(LViewHandle parentView, int w, int h)
{
    double scale = MainScreenScale();
    unsigned style = usePanel ? 15u : 11u;
    CreateCocoaWindow(static_cast<int>(w * 2 * scale), static_cast<int>(h * 2 * scale), style, usePanel,
                      parentView);
    return DoModal(OwnerOf(parentView), LPlacementCenterOnScreen) ? 1 : 0;
}

int LWindow::CreateModalDialogUnits(LViewHandle parentView, float w, float h)
{
    CreateCocoaWindow(Round(w * charWidthPx_), Round(h * charHeightPx_),
                      kWindowStyleTitled | kWindowStyleClosable, usePanel, parentView);
    return DoModal(OwnerOf(parentView), LPlacementCenterOnScreen) ? 1 : 0;
}
