#include "audio/formats/sndfile/LExtAudioFileSoundSink.h"

#include "audio/core/LSoundSamples.h"
#include "audio/formats/LAudioFileIo.h"
#include "audio/formats/wav/LWavHeaders.h"

#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <sndfile.h>
#include <unistd.h>

namespace {

// libsndfile is loaded when the first file is written through it, not at
// program start: few runs need it, and it brings its codecs' libraries along.
#define QUORIN_SNDFILE_FUNCTIONS(X)                                                                          \
    X(sf_format_check) X(sf_open_virtual) X(sf_close) X(sf_command) X(sf_writef_float) X(sf_writef_int)

struct SndfileLibrary
{
#define QUORIN_SNDFILE_ENTRY(name) decltype(&::name) name = nullptr;
    QUORIN_SNDFILE_FUNCTIONS(QUORIN_SNDFILE_ENTRY)
#undef QUORIN_SNDFILE_ENTRY
    bool loaded = false;
};

// The library's entry points; loaded is false (and no entry may be called)
// when it or one of its functions is missing.
const SndfileLibrary& Sndfile()
{
    static const SndfileLibrary library = [] {
        SndfileLibrary l;
        void* handle = dlopen("libsndfile.so.1", RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr)
            return l;
        bool all = true;
#define QUORIN_SNDFILE_ENTRY(name)                                                                           \
    l.name = reinterpret_cast<decltype(&::name)>(dlsym(handle, #name));                                      \
    all = all && l.name != nullptr;
        QUORIN_SNDFILE_FUNCTIONS(QUORIN_SNDFILE_ENTRY)
#undef QUORIN_SNDFILE_ENTRY
        l.loaded = all;
        return l;
    }();
    return library;
}

using Io = LExtAudioFileSoundSink::Io;

sf_count_t IoLength(void* data)
{
    return LDescriptorSize(static_cast<Io*>(data)->fd);
}

sf_count_t IoSeek(sf_count_t offset, int whence, void* data)
{
    return lseek(static_cast<Io*>(data)->fd, offset, whence);
}

sf_count_t IoRead(void* buffer, sf_count_t count, void* data)
{
    return static_cast<sf_count_t>(
        LReadFully(static_cast<Io*>(data)->fd, buffer, static_cast<size_t>(count)));
}

sf_count_t IoWrite(const void* buffer, sf_count_t count, void* data)
{
    Io* io = static_cast<Io*>(data);
    if (!LWriteFully(io->fd, buffer, static_cast<size_t>(count))) {
        io->writeFailed = true;
        if (io->writeError == 0)
            io->writeError = errno ? errno : EIO;
        return 0;
    }
    return count;
}

sf_count_t IoTell(void* data)
{
    return lseek(static_cast<Io*>(data)->fd, 0, SEEK_CUR);
}

SF_VIRTUAL_IO gIo = {IoLength, IoSeek, IoRead, IoWrite, IoTell};

// libsndfile counts whole coded blocks in the "fact" chunk (and half of them
// for stereo IMA ADPCM); readers that honour it should get the frames written.
bool PatchFactChunk(int fd, int64_t frames)
{
    int64_t size = LDescriptorSize(fd);
    int64_t at = 12;
    uint8_t h[8];
    while (size >= 0 && at + 8 <= size && LPreadFully(fd, h, 8, at) == 8) {
        uint32_t chunkSize = LGetLe32(h + 4);
        if (std::memcmp(h, "fact", 4) == 0 && chunkSize >= 4) {
            uint8_t count[4];
            LPutLe32(count, frames > 0xFFFFFFFF ? 0xFFFFFFFFu : static_cast<uint32_t>(frames));
            return LPwriteFully(fd, count, 4, at + 8);
        }
        if (std::memcmp(h, "data", 4) == 0)
            break;
        at += 8 + chunkSize + (chunkSize & 1);
    }
    return true;
}

} // namespace

void LSetAudioFileFormat(LAudioFileFormat& format, uint32_t rate, uint8_t channels, uint8_t bits,
                         uint16_t tag)
{
    format.sampleRate = rate;
    format.channels = channels;
    format.bitsPerSample = bits;
    format.isFloat = static_cast<int16_t>(tag) == kWavTagFloat ? 1 : 0;
    format.isBigEndian = 0;
    format.fileType = LFourCc("WAVE");
    switch (static_cast<int16_t>(tag)) {
    case kWavTagPcm:
    case kWavTagFloat:
        format.formatId = LFourCc("lpcm");
        break;
    case kWavTagAlaw:
        format.formatId = LFourCc("alaw");
        break;
    case kWavTagMulaw:
        format.formatId = LFourCc("ulaw");
        break;
    case kWavTagImaAdpcm:
        format.formatId = LFourCc("ima4");
        break;
    default:
        break;
    }
}

int LSndfileFormatFor(const LAudioFileFormat& format)
{
    if (format.fileType != LFourCc("WAVE"))
        return 0;
    int subtype = 0;
    if (format.formatId == LFourCc("lpcm")) {
        if (format.isFloat) {
            subtype = format.bitsPerSample == 32 ? SF_FORMAT_FLOAT
                                                 : (format.bitsPerSample == 64 ? SF_FORMAT_DOUBLE : 0);
        } else {
            switch (format.bitsPerSample) {
            case 8:
                subtype = SF_FORMAT_PCM_U8;
                break;
            case 16:
                subtype = SF_FORMAT_PCM_16;
                break;
            case 24:
                subtype = SF_FORMAT_PCM_24;
                break;
            case 32:
                subtype = SF_FORMAT_PCM_32;
                break;
            default:
                break;
            }
        }
    } else if (format.formatId == LFourCc("alaw")) {
        subtype = SF_FORMAT_ALAW;
    } else if (format.formatId == LFourCc("ulaw")) {
        subtype = SF_FORMAT_ULAW;
    } else if (format.formatId == LFourCc("ima4")) {
        subtype = SF_FORMAT_IMA_ADPCM;
    }
    if (subtype == 0)
        return 0;
    return SF_FORMAT_WAV | subtype | (format.isBigEndian ? SF_ENDIAN_BIG : 0);
}

LExtAudioFileSoundSink::LExtAudioFileSoundSink(const char* path, const LAudioFileFormat& format)
    : LSoundSink(format.sampleRate, format.channels, -1)
{
    int sfFormat = LSndfileFormatFor(format);
    if (IsFailed() || sfFormat == 0 || format.sampleRate < 1 || format.sampleRate > kWavMaxSampleRate) {
        SetFailed(EINVAL);
        return;
    }
    if (!Sndfile().loaded) {
        SetFailed(ELIBACC);
        return;
    }
    SF_INFO info{};
    info.samplerate = static_cast<int>(format.sampleRate);
    info.channels = channels_;
    info.format = sfFormat;
    if (!Sndfile().sf_format_check(&info)) {
        SetFailed(EINVAL);
        return;
    }
    // Our own open step: the same lock and close-on-exec as every other sink.
    if (!sinkFile_.Open(path, false, true)) {
        SetFailed(sinkFile_.Error());
        return;
    }
    const int fd = sinkFile_.Descriptor();
    io_.fd = fd;
    SNDFILE* file = Sndfile().sf_open_virtual(&gIo, SFM_WRITE, &info, &io_);
    if (file == nullptr || io_.writeFailed) {
        if (file != nullptr)
            Sndfile().sf_close(file);
        sinkFile_.Close(false);
        io_.fd = -1;
        SetFailed(io_.writeError ? io_.writeError : EIO);
        return;
    }
    file_ = file;
    floatFile_ = format.isFloat != 0;
    if (floatFile_) {
        Sndfile().sf_command(file, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
        floats_.resize(static_cast<size_t>(kSoundBlockFrames) * channels_);
    } else {
        scaled_.resize(static_cast<size_t>(kSoundBlockFrames) * channels_);
    }
}

LExtAudioFileSoundSink::~LExtAudioFileSoundSink()
{
    Finish();
}

bool LExtAudioFileSoundSink::Finish()
{
    if (file_ != nullptr) {
        if (Sndfile().sf_close(static_cast<SNDFILE*>(file_)) != 0 || io_.writeFailed)
            SetFailed(io_.writeError ? io_.writeError : EIO);
        file_ = nullptr;
        if (!IsFailed() && !PatchFactChunk(io_.fd, position_))
            SetFailed(errno ? errno : EIO);
        if (!sinkFile_.Close(!IsFailed()))
            SetFailed(io_.writeError ? io_.writeError : sinkFile_.Error());
        io_.fd = -1;
    }
    return !IsFailed();
}

void LExtAudioFileSoundSink::Write(const int32_t* buffer, int64_t frames)
{
    while (frames > 0) {
        int64_t n = frames < kSoundBlockFrames ? frames : kSoundBlockFrames;
        position_ += n;
        if (file_ != nullptr && floatFile_) {
            LConvertSamplesToFloat(buffer, floats_.data(), n * channels_);
            sf_count_t written = Sndfile().sf_writef_float(static_cast<SNDFILE*>(file_), floats_.data(), n);
            if (written != n || io_.writeFailed)
                SetFailed(io_.writeError ? io_.writeError : EIO);
        } else if (file_ != nullptr) {
            // Internal +-2^19 becomes the full 32-bit scale; louder samples are held at its ends.
            int64_t count = n * channels_;
            for (int64_t i = 0; i < count; ++i) {
                int64_t v = static_cast<int64_t>(buffer[i]) * 4096;
                scaled_[i] =
                    static_cast<int32_t>(v > INT32_MAX ? INT32_MAX : (v < INT32_MIN ? INT32_MIN : v));
            }
            sf_count_t written = Sndfile().sf_writef_int(static_cast<SNDFILE*>(file_), scaled_.data(), n);
            if (written != n || io_.writeFailed)
                SetFailed(io_.writeError ? io_.writeError : EIO);
        }
        buffer += n * channels_;
        frames -= n;
    }
}

void CreateExtAudioFileSink(LSoundSinkPtr& out, const char* path, const LAudioFileFormat& format)
{
    if (path == nullptr || *path == '\0') {
        out = new LNullSoundSink(ENOENT);
        return;
    }
    out = new LExtAudioFileSoundSink(path, format);
}
