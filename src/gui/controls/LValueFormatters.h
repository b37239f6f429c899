#pragma once
// The judges behind text inputs that restrict what may be typed. Each one
// answers whether a partly typed text may stand, which value a finished text
// stands for, and which text shows a value. They know nothing of the toolkit:
// the window layer wraps them in its own validator, so the same rules can be
// tested and fuzzed without a display.
//
// Texts are UTF-8; lengths are counted in UTF-16 units, as the toolkit's
// string length counts them, so that a length limit means the same to the
// judge and to the field.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

class LWindow;

// A value a field shows or a finished text stands for.
struct LFormatterValue
{
    enum Kind { kNone, kInteger, kDouble, kText };
    Kind kind = kNone;
    int64_t integer = 0;
    double number = 0;
    std::string text;

    static LFormatterValue None() { return {}; }
    static LFormatterValue Integer(int64_t v) { return {kInteger, v, 0, {}}; }
    static LFormatterValue Double(double v) { return {kDouble, 0, v, {}}; }
    static LFormatterValue Text(std::string t) { return {kText, 0, 0, std::move(t)}; }
};

class LValueFormatter
{
public:
    virtual ~LValueFormatter() = default;
    // May the field hold this text while the user is still typing?
    virtual bool IsPartialStringValid(const std::string& text) = 0;
    // The value of a finished text; false when the text is not accepted.
    virtual bool GetObjectValue(const std::string& text, LFormatterValue* value) = 0;
    // The text that shows a value ("" for none).
    virtual std::string StringForObjectValue(const LFormatterValue& value) = 0;
};

// Number of UTF-16 units the text takes; a byte that starts no well-formed
// character counts as one unit, as the toolkit's replacement would.
std::size_t LUtf16Length(const std::string& text);

// Whole numbers in 32 bits. The value limit is compared with the value, and
// a number that does not fit 32 bits is refused rather than read as the
// largest one.
class LIntegerValueFormatter : public LValueFormatter
{
public:
    bool IsPartialStringValid(const std::string& text) override;
    bool GetObjectValue(const std::string& text, LFormatterValue* value) override;
    std::string StringForObjectValue(const LFormatterValue& value) override;

    int32_t MaximumLimit() const { return maximumLimit_; }
    void SetMaximumLimit(int32_t limit) { maximumLimit_ = limit; }
    // Kept for the users of the formatter; a typed value below it is only
    // corrected when editing ends.
    int32_t MinimumValue() const { return minimumValue_; }
    void SetMinimumValue(int32_t value) { minimumValue_ = value; }
    uint64_t MaximumTextLength() const { return maximumTextLength_; }
    void SetMaximumTextLength(uint64_t length) { maximumTextLength_ = length; }

    // Reads optional blanks, one sign, at least one digit and trailing
    // blanks; false when anything else is there or the number leaves 32 bits.
    static bool ScanInt32(const std::string& text, int32_t* value);

private:
    int32_t maximumLimit_ = std::numeric_limits<int32_t>::max();
    int32_t minimumValue_ = 0;
    uint64_t maximumTextLength_ = 0; // 0: no limit
};

// Decimal numbers written with the user's decimal separator, with at most a
// given number of fraction digits.
class LDoubleValueFormatter : public LValueFormatter
{
public:
    // The separator is the user's (the window layer passes its locale's).
    explicit LDoubleValueFormatter(std::string decimalSeparator = ".");

    bool IsPartialStringValid(const std::string& text) override;
    bool GetObjectValue(const std::string& text, LFormatterValue* value) override;
    std::string StringForObjectValue(const LFormatterValue& value) override;

    double MaximumLimit() const { return maximumLimit_; }
    void SetMaximumLimit(double limit) { maximumLimit_ = limit; }
    double MinimumValue() const { return minimumValue_; }
    void SetMinimumValue(double value) { minimumValue_ = value; }
    int32_t MaximumFractionDigits() const { return maximumFractionDigits_; }
    void SetMaximumFractionDigits(int32_t digits) { maximumFractionDigits_ = digits < 0 ? 0 : digits; }
    const std::string& DecimalSeparator() const { return separator_; }
    // The last finished text ended with the separator (shown again as typed).
    bool IsSeparatorLastSign() const { return separatorLast_; }

    // Reads optional blanks, one sign, digits with at most one separator (at
    // least one digit in all) and trailing blanks.
    bool ScanDouble(const std::string& text, double* value) const;

private:
    double maximumLimit_ = std::numeric_limits<double>::max();
    double minimumValue_ = 0;
    int32_t maximumFractionDigits_ = 0;
    bool separatorLast_ = false;
    std::string separator_;
};

// A maximum text length (0: none).
class LTextFieldFormatter : public LValueFormatter
{
public:
    bool IsPartialStringValid(const std::string& text) override;
    bool GetObjectValue(const std::string& text, LFormatterValue* value) override;
    std::string StringForObjectValue(const LFormatterValue& value) override;

    uint64_t MaximumTextLength() const { return maximumTextLength_; }
    void SetMaximumTextLength(uint64_t length) { maximumTextLength_ = length; }

private:
    uint64_t maximumTextLength_ = 0;
};

// Asks a filter of the dialog about every edit; without a filter the field
// cannot be changed by typing.
using LTextInputFilter = bool (*)(LWindow* window, const char* text);

class LEditControlFormatter : public LValueFormatter
{
public:
    bool IsPartialStringValid(const std::string& text) override;
    bool GetObjectValue(const std::string& text, LFormatterValue* value) override;
    std::string StringForObjectValue(const LFormatterValue& value) override;

    LTextInputFilter FilterFunction() const { return filter_; }
    void SetFilterFunction(LTextInputFilter filter) { filter_ = filter; }
    LWindow* Window() const { return window_; }
    void SetWindow(LWindow* window) { window_ = window; }

private:
    LTextInputFilter filter_ = nullptr;
    LWindow* window_ = nullptr;
};
