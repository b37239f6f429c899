// What we write into MP3 files, read back by mutagen, id3v2, exiftool and
// ffprobe; rewrites that keep the audio byte for byte, keep what other
// programs stored, and never harm the file when they fail.

#include "tags/LAudioFileTags.h"
#include "tags/LId3v1Tag.h"
#include "tags/LId3v2Tag.h"
#include "tags/TagTestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tagtest;
using quorin::test::FolderEntries;
using quorin::test::TempDir;

namespace {

class Id3Write : public quorin::test::TempHomeTest
{
protected:
    void SetUp() override
    {
        mp3_ = dir_.Path("song.mp3");
        MakeMp3(mp3_);
        original_ = ReadFileBytes(mp3_);
        audio_ = Mp3Audio(original_);
        ASSERT_FALSE(audio_.empty());
    }

    // Back to the untagged file (sox dithers: a new one would differ).
    void Reset() { WriteFileBytes(mp3_, original_); }

    void Write(const LAudioTagMap& tags)
    {
        LTagFileError error = LTagFileError::kNone;
        ASSERT_EQ(WriteAudioFileTags(&tags, mp3_.c_str(), &error), 1) << LTagFileErrorText(error);
        EXPECT_TRUE(Mp3Audio(ReadFileBytes(mp3_)) == audio_) << "the audio must come through byte for byte";
        EXPECT_EQ(FolderEntries(dir_.Path()), std::vector<std::string>{"song.mp3"}) << "no copy left behind";
    }

    std::map<std::string, std::string> MutagenFrames()
    {
        return ParseLines(
            RunPython(std::string(kMutagenPreamble) +
                          "t = ID3(sys.argv[1], translate=False, load_v1=False)\n"
                          "print('VERSION=%d.%d' % t.version[:2])\n"
                          "for f in t.values():\n"
                          "    if f.FrameID == 'APIC':\n"
                          "        print('APIC=%s %d %d' % (f.mime, f.type, len(f.data)))\n"
                          "    elif f.FrameID in ('COMM', 'USLT'):\n"
                          "        print('%s=%s|%s|%s' % (f.FrameID, f.lang, f.desc, f.text[0] if "
                          "f.FrameID == 'COMM' else f.text))\n"
                          "    elif f.FrameID == 'POPM':\n"
                          "        print('POPM=%d' % f.rating)\n"
                          "    elif f.FrameID == 'PCNT':\n"
                          "        print('PCNT=%d' % f.count)\n"
                          "    elif hasattr(f, 'url'):\n"
                          "        print('%s=%s' % (f.FrameID, f.url))\n"
                          "    elif f.FrameID == 'TCON':\n"
                          "        print('TCON=%s' % '/'.join(f.genres))\n"
                          "    elif hasattr(f, 'text'):\n"
                          "        print('%s=%s' % (f.FrameID, '/'.join(str(x) for x in f.text)))\n"
                          "    else:\n"
                          "        print('%s=%s' % (f.FrameID, f.HashKey))\n",
                      {mp3_}));
    }

    LAudioTagMap FullRecord()
    {
        LAudioTagMap tags;
        tags.Set("TITLE", "T\xC3\xADtulo \xE2\x98\x83");
        tags.Set("ARTIST", "Art\xC3\xAFst");
        tags.Set("ALBUMARTIST", "Album Artist");
        tags.Set("ALBUM", "Alb\xC3\xBCm");
        tags.Set("TRACKNUMBER", "3/12");
        tags.Set("DISKNUMBER", "1/2");
        tags.Set("GENRE", "Rock");
        tags.Set("DATE", "1999-12-25");
        tags.Set("TIME", "13:30:00");
        tags.Set("COMMENT", "A comment \xE2\x82\xAC");
        tags.Set("COMPOSER", "Composer");
        tags.Set("CATEGORY", "Category");
        tags.Set("PRODUCER", "Label");
        tags.Set("COPYRIGHT", "(c) 1999");
        tags.Set("ENCODER", "Encoder");
        tags.Set("ENCODEDBY", "Encoded by");
        tags.Set("URL", "http://example.com/");
        tags.Set("BPM", "120");
        tags.Set("LENGTH", "300000");
        tags.Set("PLAYCOUNT", "42");
        tags.Set("RATING", "196");
        tags.Set("LYRICS", "La la la");
        tags.Set("ID3/TSRC", "GBAYE0000001");
        tags.Set("MEDIA", "read only: never written");
        tags.Set("CUTID", "a cart field: not an ID3 frame");
        return tags;
    }

    TempDir dir_;
    std::string mp3_;
    std::string original_;
    std::string audio_;
};

TEST_F(Id3Write, EveryFieldReadsBackInMutagen)
{
    TAGTEST_REQUIRE_MUTAGEN();
    LAudioTagMap tags = FullRecord();
    const std::string png = MakePicture(dir_.Path(), "cover.PNG");
    ASSERT_TRUE(LMakeTempCopy(&tags, "IMAGE", png.c_str()));
    unlink(png.c_str());
    Write(tags);
    auto f = MutagenFrames();
    EXPECT_EQ(f["VERSION"], "2.3");
    EXPECT_EQ(f["TIT2"], "T\xC3\xADtulo \xE2\x98\x83");
    EXPECT_EQ(f["TPE1"], "Art\xC3\xAFst");
    EXPECT_EQ(f["TPE2"], "Album Artist");
    EXPECT_EQ(f["TALB"], "Alb\xC3\xBCm");
    EXPECT_EQ(f["TRCK"], "3/12");
    EXPECT_EQ(f["TPOS"], "1/2");
    EXPECT_EQ(f["TCON"], "Rock");
    EXPECT_EQ(f["TYER"], "1999");
    EXPECT_EQ(f["TDAT"], "2512");
    EXPECT_EQ(f["TIME"], "1330");
    EXPECT_EQ(f["COMM"], "eng||A comment \xE2\x82\xAC");
    EXPECT_EQ(f["TCOM"], "Composer");
    EXPECT_EQ(f["TIT1"], "Category");
    EXPECT_EQ(f["TPUB"], "Label");
    EXPECT_EQ(f["TCOP"], "(c) 1999");
    EXPECT_EQ(f["TSSE"], "Encoder");
    EXPECT_EQ(f["TENC"], "Encoded by");
    EXPECT_EQ(f["WXXX"], "http://example.com/");
    EXPECT_EQ(f["TBPM"], "120");
    EXPECT_EQ(f["TLEN"], "300000");
    EXPECT_EQ(f["PCNT"], "42");
    EXPECT_EQ(f["POPM"], "196");
    EXPECT_EQ(f["USLT"], "eng||La la la");
    EXPECT_EQ(f["TSRC"], "GBAYE0000001");
    EXPECT_EQ(f["APIC"].substr(0, 12), "image/png 0 ")
        << "the type comes from the bytes, whatever the extension";
    EXPECT_EQ(f.count("TMED"), 0u);

    // And our own reader gives the record back.
    LAudioTagMap back;
    ASSERT_EQ(ReadAudioFileTags(&back, mp3_.c_str()), 1);
    for (const char* key :
         {"TITLE", "ARTIST",  "ALBUMARTIST", "ALBUM",     "TRACKNUMBER", "DISKNUMBER", "GENRE",   "DATE",
          "TIME",  "COMMENT", "COMPOSER",    "CATEGORY",  "PRODUCER",    "COPYRIGHT",  "ENCODER", "ENCODEDBY",
          "URL",   "BPM",     "LENGTH",      "PLAYCOUNT", "RATING",      "LYRICS",     "ID3/TSRC"})
        EXPECT_STREQ(back.Get(key), tags.Get(key)) << key;
    EXPECT_EQ(ReadFileBytes(back.Get("IMAGE")), ReadFileBytes(tags.Get("IMAGE")));
}

TEST_F(Id3Write, Id3v2ToolExiftoolAndFfprobeShowTheTags)
{
    LAudioTagMap tags = FullRecord();
    Write(tags);
    if (HaveTool("id3v2")) {
        const std::string listing = CaptureCommand("id3v2 -l " + Quote(mp3_));
        EXPECT_NE(listing.find("TIT2 (Title/songname/content description): T\xC3\xADtulo \xE2\x98\x83"),
                  std::string::npos)
            << listing;
        EXPECT_NE(listing.find("TPE1 (Lead performer(s)/Soloist(s)): Art\xC3\xAFst"), std::string::npos)
            << listing;
        EXPECT_NE(listing.find("TCON (Content type): Rock (17)"), std::string::npos) << listing;
        EXPECT_NE(listing.find("TYER (Year): 1999"), std::string::npos) << listing;
        EXPECT_NE(listing.find("COMM (Comments): ()[eng]: A comment \xE2\x82\xAC"), std::string::npos)
            << listing;
        // The ID3v1 record beside it.
        EXPECT_NE(listing.find("Year: 1999, Genre: Rock (17)"), std::string::npos) << listing;
        EXPECT_NE(listing.find("Track: 3"), std::string::npos) << listing;
    }
    if (HaveTool("exiftool")) {
        const auto exif =
            ParseLines(CaptureCommand("exiftool -s -s -s -G1 -a -f -p '$ID3v2_3:Title|$ID3v2_3:Artist|"
                                      "$ID3v2_3:Album|$ID3v2_3:Genre|$ID3v1:Title|$ID3v1:Genre' " +
                                      Quote(mp3_) + " | sed 's/^/X=/'"));
        EXPECT_EQ(exif.at("X"),
                  "T\xC3\xADtulo \xE2\x98\x83|Art\xC3\xAFst|Alb\xC3\xBCm|Rock|T\xC3\xADtulo ?|Rock");
    }
    if (HaveTool("ffprobe")) {
        const auto probe = ParseLines(CaptureCommand("ffprobe -v quiet -show_entries format_tags -of "
                                                     "default=noprint_wrappers=1 " +
                                                     Quote(mp3_)));
        EXPECT_EQ(probe.at("TAG:title"), "T\xC3\xADtulo \xE2\x98\x83");
        EXPECT_EQ(probe.at("TAG:artist"), "Art\xC3\xAFst");
        EXPECT_EQ(probe.at("TAG:album"), "Alb\xC3\xBCm");
        EXPECT_EQ(probe.at("TAG:genre"), "Rock");
        EXPECT_EQ(probe.at("TAG:track"), "3/12");
        EXPECT_EQ(probe.at("TAG:comment"), "A comment \xE2\x82\xAC");
    }
}

TEST_F(Id3Write, Version1RecordFieldByField)
{
    TAGTEST_REQUIRE_MUTAGEN();
    struct Case
    {
        const char* track;
        const char* genre;
        int trackByte; // -1: a version 1.0 record
        int genreByte;
    };
    const Case cases[] = {
        {"3/12", "Rock", 3, 17},     {"300", "Jazz", 255, 8}, {"", "", -1, 255},
        {"0", "300", -1, 255},       {"5", "17", 5, 17},      {"", "My Genre", -1, 255},
        {"7", "psychedelic", 7, 67},
    };
    for (const Case& c : cases) {
        Reset();
        LAudioTagMap tags;
        tags.Set("TITLE", "Title");
        tags.Set("COMMENT", "This comment is longer than the thirty bytes of a record");
        tags.Set("DATE", "2001-05-06");
        tags.Set("TRACKNUMBER", c.track);
        tags.Set("GENRE", c.genre);
        Write(tags);
        const std::string bytes = ReadFileBytes(mp3_);
        const std::string v1 = bytes.substr(bytes.size() - 128);
        ASSERT_EQ(v1.substr(0, 3), "TAG");
        EXPECT_EQ(v1.substr(93, 4), "2001");
        EXPECT_EQ(static_cast<uint8_t>(v1[127]), c.genreByte) << c.genre;
        if (c.trackByte >= 0) {
            EXPECT_EQ(v1[125], 0);
            EXPECT_EQ(static_cast<uint8_t>(v1[126]), c.trackByte) << c.track;
            EXPECT_EQ(v1.substr(97, 28), std::string("This comment is longer than ").substr(0, 28));
        } else {
            EXPECT_EQ(v1.substr(97, 30), "This comment is longer than th");
        }
        const auto v1Only =
            ParseLines(RunPython(std::string(kMutagenPreamble) + "from mutagen.id3._id3v1 import ParseID3v1\n"
                                                                 "d = open(sys.argv[1], 'rb').read()[-128:]\n"
                                                                 "f = ParseID3v1(d)\n"
                                                                 "for k in sorted(f):\n"
                                                                 "    print('%s=%s' % (k, f[k]))\n",
                                 {mp3_}));
        EXPECT_EQ(v1Only.at("TIT2"), "Title");
        EXPECT_EQ(v1Only.count("TCON"), c.genreByte == 255 ? 0u : 1u) << c.genre;
    }
}

TEST_F(Id3Write, NoDateLeavesTheVersion1YearEmpty)
{
    LAudioTagMap tags;
    tags.Set("TITLE", "No date");
    Write(tags);
    const std::string bytes = ReadFileBytes(mp3_);
    EXPECT_EQ(bytes.substr(bytes.size() - 128 + 93, 4), std::string(4, '\0'));
    LAudioTagMap back;
    ASSERT_EQ(ReadAudioFileTags(&back, mp3_.c_str()), 1);
    EXPECT_FALSE(back.Has("DATE")) << "what was not there does not come back as a year";
    EXPECT_FALSE(back.Has("GENRE")) << "no genre is written as none, not as a genre of the list";
}

TEST_F(Id3Write, ShortDatesAndTimesWriteWhatTheyHold)
{
    LAudioTagMap tags;
    tags.Set("DATE", "99");
    tags.Set("TIME", "1");
    Write(tags);
    const std::string bytes = ReadFileBytes(mp3_);
    EXPECT_NE(bytes.substr(0, 3), "ID3") << "no whole year, no time: no frame to write";
    EXPECT_EQ(bytes.substr(bytes.size() - 128 + 93, 4), std::string("99\0\0", 4)) << "padded, not read past";
}

TEST_F(Id3Write, ADateAndTimeAloneAreWritten)
{
    TAGTEST_REQUIRE_MUTAGEN();
    LAudioTagMap tags;
    tags.Set("DATE", "2010-07-08");
    tags.Set("TIME", "09:10:11");
    Write(tags);
    auto f = MutagenFrames();
    EXPECT_EQ(f["TYER"], "2010");
    EXPECT_EQ(f["TDAT"], "0807");
    EXPECT_EQ(f["TIME"], "0910");
}

// A version 1 record names a year only: rewriting the tags must not turn it
// into a day of the year in version 2.
TEST_F(Id3Write, AVersion1YearStaysAYear)
{
    TAGTEST_REQUIRE_MUTAGEN();
    std::string bytes = original_;
    std::string v1(128, '\0');
    v1.replace(0, 3, "TAG");
    v1.replace(3, 5, "Title");
    v1.replace(93, 4, "1999");
    v1[127] = static_cast<char>(255);
    WriteFileBytes(mp3_, bytes + v1);
    LAudioTagMap tags;
    ASSERT_EQ(ReadAudioFileTags(&tags, mp3_.c_str()), 1);
    EXPECT_STREQ(tags.Get("DATE"), "1999");
    Write(tags);
    auto f = MutagenFrames();
    EXPECT_EQ(f["TYER"], "1999");
    EXPECT_EQ(f.count("TDAT"), 0u) << f["TDAT"];
}

TEST_F(Id3Write, ClearingEveryFieldRemovesTheTags)
{
    LAudioTagMap tags = FullRecord();
    Write(tags);
    ASSERT_EQ(ReadFileBytes(mp3_).substr(0, 3), "ID3");
    LAudioTagMap empty;
    Write(empty);
    EXPECT_TRUE(ReadFileBytes(mp3_) == audio_) << "no frame left, no ID3v1 field left: no tags at all";
    LAudioTagMap back;
    EXPECT_EQ(ReadAudioFileTags(&back, mp3_.c_str()), 0);
}

TEST_F(Id3Write, GrowingShrinkingAndRemovingKeepTheAudio)
{
    TAGTEST_REQUIRE_MUTAGEN();
    // With padding (mutagen's default) and without.
    for (const char* padding : {"None", "lambda info: 0"}) {
        Reset();
        RunPython(std::string(kMutagenPreamble) +
                      "t = ID3()\nt.add(TIT2(encoding=3, text='x'))\nt.save(sys.argv[1], v1=2, padding=" +
                      padding + ")\n",
                  {mp3_});
        ASSERT_TRUE(Mp3Audio(ReadFileBytes(mp3_)) == audio_);
        LAudioTagMap tags = FullRecord();
        tags.Set("LYRICS", std::string(20000, 'l').c_str());
        Write(tags); // grows
        tags.Remove("LYRICS");
        Write(tags); // shrinks
        LAudioTagMap one;
        one.Set("TITLE", "t");
        Write(one);
        EXPECT_EQ(MutagenFrames()["TIT2"], "t");
    }
}

TEST_F(Id3Write, FramesOtherProgramsStoredAreKept)
{
    TAGTEST_REQUIRE_MUTAGEN();
    const std::string jpg = MakePicture(dir_.Path(), "back.jpg");
    RunPython(
        std::string(kMutagenPreamble) +
            "t = ID3()\n"
            "t.add(TIT2(encoding=3, text='Old title'))\n"
            "t.add(TXXX(encoding=3, desc='MusicBrainz Album Id', text='abc-123'))\n"
            "t.add(PRIV(owner='example.com', data=b'\\x00\\x01\\x02\\xff'))\n"
            "t.add(UFID(owner='http://musicbrainz.org', data=b'id-42'))\n"
            "t.add(COMM(encoding=3, lang='eng', desc='iTunNORM', text=' 000001'))\n"
            "t.add(WOAR(url='http://artist.example/'))\n"
            "t.add(APIC(encoding=3, mime='image/jpeg', type=4, desc='back', data=open(sys.argv[2], "
            "'rb').read()))\n"
            "t.add(APIC(encoding=3, mime='image/x-unknown', type=3, desc='odd', data=b'not a picture'))\n"
            "t.save(sys.argv[1], v2_version=" +
            std::string("4") + ")\n",
        {mp3_, jpg});
    const std::string jpgCopy = ReadFileBytes(jpg);
    unlink(jpg.c_str());
    LAudioTagMap tags;
    ASSERT_EQ(ReadAudioFileTags(&tags, mp3_.c_str()), 1);
    EXPECT_EQ(tags.Get("TITLE"), std::string("Old title"));
    tags.Set("TITLE", "New title");
    tags.Remove("IMAGE"); // the user removed the artwork we showed
    Write(tags);
    auto f = MutagenFrames();
    EXPECT_EQ(f["TIT2"], "New title");
    EXPECT_EQ(f["TXXX"], "abc-123");
    EXPECT_EQ(f["PRIV"].substr(0, 16), "PRIV:example.com");
    EXPECT_EQ(f["UFID"], "UFID:http://musicbrainz.org");
    EXPECT_EQ(f["COMM"], "eng|iTunNORM| 000001");
    EXPECT_EQ(f["WOAR"], "http://artist.example/");
    EXPECT_EQ(f["APIC"], "image/x-unknown 3 13") << "a picture we cannot show is kept as it was";
}

TEST_F(Id3Write, TheFileKeepsItsModeAndStaysALink)
{
    chmod(mp3_.c_str(), 0640);
    const std::string link = dir_.Path("link.mp3");
    ASSERT_EQ(symlink("song.mp3", link.c_str()), 0);
    LAudioTagMap tags;
    tags.Set("TITLE", "Linked");
    ASSERT_EQ(WriteAudioFileTags(&tags, link.c_str()), 1);
    struct stat info;
    ASSERT_EQ(lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(stat(mp3_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    LAudioTagMap back;
    ReadAudioFileTags(&back, mp3_.c_str());
    EXPECT_STREQ(back.Get("TITLE"), "Linked");
}

TEST_F(Id3Write, AFileInUseIsLeftAlone)
{
    LAudioTagMap tags;
    tags.Set("TITLE", "t");
    const std::string before = ReadFileBytes(mp3_);
    const int holder = open(mp3_.c_str(), O_RDONLY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_SH), 0); // a recording or a player's reader
    LTagFileError error = LTagFileError::kNone;
    EXPECT_EQ(WriteAudioFileTags(&tags, mp3_.c_str(), &error), 0);
    EXPECT_EQ(error, LTagFileError::kBusy);
    close(holder);
    EXPECT_TRUE(ReadFileBytes(mp3_) == before);
}

// Runs a write in a child process whose file size limit stops it midway.
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

TEST_F(Id3Write, AWriteThatFailsMidwayLeavesTheFileUnchanged)
{
    LAudioTagMap old;
    old.Set("TITLE", "Old");
    Write(old);
    const std::string before = ReadFileBytes(mp3_);
    LAudioTagMap tags = FullRecord();
    tags.Set("LYRICS", std::string(100000, 'x').c_str());
    const int status = WriteUnderSizeLimit(tags, mp3_, before.size() + 1000);
    EXPECT_EQ(status, 10 + static_cast<int>(LTagFileError::kWriteFailed)) << "reported as a failed write";
    EXPECT_TRUE(ReadFileBytes(mp3_) == before);
    EXPECT_EQ(FolderEntries(dir_.Path()), std::vector<std::string>{"song.mp3"});
}

TEST_F(Id3Write, SeparateVersion1AndVersion2Writes)
{
    LAudioTagMap tags;
    tags.Set("TITLE", "One");
    ASSERT_TRUE(WriteId3v1Tag(&tags, mp3_.c_str()));
    std::string bytes = ReadFileBytes(mp3_);
    EXPECT_NE(bytes.substr(0, 3), "ID3");
    EXPECT_EQ(bytes.substr(bytes.size() - 128, 6), "TAGOne");
    tags.Set("TITLE", "Two");
    ASSERT_TRUE(RewriteId3v2Tag(&tags, mp3_.c_str()));
    bytes = ReadFileBytes(mp3_);
    EXPECT_EQ(bytes.substr(0, 3), "ID3");
    EXPECT_EQ(bytes.substr(bytes.size() - 128, 6), "TAGOne") << "the version 1 record is carried along";
    EXPECT_TRUE(Mp3Audio(bytes) == audio_);
}

} // namespace
