#pragma once
// Small helpers the wizard pages lay out their controls with: rectangles
// in the page's units (points, scaled to pixels here) and static texts
// broken into the lines that fit their width.

#include "gui/framework/LWindow.h"

#include <string>

// Places control id at x, y, w, h page units.
void WizardPlace(LWindow* page, int id, double x, double y, double w, double h);
// A static text, broken between words into lines of at most widthUnits.
void WizardAddText(LWindow* page, int id, const char* text, double x, double y, double w, double h);
