#pragma once
// What a focused editing view does with a shortcut key before any menu sees
// it: the editing commands act on the view, Escape stays free for the
// dialog's cancel, and every other key is kept for the view's own key-down
// handling, so menu shortcuts never fire behind the text being typed.

#include "gui/framework/LKey.h"

enum class LKeyEquivalentAction {
    kNotHandled, // the menus and the window may take the key
    kCut,
    kCopy,
    kPaste,
    kSelectAll,
    kUndo,
    kRedo,
    kKeepForKeyDown, // handled: the view receives the key as a key down later
};

// `focused`: the view is its window's focus view. Only Ctrl (Command) alone
// selects cut, copy, paste and select-all; Ctrl+Z undoes and Ctrl+Shift+Z redoes.
LKeyEquivalentAction LPerformKeyEquivalentCommon(LKey key, bool focused);
