#include "audio/formats/wav/LWavFileOpener.h"

#include "audio/formats/LAudioFileIo.h"
#include "audio/formats/g711/LG711SoundSource.h"
#include "audio/formats/gsm/LGsmSoundSink.h"
#include "audio/formats/gsm/LGsmSoundSource.h"
#include "audio/formats/ima/LImaAdpcmSoundSource.h"
#include "audio/formats/mp3/LMp3SoundSource.h"
#include "audio/formats/pcm/LWavDataSoundSource.h"
#include "audio/formats/pcm/LWavPcmSoundSink.h"
#include "audio/formats/sndfile/LExtAudioFileSoundSink.h"
#include "audio/formats/wav/LWavHeaders.h"
#include "audio/formats/wav/LWavSampleWriter.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr uint32_t kMaxFmtBytes = 8192;

// The tail of the published sub-format identifiers: {tag, 0x0000, 0x0010, 80 00 00 AA 00 38 9B 71}.
const uint8_t kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                    0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

struct Chunk
{
    char id[4];
    uint32_t size;
};

bool ReadChunk(int fd, Chunk& chunk)
{
    uint8_t h[8];
    if (LReadFully(fd, h, 8) != 8)
        return false;
    std::memcpy(chunk.id, h, 4);
    chunk.size = LGetLe32(h + 4);
    return true;
}

bool IsId(const Chunk& chunk, const char* id)
{
    return std::memcmp(chunk.id, id, 4) == 0;
}

int64_t EvenSize(uint32_t size)
{
    return static_cast<int64_t>(size) + (size & 1);
}

bool Skip(int fd, int64_t bytes)
{
    return lseek(fd, bytes, SEEK_CUR) >= 0;
}

// The G.711 readers; one that cannot work (an unreadable descriptor)
// reports through its status.
uint8_t OpenG711Source(LSoundSourcePtr& out, int& fd, int16_t tag, int32_t rate, uint8_t channels,
                       uint32_t dataSize)
{
    if (tag == kWavTagAlaw)
        out = new LAlawSoundSource(fd, rate, channels, dataSize);
    else
        out = new LMulawSoundSource(fd, rate, channels, dataSize);
    return out->GetStatus();
}

// A PCM coding by its sample size: the container is whole bytes, or the
// larger container the block align names (24 bits carried in 32, left-justified).
bool PcmFormatFor(uint32_t bits, uint32_t blockAlign, uint32_t channels, LPcmSampleFormat& format)
{
    if (bits < 1 || bits > 32)
        return false;
    uint32_t container = (bits + 7) / 8;
    if (channels > 0 && blockAlign % channels == 0 && blockAlign / channels > container &&
        blockAlign / channels <= 4)
        container = blockAlign / channels;
    static const LPcmSampleFormat kByContainer[] = {LPcmSampleFormat::U8, LPcmSampleFormat::S16,
                                                    LPcmSampleFormat::S24, LPcmSampleFormat::S32};
    format = kByContainer[container - 1];
    return true;
}

uint8_t OpenReader(LSoundSourcePtr& out, int& fd, const LWavFileInfo& info, uint32_t dataSize)
{
    const int32_t rate = static_cast<int32_t>(info.sampleRate);
    const uint8_t channels = static_cast<uint8_t>(info.channels);
    switch (static_cast<int16_t>(info.formatTag)) {
    case kWavTagPcm: {
        LPcmSampleFormat format;
        if (info.bitsPerSample == 0)
            return kSoundStatusBadParameters;
        if (!PcmFormatFor(info.bitsPerSample, info.blockAlign, channels, format))
            return kSoundStatusUnsupported;
        uint32_t peak = info.bitsPerSample <= 16 ? kPcm16PeakLimit : 0x7FFFF;
        out = new LWavDataSoundSource(fd, rate, channels, peak, format, dataSize, info.dataSize64);
        return kSoundStatusOk;
    }
    case kWavTagFloat: {
        if (info.bitsPerSample != 32 && info.bitsPerSample != 64)
            return kSoundStatusUnsupported;
        LPcmSampleFormat format = info.bitsPerSample == 32 ? LPcmSampleFormat::F32 : LPcmSampleFormat::F64;
        out = new LWavDataSoundSource(fd, rate, channels, kFloatWavPeakLimit, format, dataSize,
                                      info.dataSize64);
        return kSoundStatusOk;
    }
    case kWavTagAlaw:
    case kWavTagMulaw:
        if (info.bitsPerSample != 8)
            return kSoundStatusBadParameters;
        return OpenG711Source(out, fd, static_cast<int16_t>(info.formatTag), rate, channels, dataSize);
    case kWavTagImaAdpcm:
        // A block holds a 4-byte header per channel and at least one byte of nibbles.
        if (info.bitsPerSample != 4 || info.blockAlign <= 4u * channels)
            return kSoundStatusBadParameters;
        CreateImaAdpcmSoundSource(out, fd, dataSize, rate, channels, info.blockAlign);
        return out->GetStatus();
    case kWavTagGsm610:
        if (channels != 1)
            return kSoundStatusNotDecoded;
        if (info.blockAlign != 65)
            return kSoundStatusUnsupported;
        CreateGsmSoundSource(out, fd, dataSize, rate);
        return out->GetStatus();
    case kWavTagMpegLayer3: {
        // The MP3 reader finds its frames from the first data byte on.
        LSoundSource* mp3 = new LMp3SoundSource(fd, false, true);
        fd = -1;
        out = mp3;
        return out->GetStatus();
    }
    case 34:
    case 69:
        return kSoundStatusNotDecoded;
    default:
        return kSoundStatusUnsupported;
    }
}

uint8_t Open(LSoundSourcePtr& out, int& fd, LWavFileInfo& info)
{
    bool wide = false;
    int64_t ds64DataSize = -1;
    // The RIFF/WAVE container, possibly after other top-level chunks.
    for (;;) {
        uint8_t h[12];
        if (LReadFully(fd, h, 12) != 12)
            return kSoundStatusBadParameters;
        uint32_t size = LGetLe32(h + 4);
        if (std::memcmp(h + 8, "WAVE", 4) == 0 && std::memcmp(h, "RIFF", 4) == 0)
            break;
        // RF64 and BW64: the same layout, with 64-bit sizes in a "ds64" chunk.
        if (std::memcmp(h + 8, "WAVE", 4) == 0 &&
            (std::memcmp(h, "RF64", 4) == 0 || std::memcmp(h, "BW64", 4) == 0)) {
            wide = true;
            break;
        }
        int64_t even = EvenSize(size);
        if (even < 5 || !Skip(fd, even - 4))
            return kSoundStatusBadParameters;
    }

    // "fmt " (a "data" chunk met before it is remembered: some writers put it first).
    int64_t earlyData = -1;
    uint32_t earlyDataSize = 0;
    std::vector<uint8_t> fmt;
    for (;;) {
        Chunk chunk;
        if (!ReadChunk(fd, chunk))
            return kSoundStatusBadParameters;
        if (wide && IsId(chunk, "ds64") && chunk.size >= 24) {
            uint8_t ds64[24];
            if (LReadFully(fd, ds64, sizeof ds64) != sizeof ds64)
                return kSoundStatusBadParameters;
            ds64DataSize = static_cast<int64_t>(LGetLe32(ds64 + 8) | (uint64_t{LGetLe32(ds64 + 12)} << 32));
            if (ds64DataSize < 0)
                return kSoundStatusBadParameters;
            if (!Skip(fd, EvenSize(chunk.size) - 24))
                return kSoundStatusBadParameters;
            continue;
        }
        if (IsId(chunk, "fmt ")) {
            if (chunk.size < 16 || chunk.size > kMaxFmtBytes)
                return kSoundStatusBadParameters;
            fmt.resize(chunk.size);
            if (LReadFully(fd, fmt.data(), fmt.size()) != fmt.size())
                return kSoundStatusBadParameters;
            if ((chunk.size & 1) && !Skip(fd, 1))
                return kSoundStatusBadParameters;
            break;
        }
        if (chunk.size >= 0x80000000u && !(IsId(chunk, "data") && earlyData < 0))
            return kSoundStatusBadParameters;
        if (IsId(chunk, "data") && earlyData < 0) {
            earlyData = LDescriptorOffset(fd);
            earlyDataSize = chunk.size;
            int64_t size = LDescriptorSize(fd);
            // A data chunk running to the end of the file leaves no room for "fmt ".
            if (size < 0 || earlyData + EvenSize(chunk.size) >= size)
                return kSoundStatusBadParameters;
        }
        if (!Skip(fd, EvenSize(chunk.size)))
            return kSoundStatusBadParameters;
    }

    info.formatTag = LGetLe16(fmt.data());
    info.channels = LGetLe16(fmt.data() + 2);
    info.sampleRate = LGetLe32(fmt.data() + 4);
    info.blockAlign = LGetLe16(fmt.data() + 12);
    info.bitsPerSample = LGetLe16(fmt.data() + 14);
    // The extensible layout's fields are read only when the chunk holds them.
    if (static_cast<int16_t>(info.formatTag) == kWavTagExtensible && fmt.size() >= 40 &&
        LGetLe16(fmt.data() + 16) >= 22) {
        const uint8_t* guid = fmt.data() + 24;
        uint16_t subTag = LGetLe16(guid);
        if (std::memcmp(guid + 2, kSubFormatTail, sizeof kSubFormatTail) == 0 &&
            (subTag == 1 || subTag == 3 || subTag == 6 || subTag == 7 || subTag == 2))
            info.formatTag = subTag;
    }

    // "data", unless it came before "fmt ".
    if (earlyData >= 0) {
        if (lseek(fd, earlyData, SEEK_SET) != earlyData)
            return kSoundStatusBadParameters;
        info.dataOffset = earlyData;
        info.dataSize = earlyDataSize;
    } else {
        for (;;) {
            Chunk chunk;
            if (!ReadChunk(fd, chunk))
                return kSoundStatusBadParameters;
            if (IsId(chunk, "data")) {
                info.dataOffset = LDescriptorOffset(fd);
                info.dataSize = chunk.size;
                break;
            }
            if (chunk.size >= 0x7FFFFFFFu || !Skip(fd, EvenSize(chunk.size)))
                return kSoundStatusBadParameters;
            int64_t size = LDescriptorSize(fd);
            if (size >= 0 && LDescriptorOffset(fd) >= size)
                return kSoundStatusBadParameters;
        }
    }

    if (wide && info.dataSize == 0xFFFFFFFFu)
        info.dataSize64 = ds64DataSize;

    if (info.channels < 1 || info.channels > 255 || info.sampleRate < 1 ||
        info.sampleRate > kWavMaxSampleRate)
        return kSoundStatusBadParameters;
    // Coded data claiming more than the file holds is read as far as it goes.
    uint32_t dataSize = info.dataSize;
    int64_t fileSize = LDescriptorSize(fd);
    if (dataSize < kWavUnknownSizeThreshold && fileSize >= 0 && info.dataOffset + dataSize > fileSize)
        dataSize = static_cast<uint32_t>(fileSize > info.dataOffset ? fileSize - info.dataOffset : 0);
    return OpenReader(out, fd, info, dataSize);
}

} // namespace

void LOpenWavSoundSource(LSoundSourcePtr& out, const char* path, LWavFileInfo* info)
{
    LWavFileInfo local;
    LWavFileInfo& found = info ? *info : local;
    found = LWavFileInfo{};
    uint8_t openStatus = kSoundStatusCannotOpen;
    int error = 0;
    int fd = LOpenAudioFileForReading(path, openStatus, error);
    if (fd < 0) {
        LSetFailedSource(out, openStatus);
        return;
    }
    LSoundSourcePtr opened;
    uint8_t status = Open(opened, fd, found);
    if (fd >= 0)
        close(fd); // no reader took it
    if (status != kSoundStatusOk)
        LSetFailedSource(out, status);
    else
        out = opened;
}

void CreateSoundSinkForFormat(LSoundSinkPtr& out, const char* path, const LWaveFormatBlock& format,
                              bool inPlace)
{
    const uint8_t channels = static_cast<uint8_t>(format.channels & 0xFF);
    const uint32_t rate = format.sampleRate;
    if (rate < 1 || rate > kWavMaxSampleRate || channels < 1) {
        out = new LNullSoundSink(EINVAL);
        return;
    }
    switch (static_cast<int16_t>(format.formatTag)) {
    case kWavTagPcm:
        CreatePcmSinkByBits(out, path, rate, channels, format.bitsPerSample, 0, inPlace);
        return;
    case kWavTagFloat:
    case kWavTagImaAdpcm: {
        LAudioFileFormat record{};
        uint8_t bits = static_cast<uint8_t>(format.bitsPerSample & 0xFF);
        if (static_cast<int16_t>(format.formatTag) == kWavTagFloat && bits != 64)
            bits = 32;
        LSetAudioFileFormat(record, rate, channels, bits, format.formatTag);
        CreateExtAudioFileSink(out, path, record);
        return;
    }
    case kWavTagAlaw:
    case kWavTagMulaw:
        CreateWavSampleWriter(out, path, rate, channels, format.formatTag, 0);
        return;
    case kWavTagGsm610:
        if (channels != 1) {
            out = new LNullSoundSink(EINVAL);
            return;
        }
        CreateGsmSoundSink(out, path, rate);
        return;
    default:
        out = new LNullSoundSink(EINVAL);
        return;
    }
}

bool LFinishWavRecording(const char* path, int64_t* frames)
{
    LWavFileInfo info;
    LSoundSourcePtr source;
    LOpenWavSoundSource(source, path, &info);
    if (source->GetStatus() != kSoundStatusOk || info.formatTag != kWavTagPcm ||
        info.dataOffset != kPcmWavHeaderBytes || info.blockAlign == 0)
        return false;
    const int64_t held = source->GetLength();
    source.Reset();
    if (frames != nullptr)
        *frames = held;
    if (info.dataSize < kWavUnknownSizeThreshold)
        return true;
    // Resumed in place at its end, then finished: the sink cuts a partial
    // frame away and writes the sizes of what is there.
    LSoundSinkPtr sink;
    CreatePcmSinkByBits(sink, path, info.sampleRate, static_cast<uint8_t>(info.channels), info.bitsPerSample,
                        held, true);
    if (sink->IsFailed())
        return false;
    if (frames != nullptr)
        *frames = sink->GetPosition();
    return sink->Finish();
}
