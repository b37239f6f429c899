#include "gui/qt/controls/LQtFormatterValidator.h"

#include <QLocale>

LQtFormatterValidator::LQtFormatterValidator(std::unique_ptr<LValueFormatter> formatter, QObject* parent)
    : QValidator(parent), formatter_(std::move(formatter))
{
}

QValidator::State LQtFormatterValidator::validate(QString& input, int&) const
{
    if (!formatter_)
        return Acceptable;
    const std::string text = input.toStdString();
    if (!formatter_->IsPartialStringValid(text))
        return Invalid;
    // A text the user may keep typing into, but which has no value yet (a
    // lone sign, a number below the minimum), is not yet complete.
    LFormatterValue value;
    return formatter_->GetObjectValue(text, &value) ? Acceptable : Intermediate;
}

std::string LQtFormatterValidator::DecimalSeparator()
{
    return QLocale().decimalPoint().toStdString();
}
