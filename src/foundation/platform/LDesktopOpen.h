#pragma once
// Handing web addresses and folders to the desktop (xdg-open). The address or
// path is passed as one argument, never through a shell.

#include <string>

// Opens the address in the user's browser; a text without "://" gets
// "http://" in front. False (nothing opened) for a text that is not an
// address: empty, longer than 2084 bytes, with blanks or control characters,
// or without a scheme of letters, digits, '+', '-' and '.' starting with a
// letter. True when xdg-open was started.
bool LOpenURL(const char* text);

// Asks the desktop's file manager to show its folder with the item (a
// "file://" address) selected; true when a file manager took the request.
// This layer knows no message bus: the window layer installs the one that
// speaks to the session bus.
using LFileManagerShowItemFunction = bool (*)(const char* itemUri);
// Null removes it: revealing then only opens the folder.
void LSetFileManagerShowItem(LFileManagerShowItemFunction showItem);

// The item that revealing a path selects: for a folder, the first of its
// entries by name that is neither a folder nor a symbolic link (names
// beginning with '.' are hidden in file managers and skipped); for a folder
// without such an entry, and for anything else, the path itself. Absolute;
// empty when the path does not exist.
std::string LRevealTarget(const char* path);

// Shows a folder in the file manager with LRevealTarget's item selected.
// When no file manager takes that request it opens the folder with
// xdg-open: the folder itself, or for anything that is not a folder the
// folder that holds it. True when either was done.
bool LRevealFolderInFinder(const char* folder);

// "file://" and the path, each byte other than letters, digits, '/' and
// - . _ ~ written as '%' and two upper-case hex digits.
std::string LFileUriFromPath(const char* path);
