#pragma once
// Where the program's own files are. Installed, the program is
// <prefix>/bin/quorin and its resources are in <prefix>/share/quorin; in a
// build tree the resources sit beside the program. The prefix (or the build
// folder) is the program's "bundle".

#include <cstddef>

// Absolute path of the running program (/proc/self/exe). "" (false) on failure.
bool LGetExecutablePath(char* dest, size_t size);

// The bundle and resources folders for a program at `executable`: the prefix
// and <prefix>/share/quorin when the program is in a folder "bin" beside
// which share/quorin exists; otherwise the program's folder for both.
bool LGetBundleLayout(const char* executable, char* bundle, size_t bundleSize, char* resources,
                      size_t resourcesSize);

bool LGetBundlePath(char* dest, size_t size);
bool LGetResourcesFolder(char* dest, size_t size);

// The resources folder + "/help" (260 bytes).
bool LGetHelpFolder(char* dest);

// The first line of "resources/ref.txt" in the resources folder (at most 259
// bytes, cut between characters); "" when the file is missing.
void LReadResourceRefFile(char* dest);
