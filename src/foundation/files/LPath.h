#pragma once
// Path texts and their parts.
//
// Paths are UTF-8 texts held in 260-byte buffers (at most 259 bytes and the
// NUL). A result that does not fit is an error: the destination is emptied and
// the call reports failure, because a shortened path would name another file.
// When a path is taken apart both '/' and '\\' count as separators; the
// separator written is '/'.

#include "foundation/text/LTextBuffer.h"

#include <cstddef>

// Size of a path buffer, terminating NUL included.
inline constexpr std::size_t kLPathSize = kTextBufferSize;
// Longest path text a path buffer holds.
inline constexpr std::size_t kLPathMaxLength = kLPathSize - 1;

// dest = folder + '/' + name + suffix; the '/' is left out when the folder is
// empty or already ends in a separator. `dest` may be the same buffer as any
// argument. False (and dest empty) when the result does not fit.
bool LPathCombine(char* dest, const char* folder, const char* name, const char* suffix);

// The path up to its last separator; '/' for a path directly below the root;
// empty without a separator. Returns the length of the result, or -1 (dest
// empty) when the path itself is longer than a path buffer holds.
int LPathGetFolder(char* dest, const char* path);

// The path up to the first separator at index 2 or later, without that
// separator ('/Volumes/Disk/a' gives '/Volumes').
bool LPathGetRoot(char* dest, const char* path);

// The part after the last separator.
bool LPathGetFileName(char* dest, const char* path);

// The file name's part from its last '.', dot included; empty when it has none.
bool LPathGetExtension(char* dest, const char* path);

// The file name without its extension; a leading dot is not an extension
// ('.profile' stays whole).
bool LPathGetTitle(char* dest, const char* path);

// dest = folder/name+suffix when nothing of that name exists there, else the
// first free of folder/name_0+suffix, folder/name_1+suffix, ... Anything that
// exists counts as taken, a dangling symbolic link included. Returns dest,
// which is empty when no such path fits.
char* LPathMakeUnique(char* dest, const char* folder, const char* name, const char* suffix);

// A file name made from free text: control characters, ':', '\\', '/' and
// leading dots are dropped, and the name is cut (on a character boundary) to
// the longest name the file system takes. True when anything was kept.
bool LMakeSafeFileName(const char* text, char* dest);

// Creates the folder and any missing parents (mode 0777 less the umask).
// False when a folder could not be made, including when it already exists.
bool LCreateFolderPath(const char* path);
