#pragma once
// The --drive choice of the audio-CD commands (scan, state, erase, audio-cd):
// "N" or "/dev/srN" for a burner through libburn, "fake:[media=...][,state=...][,fail=...]"
// for a scripted drive, or "none" (only where the command allows it). The
// SCSI commands' "emulated:..." drives are refused here.

#include "burn/LBurnBackend.h"
#include "burn/LBurnResult.h"
#include "foundation/threads/LLocalProcessContext.h"

#include <csignal>
#include <cstdint>
#include <memory>

struct QdBurnDrive
{
    std::unique_ptr<LBurnBackend> owned;
    LBurnBackend* backend = nullptr;
    uint32_t index = 255; // 255: none
    bool fake = false;
};

// Fills drive from the --drive text. On a bad choice prints why and returns
// 2 (the tool's usage failure); 0 otherwise.
int QdParseBurnDrive(const char* text, bool allowNone, QdBurnDrive& drive);

// A context whose stop is SIGINT or SIGTERM, and which prints status lines
// on standard error when verbose.
class QdSignalContext : public LProcessContext
{
public:
    explicit QdSignalContext(bool verbose);
    ~QdSignalContext() override;
    bool IsStopRequested() override;
    bool WaitForStop(uint32_t ms) override;
    int WaitForStopOrSignal(const LSignalObject* signal, uint32_t ms) override;
    int WaitForStopOrPollSet(LPollSet* set, uint32_t ms) override;
    void MessageLevel(const char* text, int level) override;

private:
    bool verbose_;
    LLocalProcessContext local_;
    struct sigaction oldInt_ = {};
    struct sigaction oldTerm_ = {};
};

// Exit status of a burn result: 0 done, 1 cancelled, 2 failed with the
// line "qd-disc: code N: TEXT[: MESSAGE]" on standard error.
int QdReportBurnResult(const LBurnResult& result);

// "CODE NAME" of a media code.
std::string QdMediaText(uint32_t media);
