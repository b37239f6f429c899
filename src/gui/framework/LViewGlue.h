#pragma once
// Small calls between windows and their views.

class LWindow;

// A critical alert titled with the product's name over the window, one "OK"
// button; the text explains.
void LMessageBoxProductErrorForWindow(LWindow* window, const char* text);
// The window's SetControlText; nothing without a window.
void LSetControlText(LWindow* window, int id, const char* text);
