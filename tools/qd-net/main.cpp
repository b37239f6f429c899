#include "NetCommand.h"

#include "foundation/threads/LPollSet.h"

#include <algorithm>
#include <csignal>

namespace {

volatile sig_atomic_t gStop = 0;

void OnSignal(int)
{
    gStop = 1;
}

} // namespace

NetStopContext::NetStopContext()
{
    static bool installed = false;
    if (!installed) {
        installed = true;
        struct sigaction action = {};
        action.sa_handler = OnSignal;
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
    }
}

bool NetStopContext::IsStopRequested()
{
    return gStop != 0;
}

bool NetStopContext::WaitForStop(uint32_t ms)
{
    // Short turns so that a signal is seen quickly.
    while (ms > 0 && gStop == 0) {
        const uint32_t turn = std::min<uint32_t>(ms, 50);
        LLocalProcessContext::WaitForStop(turn);
        ms -= turn;
    }
    return gStop != 0;
}

int NetStopContext::WaitForStopOrPollSet(LPollSet* set, uint32_t ms)
{
    if (gStop != 0)
        return LWaitStopRequested;
    const int result = LLocalProcessContext::WaitForStopOrPollSet(set, ms);
    return gStop != 0 ? LWaitStopRequested : result;
}

int main(int argc, char** argv)
{
    return QdToolMain("qd-net", argc, argv);
}
