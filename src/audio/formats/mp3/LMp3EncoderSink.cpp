#include "audio/formats/mp3/LMp3EncoderSink.h"

#include "audio/core/LSoundSamples.h"
#include "audio/formats/LAudioFileIo.h"
#include "audio/formats/mp3/LMp3InfoFrame.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/text/LTextBuffer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Layer III frame bitrates of MPEG-1 and of MPEG-2 and 2.5 (kbps).
constexpr int kMpeg1Bitrates[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr int kMpeg2Bitrates[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};

// Large enough for any layer III frame (1441 bytes at most, 320 kbps at 32 kHz).
constexpr size_t kLameTagFrameMaximum = 2880;

constexpr float kInternalToFloat = 1.0f / 524288.0f;

uint32_t SnapToStandardRate(int64_t r)
{
    switch (r) {
    case 48000:
    case 44100:
    case 32000:
    case 24000:
    case 22050:
    case 16000:
    case 11025:
    case 8000:
        return static_cast<uint32_t>(r);
    default:
        break;
    }
    if (r > 32000)
        return 44100;
    if (r > 24000)
        return 32000;
    if (r > 16000)
        return 22050;
    if (r > 8000)
        return 11025;
    return 8000;
}

} // namespace

uint32_t LMp3ChooseOutputRate(int64_t inputRate, const LMp3EncoderOptions& options)
{
    const int high = options.ConstantBitRate ? options.CBRBitRate : options.VBRMaxBitRate;
    const int low = options.ConstantBitRate ? options.CBRBitRate : options.VBRMinBitRate;
    // Above 160 kbps only the full rates have frames.
    if (inputRate < 32000 && high > 160)
        return 44100;
    int64_t r = inputRate > 48000 ? 48000 : inputRate;
    // Below 32 kbps only the half rates have frames.
    if (low < 32 && r > 22050)
        r = 22050;
    uint32_t out = SnapToStandardRate(r);
    // The quarter rates stop at 64 kbps of frames worth having.
    if (options.ConstantBitRate && out < 22050 && options.CBRBitRate > 127)
        out = 22050;
    return out;
}

int LMp3NearestFrameBitrate(int64_t kbps, uint32_t outputRate)
{
    const int* table = outputRate >= 32000 ? kMpeg1Bitrates : kMpeg2Bitrates;
    int best = table[0];
    for (int i = 0; i < 14; ++i) {
        const int64_t distance = kbps > table[i] ? kbps - table[i] : table[i] - kbps;
        const int64_t bestDistance = kbps > best ? kbps - best : best - kbps;
        if (distance < bestDistance)
            best = table[i];
    }
    return best;
}

LMp3EncoderSink::LMp3EncoderSink(const char* path, const LMp3EncoderOptions& options, int32_t rate,
                                 uint8_t channels)
    : LSoundSink(rate > 0 ? static_cast<uint32_t>(rate) : 0, channels, -1)
{
    output_.resize(kOutputBufferSize);
    bool truncated = false;
    LStrCopyText(path_, path ? path : "", sizeof path_, &truncated);
    // A shortened path would name another file.
    if (truncated || rate < 1)
        SetFailed(truncated ? ENAMETOOLONG : EINVAL);
    if (!IsFailed() && path_[0] != '\0' && !OpenOutput())
        SetFailed(errno ? errno : EIO);
    if (IsFailed() || !component_.OpenEncoder()) {
        encoderUnavailable_ = true;
        SetFailed();
        return;
    }
    if (!Configure(options)) {
        component_.CloseEncoder();
        encoderUnavailable_ = true;
        SetFailed();
    }
}

LMp3EncoderSink::~LMp3EncoderSink()
{
    Finish();
}

bool LMp3EncoderSink::OpenOutput()
{
    if (!LResolveReplaceTarget(path_, target_, sizeof target_))
        return false;
    struct stat existing;
    if (lstat(target_, &existing) == 0 && !S_ISREG(existing.st_mode)) {
        // A folder, a device or a FIFO is no place for an MP3 file.
        errno = S_ISDIR(existing.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    LRemoveStaleFilesBeside(target_);
    fd_ = LCreateFileBeside(target_, tempPath_, sizeof tempPath_, 0666);
    if (fd_ < 0) {
        tempPath_[0] = '\0';
        return false;
    }
    outputMade_ = true;
    // A replaced file keeps its permissions.
    if (stat(target_, &existing) == 0)
        fchmod(fd_, existing.st_mode & 07777);
    return true;
}

bool LMp3EncoderSink::Configure(const LMp3EncoderOptions& options)
{
    const LMp3EncoderComponent::Functions& f = component_.Fn();
    LLameHandle h = component_.GetEncoder();
    bool ok = true;

    const int encoderChannels = channels_ > 2 ? 2 : channels_;
    ok = f.lame_set_num_channels(h, encoderChannels) == 0 && ok;

    int mode = channels_ == 1 ? static_cast<int>(kLameModeMono) : options.ChannelMode;
    if (mode > 3)
        mode = kLameModeStereo;
    channelMode_ = mode;
    if (mode == 2) {
        // Forced mid/side: the encoder keeps its own (joint) mode.
        ok = f.lame_set_force_ms(h, 1) == 0 && ok;
    } else {
        ok = f.lame_set_force_ms(h, 0) == 0 && ok;
        ok = f.lame_set_mode(h, mode) == 0 && ok;
    }

    LMp3EncoderOptions chosen = options;
    chosen.CBRBitRate = LMp3NearestListedBitrate(options.CBRBitRate);
    chosen.VBRMinBitRate = LMp3NearestListedBitrate(options.VBRMinBitRate);
    chosen.VBRMaxBitRate = LMp3NearestListedBitrate(options.VBRMaxBitRate);
    outputRate_ = LMp3ChooseOutputRate(rate_, chosen);
    const int outputChannels = mode == kLameModeMono ? 1 : 2;

    if (chosen.ConstantBitRate) {
        ok = component_.SetVbr(false) && ok;
        // The frames' bitrate is the chosen one at every output rate and
        // channel count: the compression ratio (which the encoder prefers over
        // the bitrate when both are set) is the one that gives exactly it.
        frameBitrate_ = LMp3NearestFrameBitrate(chosen.CBRBitRate, outputRate_);
        const double ratio = outputRate_ * 16.0 * outputChannels / (1000.0 * frameBitrate_);
        ok = f.lame_set_compression_ratio(h, static_cast<float>(ratio)) == 0 && ok;
        ok = f.lame_set_brate(h, frameBitrate_) == 0 && ok;
        ok = f.lame_set_quality(h, chosen.HighQuality ? 2 : 5) == 0 && ok;
    } else {
        ok = component_.SetVbr(true) && ok;
        int low = LMp3NearestFrameBitrate(chosen.VBRMinBitRate, outputRate_);
        int high = LMp3NearestFrameBitrate(chosen.VBRMaxBitRate, outputRate_);
        if (high < low) {
            const int swap = low;
            low = high;
            high = swap;
        }
        if (chosen.ABRBitRate != 0) {
            ok = f.lame_set_VBR(h, kLameVbrAbr) == 0 && ok;
            ok = f.lame_set_VBR_mean_bitrate_kbps(h, chosen.ABRBitRate) == 0 && ok;
        }
        ok = f.lame_set_VBR_min_bitrate_kbps(h, low) == 0 && ok;
        ok = f.lame_set_VBR_max_bitrate_kbps(h, high) == 0 && ok;
        ok = f.lame_set_VBR_q(h, chosen.VBRQuality > 9 ? 9 : chosen.VBRQuality) == 0 && ok;
    }
    ok = f.lame_set_error_protection(h, chosen.ErrorProtection ? 1 : 0) == 0 && ok;
    ok = f.lame_set_in_samplerate(h, static_cast<int>(rate_)) == 0 && ok;
    ok = f.lame_set_out_samplerate(h, static_cast<int>(outputRate_)) == 0 && ok;
    return ok && f.lame_init_params(h) == 0;
}

bool LMp3EncoderSink::Emit(const unsigned char* bytes, int count)
{
    if (count <= 0 || fd_ < 0)
        return true; // no path: the bytes are only counted
    if (!LWriteFully(fd_, bytes, static_cast<size_t>(count))) {
        SetFailed(errno ? errno : EIO);
        return false;
    }
    bytesWritten_ += count;
    return true;
}

void LMp3EncoderSink::Write(const int32_t* buffer, int64_t frames)
{
    if (encoderUnavailable_ || finished_ || IsFailed() || buffer == nullptr)
        return;
    const LMp3EncoderComponent::Functions& f = component_.Fn();
    LLameHandle h = component_.GetEncoder();
    const bool monoEncoder = f.lame_get_num_channels(h) == 1;
    while (frames > 0) {
        const int64_t n = frames < kSoundBlockFrames ? frames : kSoundBlockFrames;
        floats_.resize(static_cast<size_t>(n) * 2);
        float* out = floats_.data();
        if (channels_ == 2) {
            LConvertSamplesToFloat(buffer, out, n * 2);
        } else if (monoEncoder || channels_ == 1) {
            // The interleaved call reads pairs whatever the channel count: a
            // mono encoder takes the left one of each.
            for (int64_t i = 0; i < n; ++i)
                out[2 * i] = out[2 * i + 1] = static_cast<float>(buffer[i * channels_]) * kInternalToFloat;
        } else {
            // Wider input: its first two channels.
            for (int64_t i = 0; i < n; ++i) {
                out[2 * i] = static_cast<float>(buffer[i * channels_]) * kInternalToFloat;
                out[2 * i + 1] = static_cast<float>(buffer[i * channels_ + 1]) * kInternalToFloat;
            }
        }
        const int produced = f.lame_encode_buffer_interleaved_ieee_float(h, out, static_cast<int>(n),
                                                                         output_.data(), kOutputBufferSize);
        lastOutputBytes_ = produced;
        // A refused block would leave a gap in the stream: the file is lost.
        if (produced < 0) {
            SetFailed();
            return;
        }
        if (!Emit(output_.data(), produced))
            return;
        position_ += n;
        buffer += n * channels_;
        frames -= n;
    }
}

bool LMp3EncoderSink::WriteLameTag()
{
    if (!component_.HasLameTagFrame())
        return true;
    unsigned char frame[kLameTagFrameMaximum];
    const size_t size = component_.GetLameTagFrame(frame, sizeof frame);
    if (size > sizeof frame || static_cast<int64_t>(size) > bytesWritten_)
        return false;
    if (size > 0)
        return LPwriteFully(fd_, frame, size, 0);
    // The encoder declines the tag when the stream's own frames are too small
    // to hold it: without it players could not drop the encoder's delay and
    // padding, so the file gets a tag frame of its own at a larger bitrate.
    if (frameBitrate_ > 0 && bytesWritten_ > 0)
        return PrependInfoFrame();
    return true;
}

bool LMp3EncoderSink::PrependInfoFrame()
{
    LMp3InfoFrameFacts facts;
    if (!component_.GetDelayAndPadding(&facts.encoderDelay, &facts.padding))
        return true; // a library that does not tell: the stream stays as it is
    uint8_t head[4];
    if (LPreadFully(fd_, head, 4, 0) != 4)
        return false;
    facts.firstHeader = LMp3ReadBe32(head);
    for (int64_t at = 0; at < bytesWritten_; ++facts.audioFrames) {
        LMp3FrameHeader header;
        if (LPreadFully(fd_, head, 4, at) != 4 || !LMp3ParseHeader(LMp3ReadBe32(head), &header) ||
            header.frameBytes <= 0)
            return true; // not a stream this tag could describe
        at += header.frameBytes;
    }
    facts.audioBytes = bytesWritten_;
    facts.bitrateKbps = frameBitrate_;
    std::snprintf(facts.encoder, sizeof facts.encoder, "LAME%s", component_.Fn().get_lame_short_version());
    std::vector<uint8_t> frame;
    if (!LMp3BuildInfoFrame(facts, frame))
        return true;

    // The stream moves behind the tag frame in a second file beside the first.
    char movedPath[PATH_MAX];
    const int moved = LCreateFileBeside(target_, movedPath, sizeof movedPath, 0666);
    if (moved < 0)
        return false;
    struct stat info;
    if (fstat(fd_, &info) == 0)
        fchmod(moved, info.st_mode & 07777);
    bool ok = LWriteFully(moved, frame.data(), frame.size());
    std::vector<uint8_t> chunk(65536);
    for (int64_t at = 0; ok && at < bytesWritten_;) {
        const size_t want = static_cast<size_t>(std::min<int64_t>(bytesWritten_ - at, int64_t(chunk.size())));
        ok = LPreadFully(fd_, chunk.data(), want, at) == want && LWriteFully(moved, chunk.data(), want);
        facts.musicCrc = LMp3TagCrc(chunk.data(), want, facts.musicCrc);
        at += static_cast<int64_t>(want);
    }
    ok = ok && LMp3BuildInfoFrame(facts, frame) && LPwriteFully(moved, frame.data(), frame.size(), 0);
    if (!ok) {
        close(moved);
        unlink(movedPath);
        return false;
    }
    close(fd_);
    unlink(tempPath_);
    fd_ = moved;
    std::memcpy(tempPath_, movedPath, sizeof tempPath_);
    bytesWritten_ += static_cast<int64_t>(frame.size());
    return true;
}

bool LMp3EncoderSink::MoveIntoPlace()
{
    // Someone rewriting the old file in place (tags) holds its lock: wait
    // for them as every other writer of it does.
    const int existing = open(target_, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (existing >= 0)
        LFileLockWait(existing, LOCK_EX | LOCK_NB, 1000);
    const bool moved = rename(tempPath_, target_) == 0;
    if (existing >= 0)
        close(existing);
    return moved;
}

bool LMp3EncoderSink::Finish()
{
    if (finished_)
        return !IsFailed();
    finished_ = true;
    if (component_.GetEncoder() != nullptr) {
        if (!IsFailed()) {
            const int flushed =
                component_.Fn().lame_encode_flush(component_.GetEncoder(), output_.data(), kOutputBufferSize);
            lastOutputBytes_ = flushed;
            if (flushed < 0)
                SetFailed();
            else
                Emit(output_.data(), flushed);
            if (!IsFailed() && fd_ >= 0 && !WriteLameTag())
                SetFailed(errno ? errno : EIO);
        }
        if (component_.CloseEncoder() != 0)
            SetFailed();
    }
    if (fd_ >= 0) {
        if (!IsFailed() && fdatasync(fd_) != 0)
            SetFailed(errno);
        if (close(fd_) != 0)
            SetFailed(errno);
        fd_ = -1;
        if (!IsFailed() && !MoveIntoPlace())
            SetFailed(errno);
        if (IsFailed())
            unlink(tempPath_);
        tempPath_[0] = '\0';
    }
    return !IsFailed();
}

void CreateMp3SoundSink(LSoundSinkPtr& out, const char* path, const LMp3EncoderOptions& options, int32_t rate,
                        uint8_t channels)
{
    LMp3EncoderSink* sink = new LMp3EncoderSink(path, options, rate, channels);
    // No file can be made at the destination: the failed null sink that
    // every factory hands out when it cannot build what was asked.
    if (!sink->HasOutput()) {
        const int error = sink->GetError();
        delete sink;
        LSetFailedSink(out, error);
        return;
    }
    out = sink;
}
