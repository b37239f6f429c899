#pragma once
// A linear crossfade between a main source and a second source over X
// frames: the main source fades in over the second at its start, and fades
// out into the last X frames of the second at its end. With a null second
// source (status not 0) it is a plain fade-in and fade-out.

#include "audio/effects/LSoundEffect.h"

#include <vector>

class LCrossfadeEffect : public LSoundEffect
{
public:
    LCrossfadeEffect(int64_t length, const LSoundSourcePtr& second) : length_(length), second_(second) {}

    void CreateFilter(LSoundSourcePtr& out, const LSoundSourcePtr& source) override;

private:
    int64_t length_;
    LSoundSourcePtr second_;
};

class LCrossfadeFilter : public LSoundFilter
{
public:
    LCrossfadeFilter(const LSoundSourcePtr& upstream, const LSoundSourcePtr& second, int64_t length);
    ~LCrossfadeFilter() override;

    int64_t Read(int32_t* buffer, int64_t frames) override;

    int64_t GetCrossfadeLength() const { return length_; }

private:
    // Reads n frames of the second source (silence when it cannot be mixed).
    void ReadSecond(int64_t n);

    LSoundSourcePtr second_;
    bool secondUsable_ = false;
    int64_t length_;
    std::vector<float> fadeIn_;
    std::vector<float> fadeOut_;
    std::vector<int32_t> secondBuffer_;
    int64_t delivered_ = 0;
};
