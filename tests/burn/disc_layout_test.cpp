#include "DiscTestSupport.h"

#include "burn/LDiscFileSystems.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

namespace {

using quorin::test::LaidOutSectors;
using quorin::test::TempDir;
using quorin::test::WriteFileBytes;

struct CodeRow
{
    uint32_t code;
    bool iso, joliet, udf;
    uint16_t revision;
};

// The file-system codes as the burn settings offer them.
const CodeRow kCodes[] = {
    {1, 0, 0, 1, 0x250},  {2, 1, 1, 0, 0},      {3, 1, 0, 0, 0},  {4, 0, 0, 1, 0x102},
    {5, 1, 1, 1, 0x102},  {6, 1, 1, 0, 0},      {7, 1, 0, 0, 0},  {8, 0, 0, 1, 0x102},
    {9, 0, 0, 0, 0},      {10, 1, 1, 1, 0x102}, {11, 1, 1, 0, 0}, {12, 0, 0, 1, 0x102},
    {13, 0, 0, 0, 0},     {14, 1, 1, 1, 0x102}, {15, 1, 1, 0, 0}, {16, 0, 0, 1, 0x250},
    {17, 0, 0, 0, 0},     {18, 1, 1, 1, 0x102}, {19, 1, 1, 0, 0}, {20, 0, 0, 1, 0x102},
    {21, 1, 1, 1, 0x102}, {22, 1, 1, 1, 0x102}, {23, 0, 0, 0, 0}, {24, 1, 1, 1, 0x102},
    {25, 1, 1, 1, 0x102},
};

class DiscLayoutTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteFileBytes(dir_.Path("a.txt"), "hello");
        WriteFileBytes(dir_.Path("boot.img"), std::string(3000, 'b'));
        mkdir(dir_.Path("folder").c_str(), 0755);
        mkdir(dir_.Path("folder/inner").c_str(), 0755);
        WriteFileBytes(dir_.Path("folder/inner/b.bin"), std::string(5000, 'x'));
        WriteFileBytes(dir_.Path("folder/empty"), "");
        compilation_ = std::make_unique<LDiscCompilation>("Layout");
        ASSERT_NE(nullptr, compilation_->AddPath(compilation_->Root(), dir_.Path("a.txt").c_str()));
        ASSERT_NE(nullptr, compilation_->AddPath(compilation_->Root(), dir_.Path("folder").c_str()));
    }

    TempDir dir_;
    std::unique_ptr<LDiscCompilation> compilation_;
};

TEST(DiscFileSystems, CodeTable)
{
    for (const CodeRow& row : kCodes) {
        const LDiscFileSystems systems = LDiscFileSystemsForCode(row.code);
        EXPECT_EQ(row.iso, systems.iso) << row.code;
        EXPECT_EQ(row.joliet, systems.joliet) << row.code;
        EXPECT_EQ(row.udf, systems.udf) << row.code;
        EXPECT_EQ(row.revision, systems.udfRevision) << row.code;
    }
    for (uint32_t code : {0u, 26u, 1000u}) {
        const LDiscFileSystems systems = LDiscFileSystemsForCode(code);
        EXPECT_FALSE(systems.iso || systems.joliet || systems.udf) << code;
    }
}

// The sector map of every code, with and without a boot image, on a DVD and
// on a BD, against the layout rules.
TEST_F(DiscLayoutTest, SectorMapOfEveryCode)
{
    for (const CodeRow& row : kCodes) {
        for (bool boot : {false, true}) {
            for (uint32_t media :
                 {static_cast<uint32_t>(kMediaImageFile), static_cast<uint32_t>(kMediaBdR)}) {
                SCOPED_TRACE("code " + std::to_string(row.code) + (boot ? " with boot" : "") + " media " +
                             std::to_string(media));
                LDiscImageWriter writer(compilation_->Root(), media, row.code, nullptr,
                                        boot ? dir_.Path("boot.img").c_str() : nullptr);
                writer.BuildLayout();
                ASSERT_TRUE(writer.result.Ok()) << writer.result.message;
                std::map<std::string, uint32_t> at;
                for (const LSectorMapEntry& entry : writer.SectorMap()) {
                    EXPECT_EQ(0u, at.count(entry.name)) << entry.name;
                    at[entry.name] = entry.sector;
                }
                const uint32_t block = media == kMediaBdR ? 32 : 16;
                EXPECT_EQ(0u, (writer.lastSector + 1) % block);
                EXPECT_EQ(0u, at.at("system area"));

                const bool withBoot = boot && row.iso;
                uint32_t next = 16;
                if (row.iso) {
                    EXPECT_EQ(next++, at.at("primary volume descriptor"));
                    if (withBoot) {
                        EXPECT_EQ(next++, at.at("boot record"));
                    }
                    if (row.joliet)
                        EXPECT_EQ(next++, at.at("supplementary volume descriptor"));
                    else
                        EXPECT_EQ(0u, at.count("supplementary volume descriptor"));
                    EXPECT_EQ(next++, at.at("volume descriptor set terminator"));
                } else {
                    EXPECT_EQ(0u, at.count("primary volume descriptor"));
                }
                if (!withBoot) {
                    EXPECT_EQ(0u, at.count("boot record"));
                    EXPECT_EQ(0u, at.count("boot catalog"));
                }
                if (row.udf) {
                    EXPECT_EQ(next, at.at("BEA01"));
                    EXPECT_EQ(next + 1, at.at(row.revision == 0x250 ? "NSR03" : "NSR02"));
                    EXPECT_EQ(next + 2, at.at("TEA01"));
                    EXPECT_EQ(32u, at.at("UDF main volume descriptor sequence"));
                    EXPECT_EQ(48u, at.at("UDF reserve volume descriptor sequence"));
                    EXPECT_EQ(64u, at.at("UDF logical volume integrity sequence"));
                    EXPECT_EQ(256u, at.at("UDF anchor volume descriptor pointer"));
                    EXPECT_EQ(writer.lastSector, at.at("UDF closing anchor volume descriptor pointer"));
                    if (row.revision == 0x250) {
                        EXPECT_EQ(0u, at.at("UDF partition") % 32);
                    }
                    EXPECT_GE(at.at("UDF partition"), 257u);
                } else {
                    EXPECT_EQ(0u, at.count("BEA01"));
                }
                if (row.iso) {
                    const uint32_t tables = row.udf ? 70 + (withBoot ? 1 : 0) : next;
                    EXPECT_EQ(tables, at.at("primary path tables"));
                    // One sector per copy here: L and M of each volume.
                    if (row.joliet) {
                        EXPECT_EQ(tables + 2, at.at("Joliet path tables"));
                    }
                    const uint32_t directories = row.udf ? 257 : tables + (row.joliet ? 4 : 2);
                    EXPECT_EQ(directories, at.at("primary directories"));
                    // Root, folder, inner: three one-sector directories.
                    if (row.joliet) {
                        EXPECT_EQ(directories + 3, at.at("Joliet directories"));
                    }
                }
                if (!row.iso && !row.udf) {
                    EXPECT_EQ(1u, writer.SectorMap().size());
                    EXPECT_EQ(block - 1, writer.lastSector);
                } else {
                    EXPECT_GT(at.at("file data"), at.at(row.iso ? "primary directories" : "UDF partition"));
                }
                if (withBoot) {
                    EXPECT_EQ(at.at("boot catalog") + 1, at.at("boot image"));
                    EXPECT_LT(at.at("boot catalog"), at.at("file data"));
                    EXPECT_GT(at.at("boot catalog"),
                              at.at(row.joliet ? "Joliet directories" : "primary directories"));
                }
            }
        }
    }
}

TEST_F(DiscLayoutTest, BridgeFileSystemsShareTheFileData)
{
    LDiscImageWriter writer(compilation_->Root(), kMediaImageFile, 5);
    writer.BuildLayout();
    ASSERT_TRUE(writer.result.Ok());
    LDiscImageReader reader(LaidOutSectors(writer));
    LDiscImageEntry iso, joliet, udf;
    std::string error;
    ASSERT_TRUE(reader.ReadIso(false, &iso, &error)) << error;
    ASSERT_TRUE(reader.ReadIso(true, &joliet, &error)) << error;
    ASSERT_TRUE(reader.ReadUdf(&udf, &error)) << error;
    auto find = [](const LDiscImageEntry& root, std::initializer_list<const char*> path) {
        const LDiscImageEntry* at = &root;
        for (const char* name : path) {
            const LDiscImageEntry* next = nullptr;
            for (const LDiscImageEntry& child : at->children)
                if (child.name == name)
                    next = &child;
            if (next == nullptr)
                return static_cast<const LDiscImageEntry*>(nullptr);
            at = next;
        }
        return at;
    };
    const LDiscImageEntry* isoFile = find(iso, {"FOLDER", "INNER", "B.BIN"});
    const LDiscImageEntry* jolietFile = find(joliet, {"folder", "inner", "b.bin"});
    const LDiscImageEntry* udfFile = find(udf, {"folder", "inner", "b.bin"});
    ASSERT_TRUE(isoFile && jolietFile && udfFile);
    EXPECT_EQ(isoFile->extents, jolietFile->extents);
    EXPECT_EQ(isoFile->extents, udfFile->extents);
    EXPECT_EQ(5000u, udfFile->size);
    const LDiscImageEntry* empty = find(udf, {"folder", "empty"});
    ASSERT_TRUE(empty);
    EXPECT_EQ(0u, empty->size);
}

// A file of 4.5 GiB: two ISO extents (the first 0xFFFFF800 bytes), five UDF
// extents of at most 0x3FFFF800 bytes, all adding up to the size.
TEST(DiscLayout, FileOfFourAndAHalfGigabytes)
{
    TempDir dir;
    const std::string path = dir.Path("big.raw");
    const uint64_t size = 4608ull * 1024 * 1024;
    {
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(0, ftruncate(fd, static_cast<off_t>(size)));
        close(fd);
    }
    WriteFileBytes(dir.Path("after.txt"), "after");
    LDiscCompilation compilation("Big");
    ASSERT_NE(nullptr, compilation.AddPath(compilation.Root(), path.c_str()));
    ASSERT_NE(nullptr, compilation.AddPath(compilation.Root(), dir.Path("after.txt").c_str()));
    for (uint32_t code : {5u, 1u}) {
        SCOPED_TRACE(code);
        LDiscImageWriter writer(compilation.Root(), kMediaImageFile, code);
        writer.BuildLayout();
        ASSERT_TRUE(writer.result.Ok()) << writer.result.message;
        LDiscImageReader reader(LaidOutSectors(writer));
        std::string error;
        LDiscImageEntry udf;
        ASSERT_TRUE(reader.ReadUdf(&udf, &error)) << error;
        ASSERT_EQ(2u, udf.children.size());
        const LDiscImageEntry& big = udf.children[0].name == "big.raw" ? udf.children[0] : udf.children[1];
        EXPECT_EQ(size, big.size);
        ASSERT_EQ(5u, big.extents.size());
        uint64_t sum = 0;
        for (std::size_t i = 0; i < big.extents.size(); ++i) {
            if (i + 1 < big.extents.size()) {
                EXPECT_EQ(0x3FFFF800u, big.extents[i].second);
            }
            if (i > 0) {
                EXPECT_EQ(big.extents[i - 1].first + big.extents[i - 1].second / 2048, big.extents[i].first);
            }
            sum += big.extents[i].second;
        }
        EXPECT_EQ(size, sum);
        const LDiscImageEntry& after =
            udf.children[0].name == "after.txt" ? udf.children[0] : udf.children[1];
        EXPECT_EQ(after.extents[0].first + 1, big.extents[0].first)
            << "files follow each other in name order";

        if (code != 5)
            continue;
        for (bool joliet : {false, true}) {
            LDiscImageEntry iso;
            ASSERT_TRUE(reader.ReadIso(joliet, &iso, &error)) << error;
            ASSERT_EQ(2u, iso.children.size());
            const LDiscImageEntry& isoBig = iso.children[1];
            ASSERT_EQ(joliet ? "big.raw" : "BIG.RAW", isoBig.name);
            EXPECT_EQ(size, isoBig.size);
            ASSERT_EQ(2u, isoBig.extents.size());
            EXPECT_EQ(0xFFFFF800u, isoBig.extents[0].second);
            EXPECT_EQ(size - 0xFFFFF800u, isoBig.extents[1].second);
            EXPECT_EQ(big.extents[0].first, isoBig.extents[0].first);
            EXPECT_EQ(isoBig.extents[0].first + 0xFFFFF800u / 2048, isoBig.extents[1].first);
        }
    }
}

// Path tables too large for the room below UDF's anchor at 256 move behind it.
TEST(DiscLayout, LargePathTablesBesideUdf)
{
    LDiscCompilation compilation("Folders");
    for (int i = 0; i < 3000; ++i) {
        auto* folder = new LDiscNode(nullptr, true, nullptr, 0, 0);
        const std::string name = std::to_string(i) + std::string(60, 'f');
        folder->SetName(name.c_str());
        compilation.Root()->AddChild(folder);
    }
    LDiscImageWriter writer(compilation.Root(), kMediaImageFile, 5);
    writer.BuildLayout();
    ASSERT_TRUE(writer.result.Ok()) << writer.result.message;
    std::map<std::string, uint32_t> at;
    for (const LSectorMapEntry& entry : writer.SectorMap())
        at[entry.name] = entry.sector;
    EXPECT_EQ(257u, at.at("primary path tables"));
    EXPECT_GT(at.at("primary directories"), at.at("Joliet path tables"));
    LDiscImageReader reader(LaidOutSectors(writer));
    LDiscImageEntry tree;
    std::string error;
    for (bool joliet : {false, true}) {
        ASSERT_TRUE(reader.ReadIso(joliet, &tree, &error)) << error;
        EXPECT_EQ(3000u, tree.children.size());
    }
    ASSERT_TRUE(reader.ReadUdf(&tree, &error)) << error;
    EXPECT_EQ(3000u, tree.children.size());
}

TEST(DiscLayout, TooManyFoldersForThePathTable)
{
    LDiscCompilation compilation("Many");
    LDiscNode* parent = compilation.Root();
    for (int i = 0; i < 65535; ++i) {
        auto* folder = new LDiscNode(nullptr, true, nullptr, 0, 0);
        const std::string name = "f" + std::to_string(i);
        folder->SetName(name.c_str());
        parent->AddChild(folder);
    }
    // 65535 folders and the root.
    LDiscImageWriter refused(compilation.Root(), kMediaImageFile, 3);
    refused.BuildLayout();
    EXPECT_EQ(kBurnIsoStructureFailed, refused.result.code);
    EXPECT_NE(nullptr, std::strstr(refused.result.message, "65535"));
    EXPECT_FALSE(refused.laidOut);
    // UDF has no path table to number.
    LDiscImageWriter udf(compilation.Root(), kMediaImageFile, 4);
    udf.BuildLayout();
    EXPECT_TRUE(udf.result.Ok()) << udf.result.message;
}

} // namespace
