#include "gui/controls/LUpDownRules.h"

#include <algorithm>
#include <cmath>
#include <limits>

double LClampUpDownValue(double value, double min, double max)
{
    // Written so that a value that is not a number falls to the minimum.
    return min < value ? std::min(value, max) : min;
}

int32_t LUpDownIntegerValue(double value, double min, double max)
{
    double clamped = std::trunc(LClampUpDownValue(value, min, max));
    if (!(clamped >= static_cast<double>(std::numeric_limits<int32_t>::min())))
        return std::numeric_limits<int32_t>::min();
    if (clamped > static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(clamped);
}

double LStepUpDownValue(double value, double step, bool up, double min, double max)
{
    double next = up ? value + step : value - step;
    return LClampUpDownValue(next, min, max);
}

LUpDownEndEditing LEndUpDownEditing(double shownValue, double min, double max)
{
    double clamped = LClampUpDownValue(shownValue, min, max);
    return {clamped, clamped != shownValue};
}
