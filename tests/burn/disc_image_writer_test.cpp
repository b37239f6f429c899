// What the image writer does when things go wrong: missing or shrunk
// sources, a full disk, a damaged image under verification, a media code
// without a writer, a stop request; and the thread that lays out.

#include "DiscTestSupport.h"

#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

using quorin::test::ReadFileBytes;
using quorin::test::TempDir;
using quorin::test::WriteFileBytes;

class DiscImageWriterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteFileBytes(dir_.Path("a.txt"), "first file");
        WriteFileBytes(dir_.Path("b.bin"), std::string(10000, 'b'));
        compilation_ = std::make_unique<LDiscCompilation>("Writer");
        ASSERT_NE(nullptr, compilation_->AddPath(compilation_->Root(), dir_.Path("a.txt").c_str()));
        ASSERT_NE(nullptr, compilation_->AddPath(compilation_->Root(), dir_.Path("b.bin").c_str()));
    }

    std::string Image() const { return dir_.Path("out.iso"); }

    TempDir dir_;
    std::unique_ptr<LDiscCompilation> compilation_;
};

TEST_F(DiscImageWriterTest, WritesVerifiesAndEndsOnABlock)
{
    for (uint32_t code : {2u, 5u, 1u}) {
        LDiscImageWriter writer(compilation_->Root(), kMediaImageFile, code);
        quorin::test::WriteImage(writer, Image(), true);
        EXPECT_TRUE(writer.result.Ok()) << code << ": " << writer.result.message;
        const std::string bytes = ReadFileBytes(Image());
        EXPECT_EQ((writer.lastSector + 1) * 2048ull, bytes.size());
        EXPECT_EQ(0u, bytes.size() % (16 * 2048));
    }
}

TEST_F(DiscImageWriterTest, MissingSourceFailsNamingTheFile)
{
    LDiscImageWriter writer(compilation_->Root(), kMediaImageFile, 2);
    writer.BuildLayout();
    ASSERT_TRUE(writer.result.Ok());
    ASSERT_EQ(0, unlink(dir_.Path("b.bin").c_str()));
    LMemorySectorWriter memory;
    writer.WriteImage(nullptr, memory);
    EXPECT_EQ(kBurnFileNotFound, writer.result.code);
    EXPECT_NE(nullptr, std::strstr(writer.result.message, "b.bin")) << writer.result.message;
}

TEST_F(DiscImageWriterTest, ShrunkSourceFails)
{
    LDiscImageWriter writer(compilation_->Root(), kMediaImageFile, 3);
    writer.BuildLayout();
    WriteFileBytes(dir_.Path("b.bin"), "short now");
    LMemorySectorWriter memory;
    writer.WriteImage(nullptr, memory);
    EXPECT_EQ(kBurnFileNotFound, writer.result.code);
    EXPECT_NE(nullptr, std::strstr(writer.result.message, "shorter")) << writer.result.message;
}

TEST_F(DiscImageWriterTest, FullDiskFails)
{
    const int fd = open("/dev/full", O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        GTEST_SKIP() << "no /dev/full";
    LDiscImageWriter writer(compilation_->Root(), kMediaImageFile, 2);
    writer.BuildLayout();
    writer.WriteImageFile(nullptr, fd, false);
    close(fd);
    EXPECT_EQ(kBurnDiskFull, writer.result.code);
    EXPECT_NE(nullptr, std::strstr(writer.result.message, "No space")) << writer.result.message;
}

TEST_F(DiscImageWriterTest, VerifyReportsTheDamagedFile)
{
    LDiscImageWriter writer(compilation_->Root(), kMediaImageFile, 2);
    quorin::test::WriteImage(writer, Image());
    ASSERT_TRUE(writer.result.Ok());
    const LDiscNode* b = compilation_->Root()->FindChild("b.bin");
    ASSERT_NE(nullptr, b);
    {
        const int fd = open(Image().c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(1, pwrite(fd, "X", 1, static_cast<off_t>(b->extent) * 2048 + 3000));
        close(fd);
    }
    const int in = open(Image().c_str(), O_RDONLY | O_CLOEXEC);
    writer.WriteImageFile(nullptr, in, true);
    close(in);
    EXPECT_EQ(kBurnVerifyFailed, writer.result.code);
    ASSERT_EQ(1u, writer.result.DetailCount());
    EXPECT_EQ(kBurnVerifyFailed, writer.result.details->code);
    EXPECT_NE(nullptr, std::strstr(writer.result.details->message, "Error verifying file"))
        << writer.result.details->message;
    EXPECT_NE(nullptr, std::strstr(writer.result.details->message, "b.bin"));

    // A truncated image fails its verification too.
    ASSERT_EQ(0, truncate(Image().c_str(), 2048 * 20));
    const int cut = open(Image().c_str(), O_RDONLY | O_CLOEXEC);
    writer.WriteImageFile(nullptr, cut, true);
    close(cut);
    EXPECT_EQ(kBurnVerifyFailed, writer.result.code);
}

TEST_F(DiscImageWriterTest, MediaWithoutAWriterFails)
{
    LDiscImageWriter writer(compilation_->Root(), kMediaDvdPlusR, 2);
    writer.BuildLayout();
    const int fd = open(Image().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    writer.WriteImageFile(nullptr, fd, false);
    close(fd);
    EXPECT_NE(kBurnNoError, writer.result.code);
    EXPECT_NE(nullptr, std::strstr(writer.result.message, "DVD+R")) << writer.result.message;
}

TEST_F(DiscImageWriterTest, UnreadableBootImageFails)
{
    LDiscImageWriter writer(compilation_->Root(), kMediaImageFile, 2, nullptr,
                            dir_.Path("no-boot.img").c_str());
    EXPECT_EQ(0u, writer.BuildLayout());
    EXPECT_EQ(kBurnCreateIsoFailed, writer.result.code);
    EXPECT_NE(nullptr, std::strstr(writer.result.message, "no-boot.img"));
    LMemorySectorWriter memory;
    writer.WriteImage(nullptr, memory);
    EXPECT_NE(kBurnNoError, writer.result.code) << "an image that was not laid out is never written";
    EXPECT_TRUE(memory.bytes.empty());
}

TEST_F(DiscImageWriterTest, StopRequestEndsTheLayout)
{
    LDiscImageWriter writer(compilation_->Root(), kMediaImageFile, 5);
    writer.RequestStop();
    writer.BuildLayout();
    EXPECT_FALSE(writer.laidOut);
}

TEST_F(DiscImageWriterTest, LayoutOnTheWorkerThread)
{
    LDiscImageWriter direct(compilation_->Root(), kMediaImageFile, 5);
    const uint32_t expected = direct.BuildLayout();
    LDiscImageWriter threaded(compilation_->Root(), kMediaImageFile, 5);
    ASSERT_TRUE(threaded.Start(0));
    ASSERT_TRUE(threaded.WaitUntilFinished(10000));
    EXPECT_TRUE(threaded.laidOut);
    EXPECT_EQ(expected, threaded.lastSector);
}

TEST_F(DiscImageWriterTest, SourceImageIsCopiedAndPaddedToABlock)
{
    WriteFileBytes(dir_.Path("source.iso"), std::string(5000, 's'));
    LDiscImageWriter writer(nullptr, kMediaImageFile, 2, dir_.Path("source.iso").c_str());
    EXPECT_EQ(15u, writer.BuildLayout());
    LMemorySectorWriter memory;
    writer.WriteImage(nullptr, memory);
    ASSERT_TRUE(writer.result.Ok()) << writer.result.message;
    ASSERT_EQ(16u * 2048, memory.bytes.size());
    EXPECT_EQ(std::string(5000, 's'), std::string(memory.bytes.begin(), memory.bytes.begin() + 5000));
    EXPECT_EQ(std::string(16 * 2048 - 5000, '\0'),
              std::string(memory.bytes.begin() + 5000, memory.bytes.end()));
}

TEST_F(DiscImageWriterTest, ProgressAndCancel)
{
    struct Recorder : LProcessContext
    {
        bool IsStopRequested() override { return stop; }
        bool WaitForStop(uint32_t) override { return stop; }
        int WaitForStopOrSignal(const LSignalObject*, uint32_t) override { return 0; }
        int WaitForStopOrPollSet(LPollSet*, uint32_t) override { return 0; }
        // The steps and file names are the dialog's second status line.
        void MessageLevel(const char* text, int level) override
        {
            if (level == 1)
                messages += std::string(text) + "\n";
        }
        void Progress(double fraction) override { last = fraction; }
        bool stop = false;
        std::string messages;
        double last = -1;
    } progress;
    LDiscImageWriter writer(compilation_->Root(), kMediaImageFile, 5);
    writer.BuildLayout();
    LMemorySectorWriter memory;
    writer.WriteImage(&progress, memory);
    EXPECT_TRUE(writer.result.Ok());
    EXPECT_EQ(1.0, progress.last);
    EXPECT_NE(std::string::npos, progress.messages.find("Writing UDF System Information"));
    EXPECT_NE(std::string::npos, progress.messages.find("b.bin"));

    progress.stop = true;
    LMemorySectorWriter again;
    writer.WriteImage(&progress, again);
    EXPECT_EQ(kBurnUserCanceled, writer.result.code);
}

} // namespace
