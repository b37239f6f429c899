#pragma once
// The folders the preference windows accept for recordings and their
// copies: an existing folder the user can write to, or a missing one the
// user agrees to create. Folders are made with the user's umask.

#include "gui/framework/LView.h"

#include <string>

// The recording output folder when nothing is stored: "Quorin" in the
// user's Music folder ("" when that cannot be named).
std::string DefaultRecordingFolder();

enum class FolderCheck {
    kAccepted, // exists and is writable, or was created
    kRefused,  // not a writable folder, or could not be created: the error was shown
    kCancelled // the user declined to create it
};

struct FolderQuestion
{
    const char* notWritable; // printf text with one %s for the path
    const char* createQuestion; // printf text with one %s for the path
    bool withParents;
};

// Checks path (not empty) for use, asking over parent before creating a
// missing folder and showing the refusal when it cannot be used.
FolderCheck CheckFolderForUse(LViewHandle parent, const std::string& path, const FolderQuestion& texts);

// Makes the folder (with its parents when asked) with the user's umask.
bool CreateFolderForUser(const std::string& path, bool withParents);

// The copy folder of "Make copy to:" as the Audio Settings page and the
// Output Format dialog check it: empty is refused, an existing entry must be
// a writable folder, a missing one is created with its parents when the user
// agrees. True (folder set to the accepted path) when it can be used.
bool CheckCopyFolder(LViewHandle parent, const std::string& field, std::string* folder);
