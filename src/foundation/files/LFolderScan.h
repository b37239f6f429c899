#pragma once
// Folder scanners: the entries of one folder, one at a time, in the order the
// file system gives them.

#include "foundation/files/LPath.h"

#include <climits>
#include <dirent.h>

class LFolderScan
{
public:
    LFolderScan() = default;
    virtual ~LFolderScan();
    LFolderScan(const LFolderScan&) = delete;
    LFolderScan& operator=(const LFolderScan&) = delete;

    // Opens the folder at `path` and moves to its first accepted entry; the
    // pattern is "*". A path naming a file scans that file's folder for that
    // one name. False when there is no folder or no accepted entry.
    bool Start(const char* path);

    // Moves to the next accepted entry; at the end closes the folder and
    // returns false.
    bool Next();

    // Whether an entry is one the caller wants. This one refuses hidden
    // entries (leading '.') and "__MACOSX" entries and matches the rest
    // against the pattern ('*' and '?'), ignoring case.
    virtual bool Accept(const char* entryName);

    void Close();

    // The current entry's name ("" when there is none) and its type as readdir
    // gave it (DT_REG, DT_DIR, ... or DT_UNKNOWN).
    const char* Name() const { return name; }
    unsigned char Type() const { return type; }

    DIR* dir = nullptr;
    char name[NAME_MAX + 1] = {};
    unsigned char type = DT_UNKNOWN;
    char folder[kLPathSize] = {};
    char pattern[kLPathSize] = {};
};

// Takes every entry, "." and ".." included.
class LFolderScanAll : public LFolderScan
{
public:
    bool Accept(const char* entryName) override;
};
