#pragma once
// The context of a helper process (a second instance of the program running
// one task for its parent). Messages, progress and the result go to the parent
// as records on standard output; standard input doubles as the stop channel:
// any byte after the request, or the parent closing its end, asks for a stop.
//
// Records (multi-byte fields little-endian, no padding):
//   128 u16 n text[n]         Message
//   129+level u16 n text[n]   MessageLevel, level 0..2
//   16 f64                    Progress (at most every 250 ms, and always 1.0)
//   17 / 18                   Begin / EndIndeterminateProgress
//   19                        keep-alive, at most once a second
//   1 data / 2 / 0 data       SendResult: done / stopped / failed

#include "foundation/threads/LProcessContext.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

class LProcessStdioContext : public LProcessContext
{
public:
    enum RecordType : uint8_t {
        kRecordResultFailed = 0,
        kRecordResultDone = 1,
        kRecordResultStopped = 2,
        kRecordProgress = 16,
        kRecordBeginIndeterminate = 17,
        kRecordEndIndeterminate = 18,
        kRecordKeepAlive = 19,
        kRecordMessage = 128,
        kRecordMessageLevel0 = 129,
    };
    static constexpr size_t kMaxMessageBytes = 65535;
    static constexpr uint32_t kKeepAliveIntervalMs = 1000;
    static constexpr uint32_t kProgressIntervalMs = 250;
    // The longest stretch a wait goes without a keep-alive and a stop test.
    static constexpr uint32_t kWaitSliceMs = 300;

    explicit LProcessStdioContext(FILE* output = stdout, FILE* input = stdin);

    bool IsStopRequested() override;
    bool WaitForStop(uint32_t ms) override;
    int WaitForStopOrSignal(const LSignalObject* signal, uint32_t ms) override;
    int WaitForStopOrPollSet(LPollSet* set, uint32_t ms) override;

    void Message(const char* text) override;
    void MessageLevel(const char* text, int level) override;
    void Progress(double fraction) override;
    void BeginIndeterminateProgress() override;
    void EndIndeterminateProgress() override;

    // Reads exactly size bytes of the request from the input; true when all
    // came (and for size 0), false at the end of the input. Reads the
    // descriptor directly, so that no byte of a later stop request is taken
    // into a stream buffer where the stop test could not see it.
    bool ReadInput(void* buffer, size_t size);

    // Sends the entry's result: 0 done (with data), 1 stopped (no data), any
    // other value failed (with data). Null data sends size zero bytes.
    void SendResult(int result, const void* data, size_t size);

protected:
    // Milliseconds on a clock that never jumps; tests replace it.
    virtual uint32_t CurrentMilliseconds();

private:
    // Runs waits of at most kWaitSliceMs, testing for a stop (and sending the
    // keep-alive) between them. waitSlice polls its descriptors together with
    // the stop channel for up to the given time and returns an LWaitResult.
    template <typename SliceWait> int WaitInSlices(uint32_t ms, SliceWait waitSlice);
    void WriteRecord(uint8_t type, const void* payload, size_t size);
    void WriteTextRecord(uint8_t type, const char* text);
    int InputFd() const;

    FILE* output_;
    FILE* input_;
    uint32_t lastKeepAlive_ = 0;
    uint32_t nextProgress_ = 0;
    bool keepAliveSent_ = false;
    bool progressSent_ = false;
};
