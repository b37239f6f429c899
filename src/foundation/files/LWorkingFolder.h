#pragma once
// A private folder in the caches folder for the files one task makes (the
// AIFF copies of an audio CD, the converted files of a data disc), named
// from the template "0XXXXXX" and removed with everything in it when the
// task ends. A process killed meanwhile cannot remove it: while its maker
// lives, a marker file in it stays locked, so a later start can tell the
// folders of processes that died from those still in use.

#include <string>

class LWorkingFolder
{
public:
    // Makes the folder (mode 0700); Path() is empty when it could not.
    LWorkingFolder();
    ~LWorkingFolder();
    LWorkingFolder(const LWorkingFolder&) = delete;
    LWorkingFolder& operator=(const LWorkingFolder&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
    int marker_ = -1;
};

// Removes the working folders of the caches folder whose makers no longer
// run. A folder whose marker is locked (its maker lives, in this process or
// another) or that has no marker of a finished making is left alone.
// Returns how many went.
int LRemoveDeadWorkingFolders();
