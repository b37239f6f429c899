// qd-queue list: one line per whole queued job,
// "source<TAB>destination<TAB>extension" (destination empty when unset).

#include "QueueCommand.h"

#include "app/queue/ProcessQueueFile.h"

#include <cstdio>

namespace {

int RunList(int argc, char** argv)
{
    (void)argc;
    (void)argv;
    ProcessQueueFile queue(QueuePathOrExit().c_str());
    std::vector<ProcessQueueRecord> records;
    const QueueStatus status = queue.ReadAll(&records);
    if (status != QueueStatus::kOk && status != QueueStatus::kEmpty)
        return QdFail("%s", QueueStatusText(status));
    for (const ProcessQueueRecord& r : records)
        std::printf("%s\t%s\t%s\n", r.sourcePath, r.destinationPath, r.outputExtension);
    return 0;
}

QdRegistrar reg("list", "list", &RunList);

} // namespace
