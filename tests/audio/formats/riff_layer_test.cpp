// The RIFF chunk layer: the cursor, the INFO/CSET reader, and rewriting
// metadata chunks in place without touching the audio.

#include "audio/formats/WavTestSupport.h"
#include "audio/formats/pcm/LWavPcmSoundSink.h"
#include "audio/formats/riff/LRiffChunkReader.h"
#include "audio/formats/riff/LRiffReader.h"
#include "audio/formats/riff/LRiffWriter.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace wavtest;
using quorin::test::CaptureCommand;
using quorin::test::RunCommand;
using quorin::test::TempDir;

namespace {

const char kInfoIds[][5] = {"INAM", "IART", "ICMT"};
const char* const kInfoKeys[] = {"title", "artist", "comment"};

// The reader and writer as the tag layer uses them: three INFO items.
class InfoReader : public LRiffReader
{
public:
    explicit InfoReader(const std::string& path) : LRiffReader(path.c_str(), kWanted, 2) {}
    void KeyForInfoId(const char id[4], char key[kRiffTagKeySize]) override
    {
        for (int i = 0; i < 3; ++i)
            if (std::memcmp(id, kInfoIds[i], 4) == 0) {
                std::strcpy(key, kInfoKeys[i]);
                return;
            }
        std::strcpy(key, "    ");
    }
    std::string Tag(const char* key) const
    {
        const LRiffTagNode* node = GetTags().Find(key);
        return node ? node->value : std::string("<none>");
    }

private:
    static constexpr char kWanted[2][5] = {"LIST", "CSET"};
};

class InfoWriter : public LRiffWriter
{
public:
    InfoWriter(const std::string& path, const LStringMap& tags) : LRiffWriter(path.c_str(), nullptr, 0, tags)
    {
    }
    void InfoIdForKey(const char* key, char id[4]) override
    {
        for (int i = 0; i < 3; ++i)
            if (std::strcmp(key, kInfoKeys[i]) == 0) {
                std::memcpy(id, kInfoIds[i], 4);
                return;
            }
        std::memcpy(id, "    ", 4);
    }
};

Bytes InfoItem(const char* id, const Bytes& text, int64_t sizeField = -1)
{
    return Chunk(id, text, sizeField);
}

Bytes InfoList(const std::vector<Bytes>& items, int64_t sizeField = -1)
{
    Bytes payload{'I', 'N', 'F', 'O'};
    for (const Bytes& i : items)
        payload.insert(payload.end(), i.begin(), i.end());
    return Chunk("LIST", payload, sizeField);
}

Bytes Text(const char* s, bool terminator = true)
{
    Bytes b(s, s + std::strlen(s));
    if (terminator)
        b.push_back(0);
    return b;
}

Bytes PcmFile(const std::vector<Bytes>& before, const std::vector<Bytes>& after, size_t frames = 50)
{
    std::vector<Bytes> chunks = before;
    chunks.push_back(Chunk("fmt ", Fmt(1, 2, 44100, 16)));
    std::vector<int16_t> samples;
    for (size_t i = 0; i < frames * 2; ++i)
        samples.push_back(static_cast<int16_t>(i * 31));
    chunks.push_back(Chunk("data", Pcm16(samples)));
    chunks.insert(chunks.end(), after.begin(), after.end());
    return Riff(chunks);
}

Bytes AudioOf(const Bytes& file)
{
    // The payload of the first "data" chunk.
    for (size_t at = 12; at + 8 <= file.size();) {
        uint32_t size = GetLe32(file, at + 4);
        if (std::memcmp(&file[at], "data", 4) == 0)
            return Bytes(file.begin() + at + 8, file.begin() + at + 8 + size);
        at += 8 + size + (size & 1);
    }
    return {};
}

TEST(RiffReader, InfoItemsAndCodePage)
{
    struct Case
    {
        const char* name;
        Bytes list;
        bool complete;
        std::string title, artist;
    } cases[] = {
        {"terminated", InfoList({InfoItem("INAM", Text("Song")), InfoItem("IART", Text("Band"))}), true,
         "Song", "Band"},
        {"terminator left out keeps the last character", InfoList({InfoItem("INAM", Text("Songs", false))}),
         true, "Songs", "<none>"},
        {"text stops at its first terminator", InfoList({InfoItem("INAM", Bytes{'a', 0, 'b', 0})}), true, "a",
         "<none>"},
        {"size 0 is an empty text", InfoList({InfoItem("INAM", Bytes{}), InfoItem("IART", Text("x"))}), true,
         "<none>", "x"},
        {"only the form type", InfoList({}), true, "<none>", "<none>"},
        {"a later repeat wins", InfoList({InfoItem("INAM", Text("one")), InfoItem("INAM", Text("two"))}),
         true, "two", "<none>"},
        {"an item claiming more than the list holds",
         InfoList({InfoItem("IART", Text("kept")), InfoItem("INAM", Text("abc"), 900)}), false, "<none>",
         "kept"},
        {"unknown ids are not kept", InfoList({InfoItem("IXYZ", Text("q")), InfoItem("INAM", Text("t"))}),
         true, "t", "<none>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        std::string path = dir.Path("i.wav");
        ASSERT_TRUE(WriteFile(path, PcmFile({c.list}, {})));
        InfoReader reader(path);
        ASSERT_TRUE(reader.ReadChunks());
        EXPECT_EQ(reader.Tag("title"), c.title);
        EXPECT_EQ(reader.Tag("artist"), c.artist);

        // The list's own result, read directly.
        int fd = reader.GetDescriptor();
        ASSERT_EQ(lseek(fd, 12, SEEK_SET), 12);
        LRiffChunkReader cursor(fd);
        LRiffChunkHeader header;
        ASSERT_TRUE(cursor.ReadHeader(header));
        LRiffListHeader list;
        std::memcpy(list.id, header.id, 4);
        list.size = header.size;
        ASSERT_TRUE(cursor.ReadFormType(list, "INFO"));
        EXPECT_EQ(reader.ReadInfoList(list), c.complete);
    }

    TempDir dir;
    std::string path = dir.Path("c.wav");
    ASSERT_TRUE(WriteFile(path, PcmFile({Chunk("CSET", Bytes(10, 1))}, {})));
    InfoReader wrongSize(path);
    wrongSize.ReadChunks();
    EXPECT_FALSE(wrongSize.HasCodePage());
    ASSERT_TRUE(WriteFile(path, PcmFile({}, {Chunk("CSET", Bytes{0xE9, 0xFD, 0, 0, 0, 0, 0, 0})})));
    InfoReader right(path);
    right.ReadChunks();
    EXPECT_TRUE(right.HasCodePage());
    EXPECT_EQ(right.GetCodePage(), 65001);
}

TEST(RiffChunkReader, CursorRules)
{
    TempDir dir;
    std::string path = dir.Path("c.wav");
    Bytes file = Chunk("XXXX", Bytes(20, 0)); // a foreign chunk before the container
    Bytes riff = PcmFile({}, {Chunk("LIST", Bytes{'a', 'd', 't', 'l'}), Chunk("tail", Bytes(10, 0), 5000)});
    file.insert(file.end(), riff.begin(), riff.end());
    ASSERT_TRUE(WriteFile(path, file));
    int fd = open(path.c_str(), O_RDONLY);
    LRiffChunkReader cursor(fd);
    LRiffListHeader form;
    EXPECT_FALSE(cursor.FindForm(form)); // skips the foreign chunk
    ASSERT_TRUE(cursor.FindForm(form));
    EXPECT_EQ(cursor.start, 28);
    LRiffChunkHeader header;
    ASSERT_TRUE(cursor.ReadHeader(header));
    EXPECT_TRUE(cursor.CheckSize(header, 16));
    EXPECT_FALSE(cursor.CheckSize(header, 40)); // too small: skipped
    ASSERT_TRUE(cursor.ReadHeader(header));
    const char wanted[1][5] = {"fmt "};
    EXPECT_FALSE(cursor.IsWanted(header, LRiffIdList{wanted, 1})); // "data": skipped
    ASSERT_TRUE(cursor.ReadHeader(header));
    LRiffListHeader list;
    std::memcpy(list.id, header.id, 4);
    list.size = header.size;
    EXPECT_FALSE(cursor.ReadFormType(list, "INFO")); // "adtl": the rest is skipped
    ASSERT_TRUE(cursor.ReadHeader(header));
    EXPECT_TRUE(cursor.CheckSize(header, 0)); // claims 5000, 10 remain: cut and accepted
    EXPECT_EQ(header.size, 10u);
    EXPECT_TRUE(cursor.Skip(header));
    EXPECT_FALSE(cursor.ReadHeader(header));
    close(fd);

    uint32_t size = 3;
    EXPECT_FALSE(LRiffPayloadSize(size));
    EXPECT_EQ(size, 0u);
    size = 9;
    EXPECT_TRUE(LRiffPayloadSize(size));
    EXPECT_EQ(size, 6u);
}

TEST(RiffWriter, JunkMergingAndSpaceFitting)
{
    TempDir dir;
    std::string path = dir.Path("j.wav");
    ASSERT_TRUE(WriteFile(path, PcmFile({Chunk("JUNK", Bytes(10, 1)), Chunk("JUNK", Bytes(7, 1))}, {})));
    {
        LStringMap none;
        InfoWriter writer(path, none);
        writer.MergeJunkChunks();
    }
    Bytes b = ReadFile(path);
    EXPECT_EQ(std::string(b.begin() + 12, b.begin() + 16), "JUNK");
    EXPECT_EQ(GetLe32(b, 16), 26u);
    EXPECT_EQ(std::string(b.begin() + 12 + 8 + 26, b.begin() + 12 + 8 + 26 + 4), "fmt ");

    // An INFO list of payload 100 (4 + item of 8 + 88): exact in 100, with filler from 108.
    LStringMap tags;
    tags.Set("title", std::string(87, 'x').c_str());
    struct Case
    {
        uint32_t space;
        bool filler;
        bool fits;
        uint32_t fillerSize;
    } cases[] = {{100, false, true, 0},  {108, true, true, 0},  {116, true, true, 8},
                 {104, false, false, 0}, {104, true, false, 0}, {116, false, false, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.space);
        ASSERT_TRUE(WriteFile(path, PcmFile({Chunk("JUNK", Bytes(c.space, 0))}, {})));
        InfoWriter writer(path, tags);
        writer.CollectInfoTags();
        ASSERT_EQ(writer.GetInfoPayloadSize(), 100u);
        ASSERT_EQ(lseek(writer.GetDescriptor(), 12, SEEK_SET), 12);
        EXPECT_EQ(writer.TryChunkInSpace("LIST", c.space, c.filler), c.fits);
        if (c.fits && c.filler) {
            Bytes after = ReadFile(path);
            EXPECT_EQ(std::string(after.begin() + 12 + 108, after.begin() + 12 + 112), "JUNK");
            EXPECT_EQ(GetLe32(after, 12 + 112), c.fillerSize);
        }
    }
}

TEST(RiffWriter, RewritesInfoWithoutTouchingTheAudio)
{
    TempDir dir;
    std::string path = dir.Path("r.wav");
    const Bytes original =
        PcmFile({InfoList({InfoItem("INAM", Text("Old title that is long enough"))})}, {}, 101);
    ASSERT_TRUE(WriteFile(path, original));
    LStringMap tags;
    tags.Set("title", "New");
    tags.Set("artist", "Someone");
    tags.Set("ignored", "not an INFO key");
    tags.Set("comment", "");
    {
        InfoWriter writer(path, tags);
        ASSERT_TRUE(writer.IsOpen());
        EXPECT_TRUE(writer.Rewrite());
    }
    Bytes b = ReadFile(path);
    EXPECT_EQ(AudioOf(b), AudioOf(original));
    EXPECT_EQ(GetLe32(b, 4), b.size() - 8);
    EXPECT_EQ(b.size() % 2, 0u);
    {
        // (A reader holds a shared lock: it must be gone before the next rewrite.)
        InfoReader reader(path);
        ASSERT_TRUE(reader.ReadChunks());
        EXPECT_EQ(reader.Tag("title"), "New");
        EXPECT_EQ(reader.Tag("artist"), "Someone");
        EXPECT_EQ(reader.Tag("comment"), "<none>");
        EXPECT_TRUE(reader.HasCodePage());
    }

    // A second rewrite reuses the space: the file does not grow.
    const size_t size = b.size();
    tags.Set("title", "Newer");
    {
        InfoWriter writer(path, tags);
        EXPECT_TRUE(writer.Rewrite());
    }
    b = ReadFile(path);
    EXPECT_LE(b.size(), size);
    EXPECT_EQ(AudioOf(b), AudioOf(original));
    InfoReader again(path);
    again.ReadChunks();
    EXPECT_EQ(again.Tag("title"), "Newer");

    if (quorin::test::HaveTool("ffprobe")) {
        std::string probe =
            CaptureCommand("ffprobe -v error -show_entries format_tags -of default=nw=1 " + Quote(path));
        EXPECT_NE(probe.find("TAG:title=Newer"), std::string::npos) << probe;
        EXPECT_NE(probe.find("TAG:artist=Someone"), std::string::npos) << probe;
    }
    if (quorin::test::HaveTool("sox")) {
        EXPECT_EQ(CaptureCommand("soxi -s " + Quote(path)), "101\n");
    }
}

TEST(RiffWriter, AppendsToAFileWithoutMetadataAndPadsAnOddEnd)
{
    TempDir dir;
    std::string path = dir.Path("a.wav");
    // Mono 8-bit, 7 frames: odd data, and this writer left out the pad byte.
    Bytes file = Riff({Chunk("fmt ", Fmt(1, 1, 8000, 8)), Chunk("data", Bytes(7, 0x80))});
    file.pop_back();
    ASSERT_TRUE(WriteFile(path, file));
    LStringMap tags;
    tags.Set("title", "T");
    {
        InfoWriter writer(path, tags);
        EXPECT_TRUE(writer.Rewrite());
    }
    Bytes b = ReadFile(path);
    EXPECT_EQ(b.size() % 2, 0u);
    EXPECT_EQ(GetLe32(b, 4), b.size() - 8);
    InfoReader reader(path);
    reader.ReadChunks();
    EXPECT_EQ(reader.Tag("title"), "T");
    if (quorin::test::HaveTool("sox")) {
        EXPECT_EQ(CaptureCommand("soxi -s " + Quote(path)), "7\n");
    }
}

// A file cut short (a download or copy that stopped; a recording whose writer
// died before its final header): the data chunk claims more than is there.
// The tags appended after it must not become audio, and must read back.
TEST(RiffWriter, AppendingAfterADataChunkCutShortKeepsTheAudio)
{
    TempDir dir;
    const std::string path = dir.Path("cut.wav");
    // 40 stereo frames of 50 (RIFF and data sizes as written), then a cut;
    // and the streaming sizes a recorder leaves until it finishes.
    for (const uint32_t claimed : {200u, 0xFFFFFFD9u}) {
        SCOPED_TRACE(claimed);
        Bytes file = PcmFile({}, {});
        file.resize(file.size() - 40);
        const size_t dataAt = file.size() - 160 - 8;
        ASSERT_EQ(std::string(file.begin() + dataAt, file.begin() + dataAt + 4), "data");
        file[dataAt + 4] = static_cast<uint8_t>(claimed);
        file[dataAt + 5] = static_cast<uint8_t>(claimed >> 8);
        file[dataAt + 6] = static_cast<uint8_t>(claimed >> 16);
        file[dataAt + 7] = static_cast<uint8_t>(claimed >> 24);
        const Bytes audio(file.begin() + dataAt + 8, file.end());
        ASSERT_TRUE(WriteFile(path, file));
        LStringMap tags;
        tags.Set("title", "Cut");
        for (int round = 0; round < 2; ++round) {
            {
                InfoWriter writer(path, tags);
                EXPECT_TRUE(writer.Rewrite());
            }
            const Bytes b = ReadFile(path);
            ASSERT_EQ(GetLe32(b, dataAt + 4), 160u) << "round " << round;
            EXPECT_EQ(AudioOf(b), audio);
            EXPECT_EQ(GetLe32(b, 4), b.size() - 8);
            InfoReader reader(path);
            reader.ReadChunks();
            EXPECT_EQ(reader.Tag("title"), "Cut");
            LSoundSourcePtr source;
            LOpenWavSoundSource(source, path.c_str());
            ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
            EXPECT_EQ(source->GetLength(), 40);
        }
        if (quorin::test::HaveTool("sox")) {
            EXPECT_EQ(CaptureCommand("soxi -s " + Quote(path)), "40\n");
        }
    }
}

// RF64 and BW64 keep their real sizes in "ds64", which this writer does not
// maintain: such a file, or anything else without a RIFF/WAVE container, is
// left exactly as it was rather than given a "RIFF" header and audio that runs
// into the appended tags.
TEST(RiffWriter, LeavesFilesWithoutARiffWaveContainerAlone)
{
    TempDir dir;
    const std::string path = dir.Path("wide.wav");
    Bytes ds64;
    for (uint32_t v : {0u, 0u, 200u, 0u, 50u, 0u, 0u})
        PutLe32(ds64, v); // RIFF size (patched below), data size, frames, no table
    std::vector<int16_t> samples(100, 1234);
    Bytes wide = Riff({Chunk("ds64", ds64), Chunk("fmt ", Fmt(1, 2, 44100, 16)),
                       Chunk("data", Pcm16(samples), 0xFFFFFFFF)});
    std::memcpy(wide.data(), "RF64", 4);
    for (int i = 0; i < 4; ++i)
        wide[4 + i] = 0xFF;
    wide[20] = static_cast<uint8_t>(wide.size() - 8);
    const Bytes notWave =
        Chunk("RIFF", Bytes{'A', 'V', 'I', ' ', 'J', 'U', 'N', 'K', 4, 0, 0, 0, 0, 0, 0, 0});
    for (const Bytes* original : std::vector<const Bytes*>{&wide, &notWave}) {
        ASSERT_TRUE(WriteFile(path, *original));
        LStringMap tags;
        tags.Set("title", "Wide");
        {
            InfoWriter writer(path, tags);
            ASSERT_TRUE(writer.IsOpen());
            EXPECT_FALSE(writer.Rewrite());
        }
        EXPECT_EQ(ReadFile(path), *original);
    }
    LSoundSourcePtr source;
    ASSERT_TRUE(WriteFile(path, wide));
    LOpenWavSoundSource(source, path.c_str());
    ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
    EXPECT_EQ(source->GetLength(), 50);
}

TEST(RiffWriter, NeverCreatesAMissingFileAndWaitsForItsLock)
{
    TempDir dir;
    LStringMap tags;
    tags.Set("title", "x");
    std::string missing = dir.Path("missing.wav");
    {
        InfoWriter writer(missing, tags);
        EXPECT_FALSE(writer.IsOpen());
        EXPECT_FALSE(writer.Rewrite());
    }
    struct stat st
    {
    };
    EXPECT_NE(stat(missing.c_str(), &st), 0);

    // A recording in progress holds its file: the rewrite leaves it alone.
    std::string live = dir.Path("live.wav");
    LSoundSinkPtr sink;
    CreatePcmSinkByBits(sink, live.c_str(), 44100, 2, 16, 0);
    ASSERT_FALSE(sink->IsFailed());
    const int32_t frame[2] = {16, 32};
    sink->Write(frame, 1);
    Bytes before = ReadFile(live);
    {
        InfoWriter writer(live, tags);
        EXPECT_FALSE(writer.IsOpen());
        EXPECT_FALSE(writer.Rewrite());
    }
    EXPECT_EQ(ReadFile(live), before);
    sink.Reset();

    // While the rewrite holds its exclusive lock, nothing else takes even a shared one.
    InfoWriter writer(live, tags);
    ASSERT_TRUE(writer.IsOpen());
    int fd = open(live.c_str(), O_RDONLY);
    EXPECT_NE(flock(fd, LOCK_SH | LOCK_NB), 0);
    close(fd);
}

TEST(RiffWriter, InfoListLayout)
{
    TempDir dir;
    std::string path = dir.Path("l.wav");
    ASSERT_TRUE(WriteFile(path, PcmFile({}, {})));
    LStringMap tags;
    tags.Set("artist", "AB");  // 3 bytes with terminator: padded to 4
    tags.Set("title", "Song"); // 5 bytes: padded to 6
    InfoWriter writer(path, tags);
    writer.CollectInfoTags();
    EXPECT_EQ(writer.GetInfoPayloadSize(), 4u + 12 + 14);
    const int64_t end = lseek(writer.GetDescriptor(), 0, SEEK_END);
    ASSERT_TRUE(writer.WriteInfoList());
    EXPECT_TRUE(writer.IsInfoListWritten());
    Bytes b = ReadFile(path);
    Bytes list(b.begin() + end, b.end());
    const Bytes expected = InfoList({InfoItem("IART", Text("AB")), InfoItem("INAM", Text("Song"))});
    EXPECT_EQ(list, expected);
}

} // namespace
