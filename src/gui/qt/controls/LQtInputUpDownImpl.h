#pragma once
// A number input: a line edit with two arrow buttons beside it. The arrows
// and the Up and Down keys step the value and stop at the range ends; a
// typed value may leave the range while the user types and is brought back
// when editing ends, after which the text-changed command is sent.

#include "gui/controls/LDecimalInputControlNotify.h"
#include "gui/controls/LValueFormatters.h"
#include "gui/qt/controls/LQtLineEdit.h"

#include <QToolButton>
#include <QWidget>

#include <cstdint>

class LQtFormatterValidator;

class LQtInputUpDownImpl : public QWidget
{
    Q_OBJECT
public:
    explicit LQtInputUpDownImpl(QWidget* parent = nullptr);

    // The control's id; the field gets id + 1 and sends id as its
    // text-changed command.
    void SetId(int32_t id);
    // Decimal values with that many fraction digits (whole numbers before).
    void SetFormatDouble(int digits);
    void SetDecimalPlaces(int digits);
    void SetReadOnly(bool readOnly);

    void SetMin(double min);
    void SetMax(double max);
    void SetStep(double step) { step_ = step; }
    double Min() const { return min_; }
    double Max() const { return max_; }
    double Step() const { return step_; }

    // Field value, then the field's id as a command, then the notify.
    void SetValue(double value);
    void SetTextFieldValue(double value);
    // The field's value (0 when its text is no number).
    double Value() const;

    void SetNotify(LDecimalInputControlNotify* notify) { notify_ = notify; }
    LQtLineEdit* TextField() const { return field_; }
    QToolButton* UpArrow() const { return up_; }
    QToolButton* DownArrow() const { return down_; }
    LValueFormatter* Formatter() const;

    // One press of an arrow.
    void Step(bool up);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void EndEditing();
    bool ParseValue(double* value) const;
    void SendTextChanged();
    QString Format(double value) const;
    void InstallFormatter(std::unique_ptr<LValueFormatter> formatter);

    LQtLineEdit* field_;
    QToolButton* up_;
    QToolButton* down_;
    LQtFormatterValidator* validator_ = nullptr;
    LDecimalInputControlNotify* notify_ = nullptr;
    double min_ = 0;
    double max_ = 100;
    double step_ = 1;
    bool decimal_ = false;
};
