#pragma once
// The installer launch: the program started with "-installer" from a place
// that is not an installation (a build tree, an unpacked archive) installs
// itself for the user and goes on in the installed copy.
//
// The user's place is the prefix ~/.local, filled as an install with that
// prefix would fill it: the program is ~/.local/bin/quorin and its resources
// are ~/.local/share/quorin, where the program finds them from its own path
// (LGetBundleLayout). Its desktop entry and icon go under $XDG_DATA_HOME
// (LInstallDesktopEntry). No administrator rights are needed for it; only
// when the user's own folders refuse the copy is it made through pkexec.

#include "foundation/files/LPath.h"

// The prefix of the program in use (its "bundle"): set from the running
// program by the first-run step, and replaced by the installed copy's when
// the installer launch installs or finds one.
extern char LAppBundlePath[kLPathSize];

// The program's file name in "bin".
inline constexpr const char* kProgramFileName = "quorin";

// LAppBundlePath = the running program's bundle (LGetBundlePath).
void LSetAppBundlePathToRunningProgram();

// The user's place for programs: $HOME/.local (260 bytes).
bool LGetUserApplicationsFolder(char* dest);

// The program of a bundle that is a prefix: bundle/bin/quorin when it is a
// regular file (260 bytes).
bool LGetBundleExecutable(const char* bundle, char* dest);

// The version an installation in the prefix recorded in
// share/quorin/version ("3.00"); false (0.0) when there is none.
bool LGetInstalledVersion(const char* bundle, int* major, int* minor);

// True when the running program is installed: it runs from a prefix (the
// program in bin, its resources in share/quorin) that is, or lies inside, a
// place for programs: the user's ~/.local, /usr, /usr/local or /opt (the
// same file-system objects, whatever the path's spelling).
bool LIsRunningFromApplicationsFolder();
// The same for the program at `executable`.
bool LIsInstalledProgram(const char* executable);

// The program and its resources copied into a prefix as the user; the
// resources replace the former ones in one rename, the program file too.
bool LCopyProgramInto(const char* prefix);

// Installs the running program into the user's place. An installed copy of
// the same or a newer version is used as it is. When the copy as the user
// fails, it is made with administrator rights (pkexec); a dismissed or
// refused authentication or a failed copy is told in a message box, and the
// answer is false. True sets LAppBundlePath to the installed prefix.
bool LInstallIntoApplications();

// Starts the program of LAppBundlePath (LRelaunchApplication, no argument);
// the caller ends its process in every case.
void LRelaunchFromAppPath();

// Starts the executable in a new process with only its own path (and the
// argument, when not null) as arguments. The new process waits until this
// one has ended (at most 10 s) before it runs the program, so that the
// program finds no running copy to hand its start to. 1 when started, 0 when
// no process could be made.
int LRelaunchApplication(const char* executable, const char* argument);

// Tests: the elevating program in place of pkexec (null restores it), and a
// start in place of LRelaunchApplication's (null restores it).
void LSetInstallElevatorForTesting(const char* elevator);
using LRelaunchFunction = int (*)(const char* executable, const char* argument);
void LSetRelaunchForTesting(LRelaunchFunction relaunch);
