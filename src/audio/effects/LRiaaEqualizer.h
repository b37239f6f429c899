#pragma once
// RIAA playback equalization: the playback curve sampled into 8-bit levels
// (100 = unity), spread over a 2048-entry grid of the source's spectrum,
// turned into a linear-phase 4095-tap FIR filter and applied by FFT
// convolution (overlap-save), with no delay between input and output frames.

#include "audio/effects/LFft.h"
#include "audio/effects/LSoundEffect.h"

#include <array>
#include <vector>

constexpr int32_t kRiaaCurvePoints = 256;
constexpr int32_t kEqualizerGridSize = 2048;

// The playback curve in dB at a frequency in Hz (+6 dB at 0 Hz, about
// -13.9 dB at 1 kHz, -33.7 dB at 10 kHz).
double LRiaaCurveDb(int32_t frequency);

// The 256 curve levels for the points j = 0..255 at trunc(j / 255 x 20000) Hz:
// the curve rounded to whole dB, as 8-bit levels on the scale where +6 dB is
// 256. That one level does not fit 8 bits and is held at 255 (a boost).
void LBuildRiaaLevels(std::array<uint8_t, kRiaaCurvePoints>& levels);

// The 2048-entry level grid for a rate (entry k stands for k x rate / 4096 Hz;
// rates above 192000 count as 192000, a rate below 1 as 44100).
void LBuildRiaaGrid(std::vector<double>& grid, int32_t rate);

class LRiaaEqualizerEffect : public LSoundEffect
{
public:
    // grid: 2048 levels (100 = unity); a shorter grid is padded with its last level.
    explicit LRiaaEqualizerEffect(const std::vector<double>& grid);

    void CreateFilter(LSoundSourcePtr& out, const LSoundSourcePtr& source) override;

    const std::vector<double>& GetGrid() const { return grid_; }

private:
    std::vector<double> grid_;
};

// The 4095 taps of the filter for a level grid: linear phase, centred on tap 2047.
void LDesignEqualizerTaps(const std::vector<double>& grid, std::vector<double>& taps);

class LFirEqualizerFilter : public LSoundFilter
{
public:
    static constexpr int32_t kTaps = 4095;
    static constexpr int32_t kCentre = 2047;

    LFirEqualizerFilter(const LSoundSourcePtr& upstream, const std::vector<double>& grid);
    ~LFirEqualizerFilter() override;

    int64_t Read(int32_t* buffer, int64_t frames) override;
    int64_t GetPosition() override;
    void Seek(int64_t frame) override;

    const std::vector<double>& GetTaps() const { return taps_; }

private:
    // One transform of 16384 points per block, overlap-save: of all the
    // sizes that fit the 4095 taps it needs the fewest operations a frame
    // (a third fewer than 2048-point transforms over four partitions of the
    // taps), and its data still fit the second-level cache.
    static constexpr int32_t kTransform = 16384;
    static constexpr int32_t kHistory = kTaps - 1;           // input frames each block repeats
    static constexpr int32_t kBlock = kTransform - kHistory; // new frames (and outputs) a block
    static constexpr int64_t kReadFrames = 8192;

    // One convolution runs per pair of channels, one as the real and one as
    // the imaginary part of a complex signal (the taps are real, so the two
    // never mix).
    struct Pair
    {
        std::vector<double> historyRe, historyIm; // the last kHistory input frames
    };

    // Starts the convolution so that the next output frame is frame.
    void Start(int64_t frame);
    // Takes kBlock input frames and computes the kBlock output frames that
    // end with them.
    void ProcessBlock();
    void FetchInput(int32_t* dest, int64_t frames);

    std::vector<double> taps_;
    LFft fft_;
    std::vector<double> filterRe_, filterIm_; // the taps' spectrum (scaled by 1/kTransform)
    std::vector<Pair> pairs_;

    std::vector<int32_t> input_;  // kReadFrames frames read from the upstream
    int64_t inputUsed_ = 0;       // frames of input_ already consumed
    int64_t inputCount_ = 0;      // frames of input_ that are valid
    int64_t leadingZeros_ = 0;    // silence still to feed before the upstream's frames
    std::vector<int32_t> block_;  // kBlock input frames
    std::vector<int32_t> output_; // kBlock output frames
    int64_t outputUsed_ = 0;      // frames of output_ already delivered
    std::vector<double> workRe_, workIm_;
    int64_t position_ = 0;
};
