#include "gui/qt/controls/LQtInputUpDownImpl.h"

#include "gui/controls/LUpDownRules.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/app/LQtCommandSink.h"
#include "gui/qt/controls/LQtControlCommands.h"
#include "gui/qt/controls/LQtFormatterValidator.h"

#include <QEvent>
#include <QKeyEvent>

#include <cmath>

namespace {
constexpr int kArrowWidth = 16;
constexpr int kGap = 3;
} // namespace

LQtInputUpDownImpl::LQtInputUpDownImpl(QWidget* parent)
    : QWidget(parent), field_(new LQtLineEdit(this)), up_(new QToolButton(this)), down_(new QToolButton(this))
{
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    for (QToolButton* arrow : {up_, down_}) {
        arrow->setAutoRepeat(true);
        arrow->setFocusPolicy(Qt::NoFocus);
    }
    connect(up_, &QToolButton::clicked, this, [this] { Step(true); });
    connect(down_, &QToolButton::clicked, this, [this] { Step(false); });
    connect(field_, &LQtLineEdit::EditingEnded, this, &LQtInputUpDownImpl::EndEditing);
    connect(field_, &QLineEdit::textEdited, this, [this] { SendTextChanged(); });
    field_->installEventFilter(this);
    // Control lookup by id looks into this composite for the number field.
    setProperty("lupdown", true);
    InstallFormatter(std::make_unique<LIntegerValueFormatter>());
    field_->setText("0");
    setFocusProxy(field_);
}

void LQtInputUpDownImpl::InstallFormatter(std::unique_ptr<LValueFormatter> formatter)
{
    auto* validator = new LQtFormatterValidator(std::move(formatter), field_);
    field_->setValidator(validator);
    delete validator_;
    validator_ = validator;
    SetMin(min_);
}

LValueFormatter* LQtInputUpDownImpl::Formatter() const
{
    return validator_ ? validator_->Formatter() : nullptr;
}

void LQtInputUpDownImpl::SetId(int32_t id)
{
    LQtSetControlId(this, id);
    LQtSetControlId(field_, id + 1);
    LQtSetControlCommand(field_, LCommandKeyTextChange, id);
}

void LQtInputUpDownImpl::SetFormatDouble(int digits)
{
    auto formatter = std::make_unique<LDoubleValueFormatter>(LQtFormatterValidator::DecimalSeparator());
    formatter->SetMaximumFractionDigits(digits);
    decimal_ = true;
    InstallFormatter(std::move(formatter));
}

void LQtInputUpDownImpl::SetDecimalPlaces(int digits)
{
    if (auto* decimal = dynamic_cast<LDoubleValueFormatter*>(Formatter()))
        decimal->SetMaximumFractionDigits(digits);
}

void LQtInputUpDownImpl::SetReadOnly(bool readOnly)
{
    field_->setReadOnly(readOnly);
}

void LQtInputUpDownImpl::SetMin(double min)
{
    min_ = min;
    if (auto* integer = dynamic_cast<LIntegerValueFormatter*>(Formatter()))
        integer->SetMinimumValue(
            static_cast<int32_t>(std::trunc(std::fmax(std::fmin(min, 2147483647.0), -2147483648.0))));
    else if (auto* decimal = dynamic_cast<LDoubleValueFormatter*>(Formatter()))
        decimal->SetMinimumValue(min);
}

void LQtInputUpDownImpl::SetMax(double max)
{
    max_ = max;
}

QString LQtInputUpDownImpl::Format(double value) const
{
    LValueFormatter* formatter = Formatter();
    if (!formatter)
        return QString::number(value);
    LFormatterValue object = decimal_ ? LFormatterValue::Double(value)
                                      : LFormatterValue::Integer(static_cast<int64_t>(std::llround(value)));
    return QString::fromStdString(formatter->StringForObjectValue(object));
}

bool LQtInputUpDownImpl::ParseValue(double* value) const
{
    const std::string text = field_->text().toStdString();
    if (auto* decimal = dynamic_cast<LDoubleValueFormatter*>(Formatter()))
        return decimal->ScanDouble(text, value);
    int32_t integer = 0;
    if (!LIntegerValueFormatter::ScanInt32(text, &integer))
        return false;
    *value = integer;
    return true;
}

double LQtInputUpDownImpl::Value() const
{
    double value = 0;
    return ParseValue(&value) ? value : 0;
}

void LQtInputUpDownImpl::SetTextFieldValue(double value)
{
    field_->setText(Format(value));
    LQtSendCommand(LQtControlWindow(this), LQtControlId(field_));
    if (notify_)
        notify_->OnValueChanged();
}

void LQtInputUpDownImpl::SetValue(double value)
{
    SetTextFieldValue(value);
}

void LQtInputUpDownImpl::SendTextChanged()
{
    LQtSendControlCommand(field_, LCommandKeyTextChange);
}

void LQtInputUpDownImpl::Step(bool up)
{
    if (!isEnabled() || field_->isReadOnly())
        return;
    if (!field_->hasFocus())
        field_->setFocus(Qt::OtherFocusReason);
    SetTextFieldValue(LStepUpDownValue(Value(), step_, up, min_, max_));
    SendTextChanged();
}

void LQtInputUpDownImpl::EndEditing()
{
    double shown = 0;
    // A text that is no number yet (empty, a lone sign) is replaced too.
    const bool isNumber = ParseValue(&shown);
    LUpDownEndEditing end = LEndUpDownEditing(shown, min_, max_);
    if (end.changed || !isNumber) {
        field_->setText(Format(end.value));
        SendTextChanged();
    }
}

bool LQtInputUpDownImpl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == field_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
            Step(key->key() == Qt::Key_Up);
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && notify_) {
            notify_->OnReturn();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void LQtInputUpDownImpl::resizeEvent(QResizeEvent*)
{
    const int arrowsWidth = kArrowWidth;
    const int fieldWidth = std::max(0, width() - (arrowsWidth + kGap));
    field_->setGeometry(0, 0, fieldWidth, height());
    const int half = height() / 2;
    up_->setGeometry(fieldWidth + kGap, 0, arrowsWidth, half);
    down_->setGeometry(fieldWidth + kGap, half, arrowsWidth, height() - half);
}

void LQtInputUpDownImpl::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        up_->setEnabled(isEnabled());
        down_->setEnabled(isEnabled());
    }
    QWidget::changeEvent(event);
}
