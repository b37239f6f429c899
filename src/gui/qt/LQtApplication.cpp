#include "gui/framework/LApplication.h"

#include "foundation/process/LProcessStartup.h"
#include "gui/framework/LPopupMenu.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtMainThreadDispatcher.h"
#include "gui/qt/LQtMenuImpl.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/LQtWindowImpl.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QMenuBar>
#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

#include <atomic>

namespace {

std::atomic<bool> gTerminating{false};
QPointer<QEventLoop> gRunLoop;

struct AppState
{
    bool (*quitHook)(void*) = nullptr;
    void* quitData = nullptr;
    bool quitting = false;
    bool (*lastWindowHook)(void*) = nullptr;
    void* lastWindowData = nullptr;
    QMetaObject::Connection lastWindowConnection;
};

QWidget* TopOf(const LWindow* window)
{
    if (window == nullptr || window->GetView() == nullptr)
        return nullptr;
    return LQtWidget(window->GetView())->window();
}

// Keeps a window's menu bar in step with the menu it shows: the bar holds the
// menu's submenus, rebuilt whenever the menu gains or loses an entry.
class LQtMenuBarFollower : public QObject
{
public:
    LQtMenuBarFollower(QMenuBar* bar, QMenu* menu) : QObject(bar), bar_(bar), menu_(menu), watchedMenu_(menu)
    {
        menu->installEventFilter(this);
        Rebuild();
    }

    void Rebuild()
    {
        if (!bar_ || !menu_)
            return;
        bar_->clear();
        for (QAction* action : menu_->actions())
            if (action->menu())
                bar_->addAction(action);
        if (QWidget* top = bar_->parentWidget())
            for (QWidget* child : top->findChildren<LQtWindowContentView*>(Qt::FindDirectChildrenOnly))
                child->setGeometry(LQtContentArea(top));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Compared as an object: while the menu is destroyed it still sends
        // events but is no longer a QMenu.
        if (watched == watchedMenu_ &&
            (event->type() == QEvent::ActionAdded || event->type() == QEvent::ActionRemoved))
            Rebuild();
        return false;
    }

private:
    QPointer<QMenuBar> bar_;
    QPointer<QMenu> menu_;
    const QObject* watchedMenu_ = nullptr;
};

QMenuBar* FindBar(const QWidget* top)
{
    if (top == nullptr)
        return nullptr;
    for (QMenuBar* bar : top->findChildren<QMenuBar*>(Qt::FindDirectChildrenOnly))
        if (bar->property("lmenubar").toBool())
            return bar;
    return nullptr;
}

} // namespace

LApplication::LApplication(int& argc, char** argv)
{
    if (QApplication::instance() == nullptr) {
        new QApplication(argc, argv);
        ownsApplication_ = true;
    }
    // Hiding the main window must not end the program; the delegate decides
    // when the last closed window ends it.
    QApplication::setQuitOnLastWindowClosed(false);
    LQtMainThreadDispatcher::Install();
    state_ = new AppState;
}

LApplication::~LApplication()
{
    auto* state = static_cast<AppState*>(state_);
    QObject::disconnect(state->lastWindowConnection);
    delete state;
    if (ownsApplication_)
        delete QApplication::instance();
}

void LApplication::SetLastWindowClosedHook(bool (*hook)(void*), void* data)
{
    auto* state = static_cast<AppState*>(state_);
    state->lastWindowHook = hook;
    state->lastWindowData = data;
    QObject::disconnect(state->lastWindowConnection);
    if (hook != nullptr)
        state->lastWindowConnection =
            QObject::connect(qApp, &QGuiApplication::lastWindowClosed, qApp, [state] {
                if (state->lastWindowHook != nullptr && state->lastWindowHook(state->lastWindowData))
                    LTerminateApplication();
            });
}

void LApplication::SetQuitRequestHook(bool (*hook)(void*), void* data)
{
    auto* state = static_cast<AppState*>(state_);
    state->quitHook = hook;
    state->quitData = data;
}

void LApplication::Run()
{
    if (gTerminating.load())
        return;
    QEventLoop loop;
    gRunLoop = &loop;
    // SIGINT and SIGTERM ask the program to quit as the Quit command does.
    auto* state = static_cast<AppState*>(state_);
    QSocketNotifier quitNotifier(LGetQuitSignal().ReadFd(), QSocketNotifier::Read);
    QObject::connect(&quitNotifier, &QSocketNotifier::activated, &loop, [state] {
        LGetQuitSignal().Reset();
        // A signal that arrives while the quit question is up is the same request.
        if (state->quitting)
            return;
        state->quitting = true;
        const bool quit = state->quitHook == nullptr || state->quitHook(state->quitData);
        state->quitting = false;
        if (quit)
            LTerminateApplication();
    });
    loop.exec();
    gRunLoop = nullptr;
}

void LTerminateApplication()
{
    gTerminating = true;
    if (gRunLoop)
        gRunLoop->quit();
}

bool LIsApplicationTerminating()
{
    return gTerminating.load();
}

void LHideApplication()
{
    LMiniaturizeAllWindows();
}

void LMiniaturizeAllWindows()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->isWindow() && !widget->isMinimized())
            widget->showMinimized();
}

void LMiniaturizeWindow(LWindow* window)
{
    if (QWidget* top = TopOf(window))
        if (!top->isMinimized())
            top->showMinimized();
}

void LDeminiaturizeWindow(LWindow* window)
{
    if (QWidget* top = TopOf(window))
        if (top->isMinimized())
            top->showNormal();
}

bool LIsWindowMiniaturized(const LWindow* window)
{
    QWidget* top = TopOf(window);
    return top != nullptr && top->isMinimized();
}

void LOrderWindowFront(LWindow* window)
{
    if (QWidget* top = TopOf(window)) {
        top->show();
        if (QGuiApplication::platformName() != QLatin1String("offscreen"))
            top->raise();
        top->activateWindow();
    }
}

void LAttachMenuBar(LWindow* window, LPopupMenu* menu)
{
    QWidget* top = TopOf(window);
    if (top == nullptr)
        return;
    delete FindBar(top);
    QMenu* root = menu != nullptr ? LQtMenuImpl::FromNative(menu->Native()) : nullptr;
    if (root != nullptr) {
        auto* bar = new QMenuBar(top);
        bar->setProperty("lmenubar", true);
        // The desktop's global menu, where there is one, would take the bar
        // out of the window; keeping it in the window keeps sizes the same
        // everywhere.
        bar->setNativeMenuBar(false);
        new LQtMenuBarFollower(bar, root);
        bar->show();
        bar->raise();
    }
    for (QWidget* child : top->findChildren<LQtWindowContentView*>(Qt::FindDirectChildrenOnly))
        child->setGeometry(LQtContentArea(top));
}

int LGetMenuBarHeight(const LWindow* window)
{
    QMenuBar* bar = FindBar(TopOf(window));
    if (bar == nullptr || bar->isHidden())
        return 0;
    return static_cast<int>(bar->height() * window->GetScaleFactor() + 0.5);
}
