#include "burn/LBurnRunningFlag.h"

#include <atomic>

namespace {
std::atomic<int> gRunning{0};
}

bool LIsBurnRunning()
{
    return gRunning.load() > 0;
}

LBurnRunningScope::LBurnRunningScope()
{
    gRunning.fetch_add(1);
}

LBurnRunningScope::~LBurnRunningScope()
{
    gRunning.fetch_sub(1);
}
