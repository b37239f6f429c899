#include "burn/LBurnStatusHandler.h"

#include "foundation/threads/LProcessContext.h"

#include <chrono>
#include <cstdio>
#include <thread>

// No activity reads "Verifying...": libburn reads nothing back while it
// writes and has no verification state, and an audio CD written through it
// gets no verify pass (the data-disc burn, which drives the writer itself,
// verifies and says so on a status line of its own).
LBurnStep LBurnStepOf(LBurnDriveActivity activity)
{
    switch (activity) {
    case LBurnDriveActivity::Spawning:
    case LBurnDriveActivity::Grabbing:
        return LBurnStep::Preparing;
    case LBurnDriveActivity::WritingLeadIn:
        return LBurnStep::SessionOpen;
    case LBurnDriveActivity::WritingPregap:
        return LBurnStep::TrackOpen;
    case LBurnDriveActivity::Writing:
    case LBurnDriveActivity::WritingSync:
        return LBurnStep::TrackWrite;
    case LBurnDriveActivity::ClosingTrack:
    case LBurnDriveActivity::ClosingSession:
    case LBurnDriveActivity::WritingLeadOut:
        return LBurnStep::Closing;
    case LBurnDriveActivity::Erasing:
    case LBurnDriveActivity::Formatting:
        return LBurnStep::Erasing;
    default:
        return LBurnStep::None;
    }
}

std::string LBurnStepText(LBurnStep step, int track)
{
    char text[64];
    switch (step) {
    case LBurnStep::Preparing:
        if (track == 0)
            return "Preparing...";
        std::snprintf(text, sizeof text, "Preparing track %d ...", track);
        return text;
    case LBurnStep::SessionOpen:
        return "Opening Session...";
    case LBurnStep::TrackOpen:
        return "Opening Track...";
    case LBurnStep::TrackWrite:
        if (track == 0)
            return "";
        std::snprintf(text, sizeof text, "Writing track %d ...", track);
        return text;
    case LBurnStep::Closing:
        return "Closing... (this might take a while)";
    case LBurnStep::Finishing:
        return "Finishing...";
    case LBurnStep::Erasing:
        return "Erasing...";
    default:
        return "";
    }
}

void LBurnStatusHandler::Update(LBurnDriveActivity activity, const LBurnProgressInfo& progress)
{
    LBurnStep step = LBurnStepOf(activity);
    if (step == LBurnStep::None)
        return;
    // Once its session is written libburn clears the sector counts and, still
    // "writing", waits for the drive and reads the new state of the disc:
    // that end is the finishing step. Before the first track the counts are
    // also 0, so only a run that has started a track gets there.
    if (step == LBurnStep::TrackWrite) {
        if (progress.sectors > 0)
            trackStarted_ = true;
        else if (trackStarted_)
            step = LBurnStep::Finishing;
    }
    const int track = step == LBurnStep::TrackWrite ? progress.track + 1 : 0;
    const std::string line = LBurnStepText(step, track);
    if (line != lastLine_ || first_) {
        context_->MessageLevel(line.c_str(), 1);
        lastLine_ = line;
        first_ = false;
    }
    if (progress.sectors > 0) {
        if (indeterminate_) {
            context_->EndIndeterminateProgress();
            indeterminate_ = false;
        }
        context_->Progress(static_cast<double>(progress.sector) / progress.sectors);
    } else if (!indeterminate_) {
        context_->BeginIndeterminateProgress();
        indeterminate_ = true;
    }
}

namespace {

using Clock = std::chrono::steady_clock;

uint64_t MsSince(Clock::time_point start)
{
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// Waits up to bounds.idleWaitMs for the drive to go idle; the stop request
// is no longer looked at (the drive is already being stopped).
bool WaitForIdle(LProcessContext* context, LBurnDrive& drive, const LBurnWaitBounds& bounds)
{
    context->MessageLevel("Waiting for drive to finish operation...", 1);
    const Clock::time_point start = Clock::now();
    while (drive.Activity(nullptr) != LBurnDriveActivity::Idle) {
        if (MsSince(start) >= bounds.idleWaitMs)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(bounds.pollMs));
    }
    return true;
}

} // namespace

LBurnJobOutcome LRunBurnJob(LProcessContext* context, LBurnDrive& drive, const LBurnWaitBounds& bounds,
                            bool cancellable)
{
    LBurnStatusHandler handler(context);
    LBurnJobOutcome outcome;
    Clock::time_point lastMove = Clock::now();
    LBurnDriveActivity lastActivity = LBurnDriveActivity::Spawning;
    LBurnProgressInfo lastProgress;
    for (;;) {
        LBurnProgressInfo progress;
        const LBurnDriveActivity activity = drive.Activity(&progress);
        handler.Update(activity, progress);
        if (activity == LBurnDriveActivity::Idle) {
            if (drive.WroteWell())
                return outcome;
            outcome.status = 2;
            outcome.message = drive.LastMessage();
            return outcome;
        }
        if (context->IsStopRequested()) {
            if (cancellable)
                drive.Cancel();
            outcome.idle = WaitForIdle(context, drive, bounds);
            outcome.status = outcome.idle ? 1 : 2;
            if (!outcome.idle)
                outcome.message = "The drive did not finish its operation";
            return outcome;
        }
        if (activity != lastActivity || progress.sector != lastProgress.sector ||
            progress.track != lastProgress.track) {
            lastActivity = activity;
            lastProgress = progress;
            lastMove = Clock::now();
        } else if (MsSince(lastMove) >= bounds.stallMs) {
            drive.Cancel();
            outcome.idle = WaitForIdle(context, drive, bounds);
            outcome.status = 2;
            outcome.message = "The drive stopped responding";
            return outcome;
        }
        context->WaitForStop(bounds.pollMs);
    }
}
