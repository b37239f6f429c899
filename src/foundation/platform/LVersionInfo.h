#pragma once
// Version numbers: the version text a program declares ("3.00", "V 3.00"),
// and the running system's kernel and distribution (uname, /etc/os-release).

#include <cstddef>

// Reads "major.minor" from a version text. A text beginning with 'V' is read
// from just after its first blank ("V 3.00"); one without a blank is refused.
// Each part is read as a decimal number ("2.1.3" gives 2 and 1; no '.' gives
// minor 0). False for an empty text or one that does not start with a digit.
bool LGetBundleVersion(const char* versionText, int* major, int* minor);

struct LOsVersion
{
    int kernelMajor = 0;
    int kernelMinor = 0;
    char id[64] = {};          // os-release ID, e.g. "debian"
    char versionId[64] = {};   // os-release VERSION_ID, e.g. "12"
    char prettyName[260] = {}; // os-release PRETTY_NAME
};

// Reads "6.1.0-18-amd64" as 6 and 1. False when it does not begin "N.N".
bool LParseKernelRelease(const char* release, int* major, int* minor);

// Fills id, versionId and prettyName from the text of an os-release file
// (KEY=value lines, values optionally quoted, backslash escapes inside
// quotes). Keys that are absent leave their fields empty.
void LParseOsRelease(const char* text, LOsVersion* version);

// The running system's version, read once (uname; /etc/os-release, else
// /usr/lib/os-release).
const LOsVersion& LGetOsVersion();

// True when the running kernel is at least major.minor.
bool LIsKernelAtLeast(int major, int minor);

// True when the system has what the program relies on: process descriptors
// for watching children (Linux 5.3).
bool LIsSupportedSystem();
