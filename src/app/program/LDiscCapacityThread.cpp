#include "app/program/LDiscCapacityThread.h"

#include "app/program/burn/LBurnCommands.h"

#include <cstdio>
#include <vector>

LDiscCapacityThread::LDiscCapacityThread() : reader_(&LDiscCapacityThread::ReadSelectedDriveCapacity) {}

LDiscCapacityThread::~LDiscCapacityThread()
{
    StopAndWait();
}

void LDiscCapacityThread::Request(bool reread, bool refresh)
{
    reread_.store(reread);
    refresh_.store(refresh);
}

void LDiscCapacityThread::Run()
{
    while (!WaitForStop(intervalMs_)) {
        // Taken before the text is made: a request that comes in meanwhile
        // makes another round rather than being cleared unseen.
        if (!refresh_.exchange(false))
            continue;
        const std::string text = reader_ ? reader_(reread_.exchange(false)) : std::string();
        if (IsStopRequested())
            break;
        if (target_ != nullptr) {
            char bytes[260] = {};
            std::snprintf(bytes, sizeof(bytes), "%s", text.c_str());
            target_->PostNotifyData(kCapacityTextCode, bytes, sizeof(bytes));
        }
    }
}

std::string LDiscCapacityThread::ReadSelectedDriveCapacity(bool reread)
{
    char text[260] = {};
    LBurnDiscCapacityText(text, reread);
    return text;
}
