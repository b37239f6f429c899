#pragma once
// Wraps the caller's context so that a routine's status lines appear one level
// lower and its progress fills only a part of the caller's range: a step of a
// longer operation reports as if it were the whole job.

#include "foundation/threads/LLocalProcessContext.h"
#include "foundation/threads/LProcessContext.h"

class LProgressRangeContext : public LProcessContext
{
public:
    // A null inner context behaves like a local one (never stopped, reports
    // dropped).
    explicit LProgressRangeContext(LProcessContext* inner, double offset = 0.0, double scale = 1.0)
        : inner_(inner), offset_(offset), scale_(scale)
    {
    }

    bool IsStopRequested() override { return Inner().IsStopRequested(); }
    bool WaitForStop(uint32_t ms) override { return Inner().WaitForStop(ms); }
    int WaitForStopOrSignal(const LSignalObject* signal, uint32_t ms) override
    {
        return Inner().WaitForStopOrSignal(signal, ms);
    }
    int WaitForStopOrPollSet(LPollSet* set, uint32_t ms) override
    {
        return Inner().WaitForStopOrPollSet(set, ms);
    }
    bool WaitForStopNoLimit() override { return Inner().WaitForStopNoLimit(); }
    int WaitForStopOrSignalNoLimit(const LSignalObject* signal) override
    {
        return Inner().WaitForStopOrSignalNoLimit(signal);
    }
    int WaitForStopOrPollSetNoLimit(LPollSet* set) override
    {
        return Inner().WaitForStopOrPollSetNoLimit(set);
    }

    void Message(const char* text) override { Inner().Message(text); }
    void MessageLevel(const char* text, int level) override { Inner().MessageLevel(text, level + 1); }
    void Progress(double fraction) override { Inner().Progress(offset_ + fraction * scale_); }
    // The caller's bar keeps its own mode: a step does not switch it.
    void BeginIndeterminateProgress() override {}
    void EndIndeterminateProgress() override {}

    void SetRange(double offset, double scale)
    {
        offset_ = offset;
        scale_ = scale;
    }

private:
    LProcessContext& Inner() { return inner_ ? *inner_ : local_; }

    LProcessContext* inner_;
    double offset_;
    double scale_;
    LLocalProcessContext local_;
};
