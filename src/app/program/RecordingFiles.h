#pragma once
// The files behind the main window's list of recordings: what a row shows
// for a file, which files belong in the list, and renaming one in the
// output folder without ever replacing another file.

#include <cstdint>
#include <string>

// ".wav" or ".mp3", without regard to case.
bool IsRecordingFileName(const char* name);
bool IsMp3FileName(const char* name);

// The length of the recording in milliseconds (length / rate); false when
// the file does not open as a sound source.
bool ReadRecordingDuration(const char* path, int64_t* ms);

// "H:MM:SS" of a length in milliseconds, whole seconds.
std::string FormatRecordingDuration(int64_t ms);

// Whether a file can be made in the folder: one is created and deleted.
bool IsFolderWritable(const char* folder);

// What a rename typed into the list asks for.
enum class RenameCheck {
    kRename,     // rename to the planned name
    kNothing,    // the same name, or a change of the file's type: nothing happens
    kEmpty,      // no name, or no title before the extension
    kLeadingDot, // "." or ".." or a hidden name
    kSlash,      // a name with a folder separator
    kExists,     // a file of that name is there, or a row of the list has it
};

// Checks the typed text (blanks trimmed) for the file oldName in folder;
// for kRename, *newName holds the name to rename to (the old extension
// added when the text has none). inList answers whether a row already shows
// a name (case-insensitive); it may be null.
RenameCheck PlanRecordingRename(const char* folder, const char* oldName, const char* typed,
                                bool (*inList)(const char* name, void* data), void* data,
                                std::string* newName);

// The message that refuses a rename; empty for kRename and kNothing.
const char* RenameRefusalText(RenameCheck check);

// Renames from to to unless to exists (atomically where the file system
// can); false when to exists or the rename failed.
bool RenameWithoutReplacing(const char* from, const char* to);

// The name for a copy of the file at path in folder: the file's own name
// when neither a file of the folder nor `taken` (may be null) has it, else
// the next free name of the output-name rules ("<title> 02<ext>", ...).
// Empty when no name is free.
std::string FreeNameInFolder(const char* path, const char* folder,
                             bool (*taken)(const char* name, void* data), void* data);
