#pragma once
// What the processing side tells the main window. The queue library never
// calls a window: it hands each notice to a posting function that the
// program installs (the main window connects it to its queued window
// messages; tests and tools connect their own). The poster is called on
// whatever thread produced the notice and must only queue it.

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

// Notice codes, as the main window's notification handler knows them.
enum : int32_t {
    kQueueNoticeJobQueued = 2035,     // a job was added to the queue
    kQueueNoticeJobDone = 2042,       // text: the finished file's path
    kQueueNoticeTemporaryDone = 2043, // a by-product job is done
    kQueueNoticeProgress = 2046,      // text: the status text; percent: 0..100
    kQueueNoticeMessage = 2060,       // text: a failure to show the user; percent: the message level
};

struct QueueNotice
{
    int32_t code = 0;
    std::string text;
    int32_t percent = 0;
};

using QueueNoticePoster = std::function<void(const QueueNotice&)>;

// The process-wide reporter of the processing worker: where notices go, the
// status text the jobs set, and the last percent posted.
class JobProgressReporter
{
public:
    // Installs the poster; an empty one posts nothing (the state before the
    // main window is up). Resets the last percent.
    void SetPoster(QueueNoticePoster poster);
    bool HasPoster() const;

    // Posts when a poster is installed.
    void Post(const QueueNotice& notice);

    // Posts progress when the whole percent of `fraction` (kept within 0..1)
    // differs from the last one posted, with the current status text.
    void NotifyProgress(double fraction);
    // Posts a finished file.
    void NotifyJobDone(const char* outputPath);
    // Posts a failure message.
    void NotifyMessage(const char* text, int level);

    // The percent NotifyProgress last posted, -1 before the first.
    int32_t LastPercent() const;

private:
    mutable std::mutex lock_;
    QueueNoticePoster poster_;
    int32_t lastPercent_ = -1;
};

JobProgressReporter& QueueReporter();

// The whole percent of a fraction, kept within 0..100.
int32_t QueuePercent(double fraction);
