// The ID3v2 parser on tags held in memory: damaged and hostile sizes, frame
// flags, and the conversions of dates, genres and comments.

#include "tags/LId3Genres.h"
#include "tags/LId3v2Tag.h"
#include "tags/TagTestSupport.h"

#include <gtest/gtest.h>

using namespace tagtest;

namespace {

class Id3Parse : public quorin::test::TempHomeTest
{
protected:
    // Parses the tag; returns "KEY=VALUE;" for every key in order.
    std::string Parse(const Bytes& tag, bool expectHeader = true, LId3v2CarriedFrames* carried = nullptr)
    {
        LAudioTagMap tags;
        EXPECT_EQ(ParseId3v2Tag(&tags, tag.data(), tag.size(), carried), expectHeader);
        std::string out;
        for (LStringMap::Iterator it = tags.fields.Begin(); !it.AtEnd(); it.Next())
            out += std::string(it.Key()) + "=" + (std::string(it.Key()) == "IMAGE" ? "*" : it.Value()) + ";";
        return out;
    }
};

TEST_F(Id3Parse, HeadersThatAreNotTags)
{
    EXPECT_EQ(Parse(ToBytes("ID3"), false), "");
    EXPECT_EQ(Parse(ToBytes("XYZ\x03\0\0\0\0\0\0"), false), "");
    EXPECT_EQ(Parse(Tag(5, Frame(3, "TIT2", Text(0, "x"))), false), "") << "unknown major version";
    EXPECT_EQ(Parse(Tag(1, Frame(3, "TIT2", Text(0, "x"))), false), "");
    Bytes huge = Tag(3, Frame(3, "TIT2", Text(0, "x")));
    huge[6] = 0x80; // 7-bit bytes with the eighth set: at least 256 MiB
    EXPECT_EQ(Parse(huge, false), "") << "256 MiB is refused";
    EXPECT_EQ(Parse(Tag(3, {})), "") << "an empty tag is a tag";
}

TEST_F(Id3Parse, ReadsAreBoundByTheFrameAndTheTag)
{
    const Bytes good = Frame(3, "TIT2", Text(0, "Title"));
    struct Case
    {
        const char* what;
        Bytes tag;
        std::string expected;
    };
    Bytes pastEnd = Frame(3, "TPE1", Text(0, "Artist"));
    pastEnd[7] = 200; // claims more than the tag holds
    Bytes shortCount = Frame(3, "PCNT", {0, 1});
    Bytes apicNoData = Frame(3, "APIC", ToBytes(std::string("\0image/png\0\x03", 12)));
    Bytes apicNoTerminator = Frame(3, "APIC", ToBytes(std::string("\0image/png", 10)));
    Bytes popmNoRating = Frame(3, "POPM", ToBytes("mail@example.com"));
    Bytes commTooShort = Frame(3, "COMM", {0, 'e', 'n'});
    Bytes oddUtf16 = Frame(3, "TALB",
                           ToBytes(std::string("\x01\xFF\xFE"
                                               "A\0B",
                                               6)));
    Bytes badEncoding = Frame(3, "TCOM", Text(7, "x"));
    const std::vector<Case> cases = {
        {"frame past the tag end", Concat({good, pastEnd}), "TITLE=Title;"},
        {"tag size past the data", Tag(3, good, 0, 5000), "TITLE=Title;"},
        {"play count under 4 bytes", Concat({shortCount, good}), "TITLE=Title;"},
        {"picture without data", Concat({apicNoData, good}), "TITLE=Title;"},
        {"picture without terminator", Concat({apicNoTerminator, good}), "TITLE=Title;"},
        {"rating without its byte", Concat({popmNoRating, good}), "TITLE=Title;"},
        {"comment without language", Concat({commTooShort, good}), "TITLE=Title;"},
        // A little-endian unit cut short still holds its whole Latin character.
        {"odd UTF-16 length", Concat({oddUtf16, good}), "ALBUM=AB;TITLE=Title;"},
        {"unknown text encoding", Concat({badEncoding, good}), "TITLE=Title;"},
        {"padding ends the frames", Concat({good, Bytes(100, 0), Frame(3, "TPE1", Text(0, "x"))}),
         "TITLE=Title;"},
    };
    for (const Case& c : cases) {
        const Bytes tag = c.tag.size() > 3 && c.tag[0] == 'I' && c.tag[1] == 'D' ? c.tag : Tag(3, c.tag);
        EXPECT_EQ(Parse(tag), c.expected) << c.what;
    }
}

TEST_F(Id3Parse, TextEncodingsAndByteOrderMarks)
{
    struct Case
    {
        Bytes data;
        const char* expected;
    };
    const Case cases[] = {
        {Text(0, "Caf\xE9"), "Caf\xC3\xA9"},
        {Text(1, Utf16("Caf\xE9", false, true)), "Caf\xC3\xA9"},
        {Text(1, Utf16("Caf\xE9", true, true)), "Caf\xC3\xA9"},
        {Text(1, Utf16("Caf\xE9", false, false)), "Caf\xC3\xA9"},
        {Text(2, Utf16("Caf\xE9", true, false)), "Caf\xC3\xA9"},
        {Text(3, "Caf\xC3\xA9"), "Caf\xC3\xA9"},
        {Text(3, "Caf\xE9"), "Caf\xC3\xA9"}, // not UTF-8 after all: read as Windows-1252
        {Text(1, std::string("\xFF\xFE\x3C\xD8\xB5\xDF", 6)), "\xF0\x9F\x8E\xB5"}, // a surrogate pair
        {Text(1, std::string("\xFF\xFE\x3C\xD8", 4)), "\xEF\xBF\xBD"},             // a lone surrogate
        {Text(0, std::string("One\0Two", 7)), "One"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Parse(Tag(3, Frame(3, "TIT2", c.data))), std::string("TITLE=") + c.expected + ";");
    // Version 2.4 keeps every value of a frame.
    EXPECT_EQ(Parse(Tag(4, Frame(4, "TPE1", Text(3, std::string("One\0Two\0", 8))))), "ARTIST=One/Two;");
}

TEST_F(Id3Parse, CommentsOfPlayersAreNotTheUsers)
{
    for (const char* description : {"iTunNORM", "itunsmpb", "iTunes_CDDB_IDs", "iTunPGAP"}) {
        Bytes comm = Text(0, "eng");
        comm.insert(comm.end(), description, description + std::strlen(description));
        comm.push_back(0);
        comm.insert(comm.end(), {'0', '1'});
        EXPECT_EQ(Parse(Tag(3, Frame(3, "COMM", comm))), "") << description;
    }
    Bytes user = Text(0, "eng");
    user.insert(user.end(), {'d', 0, 'u', 's', 'e', 'r'});
    EXPECT_EQ(Parse(Tag(3, Frame(3, "COMM", user))), "COMMENT=user;");
}

TEST_F(Id3Parse, Version24SizesWrittenAsPlainNumbers)
{
    // Some writers put a plain 32-bit size into 2.4 frames; 200 bytes show the difference.
    const Bytes text = Text(0, std::string(199, 'a'));
    Bytes plain{'T', 'I', 'T', '2'};
    PutBe32(plain, static_cast<uint32_t>(text.size()));
    plain.insert(plain.end(), {0, 0});
    plain.insert(plain.end(), text.begin(), text.end());
    EXPECT_EQ(Parse(Tag(4, Concat({plain, Frame(4, "TPE1", Text(0, "x"))}))),
              "ARTIST=x;TITLE=" + std::string(199, 'a') + ";");
}

TEST_F(Id3Parse, FramesTheRecordCannotHoldAreCarried)
{
    Bytes priv = Frame(3, "PRIV", ToBytes(std::string("owner\0\x01\x02", 8)));
    Bytes compressed = Frame(3, "TIT3", {0, 0, 0, 9, 0x78, 0x9C, 1, 2}, 0x0080);
    Bytes discard = Frame(3, "TXXX", Text(0, std::string("d\0v", 3)), 0x8000); // drop when the tag changes
    LId3v2CarriedFrames carried;
    EXPECT_EQ(
        Parse(Tag(3, Concat({priv, Frame(3, "TIT2", Text(0, "t")), compressed, discard})), true, &carried),
        "TITLE=t;");
    EXPECT_EQ(ToString(carried), ToString(Concat({priv, compressed})));

    // Version 2.4 frames are carried in their 2.3 form: flags moved, extras reordered.
    Bytes v24data{'G'};      // group id
    PutSyncSafe(v24data, 9); // data length indicator
    v24data.insert(v24data.end(), {0x78, 0x9C, 5, 6});
    carried.clear();
    // Flags: file alter preservation, grouped, compressed, data length given.
    Parse(Tag(4, Frame(4, "GEOB", v24data, 0x2049)), true, &carried);
    Bytes expected{'G', 'E', 'O', 'B'};
    PutBe32(expected, 4 + 1 + 4);
    expected.insert(expected.end(), {0x40, 0xA0, 0, 0, 0, 9, 'G', 0x78, 0x9C, 5, 6});
    EXPECT_EQ(ToString(carried), ToString(expected));
}

TEST_F(Id3Parse, GenreNamesMatchMutagensList)
{
    TAGTEST_REQUIRE_MUTAGEN();
    const auto names =
        RunPython("from mutagen._constants import GENRES\nfor g in GENRES[:148]:\n    print(g)\n");
    // Names where the list we show keeps the first edition's spelling.
    const std::map<int, std::string> spelledOtherwise = {{40, "Alt. Rock"},   {59, "Gangsta Rap"},
                                                         {67, "Psychedelic"}, {84, "Fast-Fusion"},
                                                         {123, "A Cappella"}, {133, "Afro-Punk"}};
    size_t at = 0;
    for (int i = 0; i < kId3GenreCount; ++i) {
        const size_t end = names.find('\n', at);
        ASSERT_NE(end, std::string::npos);
        const std::string theirs = names.substr(at, end - at);
        at = end + 1;
        if (spelledOtherwise.count(i)) {
            EXPECT_EQ(theirs, spelledOtherwise.at(i));
            EXPECT_EQ(Id3GenreIndex(theirs.c_str()), i) << "their spelling still finds the entry";
        } else {
            EXPECT_EQ(strcasecmp(theirs.c_str(), kId3GenreNames[i]), 0) << i << " " << theirs;
        }
        EXPECT_EQ(Id3GenreIndex(kId3GenreNames[i]), i);
    }
}

} // namespace

namespace {

TEST_F(Id3Parse, ACarriedFrameNeverStandsBesideTheRecordsOwn)
{
    const Bytes compressed = Frame(3, "TIT2", {0, 0, 0, 9, 0x78, 0x9C, 1, 2}, 0x0080);
    const Bytes priv = Frame(3, "PRIV", ToBytes(std::string("o\0x", 3)));
    LId3v2CarriedFrames carried;
    Parse(Tag(3, Concat({compressed, priv})), true, &carried);
    LAudioTagMap tags;
    std::vector<uint8_t> built;
    EXPECT_EQ(BuildId3v2Tag(&tags, &carried, &built), 2) << "nothing of the record's own: both kept";
    tags.Set("TITLE", "New");
    EXPECT_EQ(BuildId3v2Tag(&tags, &carried, &built), 2);
    const std::string text = ToString(built);
    EXPECT_EQ(text.find("TIT2"), text.rfind("TIT2")) << "one title frame only";
    EXPECT_NE(text.find("PRIV"), std::string::npos);
}

} // namespace
