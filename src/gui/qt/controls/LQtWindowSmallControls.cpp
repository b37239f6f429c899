// The control API for the volume slider, the date picker, hyperlinks and the
// window's disc-media commands.

#include "gui/framework/LDiscMediaEvents.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/controls/LQtControlCommands.h"
#include "gui/qt/controls/LQtSmallControls.h"

#include <QDateTime>

#include <cmath>

namespace {

// Image resources of the speaker pictures beside the volume slider.
constexpr int kVolumeLowIcon = 312;
constexpr int kVolumeHighIcon = 313;

QWidget* Content(const LWindow* window)
{
    return LQtWidget(window->GetView());
}

template <typename T> T* Find(const LWindow* window, int id)
{
    return qobject_cast<T*>(LQtFindControl(Content(window), id));
}

enum DateElements { kDateOnly, kDateAndTime, kTimeOnly };

void ShowElements(LQtDateTimeImpl* picker, DateElements elements)
{
    switch (elements) {
    case kDateOnly:
        picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        break;
    case kDateAndTime:
        picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        break;
    case kTimeOnly:
        picker->setDisplayFormat(QStringLiteral("HH:mm:ss"));
        break;
    }
}

} // namespace

void LWindow::AddVolumeSlider(int id)
{
    QWidget* content = Content(this);
    if (content == nullptr)
        return;
    auto* slider = new LQtVolumeSliderImpl(content, kVolumeLowIcon, kVolumeHighIcon);
    slider->SetId(id);
    LQtSetControlWindow(slider, this);
    slider->setGeometry(0, -300, 500, 17);
    slider->show();
}

void LWindow::CreateDateTimePicker(int id, unsigned flags, int x, int y, int w, int h)
{
    QWidget* content = Content(this);
    if (content == nullptr)
        return;
    auto* picker = new LQtDateTimeImpl(content);
    LQtSetControlId(picker, id);
    LQtSetControlWindow(picker, this);
    DateElements elements = (flags & 0x0E) == 8 ? kTimeOnly : (flags & 8) != 0 ? kDateAndTime : kDateOnly;
    ShowElements(picker, elements);
    picker->setCalendarPopup(false);
    picker->setButtonSymbols((flags & 1) != 0 ? QAbstractSpinBox::UpDownArrows : QAbstractSpinBox::NoButtons);
    picker->show();
    SetControlRect(id, x, y, w, h);
}

void LWindow::AddDateTimePicker(int id, int x, int y, int w, unsigned flags)
{
    CreateDateTimePicker(id, flags, x, y, w, static_cast<int>(std::lround(24 * GetScaleFactor())));
}

void LWindow::SetDateTimeShowTime(int id)
{
    if (auto* picker = Find<LQtDateTimeImpl>(this, id))
        ShowElements(picker, kDateAndTime);
}

void LWindow::SetDateTimeCommand(int id, int command)
{
    if (auto* picker = Find<LQtDateTimeImpl>(this, id))
        LQtSetControlCommand(picker, kLQtCommandKeyDateChange, command);
}

void LWindow::SetDateTime(int id, const int64_t* seconds)
{
    auto* picker = Find<LQtDateTimeImpl>(this, id);
    if (picker != nullptr && seconds != nullptr)
        picker->SetDateTime(QDateTime::fromSecsSinceEpoch(*seconds));
}

int64_t LWindow::GetDateTime(int id) const
{
    auto* picker = Find<LQtDateTimeImpl>(this, id);
    return picker != nullptr ? picker->dateTime().toSecsSinceEpoch() : 0;
}

void LWindow::SetDateTimeNow(int id)
{
    if (auto* picker = Find<LQtDateTimeImpl>(this, id))
        picker->SetDateTime(QDateTime::currentDateTime());
}

LViewHandle LWindow::AddHyperLink(int id, const char* text, const char* url, int x, int y, int w, int h)
{
    return CreateHyperLinkAligned(id, text, url, 0, x, y, w, h);
}

LViewHandle LWindow::CreateHyperLinkAligned(int id, const char* text, const char* url, int align, int x,
                                            int y, int w, int h)
{
    QWidget* content = Content(this);
    if (content == nullptr)
        return nullptr;
    auto* link = new LQtHyperLinkImpl(content);
    LQtSetControlId(link, id);
    LQtSetControlWindow(link, this);
    link->SetLinkText(QString::fromUtf8(text != nullptr ? text : ""));
    link->SetURL(url);
    Qt::Alignment horizontal = align == 1 ? Qt::AlignHCenter : align == 2 ? Qt::AlignRight : Qt::AlignLeft;
    link->setAlignment(horizontal | Qt::AlignVCenter);
    link->show();
    SetControlRect(id, x, y, w, h);
    return LQtHandle(link);
}

void LWindow::AddHyperLinkAligned(int id, const char* text, const char* url, int align, int x, int y, int w)
{
    CreateHyperLinkAligned(id, text, url, align, x, y, w,
                           static_cast<int>(std::lround(charHeightPx_ * 1.23)));
}

void LWindow::SetHyperLinkText(int id, const char* text)
{
    if (auto* link = Find<LQtHyperLinkImpl>(this, id))
        link->SetLinkText(QString::fromUtf8(text != nullptr ? text : ""));
}

void LWindow::SetHyperLinkURL(int id, const char* url)
{
    if (auto* link = Find<LQtHyperLinkImpl>(this, id))
        link->SetURL(url);
}

void LWindow::WatchDiscMedia()
{
    if (discMediaWatched_)
        return;
    discMediaWatched_ = true;
    discMedia_ = LCreateDiscMediaEventSource();
    if (!discMedia_)
        return;
    discMedia_->SetMediaChangeHandler([this](bool present) {
        int command = present ? discInsertedCommand_ : discEjectedCommand_;
        if (command >= 0)
            SendCommand(command);
    });
}

void LWindow::SetDiscInsertedCommand(int command, int)
{
    discInsertedCommand_ = command;
    WatchDiscMedia();
}

void LWindow::SetDiscEjectedCommand(int command, int)
{
    discEjectedCommand_ = command;
    WatchDiscMedia();
}
