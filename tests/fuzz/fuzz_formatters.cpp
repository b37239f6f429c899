// Feeds arbitrary text to the four judges of restricted text inputs. Nothing
// may crash or read out of bounds, and a finished text that a number judge
// accepts must read back as a number within its limits.

#include "gui/controls/LValueFormatters.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

bool RefuseLongTexts(LWindow*, const char* text)
{
    return std::string(text).size() < 8;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    // The first bytes choose the limits, the rest is the text.
    const int fractionDigits = data[0] % 6;
    const int32_t integerLimit = static_cast<int32_t>(data[1]) * 1000 - 5000;
    const double doubleLimit = static_cast<double>(data[2]) * 10.0;
    const std::string separator = (data[0] & 0x80) ? "," : ".";
    std::string text(reinterpret_cast<const char*>(data + 3), size - 3);

    LIntegerValueFormatter integer;
    integer.SetMaximumLimit(integerLimit);
    integer.SetMaximumTextLength(data[1] % 16);
    integer.IsPartialStringValid(text);
    LFormatterValue value;
    if (integer.GetObjectValue(text, &value)) {
        int32_t scanned = 0;
        if (value.kind != LFormatterValue::kInteger || !LIntegerValueFormatter::ScanInt32(text, &scanned) ||
            scanned != value.integer || value.integer > integerLimit)
            std::abort();
        integer.StringForObjectValue(value);
    }

    LDoubleValueFormatter decimal(separator);
    decimal.SetMaximumFractionDigits(fractionDigits);
    decimal.SetMaximumLimit(doubleLimit);
    decimal.SetMinimumValue(-doubleLimit);
    decimal.IsPartialStringValid(text);
    if (decimal.GetObjectValue(text, &value)) {
        double scanned = 0;
        if (!decimal.ScanDouble(text, &scanned) || scanned != value.number || scanned > doubleLimit ||
            scanned < -doubleLimit)
            std::abort();
    }
    decimal.StringForObjectValue(value);
    // Whatever a number shows as must be something the field accepts again.
    double shown = 0;
    if (decimal.ScanDouble(text, &shown)) {
        decimal.GetObjectValue("0", nullptr);
        std::string again = decimal.StringForObjectValue(LFormatterValue::Double(shown));
        double back = 0;
        if (!again.empty() && !decimal.ScanDouble(again, &back))
            std::abort();
    }

    LTextFieldFormatter length;
    length.SetMaximumTextLength(data[2] % 32);
    if (length.IsPartialStringValid(text) && data[2] % 32 != 0 && LUtf16Length(text) > data[2] % 32u)
        std::abort();
    length.GetObjectValue(text, &value);
    length.StringForObjectValue(value);

    LEditControlFormatter filter;
    if (filter.IsPartialStringValid(text))
        std::abort();
    filter.SetFilterFunction(RefuseLongTexts);
    filter.IsPartialStringValid(text);
    filter.GetObjectValue(text, &value);
    filter.StringForObjectValue(value);
    return 0;
}
