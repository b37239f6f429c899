// qd-net handover NAME FILE [--limit MS]: hands FILE to the running sibling
// program NAME over its local socket (".spipe." + the name in lower case),
// the way the program does, and prints the result: "delivered" (exit 0),
// "not running", "failed" or "too long" (exit 1; failed: it listens but did
// not read the record within the limit, 15 seconds unless given; too long: it
// listens, but FILE is longer than the record holds, so nothing was sent).

#include "NetCommand.h"

#include "online/LRelatedPrograms.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int RunHandOver(int argc, char** argv)
{
    if (argc != 3 && argc != 5)
        return QdFail("usage: handover NAME FILE [--limit MS]");
    long limit = kHandOverLimitMs;
    if (argc == 5 && (std::string(argv[3]) != "--limit" || !QdNumber(argv[4], 1, 600000, limit)))
        return QdFail("--limit takes milliseconds (1 to 600000)");
    NetStopContext context;
    const LHandOverResult result = LHandOverToRelatedProgram(
        argv[1], argv[2], static_cast<uint32_t>(limit), [&context] { return context.IsStopRequested(); });
    switch (result) {
    case LHandOverResult::Delivered:
        std::printf("delivered\n");
        return 0;
    case LHandOverResult::NotRunning:
        std::printf("not running\n");
        return 1;
    case LHandOverResult::TooLong:
        std::fprintf(stderr, "qd-net: handover: FILE is %zu bytes; the hand-over record holds at most %zu\n",
                     std::strlen(argv[2]), kHandOverTextMax);
        std::printf("too long\n");
        return 1;
    case LHandOverResult::Failed:
        break;
    }
    std::printf("failed\n");
    return 1;
}

QdRegistrar reg("handover", "handover NAME FILE [--limit MS]", &RunHandOver);

} // namespace
