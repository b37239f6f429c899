#pragma once
// The Qt peers of an LWindow: the top-level widget (a dialog, a plain window
// or a tool panel), its content view, and the manager that turns widget
// events into the window's operations.

#include "gui/framework/LWindow.h"

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
    void windowDidResize();

private:
    QPointer<QWidget> widget_;
    LWindow* window_;
    LResizable* resizable_ = nullptr;
    bool closeByEsc_ = false;
    std::vector<LEmbeddedWindow*> embedded_;
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
