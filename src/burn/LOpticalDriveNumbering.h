#pragma once
// How the program numbers the burners: drive index N is the Nth optical
// drive node (/dev/sr0, /dev/sr1, ...) in ascending order of its number.
// Settings store the index, and every disc service turns it back into a
// device path here, so the numbering is the same everywhere.

#include <cstdint>
#include <string>
#include <vector>

// Paths of the optical drive nodes "<folder>/srN" in ascending N (a gap in
// the numbers does not shift the paths; it only shortens the list).
std::vector<std::string> LListOpticalDrivePaths(const char* folder = "/dev");

// Reads a drive choice given as a decimal index "N" or a device path
// "/dev/srN" into an index of paths. False when the text is neither, or
// names no entry of the list.
bool LParseOpticalDriveChoice(const char* text, const std::vector<std::string>& paths, uint32_t& index);
