// Feeds arbitrary bytes to the MP3 reader as a file, then reads, seeks and
// measures the source; the same bytes also go frame by frame straight into
// the layer III decoder. Damaged streams must decode as far as they can and
// never crash, hang or read outside their buffers. The first byte chooses
// the reader's options and whether the decoder sees frames with their
// headers forced to one of a few stream kinds.

#include "audio/formats/mp3/LMp3FrameHeader.h"
#include "audio/formats/mp3/LMp3LayerIIIDecoder.h"
#include "audio/formats/mp3/LMp3SoundSource.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string TempPath()
{
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/fuzz_mp3_" + std::to_string(getpid()) + ".mp3";
}

// Headers of a few stream kinds: MPEG-1 joint stereo 128k, MPEG-1 mono with
// CRC, MPEG-2 22050 Hz joint stereo with intensity, MPEG-2.5 8000 Hz mono.
const uint32_t kForcedHeaders[] = {0xFFFB9064u, 0xFFFA90C4u, 0xFFF38074u, 0xFFE328C4u};

void DecodeFrames(const uint8_t* data, size_t size, int forced)
{
    LMp3LayerIIIDecoder decoder;
    std::vector<float> out(1152 * 2);
    std::vector<uint8_t> frame;
    size_t pos = 0;
    while (pos + 4 <= size) {
        uint32_t word = LMp3ReadBe32(data + pos);
        if (forced >= 0)
            word = kForcedHeaders[forced];
        LMp3FrameHeader h;
        if (!LMp3ParseHeader(word, &h) || h.frameBytes == 0) {
            ++pos;
            continue;
        }
        const size_t start = pos + 4 + (h.hasCrc ? 2 : 0);
        const size_t end = pos + size_t(h.frameBytes);
        if (start > size)
            break;
        // Copied with the padding the decoder expects, at most the frame.
        const size_t available = (end < size ? end : size) - start;
        frame.assign(data + start, data + start + available);
        frame.resize(available + 16, 0);
        if (decoder.DecodeFrame(h, frame.data(), available, out.data()) != LMp3LayerIIIDecoder::kDecoded)
            decoder.DecodeSilence(h, out.data());
        pos = end;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = TempPath();
    if (size < 1)
        return 0;
    const uint8_t choice = data[0];
    ++data;
    --size;

    DecodeFrames(data, size, (choice & 4) ? int((choice >> 3) & 3) : -1);

    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    {
        LMp3SoundSource source(path.c_str(), (choice & 1) != 0, (choice & 2) != 0);
        const int64_t length = source.GetLength();
        const int channels = source.GetChannels();
        std::vector<int32_t> buffer(static_cast<size_t>(4096) * channels);
        const int64_t frames = length < 40000 ? length + 2000 : 40000;
        for (int64_t done = 0; done < frames; done += 4096)
            source.Read(buffer.data(), 4096);
        source.Seek(length / 2);
        source.Read(buffer.data(), 1500);
        source.Seek(length / 3 + 7);
        source.Read(buffer.data(), 100);
        source.Seek(-700);
        source.Read(buffer.data(), 1000);
        source.Seek(length + 10);
        source.Read(buffer.data(), 10);
        source.GetPosition();
    }
    unlink(path.c_str());
    return 0;
}
