#pragma once
// The main window's side of the wizard's hand-over: each track goes to the
// main window as a job-done notice (2042), which copies it into the output
// folder (under the next free name when its own is taken) and lists it.

#include "app/program/wizard/TrackHandOver.h"

class MainDialog;

class MainWindowTrackReceiver : public WizardTrackReceiver
{
public:
    explicit MainWindowTrackReceiver(MainDialog* window) : window_(window) {}
    bool TakeFile(const char* path) override;

private:
    MainDialog* window_;
};
