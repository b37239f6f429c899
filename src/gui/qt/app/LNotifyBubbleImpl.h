#pragma once
// The toolkit window of LNotifyBubble: frameless, above other windows, shown
// without being activated so typing goes on where it was. Any mouse press in
// the program, the program losing the active state, a click on the bubble and
// its 15-second timer each hide it.

#include <QImage>
#include <QString>
#include <QTimer>
#include <QWidget>

class LNotifyBubbleImpl : public QWidget
{
    Q_OBJECT
public:
    LNotifyBubbleImpl();
    ~LNotifyBubbleImpl() override;

    void SetText(const QString& text, const QString& caption);
    void SetIcon(int iconId);
    // Top-left corner in global coordinates (points).
    void MoveToPoint(const QPoint& point);
    void ShowBubble();
    void HideBubble();
    bool IsShown() const { return shown_; }

    const QString& Text() const { return text_; }
    const QString& Caption() const { return caption_; }
    int IconId() const { return iconId_; }
    QTimer& HideTimer() { return hideTimer_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Relayout();

    QString text_;
    QString caption_;
    int iconId_ = 0;
    QImage icon_;
    QTimer hideTimer_;
    bool shown_ = false;
    bool watching_ = false;
};
