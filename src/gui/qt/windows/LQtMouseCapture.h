#pragma once
// The process-wide mouse capture: while a handler holds it, mouse events go
// to its view even when the pointer leaves it, and a drag that began with a
// captured left press reaches no other widget until the button is released.

#include "gui/framework/LView.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

class LQtMouseCapture : public QObject
{
    Q_OBJECT
public:
    static LQtMouseCapture& shared();

    // Stores the handler and its view and returns the handler it replaces. A
    // second capture forwards to the new handler's view.
    void* setCapture(void* handler, LViewHandle view);
    void* getCapture() const { return handler_; }
    LViewHandle capturingView() const;
    void releaseCapture();
    // Releases only when view holds the capture.
    void releaseCaptureOf(LViewHandle view);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    LQtMouseCapture() = default;
    void* handler_ = nullptr;
    QPointer<QWidget> view_;
    bool installed_ = false;
    bool leftDown_ = false;
};
