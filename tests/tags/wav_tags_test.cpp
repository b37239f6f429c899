// WAV tag chunks: what we write shows in exiftool, ffprobe, sndfile-info
// and mutagen; chunks other programs wrote read back; the audio data chunk
// survives every rewrite byte for byte, and a failed rewrite changes nothing.

#include "tags/LAudioFileTags.h"
#include "tags/LWavTags.h"
#include "tags/TagTestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tagtest;
using quorin::test::FolderEntries;
using quorin::test::TempDir;

namespace {

void PutLe32(Bytes& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

Bytes Chunk(const char* id, const Bytes& payload)
{
    Bytes b(id, id + 4);
    PutLe32(b, static_cast<uint32_t>(payload.size()));
    b.insert(b.end(), payload.begin(), payload.end());
    if (payload.size() & 1)
        b.push_back(0);
    return b;
}

Bytes Riff(const std::vector<Bytes>& chunks)
{
    Bytes body{'W', 'A', 'V', 'E'};
    for (const Bytes& c : chunks)
        body.insert(body.end(), c.begin(), c.end());
    Bytes b{'R', 'I', 'F', 'F'};
    PutLe32(b, static_cast<uint32_t>(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

Bytes FmtAndData()
{
    Bytes fmt{1, 0, 1, 0};
    PutLe32(fmt, 8000);
    PutLe32(fmt, 16000);
    fmt.insert(fmt.end(), {2, 0, 16, 0});
    return Concat({Chunk("fmt ", fmt), Chunk("data", Bytes(400, 0x11))});
}

Bytes InfoList(const std::vector<std::pair<const char*, std::string>>& items)
{
    Bytes payload{'I', 'N', 'F', 'O'};
    for (const auto& [id, text] : items) {
        Bytes value(text.begin(), text.end());
        value.push_back(0);
        const Bytes c = Chunk(id, value);
        payload.insert(payload.end(), c.begin(), c.end());
    }
    return Chunk("LIST", payload);
}

class WavTags : public quorin::test::TempHomeTest
{
protected:
    void SetUp() override
    {
        wav_ = dir_.Path("take.wav");
        MakeWav(wav_);
        data_ = RiffChunk(ReadFileBytes(wav_), "data");
        ASSERT_FALSE(data_.empty());
    }

    void Write(const LAudioTagMap& tags)
    {
        LTagFileError error = LTagFileError::kNone;
        ASSERT_EQ(WriteAudioFileTags(&tags, wav_.c_str(), &error), 1) << LTagFileErrorText(error);
        EXPECT_TRUE(RiffChunk(ReadFileBytes(wav_), "data") == data_)
            << "the audio must come through byte for byte";
        EXPECT_EQ(FolderEntries(dir_.Path()), std::vector<std::string>{"take.wav"}) << "no copy left behind";
    }

    std::map<std::string, std::string> Read(const std::string& path)
    {
        LAudioTagMap tags;
        EXPECT_EQ(ReadAudioFileTags(&tags, path.c_str()), 1);
        std::map<std::string, std::string> out;
        for (LStringMap::Iterator it = tags.fields.Begin(); !it.AtEnd(); it.Next())
            out[it.Key()] = it.Value();
        if (tags.Has("IMAGE"))
            out["IMAGE-BYTES"] = ReadFileBytes(tags.Get("IMAGE"));
        return out;
    }

    LAudioTagMap FullRecord()
    {
        LAudioTagMap tags;
        const std::pair<const char*, const char*> values[] = {
            {"TITLE", "T\xC3\xADtle"},
            {"ARTIST", "Artist"},
            {"ALBUM", "Album"},
            {"ALBUMARTIST", "Band"},
            {"COMMENT", "Comment"},
            {"DATE", "2001-02-03"},
            {"TIME", "04:05:06"},
            {"GENRE", "Rock"},
            {"TRACKNUMBER", "4"},
            {"COPYRIGHT", "Copy"},
            {"ENCODER", "Enc"},
            {"ENCODEDBY", "Quorin"},
            {"CATEGORY", "Cat"},
            {"ORIGINATOR", "Orig"},
            {"REFERENCE", "Ref"},
            {"TIMEREFLOW", "3000000000"},
            {"TIMEREFHIGH", "1"},
            {"BWFVERSION", "1"},
            {"CODINGHISTORY", "A=PCM,F=44100"},
            {"CUTID", "Cut"},
            {"CLIENTID", "Client"},
            {"CLASSIFICATION", "Class"},
            {"OUTCUE", "Out"},
            {"ENDDATE", "2001-02-04"},
            {"ENDTIME", "05:06:07"},
            {"PRODUCERAPPVERSION", "1.0"},
            {"USERDEF", "User"},
            {"LEVELREFERENCE", "32768"},
            {"POSTTIMER1USAGE", "SEC1"},
            {"POSTTIMER1VALUE", "1000"},
            {"CARTVERSION", "0101"},
            {"TAGTEXT", "Tag text"},
            {"URL", "http://example.com/"},
            {"UMID", "1,2,3,"},
        };
        for (const auto& [key, value] : values)
            tags.Set(key, value);
        return tags;
    }

    TempDir dir_;
    std::string wav_;
    std::string data_;
};

TEST_F(WavTags, EveryFieldReadsBackHere)
{
    LAudioTagMap tags = FullRecord();
    Write(tags);
    auto back = Read(wav_);
    for (LStringMap::Iterator it = tags.fields.Begin(); !it.AtEnd(); it.Next()) {
        if (std::string(it.Key()) == "UMID")
            EXPECT_EQ(back["UMID"].substr(0, 12), "1,2,3,0,0,0,");
        else
            EXPECT_EQ(back[it.Key()], it.Value()) << it.Key();
    }
}

TEST_F(WavTags, ExiftoolFfprobeSndfileAndMutagenShowTheTags)
{
    Write(FullRecord());
    if (HaveTool("exiftool")) {
        const auto exif = ParseLines(CaptureCommand(
            "exiftool -s -s -s -a -p '$RIFF:Title|$RIFF:Artist|$RIFF:Product|$RIFF:Comment|$RIFF:Genre|"
            "$RIFF:DateCreated|$RIFF:Originator|$RIFF:OriginatorReference|$RIFF:TimeReference|"
            "$RIFF:BWFVersion|$RIFF:CodingHistory|$RIFF:Description' " +
            Quote(wav_) + " | sed 's/^/X=/'"));
        EXPECT_EQ(exif.at("X"), "T\xC3\xADtle|Artist|Album|Comment|Rock|2001:02:03|Orig|Ref|7294967296|1|"
                                "A=PCM,F=44100|Comment");
    }
    if (HaveTool("ffprobe")) {
        const auto probe = ParseLines(CaptureCommand("ffprobe -v quiet -show_entries format_tags -of "
                                                     "default=noprint_wrappers=1 " +
                                                     Quote(wav_)));
        EXPECT_EQ(probe.at("TAG:title"), "T\xC3\xADtle");
        EXPECT_EQ(probe.at("TAG:artist"), "Artist");
        EXPECT_EQ(probe.at("TAG:album"), "Album");
        EXPECT_EQ(probe.at("TAG:genre"), "Rock");
        EXPECT_EQ(probe.at("TAG:track"), "4");
        EXPECT_EQ(probe.at("TAG:encoded_by"), "Orig"); // ffmpeg's name for the bext originator
        EXPECT_EQ(probe.at("TAG:originator_reference"), "Ref");
        EXPECT_EQ(probe.at("TAG:time_reference"), "7294967296");
        EXPECT_EQ(probe.at("TAG:coding_history"), "A=PCM,F=44100");
        EXPECT_EQ(probe.at("TAG:umid").substr(0, 8), "0x010203");
    }
    if (HaveTool("sndfile-info")) {
        const std::string cart = CaptureCommand("sndfile-info --cart " + Quote(wav_));
        for (const char* line :
             {"Title          : T\xC3\xADtle", "Artist         : Artist", "Cut id         : Cut",
              "Category       : Cat", "Classification : Class", "Out cue        : Out",
              "Start date     : 2001-02-03", "Start time     : 04:05:06", "End date       : 2001-02-04",
              "Level ref.     : 32768", "SEC1    1000", "Url            : http://example.com/",
              "Tag text       : Tag text"})
            EXPECT_NE(cart.find(line), std::string::npos) << line << "\n" << cart;
    }
    if (HaveMutagen()) {
        const auto id3 = ParseLines(RunPython(
            "import sys, mutagen.wave\nprint(mutagen.wave.WAVE(sys.argv[1]).tags.pprint())\n", {wav_}));
        EXPECT_EQ(id3.at("TIT2"), "T\xC3\xADtle");
        EXPECT_EQ(id3.at("TPE1"), "Artist");
        EXPECT_EQ(id3.at("TALB"), "Album");
        EXPECT_EQ(id3.at("TCON"), "Rock");
        EXPECT_EQ(id3.at("TDRC"), "2001-02-03 04:05:00");
    }
}

TEST_F(WavTags, LaterChunksAndTheId3ChunkDecide)
{
    const std::string path = dir_.Path("made.wav");
    Bytes disp{1, 0, 0, 0};
    for (char c : std::string("Disp title"))
        disp.push_back(static_cast<uint8_t>(c));
    disp.push_back(0);
    WriteFileBytes(path,
                   ToString(Riff({FmtAndData(), InfoList({{"INAM", "Info title"}, {"IART", "Info artist"}}),
                                  Chunk("DISP", disp)})));
    auto tags = Read(path);
    EXPECT_EQ(tags["TITLE"], "Disp title");
    EXPECT_EQ(tags["ARTIST"], "Info artist");

    const Bytes id3 =
        Tag(3, Concat({Frame(3, "TIT2", Text(0, "Id3 title")), Frame(3, "TIME", Text(0, "0405"))}));
    Bytes bext(602, 0);
    std::memcpy(bext.data() + 330, "04:05:06", 8);
    WriteFileBytes(path, ToString(Riff({FmtAndData(), InfoList({{"INAM", "Info title"}}), Chunk("DISP", disp),
                                        Chunk("id3 ", id3), Chunk("bext", bext)})));
    tags = Read(path);
    EXPECT_EQ(tags["TITLE"], "Id3 title");
    EXPECT_EQ(tags["TIME"], "04:05:06") << "the chunk's seconds are kept over the ID3 minute";
}

TEST_F(WavTags, BroadcastAndCartFieldsAsOtherProgramsWriteThem)
{
    const std::string path = dir_.Path("made.wav");
    Bytes bext(602, 0);
    std::memcpy(bext.data(), "Description", 11);
    const uint8_t low[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    std::memcpy(bext.data() + 338, low, 4);
    bext[346] = 0x02;
    bext[347] = 0x01;                            // version 258
    const std::string history = "A=PCM,F=48000"; // odd: a pad byte follows
    bext.insert(bext.end(), history.begin(), history.end());
    Bytes cart(2048, 0);
    std::memcpy(cart.data(), "0101Title runs on", 17); // no zero between version and title
    std::memcpy(cart.data() + 684, "SEC1", 4);
    cart[688] = 0xE8;
    cart[689] = 0x03;
    const std::string tagText = "abc"; // odd as well
    cart.insert(cart.end(), tagText.begin(), tagText.end());
    WriteFileBytes(path, ToString(Riff({FmtAndData(), Chunk("bext", bext), Chunk("cart", cart),
                                        InfoList({{"IART", "Next chunk"}, {"ICMT", ""}}),
                                        Chunk("DISP", {1, 0, 0, 0})})));
    auto tags = Read(path);
    EXPECT_EQ(tags["COMMENT"], "Description");
    EXPECT_EQ(tags["TIMEREFLOW"], "4294967295") << "unsigned, not negative";
    EXPECT_EQ(tags["BWFVERSION"], "258") << "decimal, as it is written";
    EXPECT_EQ(tags["CODINGHISTORY"], history) << "the pad byte is not text";
    EXPECT_EQ(tags["CARTVERSION"], "0101");
    EXPECT_EQ(tags["TITLE"], "Title runs on");
    EXPECT_EQ(tags["POSTTIMER1USAGE"], "SEC1");
    EXPECT_EQ(tags["POSTTIMER1VALUE"], "1000");
    EXPECT_EQ(tags.count("POSTTIMER2VALUE"), 0u) << "an unused timer says nothing";
    EXPECT_EQ(tags["TAGTEXT"], tagText);
    EXPECT_EQ(tags["ARTIST"], "Next chunk") << "the chunk after an odd one is found";
    EXPECT_EQ(tags.count("UMID"), 0u) << "an all-zero UMID is no UMID";
}

TEST_F(WavTags, CharacterSetsOfInfoTexts)
{
    const std::string path = dir_.Path("made.wav");
    Bytes cset{0xE4, 0x04, 0, 0, 0, 0, 0, 0}; // code page 1252
    WriteFileBytes(path,
                   ToString(Riff({FmtAndData(), Chunk("CSET", cset), InfoList({{"INAM", "Caf\xE9 \x80"}})})));
    EXPECT_EQ(Read(path)["TITLE"], "Caf\xC3\xA9 \xE2\x82\xAC");
    // Without a CSET chunk the text should be UTF-8; most programs wrote Windows-1252 regardless.
    WriteFileBytes(path,
                   ToString(Riff({FmtAndData(), InfoList({{"INAM", "Caf\xE9"}, {"IART", "Caf\xC3\xA9"}})})));
    auto tags = Read(path);
    EXPECT_EQ(tags["TITLE"], "Caf\xC3\xA9");
    EXPECT_EQ(tags["ARTIST"], "Caf\xC3\xA9");
}

TEST_F(WavTags, ArtworkOfTheId3ChunkOutlivesTheReader)
{
    const std::string png = MakePicture(dir_.Path(), "c.png");
    LAudioTagMap tags;
    tags.Set("TITLE", "With art");
    ASSERT_TRUE(LMakeTempCopy(&tags, "IMAGE", png.c_str()));
    unlink(png.c_str());
    Write(tags);
    auto back = Read(wav_);
    EXPECT_TRUE(back["IMAGE-BYTES"] == ReadFileBytes(tags.Get("IMAGE")));
    // And a second write from what was read keeps it.
    LAudioTagMap again;
    ASSERT_EQ(ReadAudioFileTags(&again, wav_.c_str()), 1);
    again.Set("TITLE", "Retitled");
    Write(again);
    auto third = Read(wav_);
    EXPECT_EQ(third["TITLE"], "Retitled");
    EXPECT_TRUE(third["IMAGE-BYTES"] == back["IMAGE-BYTES"]);
}

TEST_F(WavTags, GrowingShrinkingAndClearingKeepTheAudio)
{
    LAudioTagMap tags = FullRecord();
    Write(tags);
    const size_t full = ReadFileBytes(wav_).size();
    tags.Set("CODINGHISTORY", std::string(5000, 'h').c_str());
    Write(tags);
    EXPECT_EQ(Read(wav_)["CODINGHISTORY"].size(), 5000u);
    tags.Set("CODINGHISTORY", "short");
    Write(tags);
    EXPECT_EQ(Read(wav_)["CODINGHISTORY"], "short");
    EXPECT_LE(ReadFileBytes(wav_).size(), full + 5100);
    LAudioTagMap empty;
    empty.Set("TITLE", "");
    Write(empty);
    const std::string bytes = ReadFileBytes(wav_);
    for (const std::string& id : RiffChunkIds(bytes))
        EXPECT_TRUE(id == "fmt " || id == "data" || id == "JUNK" || id == "CSET" || id == "LIST") << id;
    auto back = Read(wav_);
    EXPECT_EQ(back.count("TITLE"), 0u);
    EXPECT_EQ(back.count("COMMENT"), 0u);
}

TEST_F(WavTags, ANonTextDisplayChunkIsKept)
{
    Bytes picture{8, 0, 0, 0, 'B', 'M', 1, 2, 3, 4};
    const std::string bytes = ReadFileBytes(wav_);
    std::string with = bytes + ToString(Chunk("DISP", picture));
    // The RIFF size must cover the new chunk.
    const uint32_t size = static_cast<uint32_t>(with.size() - 8);
    for (int i = 0; i < 4; ++i)
        with[4 + i] = static_cast<char>(size >> (8 * i));
    WriteFileBytes(wav_, with);
    LAudioTagMap tags;
    tags.Set("TITLE", "Text");
    Write(tags);
    const std::string after = ReadFileBytes(wav_);
    EXPECT_NE(after.find(ToString(Chunk("DISP", picture))), std::string::npos);
    EXPECT_EQ(Read(wav_)["TITLE"], "Text");
}

TEST_F(WavTags, FramesOfTheId3ChunkOtherProgramsStoredAreKept)
{
    TAGTEST_REQUIRE_MUTAGEN();
    RunPython(std::string(kMutagenPreamble) +
                  "import mutagen.wave\nw = mutagen.wave.WAVE(sys.argv[1])\nw.add_tags()\n"
                  "w.tags.add(TIT2(encoding=3, text='Old'))\n"
                  "w.tags.add(TXXX(encoding=3, desc='CATALOG', text='X-1'))\nw.save()\n",
              {wav_});
    data_ = RiffChunk(ReadFileBytes(wav_), "data");
    LAudioTagMap tags;
    ReadAudioFileTags(&tags, wav_.c_str());
    EXPECT_STREQ(tags.Get("TITLE"), "Old");
    tags.Set("TITLE", "New");
    Write(tags);
    const auto id3 = ParseLines(
        RunPython("import sys, mutagen.wave\nprint(mutagen.wave.WAVE(sys.argv[1]).tags.pprint())\n", {wav_}));
    EXPECT_EQ(id3.at("TIT2"), "New");
    EXPECT_EQ(id3.at("TXXX"), "CATALOG=X-1");
}

int WriteUnderSizeLimit(const LAudioTagMap& tags, const std::string& path, rlim_t limit)
{
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit cap = {limit, limit};
        setrlimit(RLIMIT_FSIZE, &cap);
        LTagFileError error = LTagFileError::kNone;
        const int ok = WriteAudioFileTags(&tags, path.c_str(), &error);
        _exit(ok ? 0 : 10 + static_cast<int>(error));
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(WavTags, AWriteThatFailsMidwayLeavesTheFileUnchanged)
{
    LAudioTagMap old;
    old.Set("TITLE", "Old");
    Write(old);
    const std::string before = ReadFileBytes(wav_);
    LAudioTagMap tags = FullRecord();
    tags.Set("CODINGHISTORY", std::string(20000, 'h').c_str());
    EXPECT_EQ(WriteUnderSizeLimit(tags, wav_, before.size() + 2000),
              10 + static_cast<int>(LTagFileError::kWriteFailed));
    EXPECT_TRUE(ReadFileBytes(wav_) == before);
    EXPECT_EQ(FolderEntries(dir_.Path()), std::vector<std::string>{"take.wav"});
    EXPECT_EQ(Read(wav_)["TITLE"], "Old");
}

TEST_F(WavTags, FilesThatCannotBeRewrittenAreRefusedWithAReason)
{
    LAudioTagMap tags;
    tags.Set("TITLE", "t");
    // 4 GiB and more: RIFF sizes cannot say it (a sparse file: nothing is written).
    const std::string big = dir_.Path("big.wav");
    WriteFileBytes(big, ReadFileBytes(wav_));
    ASSERT_EQ(truncate(big.c_str(), (int64_t{1} << 32) + 100), 0);
    LTagFileError error = LTagFileError::kNone;
    EXPECT_EQ(WriteAudioFileTags(&tags, big.c_str(), &error), 0);
    EXPECT_EQ(error, LTagFileError::kTooLarge);
    struct stat info;
    ASSERT_EQ(stat(big.c_str(), &info), 0);
    EXPECT_EQ(info.st_size, (int64_t{1} << 32) + 100);
    unlink(big.c_str());

    const std::string notWave = dir_.Path("not.wav");
    WriteFileBytes(notWave, "ID3 this is no RIFF file at all");
    EXPECT_EQ(WriteAudioFileTags(&tags, notWave.c_str(), &error), 0);
    EXPECT_EQ(error, LTagFileError::kNotWave);
    EXPECT_EQ(ReadFileBytes(notWave), "ID3 this is no RIFF file at all");
}

TEST_F(WavTags, AnEmptyRecordRemovesTheTags)
{
    Write(FullRecord());
    LAudioTagMap none;
    Write(none);
    LAudioTagMap back;
    EXPECT_EQ(ReadAudioFileTags(&back, wav_.c_str()), 1);
    EXPECT_TRUE(back.fields.IsEmpty());
    for (const std::string& id : RiffChunkIds(ReadFileBytes(wav_)))
        EXPECT_TRUE(id == "fmt " || id == "data" || id == "CSET") << id;
}

// Tags are placed where the chunk sizes say: a layout that does not add up is
// refused with the damage named, and the file keeps every byte.
TEST_F(WavTags, ADamagedChunkLayoutIsRefusedAndLeftAsItWas)
{
    Bytes fmt{1, 0, 1, 0};
    PutLe32(fmt, 8000);
    PutLe32(fmt, 16000);
    fmt.insert(fmt.end(), {2, 0, 16, 0});
    const Bytes data = Chunk("data", Bytes(6000, 0x22));
    Bytes list = InfoList({{"INAM", "Old"}});
    Bytes overclaimed = list;
    const uint32_t claimed = static_cast<uint32_t>(list.size() - 8 + 5000);
    for (int i = 0; i < 4; ++i)
        overclaimed[4 + i] = static_cast<uint8_t>(claimed >> (8 * i));
    Bytes pastEnd = list;
    for (int i = 0; i < 4; ++i)
        pastEnd[4 + i] = static_cast<uint8_t>(100000u >> (8 * i));
    // A 3-byte chunk written without its pad byte.
    Bytes unpadded{'a', 'b', 'c', 'd', 3, 0, 0, 0, 'x', 'y', 'z'};
    struct Case
    {
        const char* what;
        Bytes file;
        const char* named; // part of the message
    };
    const std::vector<Case> cases = {
        {"a list that runs into the audio", Riff({Chunk("fmt ", fmt), overclaimed, data}),
         "\"LIST\" chunk at byte 36"},
        {"a list past the end", Riff({Chunk("fmt ", fmt), data, pastEnd}), "past the end of the file"},
        {"no data chunk", Riff({Chunk("fmt ", fmt), list}), "no \"data\" chunk"},
        {"an odd chunk without its pad byte", Riff({Chunk("fmt ", fmt), unpadded, data}), "no pad byte"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir_.Path("damaged.wav");
        WriteFileBytes(path, ToString(c.file));
        LAudioTagMap tags;
        tags.Set("TITLE", "New");
        LTagFileError error = LTagFileError::kNone;
        std::string detail;
        EXPECT_EQ(WriteAudioFileTags(&tags, path.c_str(), &error, &detail), 0);
        EXPECT_EQ(error, LTagFileError::kDamagedLayout);
        EXPECT_NE(detail.find(c.named), std::string::npos) << detail;
        EXPECT_TRUE(ReadFileBytes(path) == ToString(c.file));
        EXPECT_EQ(FolderEntries(dir_.Path()), (std::vector<std::string>{"damaged.wav", "take.wav"}));
    }
}

// Copies left by rewrites that were killed go with the next rewrite; a
// running writer's copy, and other files, stay.
TEST_F(WavTags, CopiesOfDeadRewritesAreRemoved)
{
    pid_t dead = fork();
    if (dead == 0)
        _exit(0);
    waitpid(dead, nullptr, 0);
    const std::string stale = ".quorin-" + std::to_string(dead) + "-3.tmp";
    const std::string live = ".quorin-" + std::to_string(getppid()) + "-1.tmp";
    WriteFileBytes(dir_.Path(stale), std::string(5000, 'x'));
    WriteFileBytes(dir_.Path(live), "y");
    WriteFileBytes(dir_.Path("other.tmp"), "z");
    LAudioTagMap tags;
    tags.Set("TITLE", "t");
    LTagFileError error = LTagFileError::kNone;
    ASSERT_EQ(WriteAudioFileTags(&tags, wav_.c_str(), &error), 1) << LTagFileErrorText(error);
    EXPECT_EQ(FolderEntries(dir_.Path()), (std::vector<std::string>{live, "other.tmp", "take.wav"}));
}

// A rename would give the new file to one name only: a file with other names
// is refused, and a read-only one says so.
TEST_F(WavTags, HardLinkedAndReadOnlyFilesAreRefusedWithTheirReason)
{
    LAudioTagMap tags;
    tags.Set("TITLE", "t");
    const std::string before = ReadFileBytes(wav_);
    const std::string other = dir_.Path("other name.wav");
    ASSERT_EQ(link(wav_.c_str(), other.c_str()), 0);
    LTagFileError error = LTagFileError::kNone;
    EXPECT_EQ(WriteAudioFileTags(&tags, wav_.c_str(), &error), 0);
    EXPECT_EQ(error, LTagFileError::kHardLinked);
    struct stat a, b;
    ASSERT_EQ(stat(wav_.c_str(), &a), 0);
    ASSERT_EQ(stat(other.c_str(), &b), 0);
    EXPECT_EQ(a.st_ino, b.st_ino) << "the names must stay one file";
    EXPECT_TRUE(ReadFileBytes(wav_) == before);
    unlink(other.c_str());

    if (geteuid() == 0)
        GTEST_SKIP() << "the administrator may write any file";
    ASSERT_EQ(chmod(wav_.c_str(), 0444), 0);
    EXPECT_EQ(WriteAudioFileTags(&tags, wav_.c_str(), &error), 0);
    EXPECT_EQ(error, LTagFileError::kReadOnly);
    EXPECT_STREQ(LTagFileErrorText(error), "the file is read-only");
    EXPECT_TRUE(ReadFileBytes(wav_) == before);
    chmod(wav_.c_str(), 0644);
}

// Bytes of "cart" and "bext" fields the caller did not change go back as they
// were (other programs' texts need not be ours to decode); chunks are only
// added for values they alone can hold.
TEST_F(WavTags, UneditedChunkFieldsKeepTheirBytesAndNoEmptyChunksAreAdded)
{
    LAudioTagMap title;
    title.Set("TITLE", "Only a title");
    Write(title);
    for (const std::string& id : RiffChunkIds(ReadFileBytes(wav_)))
        EXPECT_TRUE(id != "bext" && id != "cart") << id << " added without a value of its own";

    Bytes cart(2048, 0);
    std::fill(cart.begin() + 4, cart.begin() + 68, 0xFF); // the title field, not text we know
    for (int i = 0; i < 3; ++i)
        cart[132 + i] = static_cast<uint8_t>('C' + i); // the cut id "CDE"
    cart[1500] = 0x5A;                                 // reserved bytes
    const std::string withCart = ToString(Riff({FmtAndData(), Chunk("cart", cart)}));
    WriteFileBytes(wav_, withCart);
    LAudioTagMap tags;
    ReadAudioFileTags(&tags, wav_.c_str());
    ASSERT_STREQ(tags.Get("CUTID"), "CDE");
    tags.Set("CUTID", "New cut");
    tags.Set("ARTIST", "\xC3\xA9\xC3\xA9\xC3\xA9");
    LTagFileError error = LTagFileError::kNone;
    ASSERT_EQ(WriteAudioFileTags(&tags, wav_.c_str(), &error), 1) << LTagFileErrorText(error);
    const std::string written = RiffChunk(ReadFileBytes(wav_), "cart");
    ASSERT_GE(written.size(), 2048u);
    EXPECT_EQ(written.substr(4, 64), std::string(64, '\xFF')) << "the unedited title's bytes";
    EXPECT_EQ(written.substr(132, 8), std::string("New cut\0", 8));
    EXPECT_EQ(written.substr(68, 7), std::string("\xC3\xA9\xC3\xA9\xC3\xA9\0", 7));
    EXPECT_EQ(written[1500], '\x5A');
    EXPECT_TRUE(RiffChunk(ReadFileBytes(wav_), "bext").empty()) << "no broadcast fields have values";
}

} // namespace
