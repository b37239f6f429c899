// Arbitrary bytes as a job queue file: every reader and writer of the queue
// must take them without reading past what is there, and leave a file that
// the readers agree on.

#include "app/queue/ProcessQueueFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// A folder for the queue, in memory where the system has one (the queue
// flushes every change, which a disk would make slow).
const std::string& Folder()
{
    static const std::string folder = [] {
        std::string pattern = access("/dev/shm", W_OK) == 0 ? "/dev/shm/quorin-fuzz-queue.XXXXXX"
                                                            : "/tmp/quorin-fuzz-queue.XXXXXX";
        if (!mkdtemp(pattern.data()))
            std::abort();
        // The queue logs what it repairs: into this folder, never the user's.
        for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"})
            setenv(name, pattern.c_str(), 1);
        // Removed at exit through a copy that outlives every other static.
        static char removeAtExit[4096];
        std::snprintf(removeAtExit, sizeof removeAtExit, "%s", pattern.c_str());
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(removeAtExit, ignored);
        });
        return pattern;
    }();
    return folder;
}

void WriteQueue(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size)
        std::abort();
    std::fclose(file);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = Folder() + "/grprocesses.list";
    ProcessQueueFile queue(path.c_str());
    queue.SetLockWait(10);

    WriteQueue(path, data, size);
    std::vector<ProcessQueueRecord> records;
    const QueueStatus all = queue.ReadAll(&records);
    QueueFront front;
    const QueueStatus first = queue.ReadFront(&front);
    if ((all == QueueStatus::kOk) != (first == QueueStatus::kOk) ||
        (first == QueueStatus::kOk && front.recordCount != records.size()))
        std::abort();
    bool queued = false;
    queue.IsDestinationQueued("/out/x.wav", &queued);

    if (first == QueueStatus::kOk) {
        queue.RemoveFront(front.bytes);
        std::vector<ProcessQueueRecord> after;
        queue.ReadAll(&after);
        if (after.size() + 1 != records.size())
            std::abort();
    }

    // An append after any damage gives a queue whose last record is it.
    ProcessQueueRecord record;
    SetQueueText(record.sourcePath, "/rec/new.wav");
    SetQueueText(record.outputFolder, "/out");
    SetQueueText(record.outputExtension, ".wav");
    if (queue.Append(record) == QueueStatus::kOk) {
        std::vector<ProcessQueueRecord> after;
        if (queue.ReadAll(&after) != QueueStatus::kOk || after.empty() ||
            std::string(after.back().sourcePath) != "/rec/new.wav")
            std::abort();
    }

    WriteQueue(path, data, size);
    QueueResume outcome;
    size_t count = 0;
    queue.ResumeAtStartup(1, &outcome, &count);
    unlink(path.c_str());
    // Damaged queues are kept aside under new names: clear them for the next input.
    for (const auto& entry : std::filesystem::directory_iterator(Folder()))
        if (entry.path().filename().string().rfind("grprocesses.list.damaged", 0) == 0)
            std::filesystem::remove(entry.path());
    return 0;
}
