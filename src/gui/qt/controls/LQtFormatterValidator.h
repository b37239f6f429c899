#pragma once
// A line edit's validator that asks one of our value formatters: the typed
// text stands when the formatter accepts it as a partial text, and is
// complete when it also has a value.

#include "gui/controls/LValueFormatters.h"

#include <QValidator>

#include <memory>

class LQtFormatterValidator : public QValidator
{
    Q_OBJECT
public:
    LQtFormatterValidator(std::unique_ptr<LValueFormatter> formatter, QObject* parent = nullptr);

    State validate(QString& input, int& position) const override;
    LValueFormatter* Formatter() const { return formatter_.get(); }

    // The separator our decimal formatter uses in the user's locale.
    static std::string DecimalSeparator();

private:
    std::unique_ptr<LValueFormatter> formatter_;
};
