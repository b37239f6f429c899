#pragma once
// The one loop every conversion, split, join, restoration and CD-track
// preparation ends in: it adapts a job's source to its sink, keeps it within
// 16-bit range, optionally fades or crossfades it, and copies it into the
// sink block by block while reporting progress and honouring cancellation.

#include "audio/core/LSoundSink.h"
#include "audio/core/LSoundSource.h"

#include <string>

class LProcessContext;

struct LSoundProcessJob
{
    LSoundProcessJob();
    ~LSoundProcessJob();

    std::string title = "Process Audio"; // the first progress line
    LSoundSourcePtr input;
    LSoundSinkPtr output; // a failed null sink until set
    LSoundSourcePtr secondSource;
    int32_t crossfade = 0; // non-zero joins the second source to the input through a crossfade
};

// Results of ProcessSoundToSink.
enum : int32_t {
    kPumpDone = 0,
    kPumpCancelled = 1,
    kPumpFailed = 2,
};

// Copies the job's input into its output. 0 done, 1 cancelled (what was
// written stays), 2 failed: the chain or the sink was failed before the
// start, or a write left the sink failed (the pump stops at that write).
// The pump never truncates and never releases the job's own handles; the
// job's owner finishes the output by releasing its sink handle.
int32_t ProcessSoundToSink(LProcessContext* context, LSoundProcessJob& job);
