#include "gui/framework/LApplication.h"

#include "foundation/process/LProcessStartup.h"
#include "gui/framework/LFileManagerBus.h"
#include "gui/framework/LPopupMenu.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/app/LQtMainThreadDispatcher.h"
#include "gui/qt/menus/LQtMenuImpl.h"
#include "gui/qt/windows/LQtWindowImpl.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QEventLoop>
#include <QMenuBar>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <atomic>
#include <vector>

namespace {

std::atomic<bool> gTerminating{false};
std::atomic<bool> gSessionEnding{false};
QPointer<QEventLoop> gRunLoop;

struct AppState
{
    bool (*quitHook)(void*) = nullptr;
    void* quitData = nullptr;
    bool quitting = false;
    bool (*lastWindowHook)(void*) = nullptr;
    void* lastWindowData = nullptr;
    QMetaObject::Connection lastWindowConnection;
    QSocketNotifier* quitNotifier = nullptr;
};

// Closes what waits for an answer: menus, the program's modal windows and the
// toolkit's dialogs (message boxes, file choosers), each with the answer of
// its Cancel or Escape, which does nothing.
void CloseOpenQuestions()
{
    while (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
        if (QApplication::activePopupWidget() == popup)
            break;
    }
    LCancelModalRuns();
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog != nullptr && dialog->isVisible())
            dialog->reject();
}

// SIGINT or SIGTERM: the session ends (or the user interrupts from a
// terminal), and nobody is left to answer questions. Open questions close
// with their safe answer and later ones are not asked; the program then ends
// whatever the quit hook says, after the hook has had its say (the main
// window saves what it keeps). Before the run loop the start ends where it is.
void OnQuitSignal(AppState* state)
{
    LGetQuitSignal().Reset();
    gSessionEnding = true;
    CloseOpenQuestions();
    if (!gRunLoop) {
        LTerminateApplication();
        return;
    }
    if (state->quitting)
        return;
    state->quitting = true;
    // Once the loops of the questions just closed have returned.
    QTimer::singleShot(0, gRunLoop.data(), [state] {
        if (state->quitHook != nullptr)
            state->quitHook(state->quitData);
        state->quitting = false;
        LTerminateApplication();
    });
}

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
    LInstallFileManagerBus();
    auto* state = new AppState;
    state_ = state;
    // Listening from the start, so that a log-out during the start-up
    // questions is heard too.
    state->quitNotifier = new QSocketNotifier(LGetQuitSignal().ReadFd(), QSocketNotifier::Read);
    QObject::connect(state->quitNotifier, &QSocketNotifier::activated, state->quitNotifier,
                     [state] { OnQuitSignal(state); });
}

LApplication::~LApplication()
{
    auto* state = static_cast<AppState*>(state_);
    QObject::disconnect(state->lastWindowConnection);
    delete state->quitNotifier;
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

bool LIsSessionEnding()
{
    return gSessionEnding.load();
}

namespace {

std::vector<QPointer<QWidget>>& HiddenByHide()
{
    static std::vector<QPointer<QWidget>> hidden;
    return hidden;
}

} // namespace

void LHideApplication()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && qobject_cast<LQtWindowImpl*>(widget) != nullptr) {
            HiddenByHide().emplace_back(widget);
            widget->hide();
        }
}

bool LUnhideApplication()
{
    std::vector<QPointer<QWidget>> hidden;
    hidden.swap(HiddenByHide());
    // Owners first: a window is shown over the window it was opened from.
    std::stable_partition(hidden.begin(), hidden.end(), [](const QPointer<QWidget>& widget) {
        auto* impl = qobject_cast<LQtWindowImpl*>(widget.data());
        return impl == nullptr || impl->ownerWindow() == nullptr;
    });
    bool shown = false;
    for (const QPointer<QWidget>& widget : hidden)
        if (widget != nullptr && !widget->isVisible()) {
            widget->show();
            shown = true;
        }
    return shown;
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
