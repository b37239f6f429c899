#pragma once
// Turns the drive's activity during a write or an erase into the status
// line, progress and outcome the user sees, and runs such a job to its end:
// polling the drive, cancelling it on the user's request or when it stops
// moving, and waiting (within a bound) until the drive is idle again,
// because until then libburn's thread still reads the track sources.

#include "burn/LBurnBackend.h"

#include <cstdint>
#include <string>

class LProcessContext;

// The steps a job goes through, as the status line names them.
enum class LBurnStep {
    None,
    Preparing,
    SessionOpen,
    TrackOpen,
    TrackWrite,
    Closing,
    Finishing,
    Erasing,
};

// The step of an activity taken alone. Finishing needs the run before it
// (LBurnStatusHandler knows that): libburn names no state of its own for it.
LBurnStep LBurnStepOf(LBurnDriveActivity activity);

// The status line of a step; track counts from 1 (0 when unknown).
std::string LBurnStepText(LBurnStep step, int track);

class LBurnStatusHandler
{
public:
    explicit LBurnStatusHandler(LProcessContext* context) : context_(context) {}

    // Shows the step (when it changed) and the progress.
    void Update(LBurnDriveActivity activity, const LBurnProgressInfo& progress);

private:
    LProcessContext* context_;
    std::string lastLine_;
    bool indeterminate_ = false;
    bool first_ = true;
    bool trackStarted_ = false;
};

struct LBurnWaitBounds
{
    uint32_t pollMs = 100;
    // A job whose progress does not move for this long is taken for hung.
    uint32_t stallMs = 120000;
    // How long a cancelled or hung job may take to come back to idle.
    uint32_t idleWaitMs = 60000;
};

struct LBurnJobOutcome
{
    int status = 0;      // 0 done, 1 cancelled, 2 failed
    std::string message; // the drive's message when failed
    bool idle = true;    // false: the drive never came back, its job is still running
};

// Follows a started job until the drive is idle. A stop request cancels the
// job when cancellable is set; either way the drive is then given
// bounds.idleWaitMs to come back ("Waiting for drive to finish operation...").
LBurnJobOutcome LRunBurnJob(LProcessContext* context, LBurnDrive& drive, const LBurnWaitBounds& bounds,
                            bool cancellable);
