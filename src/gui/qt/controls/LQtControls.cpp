#include "gui/qt/controls/LQtControls.h"
#include "gui/qt/controls/LQtSmallControls.h"

#include "foundation/text/LUtf8.h"
#include "gui/controls/LCommandKeys.h"
#include "gui/framework/LCommandRouting.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/text/LQtEditViewImpl.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

int Round(double x)
{
    return static_cast<int>(std::floor(x + 0.5));
}

// Controls made without a rectangle wait above the view until the layout
// places them.
void Park(QWidget* widget, int height)
{
    widget->setGeometry(0, -300, 500, height);
    widget->show();
}

char* CopyOut(const QString& text, char* buffer, size_t size)
{
    if (buffer == nullptr || size == 0)
        return buffer;
    QByteArray utf8 = text.toUtf8();
    LUtf8CopyWhole(buffer, utf8.constData(), size);
    return buffer;
}

} // namespace

// ---- command slots ----

void LSetCommandId(LViewHandle view, int command, LCommandKey key)
{
    if (view != nullptr)
        LQtWidget(view)->setProperty(key, command);
}

int LGetCommandId(LViewHandle view, LCommandKey key)
{
    if (view == nullptr)
        return -1;
    QVariant value = LQtWidget(view)->property(key);
    return value.isValid() ? value.toInt() : -1;
}

bool LSendCommandWithKey(LViewHandle view, LCommandKey key, LWindow* window)
{
    return LSendCommandToWindow(LGetCommandId(view, key), window);
}

bool LPostCommandWithKey(LViewHandle view, LCommandKey key, LWindow* window)
{
    return LPostCommandToWindow(LGetCommandId(view, key), window);
}

// ---- control classes ----

LQtButtonImpl::LQtButtonImpl(LWindow* window, QWidget* parent) : QPushButton(parent), window_(window)
{
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, &LQtButtonImpl::onClicked);
}

void LQtButtonImpl::setID(int id)
{
    LQtSetControlId(this, id);
    LSetCommandId(LQtHandle(this), id, LCommandKeyUp);
}

void LQtButtonImpl::mousePressEvent(QMouseEvent* event)
{
    // A press runs the down command (or only UpdateControls while none is
    // set) before the click's own command.
    if (event->button() == Qt::LeftButton && isEnabled())
        LSendCommandWithKey(LQtHandle(this), LCommandKeyDown, window_);
    QPushButton::mousePressEvent(event);
}

void LQtButtonImpl::onClicked()
{
    LSendCommandWithKey(LQtHandle(this), LCommandKeyUp, window_);
}

LQtTextStaticImpl::LQtTextStaticImpl(LWindow* window, QWidget* parent) : QLabel(parent), window_(window)
{
    setTextFormat(Qt::PlainText);
}

void LQtTextStaticImpl::setFullText(const QString& text)
{
    text_ = text;
    setText(text);
}

void LQtTextStaticImpl::paintEvent(QPaintEvent* event)
{
    if (truncation_ != 1 && truncation_ != 2) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QString shown =
        fontMetrics().elidedText(text_, truncation_ == 1 ? Qt::ElideMiddle : Qt::ElideRight, width());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(rect(), static_cast<int>(alignment()) | Qt::TextSingleLine, shown);
}

LQtImageControlImpl::LQtImageControlImpl(LWindow* window, QWidget* parent) : QLabel(parent), window_(window)
{
}

void LQtImageControlImpl::setResource(int resourceId)
{
    resource_ = resourceId;
    drawing_.clear();
    image_ = LQtLoadImageResource(resourceId, 256);
    update();
}

void LQtImageControlImpl::setDrawing(const QString& path)
{
    resource_ = 0;
    drawing_ = path;
    QSvgRenderer renderer(path);
    image_ = renderer.isValid() ? LQtRenderSvgFile(path, renderer.defaultSize()) : QImage();
    update();
}

void LQtImageControlImpl::setImage(const QImage& image)
{
    resource_ = 0;
    drawing_.clear();
    image_ = image;
    update();
}

void LQtImageControlImpl::paintEvent(QPaintEvent* event)
{
    (void)event;
    if (image_.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (resource_ > 0 || !drawing_.isEmpty()) {
        // Drawn afresh at the control's size in device pixels: sharp at any
        // scale, and a picture of another shape keeps it.
        const qreal ratio = devicePixelRatioF();
        const QSize box = (QSizeF(size()) * ratio).toSize();
        QImage picture = resource_ > 0
                             ? LQtRenderImageResource(resource_, box)
                             : LQtRenderSvgFile(drawing_, image_.size().scaled(box, Qt::KeepAspectRatio));
        picture.setDevicePixelRatio(ratio);
        const QSizeF shown = QSizeF(picture.size()) / ratio;
        painter.drawImage(QPointF((width() - shown.width()) / 2, (height() - shown.height()) / 2), picture);
        return;
    }
    painter.drawImage(rect(), image_);
}

LQtProgressBarImpl::LQtProgressBarImpl(QWidget* parent) : QProgressBar(parent)
{
    setRange(0, 100);
    setValue(0);
    setTextVisible(false);
}

void LQtProgressBarImpl::enableIndeterminate(bool on)
{
    indeterminate_ = on;
    if (on)
        setRange(0, 0);
    else
        setRange(0, 100);
}

int LQtProgressBarImpl::tag() const
{
    return LQtControlId(this);
}

void LQtProgressBarImpl::setTag(int id)
{
    LQtSetControlId(this, id);
}

// ---- the control API of LWindow ----

namespace {

QWidget* Content(const LWindow* window)
{
    return LQtWidget(window->GetView());
}

template <typename T> T* Find(const LWindow* window, int id)
{
    return qobject_cast<T*>(LQtFindControl(Content(window), id));
}

LQtButtonImpl* NewButton(LWindow* window, int id, const char* text)
{
    QWidget* content = Content(window);
    if (content == nullptr)
        return nullptr;
    auto* button = new LQtButtonImpl(window, content);
    button->setText(QString::fromUtf8(text != nullptr ? text : ""));
    button->setID(id);
    Park(button, 30);
    return button;
}

} // namespace

LViewHandle LWindow::GetControl(int id) const
{
    return LQtHandle(LQtFindControl(Content(this), id));
}

bool LWindow::SetControlRect(int id, int x, int y, int w, int h)
{
    QWidget* control = LQtFindControl(Content(this), id);
    if (control == nullptr)
        return false;
    double scale = GetScaleFactor();
    int left = Round(x / scale);
    int top = Round(y / scale);
    control->setGeometry(left, top, std::max(0, Round((x + w) / scale) - left),
                         std::max(0, Round((y + h) / scale) - top));
    return true;
}

bool LWindow::GetControlRect(int id, int* x, int* y, int* w, int* h) const
{
    QWidget* control = LQtFindControl(Content(this), id);
    if (control == nullptr)
        return false;
    double scale = GetScaleFactor();
    QRect r = control->geometry();
    if (x != nullptr)
        *x = Round(r.x() * scale);
    if (y != nullptr)
        *y = Round(r.y() * scale);
    if (w != nullptr)
        *w = Round(r.width() * scale);
    if (h != nullptr)
        *h = Round(r.height() * scale);
    return true;
}

void LWindow::EnableControl(int id, bool enable)
{
    if (QWidget* control = LQtFindControl(Content(this), id)) {
        control->setEnabled(enable);
        control->update();
    }
}

bool LWindow::IsControlEnabled(int id) const
{
    QWidget* control = LQtFindControl(Content(this), id);
    return control != nullptr && control->isEnabled();
}

void LWindow::ShowControl(int id, bool show)
{
    if (QWidget* control = LQtFindControl(Content(this), id))
        control->setVisible(show);
}

bool LWindow::IsControlVisible(int id) const
{
    QWidget* control = LQtFindControl(Content(this), id);
    return control != nullptr && !control->isHidden();
}

int LWindow::GetTextWidth(const char* text) const
{
    QFontMetricsF metrics(QApplication::font());
    double width = metrics.horizontalAdvance(QString::fromUtf8(text != nullptr ? text : ""));
    return static_cast<int>(std::ceil(width * GetScaleFactor()));
}

void LWindow::AddOKCancelButtonsNoRect()
{
    AddOKCancelButtonsNoRectWithText("OK", "Cancel");
}

void LWindow::AddOKCancelButtonsNoRectWithText(const char* okText, const char* cancelText)
{
    AddOKButtonWithText(okText);
    AddCancelButtonWithText(cancelText);
}

void LWindow::AddOKButton()
{
    AddOKButtonWithText("OK");
}

void LWindow::AddOKButtonWithText(const char* text)
{
    if (NewButton(this, kCommandOK, text) != nullptr)
        SetDefaultButton(kCommandOK);
}

void LWindow::AddCancelButton()
{
    AddCancelButtonWithText("Cancel");
}

void LWindow::AddCancelButtonWithText(const char* text)
{
    if (NewButton(this, kCommandCancel, text) != nullptr)
        SetCancelButton(kCommandCancel);
}

void LWindow::AddHelpButton()
{
    if (LQtButtonImpl* button = NewButton(this, kCommandHelp, "?"))
        button->setToolTip(QStringLiteral("Help"));
}

void LWindow::AddButtonNoRect(int id, const char* text)
{
    NewButton(this, id, text);
}

void LWindow::SetCancelButton(int id)
{
    QWidget* content = Content(this);
    if (content == nullptr)
        return;
    for (auto* button : content->findChildren<QAbstractButton*>())
        button->setProperty("lescape", false);
    if (auto* button = Find<QAbstractButton>(this, id))
        button->setProperty("lescape", true);
}

void LWindow::SetDefaultButton(int id)
{
    auto* button = Find<QAbstractButton>(this, id);
    if (button == nullptr)
        return;
    if (auto* push = qobject_cast<QPushButton*>(button)) {
        push->setDefault(true);
        return;
    }
    // Return presses it: one default button per window.
    for (auto* other : Content(this)->findChildren<QAbstractButton*>())
        other->setProperty(kLQtDefaultProperty, false);
    button->setProperty(kLQtDefaultProperty, true);
}

bool LWindow::PressButton(int id)
{
    auto* button = Find<QAbstractButton>(this, id);
    if (button == nullptr || !button->isEnabled())
        return false;
    button->click();
    return true;
}

char* LWindow::GetButtonText(int id, char* buffer, size_t size) const
{
    if (buffer != nullptr && size > 0)
        buffer[0] = '\0';
    auto* button = Find<QAbstractButton>(this, id);
    return button != nullptr ? CopyOut(button->text(), buffer, size) : buffer;
}

int LWindow::GetButtonPreferredWidth(int id) const
{
    auto* button = Find<QAbstractButton>(this, id);
    if (button == nullptr)
        return 0;
    return Round((button->sizeHint().width() + 2) * GetScaleFactor());
}

bool LWindow::LayoutDialogButtons(int extraId, int x, int y, int w, int h)
{
    double cw = charWidthPx_;
    double ch = charHeightPx_;
    int buttonHeight = Round(ch * 1.23);
    int row = y + h - buttonHeight - Round(0.94 * ch);
    bool result = false;
    if (HasControl(kCommandHelp))
        result = SetControlRect(kCommandHelp, x + Round(2 * cw), row, buttonHeight, buttonHeight);
    int right = x + w - Round(2 * cw);
    int minimum = Round(96 * GetScaleFactor());
    for (int id : {kCommandOK, kCommandCancel}) {
        if (!HasControl(id))
            continue;
        int width = std::max(GetButtonPreferredWidth(id), minimum);
        result = SetControlRect(id, right - width, row, width, buttonHeight);
        right -= width + Round(1.25 * cw);
    }
    if (extraId != 0 && Find<QAbstractButton>(this, extraId) != nullptr) {
        auto* button = Find<QAbstractButton>(this, extraId);
        int width = button->isCheckable() && !qobject_cast<QPushButton*>(button)
                        ? GetTextWidth(button->text().toUtf8().constData()) + Round(3 * cw)
                        : GetButtonPreferredWidth(extraId);
        result = SetControlRect(extraId, right - width, row, width, buttonHeight);
    }
    return result;
}

void LWindow::AddStaticText(int id, const char* text)
{
    QWidget* content = Content(this);
    if (content == nullptr)
        return;
    auto* label = new LQtTextStaticImpl(this, content);
    LQtSetControlId(label, id);
    label->setFullText(QString::fromUtf8(text != nullptr ? text : ""));
    Park(label, Round(charHeightPt_ * 1.23));
}

void LWindow::AddStaticTextEmpty(int id)
{
    AddStaticText(id, "");
}

void LWindow::SetStaticTextStyle(int id, unsigned truncation, unsigned alignment)
{
    auto* label = Find<LQtTextStaticImpl>(this, id);
    if (label == nullptr)
        return;
    if (truncation == 1 || truncation == 2)
        label->setTruncation(static_cast<int>(truncation));
    Qt::Alignment vertical = Qt::AlignVCenter;
    if (alignment == 0)
        label->setAlignment(Qt::AlignLeft | vertical);
    else if (alignment == 1)
        label->setAlignment(Qt::AlignHCenter | vertical);
    else if (alignment == 2)
        label->setAlignment(Qt::AlignRight | vertical);
}

char* LWindow::GetStaticText(int id, char* buffer, size_t size) const
{
    if (buffer != nullptr && size > 0)
        buffer[0] = '\0';
    auto* label = Find<LQtTextStaticImpl>(this, id);
    if (label != nullptr)
        return CopyOut(label->fullText(), buffer, size);
    // Hyperlinks are texts too.
    if (auto* link = Find<LQtHyperLinkImpl>(this, id))
        return CopyOut(link->text(), buffer, size);
    return buffer;
}

void LWindow::AddImageControlNoRect(int id)
{
    QWidget* content = Content(this);
    if (content == nullptr)
        return;
    auto* image = new LQtImageControlImpl(this, content);
    LQtSetControlId(image, id);
    Park(image, 30);
}

void LWindow::SetImageControlResource(int id, int resourceId)
{
    if (auto* image = Find<LQtImageControlImpl>(this, id))
        image->setResource(resourceId);
}

void LWindow::AddProgressBarNoRect(int id)
{
    QWidget* content = Content(this);
    if (content == nullptr)
        return;
    auto* bar = new LQtProgressBarImpl(content);
    bar->setTag(id);
    Park(bar, 30);
}

void LWindow::SetProgressBarPos(int id, double fraction)
{
    if (auto* bar = Find<LQtProgressBarImpl>(this, id)) {
        if (bar->isIndeterminate())
            bar->enableIndeterminate(false);
        bar->setValue(static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100.0 + 0.5));
    }
}

int LWindow::GetProgressBarValue(int id) const
{
    auto* bar = Find<LQtProgressBarImpl>(this, id);
    return bar != nullptr ? bar->value() : -1;
}

void LWindow::SetProgressBarIndeterminate(int id, bool on)
{
    if (auto* bar = Find<LQtProgressBarImpl>(this, id))
        bar->enableIndeterminate(on);
}

bool LWindow::IsProgressBarIndeterminate(int id) const
{
    auto* bar = Find<LQtProgressBarImpl>(this, id);
    return bar != nullptr && bar->isIndeterminate();
}

void LWindow::SetControlText(int id, const char* text)
{
    QWidget* control = LQtFindControl(Content(this), id);
    QString value = QString::fromUtf8(text != nullptr ? text : "");
    if (auto* label = qobject_cast<LQtTextStaticImpl*>(control))
        label->setFullText(value);
    else if (auto* edit = qobject_cast<LQtEditViewImpl*>(control))
        edit->SetTextQuietly(value);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(value);
    else if (control != nullptr && control->metaObject()->indexOfProperty("text") >= 0)
        control->setProperty("text", value);
    else if (control != nullptr && control->metaObject()->indexOfProperty("plainText") >= 0)
        control->setProperty("plainText", value);
}

static bool ControlText(QWidget* control, QString* text)
{
    if (control == nullptr)
        return false;
    if (auto* label = qobject_cast<LQtTextStaticImpl*>(control)) {
        *text = label->fullText();
        return true;
    }
    for (const char* name : {"text", "plainText", "currentText"}) {
        if (control->metaObject()->indexOfProperty(name) >= 0) {
            *text = control->property(name).toString();
            return true;
        }
    }
    return false;
}

char* LWindow::GetControlTextN(int id, char* buffer, size_t size) const
{
    if (buffer != nullptr && size > 0)
        buffer[0] = '\0';
    QString text;
    if (!ControlText(LQtFindControl(Content(this), id), &text))
        return nullptr;
    return CopyOut(text, buffer, size);
}

void LWindow::GetControlTextLong(int id, std::string& text) const
{
    text.clear();
    QString value;
    if (ControlText(LQtFindControl(Content(this), id), &value))
        text = value.toStdString();
}
