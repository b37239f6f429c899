#include "gui/qt/controls/LQtKindButtonImpl.h"

#include "foundation/text/LUtf8.h"
#include "gui/framework/LKey.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/controls/LQtControlCommands.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QMouseEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

LQtKindButtonImpl::LQtKindButtonImpl(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractButton::clicked, this, &LQtKindButtonImpl::OnClicked);
}

void LQtKindButtonImpl::SetId(int32_t id)
{
    LQtSetControlId(this, id);
    SetCommandUp(id);
}

void LQtKindButtonImpl::SetCommandUp(int32_t command)
{
    if (command != -1)
        LQtSetControlCommand(this, LCommandKeyUp, command);
}

void LQtKindButtonImpl::SetCommandDown(int32_t command)
{
    LQtSetControlCommand(this, LCommandKeyDown, command);
}

void LQtKindButtonImpl::SetKind(Kind kind)
{
    kind_ = kind;
    setCheckable(kind == kCheckBox || kind == kCheckButton || kind == kRadioButton || kind == kDisclosure);
    updateGeometry();
    update();
}

bool LQtKindButtonImpl::IsHelpButton() const
{
    return kind_ == kHelpButton && LQtControlId(this) == LFourCC("ahlp");
}

void LQtKindButtonImpl::GetText(char* text) const
{
    LUtf8CopyWhole(text, this->text().toUtf8().constData(), 260);
}

void LQtKindButtonImpl::SendCommandUp()
{
    if (isEnabled())
        LQtSendControlCommand(this, LCommandKeyUp);
}

void LQtKindButtonImpl::SendCommandDown()
{
    if (isEnabled())
        LQtSendControlCommand(this, LCommandKeyDown);
}

void LQtKindButtonImpl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        SendCommandDown();
    QAbstractButton::mousePressEvent(event);
}

void LQtKindButtonImpl::nextCheckState()
{
    // The radio group decides which of its buttons is on.
    if (kind_ == kRadioButton && group_)
        return;
    QAbstractButton::nextCheckState();
}

void LQtKindButtonImpl::OnClicked()
{
    if (kind_ == kRadioButton && group_) {
        group_->HandleClick(this);
        return;
    }
    SendCommandUp();
}

QSize LQtKindButtonImpl::sizeHint() const
{
    QStyleOptionButton option;
    option.initFrom(this);
    option.text = text();
    option.icon = icon();
    option.iconSize = iconSize();
    const QFontMetrics metrics = fontMetrics();
    QSize content(metrics.horizontalAdvance(text()), metrics.height());
    switch (kind_) {
    case kCheckBox:
    case kRadioButton: {
        const bool radio = kind_ == kRadioButton;
        int indicator = style()->pixelMetric(
            radio ? QStyle::PM_ExclusiveIndicatorWidth : QStyle::PM_IndicatorWidth, &option, this);
        int spacing = style()->pixelMetric(
            radio ? QStyle::PM_RadioButtonLabelSpacing : QStyle::PM_CheckBoxLabelSpacing, &option, this);
        return style()->sizeFromContents(
            radio ? QStyle::CT_RadioButton : QStyle::CT_CheckBox, &option,
            QSize(indicator + spacing + content.width(), std::max(indicator, content.height())), this);
    }
    case kDisclosure:
        return QSize(16, 16);
    default:
        return style()->sizeFromContents(QStyle::CT_PushButton, &option, content + QSize(16, 4), this);
    }
}

void LQtKindButtonImpl::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    option.initFrom(this);
    option.text = text();
    option.icon = icon();
    option.iconSize = iconSize();
    if (isDown())
        option.state |= QStyle::State_Sunken;
    option.state |= isChecked() ? QStyle::State_On : QStyle::State_Off;
    switch (kind_) {
    case kCheckBox:
        painter.drawControl(QStyle::CE_CheckBox, option);
        break;
    case kRadioButton:
        painter.drawControl(QStyle::CE_RadioButton, option);
        break;
    case kDisclosure: {
        QStyleOption arrow;
        arrow.initFrom(this);
        painter.drawPrimitive(isChecked() ? QStyle::PE_IndicatorArrowDown : QStyle::PE_IndicatorArrowRight,
                              arrow);
        break;
    }
    case kCoolButton:
        // Flat until its painting arrives with the custom-drawn buttons.
        option.features |= QStyleOptionButton::Flat;
        painter.drawControl(QStyle::CE_PushButton, option);
        break;
    case kCheckButton:
        if (isChecked())
            option.state |= QStyle::State_Sunken;
        painter.drawControl(QStyle::CE_PushButton, option);
        break;
    case kHelpButton:
        if (option.text.isEmpty())
            option.text = QStringLiteral("?");
        painter.drawControl(QStyle::CE_PushButton, option);
        break;
    case kPushButton:
        painter.drawControl(QStyle::CE_PushButton, option);
        break;
    }
}

LQtRadioButtonGroupImpl::LQtRadioButtonGroupImpl(QObject* parent) : QObject(parent) {}

void LQtRadioButtonGroupImpl::AddRadioButton(LQtKindButtonImpl* button)
{
    buttons_.append(button);
    button->SetRadioGroup(this);
}

void LQtRadioButtonGroupImpl::Select(bool on, LQtKindButtonImpl* button)
{
    button->setChecked(on);
    if (on) {
        if (selected_ && selected_ != button)
            selected_->setChecked(false);
        selected_ = button;
    } else if (selected_ == button) {
        selected_ = nullptr;
    }
}

void LQtRadioButtonGroupImpl::HandleClick(LQtKindButtonImpl* button)
{
    if (selected_ != button)
        Select(true, button);
    button->SendCommandUp();
}

LQtGroupImpl::LQtGroupImpl(const QString& title, QWidget* parent) : QGroupBox(title, parent)
{
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    setFont(small);
}

void LQtGroupImpl::SetTitleText(const char* title)
{
    setTitle(QString::fromUtf8(title ? title : ""));
}

void LQtGroupImpl::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        if (isEnabled()) {
            setGraphicsEffect(nullptr);
        } else {
            auto* fade = new QGraphicsOpacityEffect(this);
            fade->setOpacity(0.5);
            setGraphicsEffect(fade);
        }
    }
    QGroupBox::changeEvent(event);
}

LQtSeparatorImpl::LQtSeparatorImpl(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::HLine);
    setFrameShadow(QFrame::Sunken);
}
