#pragma once
// "SharedSettings.xml" in the folder "Shared" of the program's data folder:
// values shared with the maker's other programs, one top-level element per
// section, one element per name inside it, the value in its "value" attribute.

// The value into a 260-byte buffer (cut between characters); the default
// when the file, the element or the attribute is missing.
void LSharedSettingsGetString(const char* section, const char* name, const char* defaultValue, char* dest);

// Stores the value: the file is read, changed and replaced whole under its
// lock. A file that cannot be read or parsed is left as it is (its values
// would otherwise be lost) and the failure goes to the log; so do section and
// names that cannot be element names. False when nothing was stored.
bool LSharedSettingsSetString(const char* section, const char* name, const char* value);

// The file's path ("" and false when the data folder cannot be named).
bool LSharedSettingsPath(char* dest);
