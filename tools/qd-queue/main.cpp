#include "QueueCommand.h"

#include "app/queue/ProcessQueueRecord.h"
#include "foundation/files/LPath.h"

#include <cstdlib>
#include <unistd.h>

std::string QueueAbsolutePath(const char* path)
{
    if (path[0] == '/')
        return path;
    char folder[4096];
    if (getcwd(folder, sizeof folder) == nullptr)
        return path;
    return std::string(folder) + "/" + path;
}

std::string QueuePathOrExit()
{
    char path[kLPathSize];
    if (!GetProcessQueuePath(path)) {
        QdFail("the caches folder cannot be named or made");
        std::exit(2);
    }
    return path;
}

int main(int argc, char** argv)
{
    return QdToolMain("qd-queue", argc, argv);
}
