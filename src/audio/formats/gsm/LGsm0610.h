#pragma once
// The GSM 06.10 full-rate speech codec (RPE-LTP), bit-exact with the fixed
// point arithmetic of the standard. Frames are 160 samples; the core works on
// the signal after the standard's input scaling and before its output
// scaling, so that callers can choose their own (the WAV reader and writer
// use the program's internal scale). The standard's own scaling of 16-bit
// PCM is offered as well.

#include <cstdint>

// The parameters of one 260-bit frame.
struct LGsm0610Frame
{
    int16_t larc[8];    // log-area ratios, 6 6 5 5 4 4 3 3 bits
    int16_t nc[4];      // long-term lag per sub-frame, 7 bits
    int16_t bc[4];      // long-term gain, 2 bits
    int16_t mc[4];      // grid position, 2 bits
    int16_t xmaxc[4];   // block maximum, 6 bits
    int16_t xmc[4][13]; // pulses, 3 bits each
};

class LGsm0610Encoder
{
public:
    LGsm0610Encoder() { Reset(); }
    void Reset();

    // Encodes 160 samples of the coder's input signal (the output of the
    // standard's offset compensation and pre-emphasis). The array is used as
    // working space and is overwritten.
    void EncodePrepared(int16_t signal[160], LGsm0610Frame& frame);

    // The whole standard encoder: downscaling to 13 bits, offset
    // compensation and pre-emphasis of 16-bit PCM, then the core.
    void EncodePcm16(const int16_t pcm[160], LGsm0610Frame& frame);

private:
    void LongTermAndRpe(int subframe, const int16_t* d, LGsm0610Frame& frame);

    // Reconstructed short-term residual: 120 past samples then this frame's 160.
    int16_t dp_[280];
    int16_t u_[8];
    int16_t larpp_[2][8];
    int current_;
    // Standard preprocessing state.
    int16_t z1_;
    int32_t lz2_;
    int16_t mp_;
};

class LGsm0610Decoder
{
public:
    LGsm0610Decoder() { Reset(); }
    void Reset();

    // Decodes one frame into the short-term synthesis output (before the
    // standard's de-emphasis and upscaling).
    void DecodeToSynthesis(const LGsm0610Frame& frame, int16_t out[160]);

    // The whole standard decoder: the core, de-emphasis, upscaling and
    // truncation to 13 bits of 16-bit PCM.
    void DecodePcm16(const LGsm0610Frame& frame, int16_t pcm[160]);

private:
    int16_t drp_[160]; // 120 past samples then the current sub-frame's 40
    int16_t v_[9];
    int16_t larpp_[2][8];
    int current_;
    int16_t nrp_;
    int16_t msr_;
};

// Frames of WAVE format 49: two frames in 65 bytes, parameters packed
// least-significant bit first in the order of the standard; the second frame
// starts in the high half of byte 32.
constexpr int kGsmBlockBytes = 65;
constexpr int kGsmBlockSamples = 320;
void LGsmPackBlock(const LGsm0610Frame& first, const LGsm0610Frame& second, uint8_t block[kGsmBlockBytes]);
void LGsmUnpackBlock(const uint8_t block[kGsmBlockBytes], LGsm0610Frame& first, LGsm0610Frame& second);
