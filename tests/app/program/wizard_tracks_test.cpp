// The split page's work on the wizard's tracks: the rows with their
// durations and times, joining two tracks, deleting, renaming a track
// together with its master copy (both or neither), bringing the working
// copies back from the masters, and the split duration's range.

#include "TrackPagesTestSupport.h"

#include "app/program/wizard/SplitTrackEditor.h"
#include "app/program/wizard/WizardTracks.h"
#include "foundation/settings/LSettings.h"

#include <ctime>
#include <sys/stat.h>
#include <sys/time.h>

using namespace quorin::test;

namespace {

using Names = std::vector<std::string>;

class WizardTracksTest : public WizardFoldersTest
{
};

} // namespace

TEST(WizardTrackRows, DurationIsWholeMillisecondsWithoutOverflow)
{
    const struct
    {
        int64_t frames;
        int64_t rate;
        int64_t ms;
    } cases[] = {
        {44100, 44100, 1000},
        {44099, 44100, 999},
        {66150, 44100, 1500},
        {1, 44100, 0},
        {0, 44100, 0},
        {48000, 0, 0},
        {48000, -1, 0},
        // Frames x 1000 would overflow; the quotient and remainder do not.
        {INT64_MAX / 10, 48000, (INT64_MAX / 10) / 48000 * 1000 + (INT64_MAX / 10) % 48000 * 1000 / 48000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TrackDurationMs(c.frames, c.rate), c.ms) << c.frames << " at " << c.rate;
}

TEST_F(WizardTracksTest, RowsShowEachTrackWithItsDurationAndTimeAndNothingElse)
{
    AddTrack("side1 2026-12-11 08-00-00_SPLIT_02.wav", 2.25);
    AddTrack("side1 2026-12-11 08-00-00_SPLIT_01.wav", 1.5);
    WriteToneTrack(folders_.save + "/side1.wav", 0.1);
    WriteToneTrack(folders_.save + "/.unfinished.wav", 0.1);
    ASSERT_EQ(mkdir((folders_.save + "/folder.wav").c_str(), 0755), 0);
    WriteFileBytes(folders_.save + "/notes.wav", "not a wav file");
    const std::string when = folders_.save + "/side1 2026-12-11 08-00-00_SPLIT_01.wav";
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 11;
    local.tm_mday = 11;
    local.tm_hour = 8;
    local.tm_min = 5;
    local.tm_sec = 9;
    local.tm_isdst = -1;
    const timeval times[2] = {{mktime(&local), 0}, {mktime(&local), 0}};
    ASSERT_EQ(utimes(when.c_str(), times), 0);

    const std::vector<WizardTrackRow> rows = ReadTrackRows(folders_.save);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].name, "notes.wav");
    EXPECT_EQ(rows[0].duration, "0:00:00.00");
    EXPECT_EQ(rows[1].name, "side1 2026-12-11 08-00-00_SPLIT_01.wav");
    EXPECT_EQ(rows[1].durationMs, 1500);
    EXPECT_EQ(rows[1].duration, "0:00:01.50");
    EXPECT_EQ(rows[1].modified, "2026-12-11   08:05:09");
    EXPECT_EQ(rows[2].duration, "0:00:02.25");
}

TEST_F(WizardTracksTest, JoinGivesOneTrackOfTheSummedLengthAndKeepsTheMasters)
{
    AddTrack("a_SPLIT_01.wav", 1.0, 440);
    AddTrack("a_SPLIT_02.wav", 1.5, 660);
    AddTrack("a_SPLIT_03.wav", 0.5, 880);
    CountingContext context;
    std::string joined;
    ASSERT_EQ(JoinTracks(&context, folders_, "a_SPLIT_01.wav", "a_SPLIT_02.wav", &joined), 0);
    EXPECT_EQ(Saved(), (Names{joined, "a_SPLIT_03.wav"}));
    EXPECT_EQ(Masters(), (Names{"a_SPLIT_01.wav", "a_SPLIT_02.wav", "a_SPLIT_03.wav", "save"}));
    const StereoSamples first = ReadWav(folders_.recording + "/a_SPLIT_01.wav");
    const StereoSamples second = ReadWav(folders_.recording + "/a_SPLIT_02.wav");
    const StereoSamples whole = ReadWav(folders_.save + "/" + joined);
    EXPECT_EQ(whole.Frames(), first.Frames() + second.Frames());
    // First then second, sample for sample.
    EXPECT_TRUE(std::equal(first.data.begin(), first.data.end(), whole.data.begin()));
    EXPECT_TRUE(std::equal(second.data.begin(), second.data.end(), whole.data.begin() + first.data.size()));
    if (HaveTool("soxi")) {
        EXPECT_EQ(CaptureCommand("soxi -s " + Quote(folders_.save + "/" + joined)), "110250\n");
    }
}

TEST_F(WizardTracksTest, AJoinThatCannotRunLeavesBothTracks)
{
    AddTrack("a_SPLIT_01.wav", 0.5);
    AddTrack("a_SPLIT_02.wav", 0.5);
    const std::string before = ReadFileBytes(folders_.save + "/a_SPLIT_01.wav");
    CountingContext context;
    std::string joined;
    EXPECT_EQ(JoinTracks(&context, folders_, "a_SPLIT_01.wav", "gone.wav", &joined), 2);
    EXPECT_EQ(joined, "");
    WriteFileBytes(folders_.save + "/broken.wav", "RIFF....WAVE but nothing more");
    EXPECT_EQ(JoinTracks(&context, folders_, "a_SPLIT_01.wav", "broken.wav", &joined), 2);
    EXPECT_EQ(Saved(), (Names{"a_SPLIT_01.wav", "a_SPLIT_02.wav", "broken.wav"}));
    EXPECT_EQ(ReadFileBytes(folders_.save + "/a_SPLIT_01.wav"), before);
}

TEST_F(WizardTracksTest, DeleteRemovesWorkingCopiesOnlyAndRestoreBringsEveryMasterBack)
{
    AddTrack("a_SPLIT_01.wav", 0.5, 440);
    AddTrack("a_SPLIT_02.wav", 0.5, 660);
    AddTrack("a_SPLIT_03.wav", 0.5, 880);
    WriteToneTrack(folders_.recording + "/side1.wav", 0.2);
    EXPECT_TRUE(DeleteTracks(folders_, {"a_SPLIT_01.wav"}));
    EXPECT_EQ(Saved(), (Names{"a_SPLIT_02.wav", "a_SPLIT_03.wav"}));
    EXPECT_EQ(Masters(), (Names{"a_SPLIT_01.wav", "a_SPLIT_02.wav", "a_SPLIT_03.wav", "save", "side1.wav"}));
    CountingContext context;
    std::string joined;
    ASSERT_EQ(JoinTracks(&context, folders_, "a_SPLIT_02.wav", "a_SPLIT_03.wav", &joined), 0);
    EXPECT_EQ(Saved(), Names{joined});

    // Back to the tracks as split: the deleted one returns, the joined one
    // goes and its parts return, byte for byte; the side is no track.
    EXPECT_TRUE(RestoreWorkingCopies(folders_));
    EXPECT_EQ(Saved(), (Names{"a_SPLIT_01.wav", "a_SPLIT_02.wav", "a_SPLIT_03.wav"}));
    for (const std::string& name : Saved())
        EXPECT_EQ(ReadFileBytes(folders_.save + "/" + name), ReadFileBytes(folders_.recording + "/" + name));
}

TEST_F(WizardTracksTest, RenameMovesTheTrackAndItsMasterOrNeither)
{
    const struct
    {
        const char* typed;
        RenameCheck check;
        const char* after; // the working copy's name afterwards
    } cases[] = {
        {"Song", RenameCheck::kRename, "Song.wav"},     {"  Song  ", RenameCheck::kRename, "Song.wav"},
        {"Song.wav", RenameCheck::kRename, "Song.wav"}, {"Song.mp3", RenameCheck::kNothing, "Track.wav"},
        {" ", RenameCheck::kEmpty, "Track.wav"},        {".wav", RenameCheck::kLeadingDot, "Track.wav"},
        {"a/b", RenameCheck::kSlash, "Track.wav"},      {"Other", RenameCheck::kExists, "Track.wav"},
    };
    for (const auto& c : cases) {
        EmptyTrackFolder(folders_.save);
        EmptyTrackFolder(folders_.recording);
        AddTrack("Track.wav", 0.3);
        AddTrack("Other.wav", 0.3, 660);
        const TrackRenameOutcome outcome = RenameTrack(folders_, "Track.wav", c.typed);
        EXPECT_EQ(outcome.check, c.check) << c.typed;
        EXPECT_FALSE(outcome.failed) << c.typed;
        const Names expected = std::string(c.after) == "Song.wav" ? Names{"Other.wav", "Song.wav"}
                                                                  : Names{"Other.wav", "Track.wav"};
        EXPECT_EQ(Saved(), expected) << c.typed;
        Names masters = expected;
        masters.push_back("save");
        EXPECT_EQ(Masters(), masters) << c.typed;
    }
    EXPECT_EQ(std::string(RenameRefusalText(RenameCheck::kEmpty)), "File name is empty, please try again.");

    // A master of the new name that is another file: neither is renamed.
    EmptyTrackFolder(folders_.save);
    EmptyTrackFolder(folders_.recording);
    AddTrack("Track.wav", 0.3);
    WriteToneTrack(folders_.recording + "/Song.wav", 0.2, 880);
    const TrackRenameOutcome clash = RenameTrack(folders_, "Track.wav", "Song");
    EXPECT_EQ(clash.check, RenameCheck::kExists);
    EXPECT_EQ(Saved(), Names{"Track.wav"});
    EXPECT_EQ(Masters(), (Names{"Song.wav", "Track.wav", "save"}));

    // Undo after a rename brings back the new name, never the old one.
    const TrackRenameOutcome ok = RenameTrack(folders_, "Track.wav", "Intro");
    ASSERT_EQ(ok.check, RenameCheck::kRename);
    EXPECT_EQ(ok.newName, "Intro.wav");
    EXPECT_TRUE(RestoreWorkingCopies(folders_));
    EXPECT_EQ(Saved(), (Names{"Intro.wav", "Song.wav"}));
}

TEST_F(WizardTracksTest, ATrackWithoutAMasterIsRenamedAlone)
{
    WriteToneTrack(folders_.save + "/joined.wav", 0.3);
    const TrackRenameOutcome outcome = RenameTrack(folders_, "joined.wav", "Medley");
    EXPECT_EQ(outcome.check, RenameCheck::kRename);
    EXPECT_EQ(Saved(), Names{"Medley.wav"});
    EXPECT_EQ(Masters(), Names{"save"});
}

TEST_F(WizardTracksTest, SplitDurationStaysWithinOneToTwenty)
{
    const struct
    {
        int64_t typed;
        int stored;
    } cases[] = {{0, 1}, {-5, 1}, {1, 1}, {2, 2}, {20, 20}, {21, 20}, {1000, 20}};
    for (const auto& c : cases) {
        StoreAutoSplitTime(c.typed);
        EXPECT_EQ(LSettingsGetInt("Settings", "AutoSplitTime", 0), c.stored) << c.typed;
        EXPECT_EQ(ReadAutoSplitTime(), c.stored) << c.typed;
    }
    LSettingsSetString("Settings", "AutoSplitTime", "99");
    EXPECT_EQ(ReadAutoSplitTime(), 20);
}
