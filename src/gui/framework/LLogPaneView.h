#pragma once
// The log pane's text view as the toolkit shows it (gui/qt/text/LQtLogPane.cpp):
// the pane decides what to show, the view only shows it.

#include "gui/framework/LRGBColor.h"
#include "gui/framework/LView.h"

#include <string>

// The colour of the view's text.
void LLogPaneViewSetColor(LViewHandle view, const LRGBColor& color);
// Shows the text with its newest lines in sight.
void LLogPaneViewShowText(LViewHandle view, const std::string& text);
