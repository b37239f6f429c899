#pragma once
// Between the framework's font descriptions and toolkit fonts, and the
// measure of wrapped text that dialog layouts use.

#include "gui/controls/LPaintContext.h"

#include <QFont>
#include <QString>

// The toolkit font of a description (sizes are logical pixels, the unit
// widgets use).
QFont LQtMakeFont(const LGuiFont& font);
// The description of a toolkit font.
LGuiFont LQtDescribeFont(const QFont& font);
// Size of a toolkit font in logical pixels.
float LQtFontSize(const QFont& font);
// Lines of the text wrapped to widthPx / scale, each the font's size high
// with a third of it between lines and above and below:
// ceil(scale x (n x size + (n + 1) x floor(size / 3))); 0 for an empty text.
int LQtWrappedTextHeight(const QFont& font, const QString& text, int widthPx, double scale);
// Lines the text takes when wrapped to width logical pixels.
int LQtWrappedLineCount(const QFont& font, const QString& text, double width);
