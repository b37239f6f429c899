#pragma once
// The recording and playing level meter: one horizontal bar per channel over
// -48 .. +12 dB, green through yellow to orange, a black mark at -6 dB and red
// beyond it. A level change repaints only the columns between the old and
// the new bar ends, and painting copies parts of a prepared bar picture.

#include "audio/devices/LSoundRecorder.h"
#include "gui/controls/LPaintControl.h"

#include <vector>

class LLevelMeter : public LPaintControl
{
public:
    static constexpr int kMinDb = -48;
    static constexpr int kMaxDb = 12;
    static constexpr int kRedDb = -6;

    LLevelMeter();
    ~LLevelMeter() override;

    void Attach(LWindow* window, int id);
    void SetLevels(const LSoundLevelRecord* record);
    void Clear();
    void OnSize() override { needsRebuild_ = true; }
    void Paint(LPaintContext* context) override;

    // The first pixel column past the bar of level dB for a bar of length L.
    static int Position(int dB, int L);
    // The colour of column c of a bar of length L, as 8-bit components.
    static LRGBColor ColumnColour(int c, int L);
    int ChannelCount() const { return channelCount_; }
    int Level(int channel) const { return channel < channelCount_ ? levels_[channel] : -127; }

private:
    void Rebuild();

    int channelCount_ = 0;
    int paintedChannelCount_ = 0;
    int levels_[256] = {};
    std::vector<int> positions_;
    LGuiImage barImage_;
    bool needsRebuild_ = true;
    int builtLength_ = -1;
    int builtHeight_ = -1;
};
