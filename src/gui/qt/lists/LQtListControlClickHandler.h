#pragma once
// Watches the mouse presses on a list's rows area and posts the list's
// click, double-click and right-click commands to its window, after the
// view has handled the press. Presses on the header post nothing.

#include <QObject>
#include <QPointer>

class LQtOutlineViewImpl;

class LQtListControlClickHandler : public QObject
{
    Q_OBJECT
public:
    explicit LQtListControlClickHandler(LQtOutlineViewImpl* view);
    ~LQtListControlClickHandler() override;
    // Stops watching; nothing is posted afterwards.
    void Invalidate();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Post(int command);
    QPointer<LQtOutlineViewImpl> view_;
};
