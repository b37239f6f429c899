// Feeds arbitrary bytes to the WAV opener as a file, then reads, seeks and
// measures whatever source it returns. Damaged files must give a status,
// never a crash. The RIFF metadata reader reads the same file, the metadata
// rewriter then rewrites its INFO list in place, and the rewritten file goes
// through the opener again. The first two bytes also pick a format tag
// that is written into the first "fmt " chunk, so every coding's reader gets its share.

#include "audio/core/LSoundSource.h"
#include "audio/formats/riff/LRiffReader.h"
#include "audio/formats/riff/LRiffWriter.h"
#include "audio/formats/wav/LWavFileOpener.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const uint16_t kTags[] = {1, 3, 6, 7, 17, 49, 85, 34, 69, 2, 0xFFFE, 0};

// Keeps every INFO item under its own id, so all of them go through the reader.
class EveryInfoReader : public LRiffReader
{
public:
    explicit EveryInfoReader(const char* path) : LRiffReader(path, kWanted, 2) {}
    void KeyForInfoId(const char id[4], char key[kRiffTagKeySize]) override
    {
        std::memcpy(key, id, 4);
        key[4] = '\0';
    }

private:
    static constexpr char kWanted[2][5] = {"LIST", "CSET"};
};

// Writes every tag under the INFO id its key names, so any text length can be
// asked for; the sizes that fit junk space exactly or with filler come up too.
class EveryInfoWriter : public LRiffWriter
{
public:
    EveryInfoWriter(const char* path, const LStringMap& tags) : LRiffWriter(path, nullptr, 0, tags) {}
    void InfoIdForKey(const char* key, char id[4]) override { std::memcpy(id, key, 4); }
};

// Reads, seeks and measures whatever the opener makes of the file.
void Exercise(const char* path)
{
    LSoundSourcePtr source;
    LWavFileInfo info;
    LOpenWavSoundSource(source, path, &info);
    const int64_t length = source->GetLength();
    const int channels = source->GetChannels();
    std::vector<int32_t> buffer(static_cast<size_t>(4096) * channels);
    int64_t frames = length < 20000 ? length + 100 : 20000;
    for (int64_t done = 0; done < frames; done += 4096)
        source->Read(buffer.data(), 4096);
    source->Seek(length / 2);
    source->Read(buffer.data(), 1000);
    source->Seek(-50);
    source->Read(buffer.data(), 100);
    source->Seek(length + 10);
    source->Read(buffer.data(), 10);
    source->GetPosition();
    source->IsMoreDataPending();
}

std::string TempPath()
{
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/fuzz_wav_" + std::to_string(getpid()) + ".wav";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = TempPath();
    if (size < 2)
        return 0;
    std::vector<uint8_t> bytes(data + 2, data + size);
    uint16_t choice = static_cast<uint16_t>(data[0] | (data[1] << 8));
    if (choice & 0x8000) {
        // Put a chosen tag into the first "fmt " chunk, keeping the rest of the input as it is.
        for (size_t i = 0; i + 10 <= bytes.size(); ++i) {
            if (std::memcmp(&bytes[i], "fmt ", 4) == 0) {
                uint16_t tag = kTags[choice % (sizeof kTags / sizeof kTags[0])];
                bytes[i + 8] = static_cast<uint8_t>(tag);
                bytes[i + 9] = static_cast<uint8_t>(tag >> 8);
                break;
            }
        }
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);

    Exercise(path.c_str());
    {
        EveryInfoReader reader(path.c_str());
        reader.ReadChunks();
    }
    {
        // The title's length comes from the input, the second tag's presence too.
        LStringMap tags;
        tags.Set("INAM", std::string(1 + choice % 301, 'x').c_str());
        if (choice & 0x4000)
            tags.Set("ICMT", "comment");
        EveryInfoWriter writer(path.c_str(), tags);
        writer.Rewrite();
    }
    Exercise(path.c_str());
    unlink(path.c_str());
    return 0;
}
