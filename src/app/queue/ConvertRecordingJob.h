#pragma once
// One queued job: restore a recording, convert it to WAV or MP3 with its
// tags, and put the result in place. A plain function of a process context,
// so the queue's worker thread and a progress window run the same code.

#include "app/queue/ProcessQueueRecord.h"

class LProcessContext;

enum : int {
    kJobDone = 0,
    kJobStopped = 1, // a stop request ended the conversion; nothing was changed
    kJobFailed = 2,
};

// Runs the job. The record is updated in place: the destination it went to,
// the duration text (when it was empty), and the delete-source flag, which
// is cleared when the job fails. The source is deleted (when asked) only
// after the output is complete and renamed into place; a destination equal
// to the source (the same file, however named) is replaced by renaming the
// result over it. Failures go to the daily log and to context->Message.
int ConvertRecordingJob(LProcessContext* context, ProcessQueueRecord& record);

// True when the job's source file is gone. Such a job ends at once without
// touching anything (done when an earlier run left its output in place,
// else failed), so running it again after a crash is harmless.
bool JobSourceIsMissing(const ProcessQueueRecord& record);

// True for the system's error numbers of a disk (or a quota, or a file size
// limit) that takes no more.
bool IsDiskFullError(int error);

// True when the two paths name the same existing file (device and inode).
bool IsSameFile(const char* a, const char* b);
