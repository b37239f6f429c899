#pragma once
// The main window's side of the wizard's hand-over: each track takes the
// job-done notice's way into the list (copied into the output folder, under
// the next free name when its own is taken), without counting as a queued
// job that finished.

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
