#include "app/program/LDiscCapacityThread.h"

#include "burn/LBurnBackend.h"
#include "burn/LBurnOptions.h"
#include "burn/LBurnResult.h"
#include "burn/LDiscServices.h"
#include "foundation/ini/LDurationText.h"
#include "foundation/settings/LSettings.h"

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
    (void)reread; // every look reads the disc: the drive layer keeps no copy
    LBurnOptions options;
    LLoadBurnOptions(&options);
    if (options.driveIndex == kBurnNoDrive)
        return "No Drive";
    LBurnResult result;
    int64_t freeBlocks = 0;
    int64_t usedBlocks = 0;
    uint32_t media = 0;
    const int32_t code = LReadDiscState(result, LGetLibburnBackend(), options, freeBlocks, usedBlocks, media);
    if (code == 14 || code == 15)
        return "No Disc in Drive";
    if (code != 0 && code != 29)
        return "No Drive";
    char text[64] = {};
    if (LSettingsGetInt("OutputFormat", "OutputFormatNum", 0) == 4) {
        // An audio CD holds 75 sectors a second.
        const int64_t ms = freeBlocks * 1000 / 75;
        LFormatDurationCs(&ms, text);
    } else {
        std::snprintf(text, sizeof(text), "%5.3f MB", static_cast<double>(freeBlocks) * 2048.0 / 1048576.0);
    }
    return text;
}
