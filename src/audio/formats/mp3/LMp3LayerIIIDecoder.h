#pragma once
// Decoder of MPEG audio layer III frames (MPEG-1, MPEG-2 and MPEG-2.5):
// side information, the bit reservoir, scale factors, Huffman decoding,
// requantisation, mid/side and intensity stereo, reordering, then the hybrid
// and polyphase filter banks. Nothing read from the stream is trusted: every
// count is checked against the tables and the bits actually present, and a
// granule that does not add up is decoded as silence.

#include <cstddef>
#include <cstdint>

#include "audio/formats/mp3/LMp3FrameHeader.h"
#include "audio/formats/mp3/LMp3HybridFilter.h"
#include "audio/formats/mp3/LMp3SynthesisFilter.h"

class LMp3LayerIIIDecoder
{
public:
    enum Result {
        kDecoded,       // samples written
        kNeedReservoir, // the back pointer reaches before the data kept: nothing written
        kBadFrame,      // the frame is too short for its side information: nothing written
    };

    // Largest main data of one frame accepted (a free-format frame at the
    // highest rate stays below it).
    static constexpr int kMaxMainDataBytes = 2880;

    LMp3LayerIIIDecoder();
    ~LMp3LayerIIIDecoder();
    LMp3LayerIIIDecoder(const LMp3LayerIIIDecoder&) = delete;
    LMp3LayerIIIDecoder& operator=(const LMp3LayerIIIDecoder&) = delete;

    // Forgets the bit reservoir and the filter-bank state (after a seek).
    void Reset();

    // Decodes one frame. `payload` holds the bytes after the header and its
    // CRC: the side information then the main data (header.PayloadBytes()
    // bytes). On kDecoded writes header.samplesPerFrame floats per channel,
    // channel after channel (out[ch * samplesPerFrame + i]), at the internal
    // scale (full scale +-524288). The frame's
    // main data joins the reservoir whatever the result.
    Result DecodeFrame(const LMp3FrameHeader& header, const uint8_t* payload, size_t payloadBytes,
                       float* out);

    // Runs the filter banks on silence for one frame, so that a frame that
    // could not be decoded fades out the previous one instead of cutting it.
    void DecodeSilence(const LMp3FrameHeader& header, float* out);

    // Granules decoded as silence because their side information or data did
    // not add up (for diagnostics and tests).
    int64_t DamagedGranules() const { return damagedGranules_; }

private:
    struct State;
    State* s_;
    int64_t damagedGranules_ = 0;
};
