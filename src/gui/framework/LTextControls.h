#pragma once
// Text controls beyond the one-line labels: a read-only text view of many
// lines that scrolls (licence terms, credits), and the font of a label
// (enlarged, reduced, bold) for headings.

#include <string>

class LWindow;

// A read-only, scrolling text view with the id, parked above the view until
// laid out; hidden when `hidden`.
void LAddReadOnlyTextView(LWindow* window, int id, bool hidden);
void LSetTextViewText(LWindow* window, int id, const std::string& text);
std::string LGetTextViewText(const LWindow* window, int id);

// The system label font times `scale`, bold when asked, for a static text.
void LSetStaticTextFont(LWindow* window, int id, double scale, bool bold);
// One line of the control's font in device pixels (0 when no such control).
int LGetControlLineHeight(const LWindow* window, int id);
// The width of the text in the control's font, device pixels.
int LGetControlTextWidth(const LWindow* window, int id, const char* text);
