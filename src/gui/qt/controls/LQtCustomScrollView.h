#pragma once
// The scroll view that hosts our paint and list views: the control id is
// its own, its document view is one of our views, and a scroll reaches the
// attached LScrollView.

#include <QScrollArea>

class LScrollView;

class LQtCustomScrollView : public QScrollArea
{
    Q_OBJECT
public:
    LQtCustomScrollView(QWidget* parent, int id);

    void setSubView(QWidget* view);
    bool hasSubView() const { return hasSubView_; }
    LScrollView* zunkitScrollView() const { return scrollView_; }
    void setZunkitScrollView(LScrollView* scrollView) { scrollView_ = scrollView; }

private:
    void boundsDidChange();
    bool hasSubView_ = false;
    LScrollView* scrollView_ = nullptr;
};
