#include "QdBurnDrive.h"

#include "QdCommand.h"
#include "burn/LFakeBurnBackend.h"
#include "burn/LLibburnBackend.h"
#include "burn/LMediaType.h"
#include "burn/LOpticalDriveNumbering.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

volatile sig_atomic_t gStop = 0;

void OnStopSignal(int)
{
    gStop = 1;
}

} // namespace

int QdParseBurnDrive(const char* text, bool allowNone, QdBurnDrive& drive)
{
    if (text == nullptr)
        return QdFail("--drive is required");
    if (std::strcmp(text, "none") == 0) {
        if (!allowNone)
            return QdFail("--drive none is only allowed with --dry-run");
        return 0;
    }
    if (std::strncmp(text, "emulated:", 9) == 0)
        return QdFail("emulated drives belong to the drives, info and burn commands; use fake:... here");
    if (std::strncmp(text, "fake:", 5) == 0) {
        LFakeBurnDriveScript script;
        if (!LParseFakeBurnDrive(text + 5, script))
            return QdFail("bad fake drive '%s' (media=cdr|cdrw|dvd+rw|none, state=blank|appendable|full, "
                          "fail=write|vanish|erase|hang)",
                          text);
        drive.owned = std::make_unique<LFakeBurnBackend>(std::vector<LFakeBurnDriveScript>{script});
        drive.backend = drive.owned.get();
        drive.index = 0;
        drive.fake = true;
        return 0;
    }
    drive.backend = &LGetLibburnBackend();
    if (*text >= '0' && *text <= '9') {
        long n = 0;
        if (!QdNumber(text, 0, 254, n))
            return QdFail("bad drive index '%s'", text);
        drive.index = static_cast<uint32_t>(n);
        return 0;
    }
    if (std::strncmp(text, "/dev/sr", 7) == 0) {
        const std::vector<std::string> paths = LListOpticalDrivePaths();
        uint32_t index = 0;
        // A node that is not there is a drive that does not exist (code 15),
        // not a usage error.
        drive.index = LParseOpticalDriveChoice(text, paths, index)
                          ? index
                          : static_cast<uint32_t>(std::min<size_t>(paths.size(), 254));
        return 0;
    }
    return QdFail("bad --drive '%s' (N, /dev/srN, fake:... or none)", text);
}

QdSignalContext::QdSignalContext(bool verbose) : verbose_(verbose)
{
    gStop = 0;
    struct sigaction stop = {};
    stop.sa_handler = &OnStopSignal;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGINT, &stop, &oldInt_);
    sigaction(SIGTERM, &stop, &oldTerm_);
}

QdSignalContext::~QdSignalContext()
{
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
}

bool QdSignalContext::IsStopRequested()
{
    return gStop != 0;
}

bool QdSignalContext::WaitForStop(uint32_t ms)
{
    while (ms > 0 && gStop == 0) {
        const uint32_t slice = std::min<uint32_t>(ms, 20);
        local_.WaitForStop(slice);
        ms -= slice;
    }
    return gStop != 0;
}

int QdSignalContext::WaitForStopOrSignal(const LSignalObject* signal, uint32_t ms)
{
    for (;;) {
        if (gStop != 0)
            return LWaitStopRequested;
        const uint32_t slice = std::min<uint32_t>(ms, 20);
        const int r = local_.WaitForStopOrSignal(signal, slice);
        if (r == LWaitSignalled)
            return r;
        if (ms != LNoTimeLimit)
            ms -= slice;
        if (ms == 0)
            return LWaitTimedOut;
    }
}

int QdSignalContext::WaitForStopOrPollSet(LPollSet* set, uint32_t ms)
{
    for (;;) {
        if (gStop != 0)
            return LWaitStopRequested;
        const uint32_t slice = std::min<uint32_t>(ms, 20);
        const int r = local_.WaitForStopOrPollSet(set, slice);
        if (r == LWaitSignalled)
            return r;
        if (ms != LNoTimeLimit)
            ms -= slice;
        if (ms == 0)
            return LWaitTimedOut;
    }
}

void QdSignalContext::MessageLevel(const char* text, int level)
{
    if (verbose_ && level <= 1 && text != nullptr && *text != '\0')
        std::fprintf(stderr, "status%d: %s\n", level, text);
}

int QdReportBurnResult(const LBurnResult& result)
{
    if (result.code == kBurnNoError)
        return 0;
    if (result.code == kBurnUserCanceled)
        return 1;
    char text[1200];
    result.Describe(text, sizeof text);
    std::fprintf(stderr, "qd-disc: code %d: %s\n", result.code, text);
    return 2;
}

std::string QdMediaText(uint32_t media)
{
    return std::to_string(media) + " " + LMediaTypeName(media);
}
