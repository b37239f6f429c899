// The real libburn backend on a stdio: pseudo-drive (a file standing in for
// a disc): what can be asked of any drive, and a data write followed through
// its status lines.

#include "burn/AiffFixture.h"
#include "burn/BurnTestContext.h"
#include "support/TempHome.h"

#include "burn/LDiscServices.h"
#include "burn/LLibburnBackend.h"
#include "burn/LMediaProfileTable.h"

#include <libburn/libburn.h>

#include <gtest/gtest.h>

#include <algorithm>

using namespace quorin::test;

namespace {

class LibburnStdioTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        if (!LLibburnBackend::Start())
            GTEST_SKIP() << "libburn could not be started";
    }
    LLibburnBackend backend_{"/nonexistent"};
};

TEST_F(LibburnStdioTest, GrabStatusProfileAndSpace)
{
    const std::string address = "stdio:" + home_.Path("disc.img");
    std::string message;
    std::unique_ptr<LBurnDrive> drive = backend_.Grab(address, &message);
    ASSERT_TRUE(drive) << message;
    EXPECT_EQ(drive->DiscStatus(), LBurnDiscStatus::Blank);
    std::string name;
    const int profile = drive->Profile(&name);
    EXPECT_NE(profile, 0);
    EXPECT_FALSE(name.empty());
    EXPECT_GT(drive->FreeBlocks(), 0);
    EXPECT_EQ(drive->UsedBlocks(), 0);
    EXPECT_TRUE(drive->Reassess());
    EXPECT_EQ(drive->Activity(nullptr), LBurnDriveActivity::Idle);

    LBurnResult result;
    int64_t freeBlocks = 0, usedBlocks = -1;
    uint32_t media = 0;
    EXPECT_EQ(LGetMediaCapacity(result, *drive, freeBlocks, usedBlocks, media), 0);
    // An image file's free space is its file system's, which the tests running
    // beside this one change: the capacity follows the drive's figure, not
    // some other unit of it.
    constexpr int64_t kOneGiBInBlocks = 512 * 1024;
    EXPECT_NEAR(static_cast<double>(freeBlocks), static_cast<double>(drive->FreeBlocks()), kOneGiBInBlocks);
    EXPECT_EQ(usedBlocks, 0);
    EXPECT_EQ(media, LMediaCodeForProfile(profile));
}

TEST_F(LibburnStdioTest, MissingDriveCannotBeGrabbed)
{
    std::string message;
    EXPECT_FALSE(backend_.Grab("/nonexistent/sr0", &message));
    EXPECT_FALSE(message.empty());
    EXPECT_TRUE(backend_.DriveAddresses().empty());
    LBurnResult result;
    int64_t freeBlocks, usedBlocks;
    uint32_t media;
    EXPECT_EQ(LReadDiscState(result, backend_, 0, freeBlocks, usedBlocks, media), 15);
}

TEST_F(LibburnStdioTest, DataWriteShowsItsStatusLinesInOrder)
{
    std::vector<unsigned char> data(2048 * 600);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<unsigned char>(i * 7 + i / 2048);
    const std::string input = home_.Path("data.bin");
    WriteBytes(input, data);
    const std::string output = home_.Path("disc.img");

    std::string message;
    std::unique_ptr<LBurnDrive> drive = backend_.Grab("stdio:" + output, &message);
    ASSERT_TRUE(drive) << message;
    burn::burn_source* source = burn::burn_file_source_new(input.c_str(), nullptr);
    ASSERT_NE(source, nullptr);
    LBurnWriteRequest request;
    request.sao = false;
    request.tracks.push_back(LBurnWriteTrack{source, false});
    const bool started = drive->StartWrite(request);
    burn::burn_source_free(source);
    ASSERT_TRUE(started) << drive->LastMessage();

    BurnTestContext context;
    LBurnWaitBounds bounds;
    bounds.pollMs = 1;
    const LBurnJobOutcome outcome = LRunBurnJob(&context, *drive, bounds, true);
    EXPECT_EQ(outcome.status, 0) << outcome.message;
    EXPECT_TRUE(outcome.idle);
    drive->FinishWrite();

    const std::vector<unsigned char> written = ReadBytes(output);
    ASSERT_GE(written.size(), data.size());
    EXPECT_TRUE(std::equal(data.begin(), data.end(), written.begin()));

    // Every line seen belongs to a write, they come in the order of the
    // steps, and the track was seen being written.
    const std::vector<std::string> order = {"Preparing...",
                                            "Opening Session...",
                                            "Opening Track...",
                                            "Writing track 1 ...",
                                            "Closing... (this might take a while)",
                                            "Finishing..."};
    size_t at = 0;
    bool wrote = false;
    for (const std::string& line : context.lines[1]) {
        const auto it = std::find(order.begin(), order.end(), line);
        ASSERT_NE(it, order.end()) << line;
        const size_t pos = static_cast<size_t>(it - order.begin());
        EXPECT_GE(pos, at) << line << " after " << order[at];
        at = std::max(at, pos);
        wrote = wrote || line == "Writing track 1 ...";
    }
    EXPECT_TRUE(wrote);
    EXPECT_TRUE(drive->Reassess());
}

TEST_F(LibburnStdioTest, AudioIsRefusedOnAPseudoDrive)
{
    std::string message;
    std::unique_ptr<LBurnDrive> drive = backend_.Grab("stdio:" + home_.Path("audio.img"), &message);
    ASSERT_TRUE(drive) << message;
    const std::string input = home_.Path("silence.raw");
    WriteBytes(input, std::vector<unsigned char>(2352 * 300));
    burn::burn_source* source = burn::burn_file_source_new(input.c_str(), nullptr);
    LBurnWriteRequest request;
    request.tracks.push_back(LBurnWriteTrack{source, true});
    bool started = drive->StartWrite(request);
    burn::burn_source_free(source);
    if (started) {
        BurnTestContext context;
        const LBurnJobOutcome outcome = LRunBurnJob(&context, *drive, LBurnWaitBounds{}, true);
        drive->FinishWrite();
        EXPECT_EQ(outcome.status, 2);
        EXPECT_FALSE(outcome.message.empty());
    } else {
        EXPECT_FALSE(drive->LastMessage().empty());
    }
}

} // namespace
