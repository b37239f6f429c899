// Reading ID3v2 (2.2, 2.3, 2.4) and ID3v1 tags that mutagen writes, and the
// tag shapes mutagen does not write (2.2, unsynchronisation, extended
// headers) built byte by byte and checked against mutagen first.

#include "tags/LAudioFileTags.h"
#include "tags/LId3v2Tag.h"
#include "tags/TagTestSupport.h"

#include <gtest/gtest.h>

using namespace tagtest;
using quorin::test::TempDir;

namespace {

class Id3Read : public quorin::test::TempHomeTest
{
protected:
    void SetUp() override
    {
        TAGTEST_REQUIRE_MUTAGEN();
        mp3_ = dir_.Path("song.mp3");
        MakeMp3(mp3_);
    }

    // Runs a mutagen program against the fixture; `path` is sys.argv[1], args follow it.
    void Mutagen(const std::string& body, std::vector<std::string> args = {})
    {
        args.insert(args.begin(), mp3_);
        RunPython(std::string(kMutagenPreamble) + "path = sys.argv[1]\n" + body, args);
    }

    std::map<std::string, std::string> Read(int expected = 1)
    {
        LAudioTagMap tags;
        EXPECT_EQ(ReadAudioFileTags(&tags, mp3_.c_str()), expected);
        std::map<std::string, std::string> out;
        for (LStringMap::Iterator it = tags.fields.Begin(); !it.AtEnd(); it.Next())
            out[it.Key()] = it.Value();
        if (tags.Has("IMAGE"))
            out["IMAGE-BYTES"] = ReadFileBytes(tags.Get("IMAGE"));
        return out;
    }

    // The frames mutagen sees, as "ID=text" lines.
    std::map<std::string, std::string> MutagenView()
    {
        return ParseLines(RunPython("import sys\nfrom mutagen.id3 import ID3\n"
                                    "t = ID3(sys.argv[1])\n"
                                    "for k in sorted(t.keys()):\n"
                                    "    print('%s=%s' % (k, t[k]))\n",
                                    {mp3_}));
    }

    void PutTagInFront(const Bytes& tag) { WriteFileBytes(mp3_, ToString(tag) + ReadFileBytes(mp3_)); }

    TempDir dir_;
    std::string mp3_;
};

struct EncodingCase
{
    int version;
    int encoding;
    const char* text; // what every text frame holds
};

class Id3ReadEncodings : public Id3Read, public ::testing::WithParamInterface<EncodingCase>
{
};

TEST_P(Id3ReadEncodings, EveryKnownFrameReadsBackFieldByField)
{
    const EncodingCase c = GetParam();
    const std::string e = std::to_string(c.encoding);
    const std::string dateFrames = c.version == 3 ? "t.add(TYER(encoding=E, text='1999'))\n"
                                                    "t.add(TDAT(encoding=E, text='2512'))\n"
                                                    "t.add(TIME(encoding=E, text='1330'))\n"
                                                  : "t.add(TDRC(encoding=E, text='2004-05-06T07:08:09'))\n";
    Mutagen("E = " + e + "\nT = sys.argv[2]\n" +
                "t = ID3()\n"
                "for cls in (TIT2, TPE1, TPE2, TALB, TCOM, TIT1, TPUB, TCOP, TSSE, TENC):\n"
                "    t.add(cls(encoding=E, text=T + cls.__name__))\n"
                "t.add(TRCK(encoding=E, text='3/12'))\n"
                "t.add(TPOS(encoding=E, text='1/2'))\n"
                "t.add(TBPM(encoding=E, text='120'))\n"
                "t.add(TLEN(encoding=E, text='300000'))\n"
                "t.add(TCON(encoding=E, text='(17)'))\n"
                "t.add(TSRC(encoding=E, text='GBAYE0000001'))\n"
                "t.add(COMM(encoding=E, lang='deu', desc='', text=T + 'comment'))\n"
                "t.add(COMM(encoding=E, lang='eng', desc='iTunNORM', text=' 0000 0001'))\n"
                "t.add(USLT(encoding=E, lang='eng', desc='', text=T + 'lyrics'))\n"
                "t.add(WXXX(encoding=E, desc='', url='http://example.com/a'))\n"
                "t.add(POPM(email='', rating=196, count=3))\n"
                "t.add(PCNT(count=42))\n" +
                dateFrames + "t.save(path, v2_version=" + std::to_string(c.version) + ", v1=0)\n",
            {c.text});
    auto tags = Read();
    const std::string t = c.text;
    EXPECT_EQ(tags["TITLE"], t + "TIT2");
    EXPECT_EQ(tags["ARTIST"], t + "TPE1");
    EXPECT_EQ(tags["ALBUMARTIST"], t + "TPE2");
    EXPECT_EQ(tags["ALBUM"], t + "TALB");
    EXPECT_EQ(tags["COMPOSER"], t + "TCOM");
    EXPECT_EQ(tags["CATEGORY"], t + "TIT1");
    EXPECT_EQ(tags["PRODUCER"], t + "TPUB");
    EXPECT_EQ(tags["COPYRIGHT"], t + "TCOP");
    EXPECT_EQ(tags["ENCODER"], t + "TSSE");
    EXPECT_EQ(tags["ENCODEDBY"], t + "TENC");
    EXPECT_EQ(tags["TRACKNUMBER"], "3/12");
    EXPECT_EQ(tags["DISKNUMBER"], "1/2");
    EXPECT_EQ(tags["BPM"], "120");
    EXPECT_EQ(tags["LENGTH"], "300000");
    EXPECT_EQ(tags["GENRE"], "Rock");
    EXPECT_EQ(tags["ID3/TSRC"], "GBAYE0000001");
    EXPECT_EQ(tags["COMMENT"], t + "comment") << "the player's own iTunNORM comment is not the user's";
    EXPECT_EQ(tags["LYRICS"], t + "lyrics");
    EXPECT_EQ(tags["URL"], "http://example.com/a");
    EXPECT_EQ(tags["RATING"], "196");
    EXPECT_EQ(tags["PLAYCOUNT"], "42");
    if (c.version == 3) {
        EXPECT_EQ(tags["DATE"], "1999-12-25");
        EXPECT_EQ(tags["TIME"], "13:30:00");
    } else {
        EXPECT_EQ(tags["DATE"], "2004-05-06");
        EXPECT_EQ(tags["TIME"], "07:08:09");
    }
}

INSTANTIATE_TEST_SUITE_P(
    MutagenTags, Id3ReadEncodings,
    ::testing::Values(EncodingCase{3, 0, "Caf\xC3\xA9 "}, EncodingCase{3, 1, "\xC3\x9C\xE2\x98\x83 "},
                      EncodingCase{4, 0, "Caf\xC3\xA9 "}, EncodingCase{4, 1, "\xC3\x9C\xE2\x98\x83 "},
                      EncodingCase{4, 2, "\xC3\x9C\xE2\x98\x83 "}, EncodingCase{4, 3, "\xF0\x9F\x8E\xB5 "}),
    [](const auto& info) {
        return "V2" + std::to_string(info.param.version) + "Encoding" + std::to_string(info.param.encoding);
    });

TEST_F(Id3Read, GenresByNumberAndByText)
{
    struct Case
    {
        const char* tcon;
        const char* genre;
    };
    const Case cases[] = {
        {"(17)", "Rock"},      {"(17)Rock", "Rock"},           {"17", "Rock"},   {"(200)", "(200)"},
        {"((Live)", "(Live)"}, {"Jazz Fusion", "Jazz Fusion"}, {"(0)", "Blues"}, {"(147)", "Synthpop"},
    };
    for (const Case& c : cases) {
        MakeMp3(mp3_);
        PutTagInFront(Tag(3, Frame(3, "TCON", Text(0, c.tcon))));
        EXPECT_EQ(Read()["GENRE"], c.genre) << c.tcon;
    }
}

TEST_F(Id3Read, DatesFromYearAndDayInEitherOrder)
{
    PutTagInFront(Tag(3, Concat({Frame(3, "TYER", Text(0, "1999")), Frame(3, "TDAT", Text(0, "2512"))})));
    EXPECT_EQ(Read()["DATE"], "1999-12-25");
    MakeMp3(mp3_);
    PutTagInFront(Tag(3, Concat({Frame(3, "TDAT", Text(0, "2512")), Frame(3, "TYER", Text(0, "1999"))})));
    EXPECT_EQ(Read()["DATE"], "1999-12-25");
}

TEST_F(Id3Read, RecordingTimesOfEveryPrecision)
{
    struct Case
    {
        const char* tdrc;
        const char* date;
        const char* time;
    };
    const Case cases[] = {
        {"2004", "2004", ""}, // no day or month is invented
        {"2004-05", "2004-05", ""},
        {"2004-05-06", "2004-05-06", ""},
        {"2004-05-06T07:08", "2004-05-06", "07:08:00"},
        {"2004-05-06T07:08:09", "2004-05-06", "07:08:09"},
    };
    for (const Case& c : cases) {
        MakeMp3(mp3_);
        PutTagInFront(Tag(4, Frame(4, "TDRC", Text(3, c.tdrc))));
        auto tags = Read();
        EXPECT_EQ(tags["DATE"], c.date) << c.tdrc;
        EXPECT_EQ(tags["TIME"], c.time) << c.tdrc;
    }
}

TEST_F(Id3Read, PicturesAreKnownByTheirBytesNotTheirMimeType)
{
    const std::string png = MakePicture(dir_.Path(), "p.png");
    const std::string jpg = MakePicture(dir_.Path(), "p.jpg");
    // A PNG that claims to be a JPEG, then a JPEG front cover: the front cover wins.
    Mutagen("png = open(sys.argv[2], 'rb').read()\njpg = open(sys.argv[3], 'rb').read()\n"
            "t = ID3()\n"
            "t.add(APIC(encoding=1, mime='image/jpeg', type=0, desc='back', data=png))\n"
            "t.add(APIC(encoding=1, mime='image/png', type=3, desc='front', data=jpg))\n"
            "t.save(path, v2_version=3)\n",
            {png, jpg});
    LAudioTagMap tags;
    ASSERT_EQ(ReadAudioFileTags(&tags, mp3_.c_str()), 1);
    const std::string image = tags.Get("IMAGE");
    ASSERT_FALSE(image.empty());
    EXPECT_EQ(image.substr(image.size() - 4), ".jpg");
    EXPECT_EQ(ReadFileBytes(image), ReadFileBytes(jpg));

    // Only a PNG, declared as JPEG: saved as what it is.
    MakeMp3(mp3_);
    Mutagen(
        "t = ID3()\n"
        "t.add(APIC(encoding=0, mime='image/jpeg', type=3, desc='', data=open(sys.argv[2], 'rb').read()))\n"
        "t.save(path, v2_version=4)\n",
        {png});
    LAudioTagMap other;
    ASSERT_EQ(ReadAudioFileTags(&other, mp3_.c_str()), 1);
    const std::string second = other.Get("IMAGE");
    ASSERT_GT(second.size(), 4u);
    EXPECT_EQ(second.substr(second.size() - 4), ".png");
    EXPECT_EQ(ReadFileBytes(second), ReadFileBytes(png));
}

TEST_F(Id3Read, Version22TagsAsMutagenReadsThem)
{
    const std::string jpegBytes = "\xFF\xD8\xFF\xE0\x00\x10JFIF-ish";
    Bytes pic{0};
    pic.insert(pic.end(), {'J', 'P', 'G', 3, 0});
    pic.insert(pic.end(), jpegBytes.begin(), jpegBytes.end());
    Bytes comment = Text(0, "eng");
    comment.push_back(0);
    comment.insert(comment.end(), {'h', 'i'});
    PutTagInFront(Tag(
        2, Concat({Frame(2, "TT2", Text(0, "Title")), Frame(2, "TP1", Text(1, Utf16("Artist", false, true))),
                   Frame(2, "TAL", Text(0, "Album")), Frame(2, "TRK", Text(0, "4/9")),
                   Frame(2, "TYE", Text(0, "1987")), Frame(2, "TCO", Text(0, "(13)")),
                   Frame(2, "TPA", Text(0, "2/3")), Frame(2, "COM", comment), Frame(2, "PIC", pic)})));
    auto seen = MutagenView();
    ASSERT_EQ(seen["TIT2"], "Title") << "the hand-made fixture must be a valid 2.2 tag";
    ASSERT_EQ(seen["TPOS"], "2/3");
    auto tags = Read();
    EXPECT_EQ(tags["TITLE"], "Title");
    EXPECT_EQ(tags["ARTIST"], "Artist");
    EXPECT_EQ(tags["ALBUM"], "Album");
    EXPECT_EQ(tags["TRACKNUMBER"], "4/9");
    EXPECT_EQ(tags["DATE"], "1987");
    EXPECT_EQ(tags["GENRE"], "Pop");
    EXPECT_EQ(tags["DISKNUMBER"], "2/3");
    EXPECT_EQ(tags["COMMENT"], "hi");
    EXPECT_EQ(tags["IMAGE-BYTES"], jpegBytes);
}

TEST_F(Id3Read, UnsynchronisedVersion23Tag)
{
    // "\xFF\xE9" in Latin-1 and a JPEG start both need unsynchronisation.
    const std::string jpegBytes = "\xFF\xD8\xFF\xE0\x00\x10JFIF\xFF";
    Bytes apic = Text(0, "image/jpeg");
    apic.insert(apic.end(), {0, 3, 0});
    apic.insert(apic.end(), jpegBytes.begin(), jpegBytes.end());
    const Bytes body = Concat({Frame(3, "TIT2", Text(0, "\xFF\xE9t\xE9")), Frame(3, "APIC", apic),
                               Frame(3, "TPE1", Text(0, "After"))});
    const Bytes unsynced = Unsynchronise(body);
    ASSERT_NE(unsynced.size(), body.size());
    PutTagInFront(Tag(3, unsynced, 0x80));
    auto seen = MutagenView();
    ASSERT_EQ(seen["TPE1"], "After") << "the hand-made fixture must be a valid unsynchronised tag";
    auto tags = Read();
    EXPECT_EQ(tags["TITLE"], "\xC3\xBF\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(tags["ARTIST"], "After");
    EXPECT_EQ(tags["IMAGE-BYTES"], jpegBytes);
}

TEST_F(Id3Read, UnsynchronisedVersion24FramesAndTags)
{
    // Per frame (frame flag 0x02, with a data length indicator) ...
    const Bytes plain = Text(0, "\xFF\xE9t\xE9");
    Bytes framed;
    PutSyncSafe(framed, static_cast<uint32_t>(plain.size()));
    const Bytes unsynced = Unsynchronise(plain);
    framed.insert(framed.end(), unsynced.begin(), unsynced.end());
    PutTagInFront(Tag(4, Concat({Frame(4, "TIT2", framed, 0x0003), Frame(4, "TPE1", Text(3, "After"))})));
    auto seen = MutagenView();
    ASSERT_EQ(seen["TIT2"], "\xC3\xBF\xC3\xA9t\xC3\xA9");
    auto tags = Read();
    EXPECT_EQ(tags["TITLE"], "\xC3\xBF\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(tags["ARTIST"], "After");

    // ... and for the whole tag (header flag), which 2.4 applies frame by frame.
    MakeMp3(mp3_);
    PutTagInFront(Tag(4, Concat({Frame(4, "TIT2", unsynced), Frame(4, "TPE1", Text(3, "After"))}), 0x80));
    seen = MutagenView();
    ASSERT_EQ(seen["TIT2"], "\xC3\xBF\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(Read()["TITLE"], "\xC3\xBF\xC3\xA9t\xC3\xA9");
}

TEST_F(Id3Read, ExtendedHeadersAreSkipped)
{
    Bytes extended23;
    PutBe32(extended23, 6);
    extended23.insert(extended23.end(), {0, 0, 0, 0, 0, 0});
    PutTagInFront(Tag(3, Concat({extended23, Frame(3, "TIT2", Text(0, "Three"))}), 0x40));
    ASSERT_EQ(MutagenView()["TIT2"], "Three");
    EXPECT_EQ(Read()["TITLE"], "Three");

    MakeMp3(mp3_);
    Bytes extended24;
    PutSyncSafe(extended24, 6);
    extended24.insert(extended24.end(), {1, 0});
    PutTagInFront(Tag(4, Concat({extended24, Frame(4, "TIT2", Text(3, "Four"))}), 0x40));
    ASSERT_EQ(MutagenView()["TIT2"], "Four");
    EXPECT_EQ(Read()["TITLE"], "Four");
}

TEST_F(Id3Read, CompressedAndEncryptedFramesAreNotReadAsText)
{
    Bytes compressed;
    PutBe32(compressed, 100);
    compressed.insert(compressed.end(), {0x78, 0x9C, 'g', 'a', 'r', 'b', 'a', 'g', 'e'});
    Bytes encrypted{0x80, 'x', 'y', 'z'};
    PutTagInFront(Tag(3, Concat({Frame(3, "TIT2", compressed, 0x0080), Frame(3, "TPE1", encrypted, 0x0040),
                                 Frame(3, "TALB", Text(0, "Plain"))})));
    auto tags = Read();
    EXPECT_EQ(tags.count("TITLE"), 0u);
    EXPECT_EQ(tags.count("ARTIST"), 0u);
    EXPECT_EQ(tags["ALBUM"], "Plain");
}

TEST_F(Id3Read, Version1AndVersion11)
{
    // mutagen writes version 1.1 (with the track) from a 2.x tag.
    Mutagen("t = ID3()\nt.add(TIT2(encoding=3, text='T\\u00eftle'))\nt.add(TPE1(encoding=3, text='Artist'))\n"
            "t.add(TALB(encoding=3, text='Album'))\nt.add(TDRC(encoding=3, text='1984'))\n"
            "t.add(TRCK(encoding=3, text='7'))\nt.add(TCON(encoding=3, text='Jazz'))\n"
            "t.save(path, v1=2)\nID3(path).delete(path, delete_v1=False, delete_v2=True)\n");
    // mutagen leaves the comment of version 1 empty: put one in by hand.
    std::string withComment = ReadFileBytes(mp3_);
    ASSERT_GE(withComment.size(), 128u);
    withComment.replace(withComment.size() - 128 + 97, 4, "Note");
    WriteFileBytes(mp3_, withComment);
    auto tags = Read();
    EXPECT_EQ(tags["TITLE"], "T\xC3\xAFtle");
    EXPECT_EQ(tags["ARTIST"], "Artist");
    EXPECT_EQ(tags["ALBUM"], "Album");
    EXPECT_EQ(tags["DATE"], "1984") << "a year stays a year";
    EXPECT_EQ(tags["TRACKNUMBER"], "7");
    EXPECT_EQ(tags["GENRE"], "Jazz");
    EXPECT_EQ(tags["COMMENT"], "Note");

    // Version 1.0: a 30-character comment, no track; Windows-1252 text.
    MakeMp3(mp3_);
    std::string v1(128, '\0');
    v1.replace(0, 3, "TAG");
    v1.replace(3, 5, "\x80uro!");
    v1.replace(93, 4, "2001");
    v1.replace(97, 30, std::string(30, 'c'));
    v1[127] = static_cast<char>(200); // outside the list: no genre
    WriteFileBytes(mp3_, ReadFileBytes(mp3_) + v1);
    tags = Read();
    EXPECT_EQ(tags["TITLE"], "\xE2\x82\xACuro!");
    EXPECT_EQ(tags["COMMENT"], std::string(30, 'c'));
    EXPECT_EQ(tags.count("TRACKNUMBER"), 0u);
    EXPECT_EQ(tags.count("GENRE"), 0u);
    EXPECT_EQ(tags.count("ARTIST"), 0u) << "an empty field is no value";
}

TEST_F(Id3Read, Version2ValuesWinOverVersion1)
{
    Mutagen("t = ID3()\nt.add(TIT2(encoding=3, text='Long title from two'))\n"
            "t.add(TPE1(encoding=3, text='Artist'))\nt.save(path, v1=2)\n");
    std::string bytes = ReadFileBytes(mp3_);
    bytes.replace(bytes.size() - 128 + 3, 30, std::string("Short one") + std::string(21, '\0'));
    WriteFileBytes(mp3_, bytes);
    auto tags = Read();
    EXPECT_EQ(tags["TITLE"], "Long title from two");
}

TEST_F(Id3Read, FilesWithoutTagsReadNothing)
{
    EXPECT_TRUE(Read(0).empty());
    WriteFileBytes(mp3_, "TAG");
    EXPECT_TRUE(Read(0).empty()) << "a file under 128 bytes has no ID3v1 record";
}

} // namespace
