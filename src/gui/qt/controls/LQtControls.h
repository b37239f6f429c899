#pragma once
// The first toolkit controls of the control API: push buttons, static texts,
// image controls and the progress bar. Each keeps a plain pointer to its
// window and carries its id as the property "ltag".

#include "gui/qt/images/LQtImageResource.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

class LWindow;

class LQtButtonImpl : public QPushButton
{
    Q_OBJECT
public:
    LQtButtonImpl(LWindow* window, QWidget* parent);
    void setID(int id);
    LWindow* zunkitWindow() const { return window_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void onClicked();
    LWindow* window_;
};

class LQtTextStaticImpl : public QLabel
{
    Q_OBJECT
public:
    LQtTextStaticImpl(LWindow* window, QWidget* parent);
    // 1: cut in the middle, 2: at the tail; other values wrap nothing and cut nothing.
    void setTruncation(int mode)
    {
        truncation_ = mode;
        update();
    }
    void setFullText(const QString& text);
    const QString& fullText() const { return text_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    LWindow* window_;
    QString text_;
    int truncation_ = 0;
};

class LQtImageControlImpl : public QLabel
{
    Q_OBJECT
public:
    LQtImageControlImpl(LWindow* window, QWidget* parent);
    void setResource(int resourceId);
    int resource() const { return resource_; }
    // A picture of the program's own (null: none); the resource number becomes 0.
    void setImage(const QImage& image);
    // An SVG drawing, rendered afresh at the control's size when painted.
    void setDrawing(const QString& path);
    bool hasImage() const { return !image_.isNull(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    LWindow* window_;
    int resource_ = 0;
    QImage image_;
    QString drawing_;
};

class LQtProgressBarImpl : public QProgressBar
{
    Q_OBJECT
public:
    explicit LQtProgressBarImpl(QWidget* parent);
    void enableIndeterminate(bool on);
    bool isIndeterminate() const { return indeterminate_; }
    int tag() const;
    void setTag(int id);

private:
    bool indeterminate_ = false;
};
