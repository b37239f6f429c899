#pragma once
// Reads a prepared AIFF file (FORM/COMM/SSND, big-endian PCM) as the data of
// one audio-CD track: 16-bit little-endian stereo, whole 2352-byte blocks,
// the track's samples followed by silence up to its length (the pause and
// the end of the last block). Mono is doubled, 3-, 4- and 6-channel mixes
// are folded to stereo (clipped to 16 bits), and deeper samples give their
// top 16 bits.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

constexpr uint32_t kCdBlockBytes = 2352;
constexpr uint32_t kCdFramesPerBlock = kCdBlockBytes / 4;
constexpr uint32_t kCdBlocksPerSecond = 75;
// The shortest track a CD may hold (4 seconds).
constexpr uint32_t kCdMinimumTrackBlocks = 300;
// The AIFF sample-rate word (first four bytes of the 80-bit rate) of 44,100 Hz.
constexpr uint32_t kAiffRateWord44100 = 0x400EAC44;

struct LAiffTrackFormat
{
    uint32_t channels = 0;
    uint32_t rateWord = 0;
    uint32_t bitsPerSample = 0;
    uint32_t bytesPerSample = 0;
    int64_t dataStart = 0; // file offset of the first sample
    int64_t dataEnd = 0;   // file offset after the last whole frame

    int64_t FrameBytes() const { return static_cast<int64_t>(channels) * bytesPerSample; }
    int64_t Frames() const { return FrameBytes() > 0 ? (dataEnd - dataStart) / FrameBytes() : 0; }
};

// Reads the layout of the AIFF at path. False for a file that is not a
// 44.1 kHz AIFF of 1, 2, 3, 4 or 6 channels and 1 to 32 bits, or whose
// chunks do not fit the file.
bool LReadAiffTrackFormat(const char* path, LAiffTrackFormat& format);

// Track length in blocks for a number of sample frames: whole blocks
// (rounded up), at least 4 seconds, plus the pause after it.
int64_t LAudioTrackBlocks(int64_t frames, uint32_t pauseBlocks);

// Produces a track's bytes on demand from its file. Requests may be of any
// size; a stereo frame split between two requests carries over.
class LAiffTrackProducer
{
public:
    LAiffTrackProducer(std::string path, const LAiffTrackFormat& format, int64_t blocks);
    ~LAiffTrackProducer();
    LAiffTrackProducer(const LAiffTrackProducer&) = delete;
    LAiffTrackProducer& operator=(const LAiffTrackProducer&) = delete;

    // Opens the file and goes to the first sample. False when it cannot be opened.
    bool Open();
    void Close();
    // Fills buffer with up to size bytes of the track. Returns the bytes
    // given (size, or less only at the end of the track; 0 after it), or -1
    // when the file cannot be read (it shrank, or a read failed).
    int64_t Produce(unsigned char* buffer, int64_t size);

    int64_t TotalBytes() const { return blocks_ * kCdBlockBytes; }
    int64_t Blocks() const { return blocks_; }
    const LAiffTrackFormat& Format() const { return format_; }
    const std::string& Path() const { return path_; }

private:
    // Converts frames source frames into little-endian stereo at out.
    void ConvertFrames(const unsigned char* in, int64_t frames, unsigned char* out) const;

    std::string path_;
    LAiffTrackFormat format_;
    int64_t blocks_;
    int fd_ = -1;
    int64_t readPos_ = 0; // file offset of the next source frame
    int64_t outPos_ = 0;  // bytes of the track given so far
    unsigned char carry_[4] = {};
    std::vector<unsigned char> buffer_;
};

// Folds one source frame (channels big-endian 16-bit words) into a stereo
// pair; false for a channel count without a fold.
bool LFoldToStereo(const int32_t* samples, uint32_t channels, int16_t& left, int16_t& right);
