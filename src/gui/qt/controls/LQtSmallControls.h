#pragma once
// Three small controls: a volume slider in decibels between two speaker
// pictures, a date and time picker that reports the user's changes, and a
// hyperlink that opens its address or, without one, sends its id.

#include "gui/controls/LCommandKeys.h"

#include <QDateTimeEdit>
#include <QLabel>
#include <QSlider>
#include <QWidget>

#include <cstdint>

// The command a date picker sends when the user changes the date.
inline constexpr LCommandKey kLQtCommandKeyDateChange = "LCommandKeyDateChange";

class LQtVolumeSliderImpl : public QWidget
{
    Q_OBJECT
public:
    // The two pictures are image resources by number.
    LQtVolumeSliderImpl(QWidget* parent, int iconVolMin, int iconVolMax);

    void SetId(int32_t id);
    // The pictures at the low and the high end, image resources by number.
    void SetIcons(int iconVolMin, int iconVolMax);
    // Kept within the slider's range (-48..0 dB unless changed), so a stored
    // level from elsewhere cannot push it out; never sends a command.
    void SetLevel(int level);
    int Level() const { return slider_->value(); }
    void SetMinLevel(int level) { slider_->setMinimum(level); }
    void SetMaxLevel(int level) { slider_->setMaximum(level); }
    int MinLevel() const { return slider_->minimum(); }
    int MaxLevel() const { return slider_->maximum(); }
    QSlider* Slider() const { return slider_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QSlider* slider_;
    QLabel* low_;
    QLabel* high_;
};

class LQtDateTimeImpl : public QDateTimeEdit
{
    Q_OBJECT
public:
    explicit LQtDateTimeImpl(QWidget* parent);
    // Sets the date without the date-changed command.
    void SetDateTime(const QDateTime& when);
};

class LQtHyperLinkImpl : public QLabel
{
    Q_OBJECT
public:
    explicit LQtHyperLinkImpl(QWidget* parent);
    // "" means no address: a click then sends the control's id.
    void SetURL(const char* url);
    const QString& URL() const { return url_; }
    void SetLinkText(const QString& text);

    // How addresses are opened (the desktop's browser unless a test says otherwise).
    using Opener = bool (*)(const char* url);
    static void SetOpener(Opener opener);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QString url_;
};
