#pragma once
// Removes a constant offset per channel, measured beforehand over the whole
// source (the DC offset tool does the measuring).

#include "audio/core/LSoundSource.h"

#include <vector>

class LDcOffsetFilter : public LSoundFilter
{
public:
    // offsets holds one value per channel; missing channels get 0.
    LDcOffsetFilter(const LSoundSourcePtr& upstream, const std::vector<int32_t>& offsets);
    ~LDcOffsetFilter() override;

    int64_t Read(int32_t* buffer, int64_t frames) override;

    const std::vector<int32_t>& GetOffsets() const { return offsets_; }

private:
    std::vector<int32_t> offsets_;
};
