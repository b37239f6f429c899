#pragma once
// The desktop's trash (the freedesktop.org trash layout): a removed file is
// moved into "files" of a trash folder and an "info/NAME.trashinfo" beside
// it records where it came from and when, so the file manager can put it
// back. Files of the home's file system go to $XDG_DATA_HOME/Trash; files of
// another mounted file system to its "/.Trash/UID" (when the administrator
// made a sticky ".Trash") or its "/.Trash-UID".

#include <string>

// The trash folder a file or folder at `path` would go to, made when
// missing; empty when it has none (nothing could be made, or a trash that
// is there is not safe to use).
std::string LTrashFolderFor(const char* path);

enum class LTrashResult {
    kTrashed, // the file is in the trash
    kNoTrash, // no trash can take it; the file is where it was
    kFailed,  // a trash is there but the move failed; the file is where it was
};

// Moves the file into its trash under a name no file there has.
LTrashResult LMoveToTrash(const char* path, std::string* trashedAs = nullptr);
