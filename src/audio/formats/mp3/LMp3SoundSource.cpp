#include "audio/formats/mp3/LMp3SoundSource.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <unistd.h>

#include "audio/formats/LAudioFileIo.h"
#include "audio/formats/mp3/LMp3LayerIIIDecoder.h"

namespace {

constexpr size_t kCacheBytes = 64 * 1024;
constexpr int64_t kSyncSearchBytes = 65535;
constexpr int kMaxForeignHeaders = 11;
constexpr int kScanFrames = 50;
constexpr int64_t kMaxIndexEntries = 7456540;
constexpr int64_t kInitialIndexEntries = 65536;
constexpr int64_t kSeekPreroll = 23;
// Largest frame we read: header, CRC, side information and main data.
constexpr size_t kMaxFrameBytes = 4 + 2 + 32 + LMp3LayerIIIDecoder::kMaxMainDataBytes;
constexpr int64_t kEmptyFrame = -1;
// The peak limit the source reports (+30 dB over full scale): a real stream
// stays below it, and the absurd values of a damaged one are held there, so
// that no filter downstream meets samples its arithmetic was not made for.
constexpr uint32_t kMp3PeakLimit = 0x1000000;
constexpr float kSampleClamp = static_cast<float>(kMp3PeakLimit);

inline int32_t ToInternal(float v)
{
    if (!(v == v)) // NaN
        return 0;
    v = std::clamp(v, -kSampleClamp, kSampleClamp);
    return static_cast<int32_t>(v); // truncation toward zero
}

} // namespace

LMp3SoundSource::LMp3SoundSource(const char* path, bool indexNow, bool skipCodecDelays)
    : LSoundSource(44100, 1, kMp3PeakLimit), skipCodecDelays_(skipCodecDelays)
{
    uint8_t status = kSoundStatusCannotOpen;
    int error = 0;
    fd_ = LOpenAudioFileForReading(path, status, error);
    if (fd_ < 0) {
        ForceStatus(status);
        return;
    }
    dataStart_ = 0;
    Initialise(indexNow);
}

LMp3SoundSource::LMp3SoundSource(int fd, bool indexNow, bool skipCodecDelays)
    : LSoundSource(44100, 1, kMp3PeakLimit), skipCodecDelays_(skipCodecDelays)
{
    fd_ = fd;
    if (fd_ < 0) {
        ForceStatus(kSoundStatusCannotOpen);
        return;
    }
    dataStart_ = LDescriptorOffset(fd_);
    Initialise(indexNow);
}

LMp3SoundSource::~LMp3SoundSource()
{
    if (fd_ >= 0)
        close(fd_);
}

int64_t LMp3SoundSource::GetDamagedGranules() const
{
    return decoder_ ? decoder_->DamagedGranules() : 0;
}

// ---- file access ----

size_t LMp3SoundSource::ReadAt(int64_t offset, void* dst, size_t count)
{
    if (offset < 0 || count == 0)
        return 0;
    if (offset >= cacheOffset_ && offset + int64_t(count) <= cacheOffset_ + int64_t(cacheBytes_)) {
        std::memcpy(dst, cache_.get() + (offset - cacheOffset_), count);
        return count;
    }
    if (count > kCacheBytes)
        return LPreadFully(fd_, dst, count, offset);
    cacheOffset_ = offset;
    cacheBytes_ = LPreadFully(fd_, cache_.get(), kCacheBytes, offset);
    const size_t got = std::min(count, cacheBytes_);
    std::memcpy(dst, cache_.get(), got);
    return got;
}

int64_t LMp3SoundSource::SkipId3v2(int64_t offset, bool atFileStart)
{
    for (;;) {
        uint8_t h[10];
        if (ReadAt(offset, h, 10) < 10 || std::memcmp(h, "ID3", 3) != 0)
            return offset;
        if (h[4] == 0xFF || h[5] == 0xFF || ((h[6] | h[7] | h[8] | h[9]) & 0x80))
            return offset;
        int64_t size = (int64_t(h[6]) << 21) | (int64_t(h[7]) << 14) | (int64_t(h[8]) << 7) | h[9];
        if (atFileStart && size >= fileSize_)
            return offset;
        if (h[5] & 0x10)
            size += 10; // footer
        offset += 10 + size;
        atFileStart = false;
    }
}

bool LMp3SoundSource::CompleteHeader(LMp3FrameHeader* header) const
{
    if (header->bitrateIndex == 0) {
        if (freeFormatBytes_ == 0)
            return false;
        header->frameBytes = freeFormatBytes_ + header->padding;
    }
    if (header->frameBytes < 4 + (header->hasCrc ? 2 : 0) + header->sideInfoBytes)
        return false;
    return header->MainDataBytes() <= LMp3LayerIIIDecoder::kMaxMainDataBytes;
}

bool LMp3SoundSource::LearnFreeFormatSize(const FrameRef& first)
{
    // The next header with the same fixed fields ends the first frame.
    const uint32_t fixedMask = 0xFFFEFC00u; // sync, version, layer, bitrate and rate indices
    uint8_t word[4];
    if (ReadAt(first.offset, word, 4) < 4)
        return false;
    const uint32_t fixed = LMp3ReadBe32(word) & fixedMask;
    const int64_t minimum = 4 + first.header.sideInfoBytes;
    const int64_t limit = minimum + LMp3LayerIIIDecoder::kMaxMainDataBytes + 2;
    for (int64_t d = minimum; d <= limit; ++d) {
        if (ReadAt(first.offset + d, word, 4) < 4)
            return false;
        if ((LMp3ReadBe32(word) & fixedMask) == fixed) {
            freeFormatBytes_ = int32_t(d) - first.header.padding;
            return true;
        }
    }
    return false;
}

bool LMp3SoundSource::NextHeaderFollows(const LMp3FrameHeader& header, int64_t at)
{
    const int64_t next = at + header.frameBytes;
    if (next == audioEnd_)
        return true;
    uint8_t b[4];
    if (next + 4 > audioEnd_) {
        // What is left after it is too short for a frame: a tag or the end.
        return next <= audioEnd_;
    }
    if (ReadAt(next, b, 4) < 4)
        return false;
    LMp3FrameHeader h;
    if (b[0] == 'I' && b[1] == 'D' && b[2] == '3')
        return true; // an ID3 tag between frames or at the end
    return LMp3ParseHeader(LMp3ReadBe32(b), &h) && h.version == header.version &&
           h.rateIndex == header.rateIndex;
}

bool LMp3SoundSource::FindFrame(int64_t offset, bool matchStream, FrameRef* found)
{
    int foreign = 0;
    const int64_t searchEnd = offset + kSyncSearchBytes;
    for (int64_t p = offset; p < searchEnd && p + 4 <= audioEnd_; ++p) {
        uint8_t b[4];
        if (ReadAt(p, b, 4) < 4)
            return false;
        if (b[0] == 'I' && b[1] == 'D' && b[2] == '3') {
            const int64_t after = SkipId3v2(p, false);
            if (after > p) {
                p = after - 1;
                continue;
            }
        }
        if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0)
            continue;
        LMp3FrameHeader h;
        if (!LMp3ParseHeader(LMp3ReadBe32(b), &h))
            continue;
        if (matchStream) {
            const bool sameFormat = (h.bitrateIndex == 0) == (freeFormatBytes_ != 0);
            if (h.version != streamHeader_.version || h.rateIndex != streamHeader_.rateIndex || !sameFormat) {
                if (++foreign > kMaxForeignHeaders)
                    return false;
                continue;
            }
        } else if (h.bitrateIndex == 0 && freeFormatBytes_ == 0) {
            FrameRef candidate{h, p};
            if (!LearnFreeFormatSize(candidate))
                continue;
        }
        if (!CompleteHeader(&h)) {
            if (matchStream && ++foreign > kMaxForeignHeaders)
                return false;
            continue;
        }
        // Past junk, a sync word counts only when the next frame's header
        // follows where this one says it does (or the audio ends there):
        // random bytes that happen to look like a header are no frame.
        if (matchStream && p != offset && !NextHeaderFollows(h, p))
            continue;
        found->header = h;
        found->offset = p;
        return true;
    }
    return false;
}

void LMp3SoundSource::ReadEncoderTag(int64_t position)
{
    if (position < 120)
        return;
    uint8_t t[29] = {};
    const size_t got = ReadAt(position - 1, t, sizeof t);
    if (got < 5)
        return;
    const uint8_t* tag = t + 1;
    if (std::memcmp(tag, "LAME", 4) != 0 && std::memcmp(tag, "Lavf", 4) != 0 &&
        std::memcmp(tag, "Lavc", 4) != 0)
        return;
    const size_t have = got - 1; // bytes from the tag start
    encoderInfo_.quality = t[0];
    std::memcpy(encoderInfo_.version, tag, std::min<size_t>(9, have));
    if (have > 9)
        encoderInfo_.vbrMethod = tag[9] & 15;
    if (have > 10)
        encoderInfo_.lowpass = tag[10];
    if (have > 20 && tag[20] >= 1 && tag[20] <= 254)
        encoderInfo_.bitrateKbps = tag[20];
    if (have > 23) {
        encoderDelay_ = (tag[21] << 4) | (tag[22] >> 4);
        encoderPadding_ = ((tag[22] & 15) << 8) | tag[23];
    }
    if (have > 24)
        encoderInfo_.stereoMode = (tag[24] >> 2) & 7;
    if (have > 27)
        encoderInfo_.preset = uint16_t((tag[26] << 8) | tag[27]);
}

// ---- opening ----

void LMp3SoundSource::Initialise(bool indexNow)
{
    cache_.reset(new uint8_t[kCacheBytes]);
    frameBytes_.reset(new uint8_t[kMaxFrameBytes + 16]);
    decoded_.reset(new float[1152 * 2]);
    output_.reset(new int32_t[1152 * 2]);
    decoder_ = std::make_unique<LMp3LayerIIIDecoder>();

    fileSize_ = LDescriptorSize(fd_);
    if (fileSize_ <= dataStart_) {
        ForceStatus(kSoundStatusBadParameters);
        return;
    }
    audioEnd_ = fileSize_;
    const int64_t start = SkipId3v2(dataStart_, true);
    uint8_t tag[3];
    if (fileSize_ - 128 >= start && ReadAt(fileSize_ - 128, tag, 3) == 3 && std::memcmp(tag, "TAG", 3) == 0)
        audioEnd_ = fileSize_ - 128;

    // The first frame is a header followed by another of the same stream (or
    // the one frame the file holds); a lone sync pattern in leading junk is not.
    FrameRef first;
    for (int64_t from = start;; from = first.offset + 1) {
        freeFormatBytes_ = 0;
        if (!FindFrame(from, false, &first) || first.offset - start > kSyncSearchBytes) {
            ForceStatus(kSoundStatusBadParameters);
            return;
        }
        const int64_t next = first.offset + first.header.frameBytes;
        uint8_t b[4];
        LMp3FrameHeader h;
        if (next == audioEnd_ || (ReadAt(next, b, 4) == 4 && LMp3ParseHeader(LMp3ReadBe32(b), &h) &&
                                  h.version == first.header.version && h.rateIndex == first.header.rateIndex))
            break;
    }
    streamHeader_ = first.header;
    samplesPerFrame_ = first.header.samplesPerFrame;
    rate_ = first.header.sampleRate;
    channels_ = first.header.channels;
    encoderInfo_.bitrateKbps = first.header.bitrate;

    // The side information of the first frame, and what follows it. Encoders
    // put their tag where the side information of a frame without CRC would
    // end, so with a CRC the two bytes it takes are not read as side information.
    const int crcBytes = first.header.hasCrc ? 2 : 0;
    const int64_t tagPosition = first.offset + 4 + first.header.sideInfoBytes;
    uint8_t side[32] = {};
    const int sideBytes = first.header.sideInfoBytes - crcBytes;
    ReadAt(first.offset + 4 + crcBytes, side, size_t(sideBytes));
    bool sideAllZero = true;
    for (int i = 0; i < sideBytes; ++i)
        sideAllZero = sideAllZero && side[i] == 0;
    uint8_t id[12] = {};
    ReadAt(tagPosition, id, sizeof id);

    // A frame count is believed only when it is at least 1 and gives an
    // average between 8 and 360 kbit/s for the bytes that follow.
    // The limits are computed without cutting the byte count first, so a
    // stream that averages exactly 8 kbit/s is still believed.
    auto plausibleCount = [&](uint32_t count, int64_t from) {
        const int64_t bytesAfter = std::max<int64_t>(0, audioEnd_ - from);
        const int64_t scaled = bytesAfter * rate_;
        const int64_t low = scaled / (45000 * int64_t(samplesPerFrame_));
        const int64_t high =
            (scaled + 1000 * int64_t(samplesPerFrame_) - 1) / (1000 * int64_t(samplesPerFrame_));
        return count >= 1 && int64_t(count) >= low && int64_t(count) <= high;
    };
    bool firstIsTag = false;
    if (std::memcmp(id, "Xing", 4) == 0) {
        const uint32_t flags = LMp3ReadBe32(id + 4);
        if (flags & 1) {
            const uint32_t count = LMp3ReadBe32(id + 8);
            if (plausibleCount(count, tagPosition)) {
                vbr_ = true;
                headerCountKnown_ = true;
                totalFrames_ = count;
                firstIsTag = true;
                encoderTagPosition_ = tagPosition + 120;
                ReadEncoderTag(encoderTagPosition_);
            }
        } else {
            encoderTagPosition_ = tagPosition + 120;
            ReadEncoderTag(encoderTagPosition_);
        }
    } else if (std::memcmp(id, "Info", 4) == 0) {
        encoderTagPosition_ = tagPosition + 120;
        ReadEncoderTag(encoderTagPosition_);
    } else {
        // The VBRI header sits 32 bytes after the frame header whatever the side information.
        uint8_t vbri[18] = {};
        ReadAt(first.offset + 36, vbri, sizeof vbri);
        if (std::memcmp(vbri, "VBRI", 4) == 0) {
            const uint32_t count = LMp3ReadBe32(vbri + 14);
            if (plausibleCount(count, first.offset + 36)) {
                vbr_ = true;
                headerCountKnown_ = true;
                totalFrames_ = count;
                firstIsTag = true;
            }
        }
    }
    if (sideAllZero)
        firstIsTag = true;
    firstFrameOffset_ = firstIsTag ? first.offset + first.header.frameBytes : first.offset;

    // Walk the frames after the first one by their headers.
    int walked = 0;
    int64_t bitrateSum = 0;
    int32_t previousBitrate = 0;
    int32_t firstWalkedBitrate = 0;
    bool stereoSeen = first.header.channels == 2;
    int64_t offset = first.offset + first.header.frameBytes;
    const int64_t walkStart = offset;
    while (walked < kScanFrames) {
        uint8_t b[4];
        LMp3FrameHeader h;
        if (ReadAt(offset, b, 4) < 4 || !LMp3ParseHeader(LMp3ReadBe32(b), &h))
            break;
        if (h.version != streamHeader_.version || h.rateIndex != streamHeader_.rateIndex ||
            (h.bitrateIndex == 0) != (freeFormatBytes_ != 0) || !CompleteHeader(&h) ||
            offset + h.frameBytes > audioEnd_)
            break;
        if (++walked == 1)
            firstWalkedBitrate = h.bitrate;
        if (walked >= 5 && h.bitrate != previousBitrate)
            vbr_ = true;
        previousBitrate = h.bitrate;
        paddedFrameSeen_ = paddedFrameSeen_ || h.padding;
        stereoSeen = stereoSeen || h.channels == 2;
        bitrateSum += h.bitrate;
        offset += h.frameBytes;
    }
    if (walked == 0) {
        // A lone frame is believed only when it is exactly what the file holds.
        const bool lone = !firstIsTag && first.offset + first.header.frameBytes == audioEnd_;
        if (!lone) {
            ForceStatus(kSoundStatusBadParameters);
            return;
        }
    }
    // A stream that changes between mono and stereo is read as stereo throughout.
    channels_ = stereoSeen ? 2 : 1;

    const double bytes = double(audioEnd_ - firstFrameOffset_);
    const double perKbit = (first.header.IsLowSamplingFrequency() ? 72000.0 : 144000.0) / rate_;
    if (headerCountKnown_) {
        averageFrameBytes_ = bytes / double(totalFrames_);
        lengthFinal_ = true; // a believed count is not extended past
    } else if (freeFormatBytes_ != 0) {
        averageFrameBytes_ = walked > 0 ? double(offset - walkStart) / walked : first.header.frameBytes;
        totalFrames_ = std::llround(bytes / averageFrameBytes_);
    } else if (!vbr_) {
        // The audio frames' rate: a tag frame may have been made bigger to hold its tag.
        const int32_t bitrate = firstIsTag && walked > 0 ? firstWalkedBitrate : first.header.bitrate;
        averageFrameBytes_ = bitrate * perKbit;
        if (!paddedFrameSeen_)
            averageFrameBytes_ = std::floor(averageFrameBytes_);
        totalFrames_ = std::llround(bytes / averageFrameBytes_);
    } else {
        const double bitrate = walked > 0 ? double(bitrateSum) / walked : first.header.bitrate;
        averageFrameBytes_ = bitrate * perKbit;
        totalFrames_ = int64_t(bytes / averageFrameBytes_);
    }
    if (totalFrames_ < 1)
        totalFrames_ = 1;

    const int64_t wanted = headerCountKnown_ ? totalFrames_ : 2 * totalFrames_;
    indexSpacing_ = totalFrames_ > kMaxIndexEntries ? totalFrames_ / kMaxIndexEntries + 1 : 1;
    AllocateIndex(std::min({wanted / indexSpacing_ + 1, kMaxIndexEntries, kInitialIndexEntries}));
    nextRefinement_ = totalFrames_ / 50;

    // A frame count from a tag is believed only as far as the frames are
    // there: a damaged or cut file must not report a length the decoder
    // never delivers. The walk also fills the index that seeks use.
    if (indexNow || headerCountKnown_) {
        int64_t frame = 0;
        int64_t at = firstFrameOffset_;
        FrameRef fr;
        while (FindFrame(at, true, &fr) && fr.offset + fr.header.frameBytes <= audioEnd_) {
            RecordIndex(frame++, fr.offset);
            at = fr.offset + fr.header.frameBytes;
        }
        totalFrames_ = headerCountKnown_ && !indexNow ? std::max<int64_t>(std::min(totalFrames_, frame), 1)
                                                      : std::max<int64_t>(frame, 1);
        lengthFinal_ = true;
    }

    // Decoding the first frames once finds the frames that cannot be decoded
    // at the start and shortens the length of a stream that ends early.
    readSample_ = 0;
    Seek(0);
    Seek(int64_t(22) * samplesPerFrame_);
    Seek(0);
}

// ---- frame index ----

void LMp3SoundSource::AllocateIndex(int64_t capacity)
{
    if (capacity < 1)
        capacity = 1;
    IndexEntry* entries = new (std::nothrow) IndexEntry[size_t(capacity)];
    if (!entries) {
        index_.reset();
        indexSize_ = indexCapacity_ = 0;
        indexSpacing_ = 1;
        return;
    }
    for (int64_t i = 0; i < capacity; ++i)
        entries[i] = {kEmptyFrame, 0};
    const int64_t keep = std::min(indexSize_, capacity);
    if (index_)
        std::copy(index_.get(), index_.get() + keep, entries);
    index_.reset(entries);
    indexCapacity_ = capacity;
    indexSize_ = keep;
}

void LMp3SoundSource::RecordIndex(int64_t frame, int64_t offset)
{
    const int64_t e = frame / indexSpacing_;
    if (e >= kMaxIndexEntries)
        return;
    if (e >= indexSize_) {
        const int64_t size = std::min(std::max(2 * e, e + 1), kMaxIndexEntries);
        if (size > indexCapacity_) {
            AllocateIndex(std::min(std::max(size, 2 * indexCapacity_), kMaxIndexEntries));
            if (!index_)
                return;
        }
        indexSize_ = size;
    }
    IndexEntry& entry = index_[size_t(e)];
    if (entry.frame == kEmptyFrame) {
        entry = {frame, offset};
        indexHighest_ = std::max(indexHighest_, e);
    }

    // An estimated count is refined as the stream is read.
    if (!headerCountKnown_ && !lengthFinal_ && vbr_ && frame >= nextRefinement_ && frame > 0) {
        const double bytesPerFrame = double(offset - firstFrameOffset_) / double(frame);
        if (bytesPerFrame > 0.0) {
            int64_t total = frame + int64_t(double(audioEnd_ - offset) / bytesPerFrame);
            if (offset < audioEnd_)
                total = std::max(total, frame + 1);
            totalFrames_ = total;
        }
        nextRefinement_ = frame + std::max<int64_t>(totalFrames_ / 50, 1);
    }
}

bool LMp3SoundSource::LookupIndex(int64_t frame, IndexEntry* entry) const
{
    if (!index_ || indexSize_ == 0 || indexHighest_ < 0)
        return false;
    int64_t e = std::min({frame / indexSpacing_, indexSize_ - 1, indexHighest_});
    for (; e >= 0; --e)
        if (index_[size_t(e)].frame != kEmptyFrame && index_[size_t(e)].frame <= frame) {
            *entry = index_[size_t(e)];
            return true;
        }
    return false;
}

// ---- decoding ----

void LMp3SoundSource::MarkEnd()
{
    totalFrames_ = nextStreamFrame_;
    lengthFinal_ = true;
}

bool LMp3SoundSource::Reposition(int64_t frame)
{
    decoder_->Reset();
    readerValid_ = true;
    bufferedFrame_ = -1;
    int64_t at = 0;
    int64_t offset = firstFrameOffset_;
    if (frame > 0) {
        IndexEntry entry;
        if (LookupIndex(frame, &entry)) {
            at = entry.frame;
            offset = entry.offset;
        } else if (!vbr_ && averageFrameBytes_ > 0.0) {
            // Constant bit rate: computed, one byte early so the sync finds the header.
            at = frame;
            offset = std::max(firstFrameOffset_, firstFrameOffset_ + int64_t(frame * averageFrameBytes_) - 1);
        }
    }
    while (at < frame) {
        FrameRef fr;
        if (!FindFrame(offset, true, &fr) || fr.offset + fr.header.frameBytes > audioEnd_) {
            nextStreamFrame_ = at;
            MarkEnd();
            return false;
        }
        RecordIndex(at, fr.offset);
        offset = fr.offset + fr.header.frameBytes;
        ++at;
    }
    nextStreamFrame_ = at;
    nextOffset_ = offset;
    return true;
}

LMp3SoundSource::DecodeStatus LMp3SoundSource::DecodeNext()
{
    bufferedFrame_ = -1;
    FrameRef fr;
    if (!FindFrame(nextOffset_, true, &fr))
        return DecodeStatus::kEnd;
    const int32_t size = fr.header.frameBytes;
    if (fr.offset + size > audioEnd_ || ReadAt(fr.offset, frameBytes_.get(), size_t(size)) < size_t(size))
        return DecodeStatus::kEnd; // a truncated last frame ends the stream
    std::memset(frameBytes_.get() + size, 0, 16);
    const int64_t streamFrame = nextStreamFrame_;
    RecordIndex(streamFrame, fr.offset);
    nextStreamFrame_ = streamFrame + 1;
    nextOffset_ = fr.offset + size;

    const int headerBytes = 4 + (fr.header.hasCrc ? 2 : 0);
    float* decoded = decoded_.get();
    const LMp3LayerIIIDecoder::Result result = decoder_->DecodeFrame(
        fr.header, frameBytes_.get() + headerBytes, size_t(size - headerBytes), decoded);
    if (result != LMp3LayerIIIDecoder::kDecoded) {
        if (!leadingKnown_ || streamFrame < leadingLost_)
            return DecodeStatus::kLost;
        // Inside the stream a frame that cannot be decoded lets the previous one fade out.
        decoder_->DecodeSilence(fr.header, decoded);
    }

    // Planar floats to interleaved samples, mono frames of a stereo stream on
    // both channels, stereo frames of a mono stream mixed.
    const int n = samplesPerFrame_;
    int32_t* out = output_.get();
    const float* left = decoded;
    const float* right = fr.header.channels == 2 ? decoded + n : decoded;
    if (channels_ == 2) {
        for (int i = 0; i < n; i += 8) {
            int32_t l[8], r[8];
            for (int k = 0; k < 8; ++k) {
                l[k] = ToInternal(left[i + k]);
                r[k] = ToInternal(right[i + k]);
            }
            for (int k = 0; k < 8; ++k) {
                out[2 * (i + k)] = l[k];
                out[2 * (i + k) + 1] = r[k];
            }
        }
    } else if (fr.header.channels == 1) {
        for (int i = 0; i < n; ++i)
            out[i] = ToInternal(left[i]);
    } else {
        for (int i = 0; i < n; ++i)
            out[i] = ToInternal(0.5f * (left[i] + right[i]));
    }
    return DecodeStatus::kDecoded;
}

bool LMp3SoundSource::EnsureFrame(int64_t frame)
{
    if (frame < 0)
        return false;
    if (bufferedFrame_ == frame)
        return true;
    if (!leadingKnown_) {
        // The frames before the first decodable one do not count.
        if (!Reposition(0))
            return false;
        leadingLost_ = 0;
        for (;;) {
            const DecodeStatus st = DecodeNext();
            if (st == DecodeStatus::kEnd) {
                leadingKnown_ = true;
                leadingLost_ = nextStreamFrame_;
                MarkEnd();
                return false;
            }
            if (st == DecodeStatus::kDecoded)
                break;
            ++leadingLost_;
        }
        leadingKnown_ = true;
        bufferedFrame_ = 0;
        if (frame == 0)
            return true;
    }
    const int64_t target = frame + leadingLost_;
    if (lengthFinal_ && target >= totalFrames_)
        return false;
    if (!readerValid_ || target < nextStreamFrame_ || target > nextStreamFrame_ + kSeekPreroll) {
        if (!Reposition(std::max<int64_t>(target - kSeekPreroll, 0)))
            return false;
    }
    while (nextStreamFrame_ <= target) {
        if (DecodeNext() == DecodeStatus::kEnd) {
            MarkEnd();
            return false;
        }
    }
    bufferedFrame_ = frame;
    if (target >= totalFrames_)
        totalFrames_ = target + 1; // an estimated count was short
    return true;
}

// ---- source interface ----

int64_t LMp3SoundSource::GetPosition()
{
    return readSample_ - StartSample();
}

int64_t LMp3SoundSource::GetLength()
{
    int64_t length = (totalFrames_ - leadingLost_) * samplesPerFrame_;
    if (skipCodecDelays_)
        length -= encoderDelay_ + encoderPadding_;
    return std::max<int64_t>(length, 0);
}

void LMp3SoundSource::Seek(int64_t frame)
{
    if (GetStatus() != kSoundStatusOk || frame == GetPosition() || totalFrames_ < 1)
        return;
    decoder_->Reset();
    readerValid_ = false;
    bufferedFrame_ = -1;
    readSample_ = frame + StartSample();
    if (readSample_ < 1 || readSample_ >= (totalFrames_ - leadingLost_) * samplesPerFrame_)
        return;
    EnsureFrame(readSample_ / samplesPerFrame_);
}

int64_t LMp3SoundSource::Read(int32_t* buffer, int64_t frames)
{
    const int channels = channels_;
    int64_t done = 0;
    int64_t delivered = 0;
    while (done < frames) {
        const int64_t position = readSample_ - StartSample();
        int64_t length = GetLength();
        int64_t count = frames - done;
        if (GetStatus() != kSoundStatusOk) {
            // nothing to decode: silence
        } else if (position < 0) {
            count = std::min(count, -position);
        } else if (position < length) {
            const int64_t frame = readSample_ / samplesPerFrame_;
            if (frame + leadingLost_ >= totalFrames_ && lengthFinal_) {
                // The decoder's delay reaches past the last frame: nothing was decoded there.
                count = std::min(count, length - position);
            } else if (!EnsureFrame(frame)) {
                continue; // the length has just been corrected (and is now final)
            } else {
                const int64_t offset = readSample_ - frame * samplesPerFrame_;
                count = std::min({count, samplesPerFrame_ - offset, length - position});
                std::memcpy(buffer + done * channels, output_.get() + offset * channels,
                            size_t(count * channels) * sizeof(int32_t));
                readSample_ += count;
                done += count;
                delivered += count;
                continue;
            }
        } else {
            // At the length: a count that was only estimated grows while frames follow.
            const int64_t frame = readSample_ / samplesPerFrame_;
            if (!lengthFinal_ && frame + leadingLost_ >= totalFrames_ && EnsureFrame(frame))
                continue;
        }
        std::memset(buffer + done * channels, 0, size_t(count * channels) * sizeof(int32_t));
        readSample_ += count;
        done += count;
    }
    return delivered;
}
