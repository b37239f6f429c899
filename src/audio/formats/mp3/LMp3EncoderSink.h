#pragma once
// The MP3 file writer: a sound sink that encodes blocks of internal samples
// through the encoder component with the parameters of an options record.
//
// The stream goes to a new file beside the destination and replaces the
// destination only once it is complete: the encoder's last bytes are out,
// its LAME tag frame (the exact length, encoder delay and padding) is written
// over the stream's first frame (or, where the encoder declines one because
// the frames are too small, a tag frame of our own goes before the stream)
// and the data reached the disk. Anything that
// goes wrong on the way (no encoder component, an encoder that refuses its
// parameters, an output that cannot be made or written) fails the sink and
// leaves the destination as it was, so a job never takes a partial file for
// a finished one.

#include "audio/core/LSoundSink.h"
#include "audio/formats/mp3/LMp3EncoderComponent.h"
#include "audio/formats/mp3/LMp3EncoderOptions.h"
#include "foundation/files/LPath.h"

#include <climits>
#include <cstdint>
#include <vector>

// The output rate for an input rate: a standard MPEG rate near it that the
// chosen bitrates can be coded at.
uint32_t LMp3ChooseOutputRate(int64_t inputRate, const LMp3EncoderOptions& options);

// The layer III frame bitrate nearest to kbps among those the output rate's
// MPEG version has (32-320 kbps at 32 kHz and above, 8-160 kbps below; the
// lower one of two equally near).
int LMp3NearestFrameBitrate(int64_t kbps, uint32_t outputRate);

class LMp3EncoderSink : public LSoundSink
{
public:
    static constexpr int kOutputBufferSize = 32768;

    // An empty path encodes and discards the bytes (for measuring).
    LMp3EncoderSink(const char* path, const LMp3EncoderOptions& options, int32_t rate, uint8_t channels);
    ~LMp3EncoderSink() override;

    // Encodes any number of frames (in blocks that the output buffer holds);
    // the position counts every frame the encoder accepted.
    void Write(const int32_t* buffer, int64_t frames) override;
    // An MP3 stream cannot be cut back: nothing happens.
    void Truncate(int64_t) override {}
    // Flushes the encoder, writes its last bytes and the tag frame, and moves
    // the file to the destination. True when the destination now holds the
    // whole stream.
    bool Finish() override;

    bool IsEncoderAvailable() const { return !encoderUnavailable_; }
    // True when the sink made its output file (whatever became of it later).
    bool HasOutput() const { return outputMade_; }
    // What the encoder was set up with (for tools and tests).
    uint32_t GetOutputRate() const { return outputRate_; }
    int GetFrameBitrate() const { return frameBitrate_; } // constant bit rate only, else 0
    int GetChannelMode() const { return channelMode_; }
    int32_t GetLastOutputBytes() const { return lastOutputBytes_; }

private:
    bool OpenOutput();
    bool Configure(const LMp3EncoderOptions& options);
    bool Emit(const unsigned char* bytes, int count);
    bool WriteLameTag();
    bool PrependInfoFrame();
    bool MoveIntoPlace();

    LMp3EncoderComponent component_;
    std::vector<unsigned char> output_;
    std::vector<float> floats_;
    int32_t lastOutputBytes_ = 0;
    int64_t bytesWritten_ = 0;
    char path_[kLPathSize] = {};
    char target_[PATH_MAX] = {};
    char tempPath_[PATH_MAX] = {};
    bool encoderUnavailable_ = false;
    bool finished_ = false;
    bool outputMade_ = false;
    int fd_ = -1;
    uint32_t outputRate_ = 0;
    int frameBitrate_ = 0;
    int channelMode_ = 0;
};

// The MP3 sink for a job: the sink for path, or a failed null sink when the
// output file cannot be made there. The caller takes rate and channel count
// from its source and tests the sink's failed flag, before pumping and from
// Finish afterwards.
void CreateMp3SoundSink(LSoundSinkPtr& out, const char* path, const LMp3EncoderOptions& options, int32_t rate,
                        uint8_t channels);
