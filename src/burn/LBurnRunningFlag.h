#pragma once
// The process-wide "burn running" flag: set while an audio-CD burn, an erase
// or a drive scan talks to a drive through libburn, so that the media watcher
// leaves the drive's status changes alone meanwhile. Any thread may read it.

// True while one of those operations runs.
bool LIsBurnRunning();

// Marks an operation as running for the life of the object. Operations may
// nest (a burn erasing a disc); the flag clears when the outermost ends.
class LBurnRunningScope
{
public:
    LBurnRunningScope();
    ~LBurnRunningScope();
    LBurnRunningScope(const LBurnRunningScope&) = delete;
    LBurnRunningScope& operator=(const LBurnRunningScope&) = delete;
};
