#pragma once
// Menu and button titles carry their keyboard mnemonics as '&' marks ("&File",
// "Save && Exit") and menu titles their shortcut after a tab; these give the
// plain text for places that show neither.

// dest (260 bytes) = text without single '&' marks, "&&" becoming "&". A null
// text gives "". A longer result is cut between characters.
void LStripMnemonics(char* dest, const char* text);

// LStripMnemonics, then cut at the first tab.
void LStripMenuText(char* dest, const char* text);
