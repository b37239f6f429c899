// Images checked with the reference tools: xorriso, isoinfo, 7z, udfinfo and
// dumpet must read them, and every file 7z extracts must equal its source.

#include "DiscTestSupport.h"

#include "burn/unicode/LNfc.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <string>

namespace {

using quorin::test::FileSectors;
using quorin::test::ReadFileBytes;
using quorin::test::TempDir;
using quorin::test::WriteFileBytes;

int RunTool(const std::string& command, std::string* output)
{
    output->clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return -1;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output->append(buffer, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool Have(const char* tool)
{
    std::string out;
    return RunTool(std::string("command -v ") + tool, &out) == 0;
}

std::string Quote(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Source names in many scripts and shapes.
const char* const kCyrillic = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xD0\xBC\xD0\xB8\xD1\x80.txt";
const char* const kCjk =
    "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4"
    "\xE3\x83\xAB.bin";
const char* const kDecomposed = "e\xCC\x81"
                                "cole"
                                "\xCC\x81"
                                "e.txt"; // école with combining accents
const char* const kDecomposedFolder = "Cafe\xCC\x81";

class DiscImageToolsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* tool : {"xorriso", "isoinfo", "7z", "udfinfo", "dumpet"})
            if (!Have(tool))
                GTEST_SKIP() << tool << " is not installed (tools/install-deps.sh)";
        std::mt19937 random(7);
        auto bytes = [&](std::size_t n) {
            std::string out(n, '\0');
            for (char& c : out)
                c = static_cast<char>(random());
            return out;
        };
        const std::string root = src_.Path("disc");
        mkdir(root.c_str(), 0755);
        WriteFileBytes(root + "/" + kCyrillic, bytes(3000));
        WriteFileBytes(root + "/" + kCjk, bytes(70000));
        WriteFileBytes(root + "/empty", "");
        WriteFileBytes(root + "/" + std::string(70, 'L') + ".dat", bytes(10));
        mkdir((root + "/" + kDecomposedFolder).c_str(), 0755);
        WriteFileBytes(root + "/" + kDecomposedFolder + "/" + kDecomposed, bytes(2048));
        std::string deep = root;
        for (int level = 0; level < 9; ++level) {
            deep += "/level" + std::to_string(level);
            mkdir(deep.c_str(), 0755);
        }
        WriteFileBytes(deep + "/deepest.txt", bytes(4097));
        WriteFileBytes(src_.Path("boot.img"), bytes(2048 * 4));

        compilation_ = std::make_unique<LDiscCompilation>("Quorin Test");
        std::string error;
        ASSERT_NE(nullptr, compilation_->AddPath(compilation_->Root(), (root + "/.").c_str(), &error))
            << error;
        // The folder "." itself is the disc's top folder.
        disc_ = compilation_->Root()->children.begin()->second.get();
    }

    // Every file 7z extracted, by path, must match the source the image
    // was made of (found through our reader's extents).
    void CompareExtraction(const LDiscImageEntry& tree, const std::string& extracted,
                           const std::string& prefix, std::map<uint64_t, const LDiscNode*>& bySector,
                           int* compared)
    {
        for (const LDiscImageEntry& entry : tree.children) {
            const std::string path = prefix + entry.name;
            if (entry.folder) {
                CompareExtraction(entry, extracted, path + "/", bySector, compared);
                continue;
            }
            const LDiscNode* node = nullptr;
            if (entry.size > 0) {
                auto it = bySector.find(entry.extents.at(0).first);
                ASSERT_NE(bySector.end(), it) << path;
                node = it->second;
            }
            const std::string got = ReadFileBytes(extracted + "/" + path);
            if (node != nullptr)
                EXPECT_TRUE(got == ReadFileBytes(node->source)) << path << " differs from " << node->source;
            else
                EXPECT_TRUE(quorin::test::PathExists(extracted + "/" + path)) << path;
            EXPECT_EQ(entry.size, got.size()) << path;
            ++*compared;
        }
    }

    void CheckImage(uint32_t code, bool boot)
    {
        SCOPED_TRACE("code " + std::to_string(code) + (boot ? " with boot image" : ""));
        const std::string image = out_.Path("disc" + std::to_string(code) + (boot ? "b" : "") + ".iso");
        LDiscImageWriter writer(compilation_->Root(), kMediaImageFile, code, nullptr,
                                boot ? src_.Path("boot.img").c_str() : nullptr);
        quorin::test::WriteImage(writer, image, true);
        ASSERT_TRUE(writer.result.Ok()) << writer.result.code << " " << writer.result.message;
        const LDiscFileSystems systems = writer.FileSystems();

        std::map<uint64_t, const LDiscNode*> bySector;
        compilation_->Root()->Walk([&](LDiscNode& node) {
            if (!node.isFolder)
                bySector[node.extent] = &node;
        });

        LDiscImageReader reader(FileSectors(image));
        std::string error, out;
        LDiscImageEntry tree;
        if (systems.iso) {
            ASSERT_TRUE(reader.ReadIso(systems.joliet, &tree, &error)) << error;
            ASSERT_EQ(0, RunTool("isoinfo -d -i " + Quote(image), &out)) << out;
            EXPECT_NE(std::string::npos, out.find("Volume id: QUORIN TEST")) << out;
            EXPECT_EQ(systems.joliet, out.find("Joliet with UCS level 3 found") != std::string::npos) << out;
            ASSERT_EQ(0, RunTool("isoinfo -l -i " + Quote(image), &out)) << out;
            EXPECT_NE(std::string::npos, out.find("DEEPEST.TXT;1")) << out;
            if (systems.joliet) {
                ASSERT_EQ(0, RunTool("isoinfo -J -l -i " + Quote(image), &out)) << out;
                EXPECT_NE(std::string::npos, out.find("deepest.txt")) << out;
            }
            ASSERT_EQ(0,
                      RunTool("xorriso -abort_on FAILURE -indev " + Quote(image) + " -find / -type f", &out))
                << out;
            EXPECT_EQ(std::string::npos, out.find("FAILURE")) << out;
            if (systems.joliet) {
                // Joliet names: precomposed, cut to 63 units.
                EXPECT_NE(std::string::npos, out.find(kCyrillic)) << out;
                EXPECT_NE(std::string::npos, out.find(kCjk)) << out;
                EXPECT_NE(std::string::npos,
                          out.find(LNfcComposeUtf8(kDecomposedFolder) + "/" + LNfcComposeUtf8(kDecomposed)))
                    << out;
                EXPECT_NE(std::string::npos, out.find("/" + std::string(59, 'L') + ".dat'")) << out;
                EXPECT_NE(std::string::npos, out.find("level8/deepest.txt")) << out;
            }
        }
        if (systems.udf) {
            LDiscImageEntry udfTree;
            ASSERT_TRUE(reader.ReadUdf(&udfTree, &error)) << error;
            EXPECT_EQ(systems.udfRevision, reader.udfRevision);
            if (!systems.iso)
                tree = udfTree;
            ASSERT_EQ(0, RunTool("udfinfo " + Quote(image), &out)) << out;
            EXPECT_NE(std::string::npos, out.find("label=Quorin Test")) << out;
            EXPECT_NE(std::string::npos, out.find("numfiles=6")) << out;
            EXPECT_NE(std::string::npos, out.find("numdirs=12")) << out;
            EXPECT_NE(std::string::npos,
                      out.find(systems.udfRevision == 0x250 ? "udfrev=2.50" : "udfrev=1.02"))
                << out;
            EXPECT_NE(std::string::npos, out.find("integrity=closed")) << out;
            // UDF keeps the names as given, long ones whole.
            const std::string listing = quorin::test::Listing(udfTree);
            for (const std::string& name : {std::string(kCyrillic), std::string(kCjk),
                                            std::string(kDecomposed), std::string(70, 'L') + ".dat"})
                EXPECT_NE(std::string::npos, listing.find(name)) << listing;
        }

        // 7z extracts the view it prefers: UDF where there is one.
        const std::string extracted = out_.Path("x" + std::to_string(code) + (boot ? "b" : ""));
        const char* type = systems.udf ? "-tudf" : "-tiso";
        ASSERT_EQ(
            0, RunTool(std::string("7z x -y ") + type + " -o" + Quote(extracted) + " " + Quote(image), &out))
            << out;
        LDiscImageEntry view = tree;
        if (systems.udf) {
            ASSERT_TRUE(reader.ReadUdf(&view, &error)) << error;
        }
        int compared = 0;
        CompareExtraction(view, extracted, "", bySector, &compared);
        EXPECT_EQ(6, compared);

        if (boot) {
            ASSERT_EQ(0, RunTool("dumpet -i " + Quote(image), &out)) << out;
            EXPECT_NE(std::string::npos, out.find("Entry is bootable")) << out;
            EXPECT_NE(std::string::npos, out.find("no emulation")) << out;
            const std::size_t lba = out.find("Load LBA: ");
            ASSERT_NE(std::string::npos, lba) << out;
            const uint64_t sector = std::stoull(out.substr(lba + 10));
            uint8_t data[2048];
            std::string bootImage;
            for (int i = 0; i < 4; ++i) {
                ASSERT_TRUE(FileSectors(image)(sector + i, data));
                bootImage.append(reinterpret_cast<char*>(data), 2048);
            }
            EXPECT_TRUE(bootImage == ReadFileBytes(src_.Path("boot.img"))) << "boot image at " << sector;
            EXPECT_EQ(reader.bootCatalogSector + 1, sector);
        }
    }

    TempDir src_;
    TempDir out_;
    std::unique_ptr<LDiscCompilation> compilation_;
    LDiscNode* disc_ = nullptr;
};

TEST_F(DiscImageToolsTest, IsoWithJoliet)
{
    CheckImage(2, false);
}
TEST_F(DiscImageToolsTest, IsoWithJolietAndBootImage)
{
    CheckImage(2, true);
}
TEST_F(DiscImageToolsTest, IsoOnly)
{
    CheckImage(3, false);
}
TEST_F(DiscImageToolsTest, IsoOnlyWithBootImage)
{
    CheckImage(3, true);
}
TEST_F(DiscImageToolsTest, Udf250)
{
    CheckImage(1, false);
}
TEST_F(DiscImageToolsTest, Udf102)
{
    CheckImage(4, false);
}
TEST_F(DiscImageToolsTest, Bridge)
{
    CheckImage(5, false);
}
TEST_F(DiscImageToolsTest, BridgeWithBootImage)
{
    CheckImage(5, true);
}

// Only the names on the disc have the file systems' limits: a source whose
// path is far longer than any disc name, and one whose name is not UTF-8 (a
// legacy Latin-1 name), are both imaged from their own bytes.
TEST(DiscImageLocalPaths, LongPathsAndNonUtf8NamesAreReadByTheirOwnBytes)
{
    for (const char* tool : {"xorriso", "isoinfo"})
        if (!Have(tool))
            GTEST_SKIP() << tool << " is not installed (tools/install-deps.sh)";
    TempDir src;
    TempDir out;
    std::string deep = src.Path("");
    for (int level = 0; level < 4; ++level) {
        deep += "/" + std::string(100, static_cast<char>('a' + level));
        mkdir(deep.c_str(), 0755);
    }
    const std::string longPath = deep + "/short.txt";
    ASSERT_GT(longPath.size(), 400u);
    const std::string latin1Path = src.Path("caf\xE9 \xB5s.txt"); // "café µs.txt" in Latin-1
    WriteFileBytes(longPath, std::string(5000, 'x') + "end of the deep file");
    WriteFileBytes(latin1Path, "bytes of the Latin-1 file");

    LDiscCompilation compilation("Paths");
    std::string error;
    ASSERT_NE(nullptr, compilation.AddPath(compilation.Root(), longPath.c_str(), &error)) << error;
    LDiscNode* latin1 = compilation.AddPath(compilation.Root(), latin1Path.c_str(), &error);
    ASSERT_NE(nullptr, latin1) << error;
    EXPECT_STREQ("caf\xC3\xA9 \xC2\xB5s.txt", latin1->name);
    EXPECT_EQ(latin1Path, latin1->source);

    const std::string image = out.Path("paths.iso");
    LDiscImageWriter writer(compilation.Root(), kMediaImageFile, 2, nullptr, nullptr);
    quorin::test::WriteImage(writer, image, true);
    ASSERT_TRUE(writer.result.Ok()) << writer.result.code << " " << writer.result.message;

    std::string listing;
    ASSERT_EQ(0, RunTool("xorriso -abort_on FAILURE -indev " + Quote(image) + " -find / -type f", &listing))
        << listing;
    EXPECT_NE(std::string::npos, listing.find("/short.txt")) << listing;
    EXPECT_NE(std::string::npos, listing.find("/caf\xC3\xA9 \xC2\xB5s.txt")) << listing;
    const std::string extracted = out.Path("x");
    std::string log;
    ASSERT_EQ(0, RunTool("xorriso -osirrox on -indev " + Quote(image) + " -extract / " + Quote(extracted), &log))
        << log;
    EXPECT_EQ(ReadFileBytes(longPath), ReadFileBytes(extracted + "/short.txt"));
    EXPECT_EQ(ReadFileBytes(latin1Path), ReadFileBytes(extracted + "/caf\xC3\xA9 \xC2\xB5s.txt"));
    ASSERT_EQ(0, RunTool("isoinfo -J -x '/short.txt;1' -i " + Quote(image), &log)) << log;
    EXPECT_EQ(ReadFileBytes(longPath), log);
}

} // namespace
