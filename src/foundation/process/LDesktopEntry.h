#pragma once
// Desktop entry files (".desktop"): how the desktop names and starts an
// installed application. Entries are looked for in the "applications" folder
// of $XDG_DATA_HOME, then of each folder of $XDG_DATA_DIRS.

#include <string>
#include <vector>

struct LDesktopEntry
{
    std::string path;    // the file the entry was read from
    std::string id;      // its file name without ".desktop"
    std::string type;    // "Application" for programs
    std::string name;    // the untranslated Name
    std::string exec;    // the Exec line, string escapes resolved
    std::string tryExec; // TryExec: a program that must exist for the entry to count
    std::string icon;
    bool hidden = false; // Hidden=true: the entry was deleted by the user
};

// Reads the [Desktop Entry] group of the file. False when the file cannot be
// read or has no such group.
bool LReadDesktopEntry(const char* path, LDesktopEntry* entry);

// The file of the entry with this id ("org.example.App" or with ".desktop"):
// the first one found in the data folders (user's first); false when none.
bool LFindDesktopEntryFile(const char* id, std::string* path);

// The argument vector of the Exec line with the field codes filled in: %f
// and %u take the first of `files`, %F and %U all of them, %i the icon as
// "--icon ICON", %c the name, %k the entry's path, %% a '%'; deprecated codes
// are dropped. False when the line is empty or its quoting is broken.
bool LExpandDesktopExec(const LDesktopEntry& entry, const std::vector<std::string>& files,
                        std::vector<std::string>* argv);

// The program an entry starts: the first word of Exec, found through $PATH
// (260 bytes). False when it is not there, or when the entry has a TryExec
// program that is not there.
bool LGetDesktopEntryProgram(const LDesktopEntry& entry, char* dest);
