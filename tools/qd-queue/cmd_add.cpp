// qd-queue add SOURCE OUTPUT_FOLDER .wav|.mp3 [--dest PATH] [--delete-source]:
// appends one job to this user's queue through the queue's writer.

#include "QueueCommand.h"

#include "app/queue/ProcessQueueFile.h"
#include "audio/formats/LAudioFileOpener.h"
#include "foundation/ini/LDurationText.h"

#include <cstdio>
#include <cstring>

namespace {

int RunAdd(int argc, char** argv)
{
    if (argc < 4 || argv[1][0] == '-' || argv[2][0] == '-' || argv[3][0] == '-')
        return QdFail(
            "usage: qd-queue add SOURCE OUTPUT_FOLDER .wav|.mp3 [--dest PATH] [--delete-source]");
    ProcessQueueRecord record;
    const std::string source = QueueAbsolutePath(argv[1]);
    const std::string folder = QueueAbsolutePath(argv[2]);
    const char* dest = QdOption(argc, argv, "--dest");
    const std::string destination = dest ? QueueAbsolutePath(dest) : std::string();
    if (!SetQueueText(record.sourcePath, source.c_str()) ||
        !SetQueueText(record.outputFolder, folder.c_str()) ||
        !SetQueueText(record.outputExtension, argv[3]) ||
        !SetQueueText(record.destinationPath, destination.c_str()))
        return QdFail("a path is longer than a job's field holds (259 bytes)");
    record.deleteSource = QdFlag(argc, argv, "--delete-source") ? 1 : 0;

    // The duration text as the recording window writes it; a file that does
    // not open still queues (the job will report it).
    int64_t ms = 0;
    LSoundSourcePtr opened;
    LOpenAudioFileSource(opened, source.c_str());
    if (opened->GetStatus() == kSoundStatusOk && opened->GetRate() > 0)
        ms = opened->GetLength() * 1000 / opened->GetRate();
    char duration[64];
    LFormatDurationMs(&ms, duration);
    SetQueueText(record.durationText, duration);

    ProcessQueueFile queue(QueuePathOrExit().c_str());
    const QueueStatus status = queue.Append(record);
    if (status != QueueStatus::kOk)
        return QdFail("%s", QueueStatusText(status));
    return 0;
}

QdRegistrar reg("add", "add SOURCE OUTPUT_FOLDER .wav|.mp3 [--dest PATH] [--delete-source]", &RunAdd);

} // namespace
