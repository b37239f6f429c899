#pragma once
// Qt key events to our key codes: Ctrl is the Command modifier, Alt the
// Option modifier and Meta the Control modifier; keys without a character
// map to the virtual key codes our shortcut tables use.

#include "gui/framework/LKey.h"

#include <QString>
#include <Qt>

class QKeyEvent;

// Our virtual key for a Qt key without character; 0 for none.
int LQtVirtualKeyForQtKey(int qtKey);
// The Qt key for a virtual key (the first that maps to it); 0 for none.
int LQtKeyForVirtualKey(int virtualKey);
uint32_t LQtModifierBits(Qt::KeyboardModifiers modifiers);
// The key code of a Qt key with modifiers; `text` is the event's text, used
// for keys whose Qt key carries no character.
LKey LQtKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text = QString());
LKey LQtKeyFromEvent(const QKeyEvent* event);
// The first key of a key-sequence text such as "Ctrl+Shift+/"; false when
// the text names no key or the key has no code.
bool LQtKeyFromSequenceText(const QString& text, LKey* key);
