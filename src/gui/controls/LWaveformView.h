#pragma once
// The overview of a sound file: one vertical line per pixel column showing
// the loudest sample of the stretch it covers, a centre line and a red marker
// at the play position. A worker reads the file and computes the columns,
// reusing those it has when the stretch only moved; results reach the main
// thread as queued notifications. A click asks the window to seek there
// (window message 1, second word the frame).

#include "audio/core/LSoundSource.h"
#include "foundation/threads/LLockObject.h"
#include "foundation/threads/LSignalObject.h"
#include "foundation/threads/LThreadOwner.h"
#include "foundation/threads/LThreadQueuedNotify.h"
#include "gui/controls/LPaintControl.h"

#include <atomic>
#include <cstdint>
#include <vector>

class LWaveformView : public LPaintControl, public LThreadOwner, private LQueuedNotifyDataHandler
{
public:
    static constexpr int64_t kChunkFrames = 8192;

    LWaveformView();
    ~LWaveformView() override;

    void SetSource(const LSoundSourcePtr& source);
    void SetView(int64_t marker, int64_t start, int64_t length);
    void SetMarker(int64_t marker);
    void RequestRange(int64_t start, int64_t length);
    void SetWidth(int columns);
    void StopLoading();
    void SetMessage(const char* text);

    void OnSize() override;
    void OnLButtonDown(int x, int y) override;
    void Paint(LPaintContext* context) override;

    // The column value of a peak in internal samples (full scale 524288).
    static int ColumnValue(int32_t peak);

    // What the view now shows (main thread or tests).
    double SamplesPerPixel();
    int64_t CurrentStart();
    std::vector<uint8_t> Peaks();
    // Results delivered to the main thread so far.
    int Deliveries() const { return deliveries_; }

protected:
    void Run() override;

private:
    void EvNotifyData(uint32_t code, const void* bytes, uint64_t lengthOrInt) override;
    void OnPeaksReady(int64_t position, int32_t shift);

    struct Range
    {
        int64_t start = 0;
        int64_t length = 0;
        int64_t marker = 0;
        bool operator==(const Range&) const = default;
    };

    bool showMessage_ = false;
    char message_[260] = {};
    LLockObject peaksLock_;
    LLockObject requestLock_;
    double samplesPerPixel_ = 0;
    Range current_;
    Range requested_;
    std::vector<uint8_t> peaks_;
    LSignalObject wake_;
    LSignalObject resized_;
    std::atomic<int> requestedWidth_{0};
    LSoundSourcePtr source_;
    LGuiPen centrePen_;
    LGuiPen wavePen_;
    LGuiPen markerPen_;
    LGuiFont messageFont_;
    LRGBColor messageColour_ = LRGBColor::FromRGB8(58, 81, 88);
    LRGBColor background_ = LRGBColor::FromRGB8(232, 232, 232);
    int markerColumn_ = 0;
    int deliveries_ = 0;
};
