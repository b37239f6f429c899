#pragma once
// The tag editor for one file, chosen by its extension: ".wav" files get the
// "Audio Tag Editor", every other file the "ID Tag" dialog.

#include "tags/LAudioTagMap.h"

class LWindow;

// True when the user confirmed with OK and the record was updated.
bool ShowTagEditorDialog(LAudioTagMap* tags, LWindow* parent, const char* path);
