// The names each volume records: 8.3 names of the primary volume, Joliet
// names (precomposed, cut between characters), UDF names (cut to 127 units
// and kept unique), labels.

#include "DiscTestSupport.h"

#include "burn/unicode/LNfc.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using quorin::test::LaidOutSectors;

LDiscNode* AddFile(LDiscNode* folder, const std::string& name)
{
    auto* node = new LDiscNode("/nonexistent", false, nullptr, 1, 0);
    node->SetName(name.c_str());
    return folder->AddChild(node);
}

LDiscNode* AddFolder(LDiscNode* folder, const std::string& name)
{
    auto* node = new LDiscNode(nullptr, true, nullptr, 0, 0);
    node->SetName(name.c_str());
    return folder->AddChild(node);
}

std::vector<std::string> Names(const LDiscImageEntry& folder)
{
    std::vector<std::string> names;
    for (const LDiscImageEntry& child : folder.children)
        names.push_back(child.name);
    return names;
}

// Lays the compilation out with `code` and reads one volume back.
LDiscImageEntry ReadBack(LDiscCompilation& compilation, uint32_t code,
                         int volume /* 0 ISO, 1 Joliet, 2 UDF */, std::string* label = nullptr)
{
    LDiscImageWriter writer(compilation.Root(), kMediaImageFile, code);
    writer.BuildLayout();
    EXPECT_TRUE(writer.result.Ok()) << writer.result.message;
    LDiscImageReader reader(LaidOutSectors(writer));
    LDiscImageEntry root;
    std::string error;
    const bool ok = volume == 2 ? reader.ReadUdf(&root, &error) : reader.ReadIso(volume == 1, &root, &error);
    EXPECT_TRUE(ok) << error;
    if (label)
        *label = reader.volumeLabel;
    return root;
}

TEST(IsoNames, PrimaryVolumeNames)
{
    struct Case
    {
        const char* name;
        const char* onDisc;
    };
    const Case cases[] = {
        {"My File.Text", "MYFILE.TEX"},
        {"!!!", "_"},
        {"abc.!!", "ABC_."},
        {"README", "README"},
        {".hidden", "HIDDEN"},
        {"a.b.c", "AB.C"},
        {"\xD0\x9F\xD1\x80.txt", "_.TXT"},
        {"verylongname.jpeg", "VERYLONG.JPE"},
    };
    LIsoImageBuilder primary(false);
    for (const Case& c : cases)
        EXPECT_EQ(c.onDisc, primary.OnDiscName(c.name)) << c.name;
}

TEST(IsoNames, PrimaryCollisionsAndRecords)
{
    LDiscCompilation compilation("Names");
    AddFile(compilation.Root(), "My File.Text");
    AddFile(compilation.Root(), "myfile.tex");
    AddFile(compilation.Root(), "README");
    AddFile(compilation.Root(), "empty");
    AddFolder(compilation.Root(), "Folder.With.Dots");
    const LDiscImageEntry root = ReadBack(compilation, 3, 0);
    EXPECT_EQ((std::vector<std::string>{"EMPTY", "FOLDERWI.DOT", "MYFILE.TEX", "MYFILE2.TEX", "README"}),
              Names(root));
}

TEST(IsoNames, JolietNamesAreCutAndComposed)
{
    LIsoImageBuilder joliet(true);
    auto units = [](const std::string& be) { return be.size() / 2; };
    // 70 bytes with a 4-byte extension keep 59 of title.
    EXPECT_EQ(63u, units(joliet.OnDiscName(std::string(66, 'a') + ".wav")));
    EXPECT_EQ(std::string(59, 'a') + ".wav", LNfcComposeUtf8(std::string(59, 'a') + ".wav"));
    // A character outside the basic plane is never split at the cut.
    std::string withEmoji = std::string(62, 'a') + "\xF0\x9F\x8E\xB5" + "z";
    const std::string cut = joliet.OnDiscName(withEmoji);
    EXPECT_EQ(62u, units(cut));
    // Cyrillic keeps 63 characters, not 63 bytes.
    std::string cyrillic;
    for (int i = 0; i < 70; ++i)
        cyrillic += "\xD0\x96";
    EXPECT_EQ(63u, units(joliet.OnDiscName(cyrillic)));
    // An extension longer than 62: at most 56 of title and 7 of extension.
    EXPECT_EQ(8u, units(joliet.OnDiscName("t." + std::string(70, 'e'))));
    EXPECT_EQ(63u, units(joliet.OnDiscName(std::string(60, 't') + "." + std::string(70, 'e'))));
    // Decomposed accents are recorded precomposed.
    EXPECT_EQ(std::string("\0\xE9\0x", 4), joliet.OnDiscName("e\xCC\x81x"));
}

TEST(IsoNames, JolietTreeReadsBackWithPathTablesInTheSameForm)
{
    LDiscCompilation compilation("Names");
    LDiscNode* folder = AddFolder(compilation.Root(), "Cafe\xCC\x81");
    AddFile(folder, "e\xCC\x81t\xC3\xA9.txt");
    AddFile(folder, "\xC3\xA9t\xC3\xA9.txt"); // the same name once composed
    AddFile(compilation.Root(), std::string(80, 'x') + "1.txt");
    AddFile(compilation.Root(), std::string(80, 'x') + "2.txt");
    // The reader checks every path-table name against its directory record.
    const LDiscImageEntry root = ReadBack(compilation, 2, 1);
    const std::vector<std::string> names = Names(root);
    ASSERT_EQ(3u, names.size());
    EXPECT_EQ("Caf\xC3\xA9", names[0]);
    EXPECT_EQ(std::string(56, 'x') + "2.txt", names[1]) << "byte order: '2' before 'x'";
    EXPECT_EQ(std::string(59, 'x') + ".txt", names[2]);
    EXPECT_EQ((std::vector<std::string>{"\xC3\xA9t\xC3\xA9.txt", "\xC3\xA9t\xC3\xA9"
                                                                 "2.txt"}),
              Names(root.children[0]));
}

TEST(UdfNames, LongNamesAreCutAndKeptUnique)
{
    LDiscCompilation compilation("Names");
    const std::string stem(200, 'n');
    AddFile(compilation.Root(), stem + "1.txt");
    AddFile(compilation.Root(), stem + "2.txt");
    AddFile(compilation.Root(), "short.txt");
    for (uint32_t code : {4u, 1u}) {
        const LDiscImageEntry root = ReadBack(compilation, code, 2);
        std::set<std::string> names;
        for (const std::string& name : Names(root)) {
            EXPECT_LE(name.size(), 127u);
            names.insert(name);
        }
        EXPECT_EQ(3u, names.size());
        EXPECT_EQ(1u, names.count(std::string(127, 'n')));
        EXPECT_EQ(1u, names.count(std::string(126, 'n') + "2"));
        EXPECT_EQ(1u, names.count("short.txt"));
    }
}

TEST(DiscLabels, EachVolumeCutsTheLabelItsWay)
{
    LDiscCompilation compilation("Holiday Photos 2024!");
    AddFile(compilation.Root(), "a");
    std::string label;
    ReadBack(compilation, 5, 0, &label);
    EXPECT_EQ("HOLIDAY PHOTOS 2024", label);
    ReadBack(compilation, 5, 1, &label);
    EXPECT_EQ("Holiday Photos 2", label);
    ReadBack(compilation, 5, 2, &label);
    EXPECT_EQ("Holiday Photos 2024!", label) << "the logical volume keeps 63 characters";

    // The UDF primary volume descriptor's 32-byte identifier holds 15.
    LDiscImageWriter writer(compilation.Root(), kMediaImageFile, 4);
    writer.BuildLayout();
    uint8_t pvd[2048];
    ASSERT_TRUE(writer.LaidOutSector(32, pvd));
    EXPECT_EQ(1, pvd[0]);
    EXPECT_EQ(16, pvd[24]) << "16-bit identifiers";
    EXPECT_EQ(1 + 2 * 15, pvd[24 + 31]);
    EXPECT_EQ('s', pvd[24 + 1 + 2 * 13 + 1]) << "\"Holiday Photos \" is 15 characters";
}

} // namespace
