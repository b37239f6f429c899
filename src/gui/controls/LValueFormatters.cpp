#include "gui/controls/LValueFormatters.h"

#include "foundation/text/LUtf8.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

std::size_t LUtf16Length(const std::string& text)
{
    std::size_t units = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        char32_t cp = 0;
        int used = LUtf8DecodeOne(text.data() + at, text.size() - at, &cp);
        if (used <= 0) {
            units += 1;
            at += 1;
            continue;
        }
        units += cp > 0xFFFF ? 2 : 1;
        at += static_cast<std::size_t>(used);
    }
    return units;
}

// --- whole numbers -------------------------------------------------------

bool LIntegerValueFormatter::ScanInt32(const std::string& text, int32_t* value)
{
    std::size_t at = 0;
    const std::size_t end = text.size();
    while (at < end && IsBlank(text[at]))
        ++at;
    bool negative = false;
    if (at < end && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    if (at >= end || !IsDigit(text[at]))
        return false;
    // Accumulate in 64 bits and stop as soon as the magnitude leaves the
    // 32-bit range, so a long run of digits costs nothing and never wraps.
    int64_t magnitude = 0;
    const int64_t bound = negative ? 2147483648LL : 2147483647LL;
    while (at < end && IsDigit(text[at])) {
        magnitude = magnitude * 10 + (text[at] - '0');
        if (magnitude > bound)
            return false;
        ++at;
    }
    while (at < end && IsBlank(text[at]))
        ++at;
    if (at != end)
        return false;
    if (value)
        *value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    return true;
}

bool LIntegerValueFormatter::IsPartialStringValid(const std::string& text)
{
    if (maximumTextLength_ != 0 && LUtf16Length(text) > maximumTextLength_)
        return false;
    if (text.empty())
        return true;
    // A sign may be typed before the digits.
    if (text == "-")
        return true;
    int32_t value = 0;
    return ScanInt32(text, &value) && value <= maximumLimit_;
}

bool LIntegerValueFormatter::GetObjectValue(const std::string& text, LFormatterValue* value)
{
    int32_t scanned = 0;
    if (!ScanInt32(text, &scanned) || scanned > maximumLimit_)
        return false;
    if (value)
        *value = LFormatterValue::Integer(scanned);
    return true;
}

std::string LIntegerValueFormatter::StringForObjectValue(const LFormatterValue& value)
{
    switch (value.kind) {
    case LFormatterValue::kInteger:
        return std::to_string(value.integer);
    case LFormatterValue::kDouble:
        if (!std::isfinite(value.number) || std::fabs(value.number) > 9.0e18)
            return {};
        return std::to_string(std::llround(value.number));
    case LFormatterValue::kText: {
        int32_t scanned = 0;
        return ScanInt32(value.text, &scanned) ? std::to_string(scanned) : std::string();
    }
    case LFormatterValue::kNone:
        break;
    }
    return {};
}

// --- decimal numbers -----------------------------------------------------

LDoubleValueFormatter::LDoubleValueFormatter(std::string decimalSeparator)
    : separator_(decimalSeparator.empty() ? std::string(".") : std::move(decimalSeparator))
{
}

bool LDoubleValueFormatter::ScanDouble(const std::string& text, double* value) const
{
    std::size_t at = 0;
    const std::size_t end = text.size();
    while (at < end && IsBlank(text[at]))
        ++at;
    bool negative = false;
    if (at < end && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    // Rewrite the number in the C form that from_chars reads whatever the
    // process locale is.
    std::string plain;
    std::size_t digits = 0;
    while (at < end && IsDigit(text[at])) {
        plain += text[at++];
        ++digits;
    }
    if (at < end && text.compare(at, separator_.size(), separator_) == 0) {
        at += separator_.size();
        plain += '.';
        while (at < end && IsDigit(text[at])) {
            plain += text[at++];
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    while (at < end && IsBlank(text[at]))
        ++at;
    if (at != end)
        return false;
    if (plain.front() == '.')
        plain.insert(plain.begin(), '0');
    if (plain.back() == '.')
        plain.pop_back();
    double parsed = 0;
    auto result = std::from_chars(plain.data(), plain.data() + plain.size(), parsed);
    if (result.ec != std::errc() || result.ptr != plain.data() + plain.size() || !std::isfinite(parsed))
        return false;
    if (value)
        *value = negative ? -parsed : parsed;
    return true;
}

bool LDoubleValueFormatter::IsPartialStringValid(const std::string& text)
{
    if (text.empty())
        return true;
    std::size_t separator = text.find(separator_);
    if (separator != std::string::npos) {
        if (maximumFractionDigits_ == 0)
            return false;
        std::string after = text.substr(separator + separator_.size());
        if (LUtf16Length(after) > static_cast<std::size_t>(maximumFractionDigits_))
            return false;
    }
    double value = 0;
    return ScanDouble(text, &value) && value <= maximumLimit_;
}

bool LDoubleValueFormatter::GetObjectValue(const std::string& text, LFormatterValue* value)
{
    // A value being typed as "12" and the separator is shown again as it
    // stands; it still has to be a number in range.
    bool endsWithSeparator =
        text.size() >= separator_.size() &&
        text.compare(text.size() - separator_.size(), separator_.size(), separator_) == 0;
    separatorLast_ = maximumFractionDigits_ >= 1 && endsWithSeparator;
    double scanned = 0;
    if (!ScanDouble(text, &scanned) || scanned < minimumValue_ || scanned > maximumLimit_) {
        separatorLast_ = false;
        return false;
    }
    if (value) {
        *value = LFormatterValue::Text(text);
        value->number = scanned;
    }
    return true;
}

std::string LDoubleValueFormatter::StringForObjectValue(const LFormatterValue& value)
{
    double number = 0;
    switch (value.kind) {
    case LFormatterValue::kNone:
        return {};
    case LFormatterValue::kText:
        return value.text;
    case LFormatterValue::kInteger:
        number = static_cast<double>(value.integer);
        break;
    case LFormatterValue::kDouble:
        number = value.number;
        break;
    }
    if (!std::isfinite(number))
        return {};
    // The shortest text that reads back as the same number, never in
    // exponent form, so the fraction rules below see every digit.
    char buffer[400];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::fixed);
    if (result.ec != std::errc())
        return {};
    std::string text(buffer, result.ptr);
    std::size_t point = text.find('.');
    if (point != std::string::npos)
        text.replace(point, 1, separator_);

    if (separatorLast_)
        return text + separator_;
    const std::size_t digits = static_cast<std::size_t>(maximumFractionDigits_);
    if (point != std::string::npos) {
        std::size_t fractionStart = point + separator_.size();
        std::size_t fraction = text.size() - fractionStart;
        if (fraction > digits)
            text.resize(digits == 0 ? point : fractionStart + digits);
        else
            text.append(digits - fraction, '0');
    } else if (digits >= 1) {
        text += separator_;
        text.append(digits, '0');
    }
    return text;
}

// --- length --------------------------------------------------------------

bool LTextFieldFormatter::IsPartialStringValid(const std::string& text)
{
    return maximumTextLength_ == 0 || LUtf16Length(text) <= maximumTextLength_;
}

bool LTextFieldFormatter::GetObjectValue(const std::string& text, LFormatterValue* value)
{
    if (value)
        *value = LFormatterValue::Text(text);
    return true;
}

std::string LTextFieldFormatter::StringForObjectValue(const LFormatterValue& value)
{
    switch (value.kind) {
    case LFormatterValue::kText:
        return value.text;
    case LFormatterValue::kInteger:
        return std::to_string(value.integer);
    default:
        return {};
    }
}

// --- dialog filter -------------------------------------------------------

bool LEditControlFormatter::IsPartialStringValid(const std::string& text)
{
    if (!filter_)
        return false;
    return filter_(window_, text.c_str());
}

bool LEditControlFormatter::GetObjectValue(const std::string& text, LFormatterValue* value)
{
    if (value)
        *value = LFormatterValue::Text(text);
    return true;
}

std::string LEditControlFormatter::StringForObjectValue(const LFormatterValue& value)
{
    return value.kind == LFormatterValue::kText ? value.text : std::string();
}
