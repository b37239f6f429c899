#pragma once
// Where the recording session keeps what it records ("takes") until the
// converted file is whole in the output folder: a folder of their own in the
// caches folder, "Session Recordings". A take being recorded is locked by the
// process that records it. A take that nobody holds and no queued job names
// is a recording the program did not finish (it was killed, the power went,
// the queue could not take it, its conversion failed): every start finishes
// its header and hands it to the processing queue again, which deletes it
// only once its output is in place.

#include "app/queue/ProcessQueueFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class ProcessQueueWorker;

inline constexpr const char* kSessionTakesFolderName = "Session Recordings";

// How long the session waits for a queue that another process holds before
// it keeps the take and says so: short enough not to freeze the window.
inline constexpr uint32_t kSessionQueueWaitMs = 1000;

// $XDG_CACHE_HOME/Quorin/Session Recordings; with create, the folder is made
// (mode 0700) when missing. Empty when there is no caches folder or the
// folder cannot be made.
std::string SessionTakesFolder(bool create);

// The lock a recording process holds on its take from creation until the take
// is queued or left for the next start.
class SessionTakeLock
{
public:
    SessionTakeLock() = default;
    ~SessionTakeLock() { Release(); }
    SessionTakeLock(const SessionTakeLock&) = delete;
    SessionTakeLock& operator=(const SessionTakeLock&) = delete;

    // Creates a new empty take "0XXXXXX.wav" in the takes folder and locks
    // it; its path goes to path (size bytes). False when the folder or the
    // file cannot be made (path is then empty).
    bool Create(char* path, std::size_t size);
    bool IsHeld() const { return fd_ >= 0; }
    // From now on the take is the queue's or the next start's.
    void Release();

private:
    int fd_ = -1;
};

// Queues a finished take under `name` in the output folder and format of the
// settings (and the second copy when asked), waiting at most lockWaitMs for
// the queue. kOk when the queue took it; the job deletes the take once its
// output is whole.
QueueStatus QueueSessionTake(ProcessQueueWorker& worker, const char* takePath, const char* name,
                             int64_t lengthMs, uint32_t lockWaitMs);

// What a start found in the takes folder.
struct RecoveredTakes
{
    int queued = 0;
    int64_t queuedMs = 0;
    std::vector<std::string> kept; // found but not queued: they stay for the next start
};

// Finishes and queues every take that no process holds and no queued job
// names, under the next free output names. Takes without any audio are
// deleted. Nothing is done when the queue cannot be read.
RecoveredTakes RecoverSessionTakes(ProcessQueueWorker& worker, uint32_t lockWaitMs = kSessionQueueWaitMs);

// What the user is told about them; empty when nothing was found.
std::string RecoveredTakesText(const RecoveredTakes& found);

// What the user is told about a take the queue did not take.
std::string TakeNotQueuedText(QueueStatus status, const char* takePath);
