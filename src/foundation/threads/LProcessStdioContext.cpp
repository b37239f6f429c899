#include "foundation/threads/LProcessStdioContext.h"

#include "foundation/threads/LMessageText.h"
#include "foundation/threads/LPollSet.h"
#include "foundation/threads/LSignalObject.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

LProcessStdioContext::LProcessStdioContext(FILE* output, FILE* input) : output_(output), input_(input) {}

uint32_t LProcessStdioContext::CurrentMilliseconds()
{
    return LMonotonicMilliseconds();
}

int LProcessStdioContext::InputFd() const
{
    return input_ ? fileno(input_) : -1;
}

bool LProcessStdioContext::IsStopRequested()
{
    const uint32_t now = CurrentMilliseconds();
    if (!keepAliveSent_ || uint32_t(now - lastKeepAlive_) >= kKeepAliveIntervalMs) {
        WriteRecord(kRecordKeepAlive, nullptr, 0);
        lastKeepAlive_ = now;
        keepAliveSent_ = true;
    }
    return LWaitForSetOrStop(nullptr, InputFd(), 0) == LWaitStopRequested;
}

template <typename SliceWait> int LProcessStdioContext::WaitInSlices(uint32_t ms, SliceWait waitSlice)
{
    if (IsStopRequested())
        return LWaitStopRequested;
    const bool unlimited = ms == LNoTimeLimit;
    uint32_t remaining = ms;
    for (;;) {
        const uint32_t slice = unlimited || remaining > kWaitSliceMs ? kWaitSliceMs : remaining;
        const int result = waitSlice(slice);
        if (result != LWaitTimedOut)
            return result;
        if (!unlimited) {
            if (remaining <= slice)
                return LWaitTimedOut;
            remaining -= slice;
        }
        if (IsStopRequested())
            return LWaitStopRequested;
    }
}

bool LProcessStdioContext::WaitForStop(uint32_t ms)
{
    const int fd = InputFd();
    return WaitInSlices(ms, [fd](uint32_t slice) { return LWaitForSetOrStop(nullptr, fd, slice); }) ==
           LWaitStopRequested;
}

int LProcessStdioContext::WaitForStopOrSignal(const LSignalObject* signal, uint32_t ms)
{
    const int fd = InputFd();
    const int signalFd = signal ? signal->ReadFd() : -1;
    return WaitInSlices(ms, [fd, signalFd](uint32_t slice) {
        pollfd entries[2] = {{fd, POLLIN, 0}, {signalFd, POLLIN, 0}};
        if (LPollRetrying(entries, 2, slice) <= 0)
            return int(LWaitTimedOut);
        if (LPollReady(entries[0]))
            return int(LWaitStopRequested);
        return int(LPollReady(entries[1]) ? LWaitSignalled : LWaitTimedOut);
    });
}

int LProcessStdioContext::WaitForStopOrPollSet(LPollSet* set, uint32_t ms)
{
    const int fd = InputFd();
    return WaitInSlices(ms, [fd, set](uint32_t slice) { return LWaitForSetOrStop(set, fd, slice); });
}

void LProcessStdioContext::WriteRecord(uint8_t type, const void* payload, size_t size)
{
    if (!output_)
        return;
    // One record at a time even when several threads of the helper report.
    flockfile(output_);
    fwrite_unlocked(&type, 1, 1, output_);
    if (size > 0)
        fwrite_unlocked(payload, 1, size, output_);
    fflush_unlocked(output_);
    funlockfile(output_);
}

void LProcessStdioContext::WriteTextRecord(uint8_t type, const char* text)
{
    if (!output_)
        return;
    const size_t length = text ? strlen(text) : 0;
    // Cut at a character boundary so the parent never gets a broken character;
    // the length field always says how many bytes follow.
    const size_t n = LMessageCutLength(text, length, kMaxMessageBytes);
    const uint8_t header[3] = {type, uint8_t(n & 0xFF), uint8_t(n >> 8)};
    flockfile(output_);
    fwrite_unlocked(header, 1, sizeof header, output_);
    if (n > 0)
        fwrite_unlocked(text, 1, n, output_);
    fflush_unlocked(output_);
    funlockfile(output_);
}

void LProcessStdioContext::Message(const char* text)
{
    WriteTextRecord(kRecordMessage, text);
}

void LProcessStdioContext::MessageLevel(const char* text, int level)
{
    if (level < 0 || level > 2)
        return;
    WriteTextRecord(uint8_t(kRecordMessageLevel0 + level), text);
}

void LProcessStdioContext::Progress(double fraction)
{
    const uint32_t now = CurrentMilliseconds();
    // Wrap-safe: the next record is due once now has reached nextProgress_.
    const bool due = !progressSent_ || int32_t(now - nextProgress_) >= 0;
    if (!(fraction >= 1.0) && !due)
        return;
    uint64_t bits;
    static_assert(sizeof bits == sizeof fraction);
    memcpy(&bits, &fraction, sizeof bits);
    uint8_t payload[8];
    for (int i = 0; i < 8; ++i)
        payload[i] = uint8_t(bits >> (8 * i));
    WriteRecord(kRecordProgress, payload, sizeof payload);
    nextProgress_ = now + kProgressIntervalMs;
    progressSent_ = true;
}

void LProcessStdioContext::BeginIndeterminateProgress()
{
    WriteRecord(kRecordBeginIndeterminate, nullptr, 0);
}

void LProcessStdioContext::EndIndeterminateProgress()
{
    WriteRecord(kRecordEndIndeterminate, nullptr, 0);
}

bool LProcessStdioContext::ReadInput(void* buffer, size_t size)
{
    if (size == 0)
        return true;
    const int fd = InputFd();
    if (fd < 0)
        return false;
    auto* bytes = static_cast<unsigned char*>(buffer);
    size_t done = 0;
    while (done < size) {
        ssize_t n = read(fd, bytes + done, size - done);
        if (n > 0) {
            done += size_t(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            // A non-blocking input: wait for the rest of the request.
            pollfd entry{fd, POLLIN, 0};
            if (LPollRetrying(&entry, 1, LNoTimeLimit) <= 0)
                return false;
        } else {
            return false;
        }
    }
    return true;
}

void LProcessStdioContext::SendResult(int result, const void* data, size_t size)
{
    if (!output_)
        return;
    const uint8_t type = result == 0   ? kRecordResultDone
                         : result == 1 ? kRecordResultStopped
                                       : kRecordResultFailed;
    flockfile(output_);
    fwrite_unlocked(&type, 1, 1, output_);
    if (type != kRecordResultStopped) {
        if (data) {
            fwrite_unlocked(data, 1, size, output_);
        } else {
            for (size_t i = 0; i < size; ++i)
                putc_unlocked(0, output_);
        }
    }
    fflush_unlocked(output_);
    funlockfile(output_);
}
