#pragma once
// Handing web addresses and folders to the desktop (xdg-open). The address or
// path is passed as one argument, never through a shell.

// Opens the address in the user's browser; a text without "://" gets
// "http://" in front. False (nothing opened) for a text that is not an
// address: empty, longer than 2084 bytes, with blanks or control characters,
// or without a scheme of letters, digits, '+', '-' and '.' starting with a
// letter. True when xdg-open was started.
bool LOpenURL(const char* text);

// Shows a folder in the file manager: the folder itself, or for anything that
// is not a folder the folder that holds it. True when xdg-open was started.
bool LRevealFolderInFinder(const char* folder);
