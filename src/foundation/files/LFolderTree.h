#pragma once
// Whole folder trees: copied, removed and given their permissions.
//
// No operation follows a symbolic link inside the tree: a link is copied as a
// link, removed as a link and left as it is by the permission walk. The
// operations go on past entries that fail.

// Copies the contents of sourceFolder into destFolder, which is created when
// missing. Files already in the destination are replaced. The destination is
// never copied into itself when it lies inside the source. True when every
// entry was copied.
bool LCopyFolderTree(const char* sourceFolder, const char* destFolder);

// The same walk, but a file is copied only when nothing of its name exists in
// the destination yet. The token is passed along unchanged and not used.
bool LCopyFolderTreeKeepExisting(const void* token, const char* sourceFolder, const char* destFolder);

// Removes the folder and everything below it. The result is whether the
// folder itself was removed; "" and a path that is not a folder (a symbolic
// link to one included) give false and are left alone.
bool LDeleteFolderTree(const char* folder);

// LDeleteFolderTree for trees whose entries carry flags that stop removal;
// Linux files carry none of those, so it is the same walk.
bool LDeleteFolderTreeForce(const char* folder);

// Unlinks the entries of the folder that are not folders (no recursion), then
// removes the folder; the result is whether that removal succeeded.
bool LDeleteFolder(const char* folder);

// Opens up the tree to the user's umask: folders and executable files get
// 0777, other files 0666, less the umask and never writable by everyone.
// True when every entry was changed.
bool LChmodFolderTree(const char* folder);
