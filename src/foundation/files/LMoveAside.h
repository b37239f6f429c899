#pragma once
// Keeping a damaged file for its owner instead of deleting it: it gets the
// first free name of "NAME.damaged", "NAME.damaged-2", "NAME.damaged-3" ...
// beside itself, never replacing anything.

#include <cstddef>

// Renames the file; true when it now has the name given in `movedTo`.
bool LMoveDamagedFileAside(const char* path, char* movedTo, std::size_t movedToSize);

// Gives the file the new name as a second hard link and leaves the old name
// in place, for a caller that then renames mended contents over the old name
// (so that no moment passes without one or the other).
bool LLinkDamagedFileAside(const char* path, char* linkedTo, std::size_t linkedToSize);
