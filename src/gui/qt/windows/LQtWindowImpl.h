#pragma once
// The Qt peers of an LWindow: the top-level widget (a dialog, a plain window
// or a tool panel), its content view, and the manager that turns widget
// events into the window's operations.

#include "gui/framework/LWindow.h"

#include <QMetaObject>
#include <QPointer>
#include <QWidget>

#include <vector>

class LEmbeddedWindow;
class QScreen;
class LKeyHandler;
class LResizable;

class LMacWindowManager
{
public:
    LMacWindowManager(QWidget* window, LWindow* owner);

    LWindow* zunkitWindow() const { return window_; }
    void closeWindow();
    void relayoutControls();

    LResizable* resizableHandler() const { return resizable_; }
    void setResizableHandler(LResizable* handler) { resizable_ = handler; }
    bool closeWindowByEsc() const { return closeByEsc_; }
    void setCloseWindowByEsc(bool on) { closeByEsc_ = on; }

    void addEmbeddedWindow(LEmbeddedWindow* window) { embedded_.push_back(window); }
    void removeEmbeddedWindow(LEmbeddedWindow* window);
    const std::vector<LEmbeddedWindow*>& embeddedWindows() const { return embedded_; }

    // The close box: CanCancel decides, and the window itself ends through
    // Cancel, never by the toolkit closing it.
    void windowShouldClose();
    // Escape: the cancel button when there is one, else 'not!' when allowed.
    bool cancelByEscape();
    // The frame changed: the resizable handler sees the previous frame and
    // the new one (a move alone only moves the previous frame along).
    void windowDidResize();
    void windowDidMove();
    // The window's state changed from `oldState`: zooming and unzooming
    // the desktop asked for may be turned into the handler's commands (the
    // state then goes back, and the answer is false); minimising tells the
    // handler.
    bool windowDidChangeState(Qt::WindowStates oldState, bool fromDesktop);

    // The character cell of dialog layout, measured from the system font
    // when its size changed since the last call; pixels follow the window's
    // scale. The window and every window embedded in it take the cell.
    void updateCharacterSize();
    float charWidthPoints() const { return charWidthPoints_; }
    float charHeightPoints() const { return charHeightPoints_; }
    float charWidthPixels() const { return charWidthPixels_; }
    float charHeightPixels() const { return charHeightPixels_; }
    // The window moved to another screen or its scale changed: the cell
    // again, every child told its frame changed, the window fitted to its
    // screen again and redrawn. Nothing when neither changed.
    void handleScaleFactorChange();

    // Commands sent to the window when the application becomes active or
    // resigns active, and when the window becomes or resigns the key
    // (active) window; 0 sends none.
    void handleAppActivation(int command);
    void handleAppDeactivation(int command);
    void setBecomeKeyCommand(int command) { becomeKeyCommand_ = command; }
    void setResignKeyCommand(int command) { resignKeyCommand_ = command; }
    // Focus in and out of the window: the tip goes, the controls and the
    // toolbar are brought up to date and redrawn, the window's hook and
    // command run.
    void windowDidBecomeKey();
    void windowDidResignKey();

private:
    void applicationStateChanged(Qt::ApplicationState state);
    void validateToolbarItems();

    QPointer<QWidget> widget_;
    LWindow* window_;
    LResizable* resizable_ = nullptr;
    bool closeByEsc_ = false;
    std::vector<LEmbeddedWindow*> embedded_;
    float charWidthPoints_ = 8;
    float charHeightPoints_ = 17;
    float charWidthPixels_ = 8;
    float charHeightPixels_ = 17;
    double systemFontSize_ = 0;
    double lastScale_ = 0;
    const void* lastScreen_ = nullptr;
    int appActiveCommand_ = 0;
    int appResignCommand_ = 0;
    int becomeKeyCommand_ = 0;
    int resignKeyCommand_ = 0;
    QMetaObject::Connection appStateConnection_;
    bool appActive_ = false;
    QRect previousFrame_;
    bool resizing_ = false;
    bool revertingState_ = false;
};

class LQtWindowImpl : public QWidget
{
    Q_OBJECT
public:
    LQtWindowImpl(LWindow* window, Qt::WindowFlags flags);
    void detach() { window_ = nullptr; }
    LWindow* zunkitWindow() const { return window_; }
    LMacWindowManager* manager() const;
    // The window this one was opened from: the window manager keeps this one
    // above it, raises and minimises the two together and places this one
    // over it. Takes effect when this window is next shown.
    void setOwnerWindow(QWidget* owner);
    QWidget* ownerWindow() const { return owner_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    LKeyHandler* activeKeyHandler() const;
    void keepOnWorkArea();
    LWindow* window_;
    QPointer<QWidget> owner_;
    QPointer<QScreen> watchedScreen_;
    QMetaObject::Connection workAreaWatch_;
    // Set when shown, until the window's frame has been fitted to the work
    // area once the window manager has framed and placed it.
    bool fitPending_ = false;
};

// Panels: the same, as tool windows.
class LQtPanelImpl : public LQtWindowImpl
{
    Q_OBJECT
public:
    explicit LQtPanelImpl(LWindow* window) : LQtWindowImpl(window, Qt::Tool) {}
};

class LQtWindowContentView : public QWidget
{
    Q_OBJECT
public:
    LQtWindowContentView(LWindow* window, QWidget* parent);
    LWindow* zunkitWindow() const { return window_; }
    void detach() { window_ = nullptr; }
    bool isEmbeddedHost() const { return embeddedHost_; }
    void setEmbeddedHost(bool on) { embeddedHost_ = on; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    // A window that paints its own background does it here.
    void paintEvent(QPaintEvent* event) override;

private:
    LWindow* window_;
    bool embeddedHost_ = false;
};

// Where a top-level window's content view goes: all of it, less a menu bar
// shown at its top (which is placed here too). An invalid size means the
// window's current one.
QRect LQtContentArea(const QWidget* top, QSize size = QSize());

// The screen a widget shows on, else the primary one.
QScreen* LQtScreenOf(const QWidget* widget);
