#pragma once
// The program's main: the process set-up and its options ("-exe NAME",
// "-elevated", "-installer", "-surveysched", "-scheduled_launch"), the one
// running copy per session, the components, then the application delegate
// and the event loop until the program quits.

#include "app/program/startup/LAppDelegate.h"

// The exit status of the process: 0 after a normal run, a hand-over to the
// copy already running, or a start that ended before its window; for
// "-elevated" 1; for "-exe" 1 when the helper entry failed, else 0.
int LApplicationMain(int argc, char** argv, LMainDialogFactory factory);

// The files named on the command line: the arguments from 1 on that are not
// options (a "-psn" argument is gone already; "--" ends the options).
std::vector<std::string> LCommandLineDocuments();
