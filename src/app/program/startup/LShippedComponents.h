#pragma once
// The components folder: code the program loads at run time (the MP3
// encoder "quavex4x64") that lives in a per-user folder, and the copies the
// program ships in its resources to fill it.

#include <cstddef>

// The shipped components: "resources/components" in the resources folder
// (260 bytes).
bool LGetShippedComponentsFolder(char* dest);
// The installed path of a component (260 bytes), set even when the answer is
// false; true when it is there and usable (a file, or a folder that the
// component is allowed to be).
bool LGetComponentPath(const char* name, char* dest);
// A component's name from a shipped entry: the file name without extension
// and without one trailing 'i' ("quavex4x64i.zip" is "quavex4x64").
void LComponentNameFromEntry(const char* entry, char* dest);
// True when the folder holds no entry (hidden names count as none).
bool LIsFolderEmpty(const char* folder);
// Files below the folder, at any depth, that lack an execute bit.
int LCountNonExecutableFiles(const char* folder);

// Gives everything below the path (the path included) the modes of code
// within the user's umask: files 0755, folders 0777, never writable by
// others. Links are not followed.
void LSecureComponentsTree(const char* path);

// 0 when installed, 2 when not. Copies take the user's umask; code gets
// execute rights; nothing becomes writable by others.
int LInstallShippedComponentFile(const char* name, const char* source);
int LInstallShippedComponentFolder(const char* name, const char* source);
// Unzips into the components folder (the unzip program, its arguments as an
// argument vector); members with absolute paths or ".." are refused.
int LInstallComponentZip(const char* name, const char* zip, bool deleteZip);
