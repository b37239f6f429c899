#pragma once
// How the up-down number input keeps its value in range. Typing may leave the
// field outside the range for a moment (the user may be halfway through a
// number); the value is corrected when editing ends. The arrows never step
// past the range ends.

#include <cstdint>

// The value kept within [min, max]: below or at min gives min.
double LClampUpDownValue(double value, double min, double max);
// The clamped value truncated towards zero, as the dialogs read it.
int32_t LUpDownIntegerValue(double value, double min, double max);
// One arrow press from `value`: value ± step, stopped at the range ends.
double LStepUpDownValue(double value, double step, bool up, double min, double max);

// End of editing: the value the field takes and whether the dialog must
// hear of the change (only when the shown value was corrected).
struct LUpDownEndEditing
{
    double value;
    bool changed;
};
LUpDownEndEditing LEndUpDownEditing(double shownValue, double min, double max);
