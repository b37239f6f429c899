#pragma once
// Static texts show the lines they are given: a long text is broken between
// words into lines that fit a width, measured in the window's own font.

#include "gui/framework/LWindow.h"

#include <string>

// The text broken between words into lines no wider than widthPx; a line
// break in the text stays one.
std::string LBreakTextIntoLines(const LWindow* window, const char* text, int widthPx);
