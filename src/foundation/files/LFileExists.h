#pragma once
// Existence tests. They sit below both the path routines and the rest of the
// file-system helpers, which each need them.

// True when something exists at the path (the kind of item is not checked).
bool LFileExists(const char* path);
bool LFolderExists(const char* path);
