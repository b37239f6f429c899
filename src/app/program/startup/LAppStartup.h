#pragma once
// The steps of the program's start-up between the process set-up and the
// main window: the shipped components, the per-user components folder, the
// start-up checks and the "-surveysched" launch, and the run phase that the
// crash report quotes.

class LWindow;

// The run phase: 1 before the window exists, 2 while the main window is
// placed, 0 running, 3 main window closed, 4 terminating.
enum LAppRunPhaseValue : int {
    kRunPhaseRunning = 0,
    kRunPhaseGlobalInit = 1,
    kRunPhaseWindowInit = 2,
    kRunPhaseWindowClosed = 3,
    kRunPhaseTerminating = 4,
};
void LSetAppRunPhase(int phase);
int LGetAppRunPhase();
// The phase as the crash report prints it ("GloIni1", "GuiIni2",
// "Ukn0(LstCmd0)", "GuiDes3", "GloDes4", "(Cmd5)"), 260 bytes.
void LGetAppRunPhaseText(char* dest);
// The same for a phase and last command recorded elsewhere (a crash marker).
void LFormatRunPhaseText(int phase, int lastCommand, char* dest);

// Set by "-installer" as argument 1 (with at least two arguments).
bool LIsInstallerLaunch();
// Set by "-surveysched" anywhere from argument 1 on.
bool LIsSurveyScheduledLaunch();

// Copies each component shipped in the resources folder ("resources/
// components") into the per-user components folder unless a usable copy is
// there already. Failures are silent: the entry is skipped.
void LInstallShippedComponents();
// Makes the per-user components folder with the user's umask, and takes
// write access for others away from anything in it (code loaded from there
// must not be changeable by other users); code files get 0755 less the umask.
void LPrepareComponentsFolder();

// "-surveysched": records the survey state and answers false (the program
// ends without a window); true for any other start.
bool LHandleSurveyScheduleArgument();
// Before the main window is created: the start-up update check (its
// "OSCheckRequired" flag is then deleted), the program to the front and the
// survey launch. False ends the start-up.
bool LAppStartupChecks(LWindow* mainWindow);
