#pragma once
// The sound source of MP3 files: finds the layer III stream in the file (ID3
// tags stepped over, frame synchronisation), learns its length (Xing, VBRI
// and Info headers, the encoder tag with its delay and padding, or a scan),
// decodes it with LMp3LayerIIIDecoder and seeks through a frame index.
//
// Positions skip the decoder's own delay of 529 samples and, when asked, the
// encoder's delay and padding, so that a file written by an encoder that
// records them reads back sample-exact.

#include <cstdint>
#include <memory>

#include "audio/core/LSoundSource.h"
#include "audio/formats/mp3/LMp3FrameHeader.h"

class LMp3LayerIIIDecoder;

// What the encoder tag says beyond delay and padding (kept, not used by the engine).
struct LMp3EncoderInfo
{
    int32_t bitrateKbps = 160;
    char version[10] = {}; // e.g. "LAME3.100"
    uint8_t quality = 0;
    uint8_t vbrMethod = 0;
    uint8_t lowpass = 0;
    uint8_t stereoMode = 0;
    uint16_t preset = 0;
};

class LMp3SoundSource : public LSoundSource
{
public:
    // The decoder's delay: the first output sample of a stream is decoded sample 529.
    static constexpr int64_t kDecoderDelay = 529;

    // Opens path read-only. indexNow walks every frame header at once (exact
    // length and seek table from the start); skipCodecDelays drops the
    // encoder's delay and padding that an encoder tag records.
    LMp3SoundSource(const char* path, bool indexNow, bool skipCodecDelays);
    // Takes over fd, whose current offset is the start of the MP3 data.
    LMp3SoundSource(int fd, bool indexNow, bool skipCodecDelays);
    ~LMp3SoundSource() override;

    static LMp3SoundSource* Open(const char* path) { return new LMp3SoundSource(path, false, true); }

    int64_t Read(int32_t* buffer, int64_t frames) override;
    int64_t GetPosition() override;
    int64_t GetLength() override;
    void Seek(int64_t frame) override;

    // Facts about the stream (for tools and tests).
    int32_t GetSamplesPerFrame() const { return samplesPerFrame_; }
    int64_t GetTotalFrames() const { return totalFrames_; }
    int64_t GetLeadingFramesLost() const { return leadingLost_; }
    int32_t GetEncoderDelay() const { return encoderDelay_; }
    int32_t GetEncoderPadding() const { return encoderPadding_; }
    bool IsVariableBitrate() const { return vbr_; }
    bool IsHeaderCountKnown() const { return headerCountKnown_; }
    const LMp3EncoderInfo& GetEncoderInfo() const { return encoderInfo_; }
    // Granules decoded as silence because the stream was damaged there.
    int64_t GetDamagedGranules() const;

private:
    struct FrameRef
    {
        LMp3FrameHeader header;
        int64_t offset = 0;
    };
    struct IndexEntry
    {
        int64_t frame;
        int64_t offset;
    };
    enum class DecodeStatus { kDecoded, kLost, kEnd };

    void Initialise(bool indexNow);
    // Buffered reads at absolute offsets; returns the bytes read.
    size_t ReadAt(int64_t offset, void* dst, size_t count);
    // Steps over ID3v2 tags found at offset; returns the offset after them.
    int64_t SkipId3v2(int64_t offset, bool atFileStart);
    // Finds a header from offset (sliding at most 65535 bytes). With matchStream
    // only headers of this stream count, giving up after 11 others.
    // Whether the header of another frame of the stream (or the end of the
    // audio, or an ID3 tag) comes right after the frame at `at`.
    bool NextHeaderFollows(const LMp3FrameHeader& header, int64_t at);
    bool FindFrame(int64_t offset, bool matchStream, FrameRef* found);
    // Learns the size of a free-format stream from the distance to the next header.
    bool LearnFreeFormatSize(const FrameRef& first);
    bool CompleteHeader(LMp3FrameHeader* header) const;
    void ReadEncoderTag(int64_t position);

    // Frame index of stream frames (counted from the first audio frame).
    void RecordIndex(int64_t frame, int64_t offset);
    bool LookupIndex(int64_t frame, IndexEntry* entry) const;
    void AllocateIndex(int64_t capacity);

    // Moves the frame reader to stream frame `frame`, resetting the decoder.
    // False when the stream ends before it (the length is corrected).
    bool Reposition(int64_t frame);
    // Reads and decodes the next stream frame into the output buffer.
    DecodeStatus DecodeNext();
    // Makes the output buffer hold decoded frame `frame`; false past the end.
    bool EnsureFrame(int64_t frame);
    // Ends the stream at the frame reader's position.
    void MarkEnd();

    int64_t StartSample() const { return kDecoderDelay + (skipCodecDelays_ ? encoderDelay_ : 0); }

    // Stream facts.
    int64_t totalFrames_ = 0; // stream frames, leading lost ones included
    int64_t leadingLost_ = 0;
    bool lengthFinal_ = false; // the real end has been reached
    int32_t samplesPerFrame_ = 1152;
    bool skipCodecDelays_ = true;
    int32_t encoderDelay_ = 0;
    int32_t encoderPadding_ = 0;
    double averageFrameBytes_ = 0.0;
    bool vbr_ = false;
    bool headerCountKnown_ = false;
    bool paddedFrameSeen_ = false;
    LMp3EncoderInfo encoderInfo_;
    LMp3FrameHeader streamHeader_; // the first frame: version, rate
    int32_t freeFormatBytes_ = 0;  // unpadded frame size of a free-format stream

    // The file.
    int fd_ = -1;
    int64_t fileSize_ = 0;
    int64_t dataStart_ = 0;
    int64_t firstFrameOffset_ = 0;
    int64_t audioEnd_ = 0;
    int64_t encoderTagPosition_ = 0;
    std::unique_ptr<uint8_t[]> cache_;
    int64_t cacheOffset_ = 0;
    size_t cacheBytes_ = 0;

    // Frame reader and decoder.
    std::unique_ptr<LMp3LayerIIIDecoder> decoder_;
    int64_t nextStreamFrame_ = 0;
    int64_t nextOffset_ = 0;
    bool readerValid_ = false; // the decoder state follows the frames before nextStreamFrame_
    bool leadingKnown_ = false;
    std::unique_ptr<uint8_t[]> frameBytes_;
    std::unique_ptr<float[]> decoded_;  // one frame, interleaved floats
    std::unique_ptr<int32_t[]> output_; // one frame at the internal scale
    int64_t bufferedFrame_ = -1;        // decoded frame index the output buffer holds
    int64_t readSample_ = 0;            // read point in decoded samples

    // Frame index.
    std::unique_ptr<IndexEntry[]> index_;
    int64_t indexSize_ = 0;
    int64_t indexCapacity_ = 0;
    int64_t indexSpacing_ = 1;
    int64_t indexHighest_ = -1;
    int64_t nextRefinement_ = 0;
};
