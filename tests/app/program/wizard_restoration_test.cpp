// The restoration page's work: which tools are offered and checked for
// vinyl and tape, direct phono or through an amplifier; applying every tool
// to the wizard's tracks (clicks reduced, the offset removed) and undoing it
// byte for byte; a second apply starting again from the tracks as split;
// the user's speed setting never touched; a failed or cancelled apply
// changing nothing.

#include "TrackPagesTestSupport.h"

#include "app/program/wizard/TrackRestoration.h"
#include "foundation/settings/LSettings.h"

#include <algorithm>
#include <numeric>

using namespace quorin::test;

namespace {

using Names = std::vector<std::string>;

// A quiet tone with a DC offset and a click every 0.2 s.
StereoSamples ClickyTrack(double seconds)
{
    StereoSamples s;
    AppendTone(s, seconds, 440, 0.05, 1600);
    for (int64_t f = kWizardRate / 10; f < s.Frames(); f += kWizardRate / 5)
        for (int c = 0; c < 2; ++c) {
            s.data[static_cast<size_t>(2 * f + c)] = 30000;
            s.data[static_cast<size_t>(2 * (f + 1) + c)] = -30000;
        }
    return s;
}

double Mean(const StereoSamples& s)
{
    return std::accumulate(s.data.begin(), s.data.end(), 0.0) / static_cast<double>(s.data.size());
}

// The largest step from one sample of a channel to the next.
int LargestStep(const StereoSamples& s)
{
    int largest = 0;
    for (size_t i = 2; i < s.data.size(); ++i)
        largest = std::max(largest, std::abs(s.data[i] - s.data[i - 2]));
    return largest;
}

class WizardRestorationTest : public WizardFoldersTest
{
protected:
    void AddClickyTrack(const std::string& name, double seconds)
    {
        const StereoSamples s = ClickyTrack(seconds);
        WriteWav(folders_.recording + "/" + name, s);
        WriteWav(folders_.save + "/" + name, s);
    }

    void SetSource(const char* vinyl, const char* amp)
    {
        LSettingsSetString("RecordingSource", "Vinyl", vinyl);
        LSettingsSetString("RecordingSource", "Amp", amp);
    }

    static RestorationChoices Every()
    {
        RestorationChoices all;
        all.highPass = all.clickPop = all.riaa = all.dcOffset = all.noiseReduction = all.normalize = true;
        return all;
    }
};

} // namespace

TEST_F(WizardRestorationTest, TheToolsOfferedAndCheckedFollowTheSource)
{
    const struct
    {
        const char* vinyl;
        const char* amp;
        bool clickPop;
        bool riaa;
    } cases[] = {
        {"1", "1", true, false},  // vinyl through an amplifier
        {"1", "0", true, true},   // vinyl straight into the computer
        {"", "0", true, true},    // an unset source counts as vinyl
        {"0", "0", false, false}, // tape
        {"0", "1", false, false},
    };
    for (const auto& c : cases) {
        SetSource(c.vinyl, c.amp);
        EXPECT_EQ(IsClickPopAllowed(), c.clickPop) << c.vinyl << c.amp;
        EXPECT_EQ(IsRiaaAllowed(), c.riaa) << c.vinyl << c.amp;
        // First run: nothing stored.
        const RestorationChoices first = ReadRestorationChoices();
        EXPECT_TRUE(first.normalize);
        EXPECT_TRUE(first.dcOffset);
        EXPECT_TRUE(first.noiseReduction);
        EXPECT_FALSE(first.highPass);
        EXPECT_EQ(first.clickPop, c.clickPop);
        EXPECT_EQ(first.riaa, c.riaa);
        // Stored choices come back, within what the source allows.
        StoreRestorationChoices(Every());
        const RestorationChoices stored = ReadRestorationChoices();
        EXPECT_TRUE(stored.highPass);
        EXPECT_EQ(stored.clickPop, c.clickPop);
        EXPECT_EQ(stored.riaa, c.riaa);
        const LRestorationTools tools = ToolsForChoices(Every());
        EXPECT_EQ(tools.clickPop, c.clickPop);
        EXPECT_EQ(tools.riaa, c.riaa);
        StoreRestorationChoices(RestorationChoices{});
        EXPECT_FALSE(ReadRestorationChoices().Any());
        for (const char* name :
             {"Normalization", "HPF", "Equalization", "DCOffset", "ClickPop", "NoiseReduce"})
            LSettingsDelete("AudioRestoration", name);
    }
    StoreRestorationChoices(RestorationChoices{});
    char level[16] = {};
    LSettingsGetString("Settings", "NormalizeLevel", "", level);
    EXPECT_STREQ(level, "0");
    StoreRestorationChoices(Every());
    LSettingsGetString("Settings", "NormalizeLevel", "", level);
    EXPECT_STREQ(level, "100");
}

TEST_F(WizardRestorationTest, ApplyWithEveryToolChangesTheTracksAndUndoRestoresThemByteForByte)
{
    SetSource("1", "0");
    // The record was played at 45: the sides were already corrected, so the
    // tracks keep their length and the setting stays as the user left it.
    LSettingsSetString("RecordingSource", "RecordingSpeed", "1");
    AddClickyTrack("a_SPLIT_01.wav", 1.0);
    AddClickyTrack("a_SPLIT_02.wav", 1.5);
    const StereoSamples before = ReadWav(folders_.save + "/a_SPLIT_01.wav");
    ASSERT_GT(Mean(before), 1500);

    // Each tool on its own does what it is for.
    TrackRestoration restoration(folders_);
    CountingContext context;
    std::string error;
    RestorationChoices dc;
    dc.dcOffset = true;
    ASSERT_EQ(restoration.Apply(&context, dc, &error), 0) << error;
    EXPECT_LT(std::abs(Mean(ReadWav(folders_.save + "/a_SPLIT_01.wav"))), 20);
    RestorationChoices clicks;
    clicks.clickPop = true;
    ASSERT_EQ(restoration.Apply(&context, clicks, &error), 0) << error;
    EXPECT_LT(LargestStep(ReadWav(folders_.save + "/a_SPLIT_01.wav")), LargestStep(before) / 2);

    ASSERT_EQ(restoration.Apply(&context, Every(), &error), 0) << error;
    EXPECT_TRUE(restoration.IsApplied());
    for (const char* name : {"a_SPLIT_01.wav", "a_SPLIT_02.wav"}) {
        const StereoSamples master = ReadWav(folders_.recording + "/" + name);
        const StereoSamples after = ReadWav(folders_.save + "/" + name);
        EXPECT_NE(ReadFileBytes(folders_.save + "/" + name), ReadFileBytes(folders_.recording + "/" + name));
        EXPECT_EQ(after.Frames(), master.Frames()) << name;
    }
    char speed[16] = {};
    LSettingsGetString("RecordingSource", "RecordingSpeed", "", speed);
    EXPECT_STREQ(speed, "1");
    EXPECT_EQ(Saved(), (Names{"a_SPLIT_01.wav", "a_SPLIT_02.wav"}));

    EXPECT_TRUE(restoration.Undo());
    EXPECT_FALSE(restoration.IsApplied());
    for (const char* name : {"a_SPLIT_01.wav", "a_SPLIT_02.wav"})
        EXPECT_EQ(ReadFileBytes(folders_.save + "/" + name), ReadFileBytes(folders_.recording + "/" + name));
}

TEST_F(WizardRestorationTest, ApplyingTwiceEqualsApplyingOnceWithTheSecondChoice)
{
    SetSource("1", "1");
    AddClickyTrack("a_SPLIT_01.wav", 1.0);
    CountingContext context;
    std::string error;
    RestorationChoices second;
    second.dcOffset = true;
    second.normalize = true;

    TrackRestoration once(folders_);
    ASSERT_EQ(once.Apply(&context, second, &error), 0);
    const std::string expected = ReadFileBytes(folders_.save + "/a_SPLIT_01.wav");
    ASSERT_TRUE(once.Undo());

    TrackRestoration twice(folders_);
    ASSERT_EQ(twice.Apply(&context, Every(), &error), 0);
    ASSERT_EQ(twice.Apply(&context, second, &error), 0);
    EXPECT_EQ(ReadFileBytes(folders_.save + "/a_SPLIT_01.wav"), expected);
}

TEST_F(WizardRestorationTest, AFailedOrCancelledApplyChangesNoTrackAndIsNotApplied)
{
    SetSource("1", "1");
    LSettingsSetString("RecordingSource", "RecordingSpeed", "2");
    AddClickyTrack("a_SPLIT_01.wav", 0.5);
    AddClickyTrack("a_SPLIT_03.wav", 0.5);
    WriteFileBytes(folders_.save + "/a_SPLIT_02.wav", "this is no sound");
    const std::string one = ReadFileBytes(folders_.save + "/a_SPLIT_01.wav");
    const std::string three = ReadFileBytes(folders_.save + "/a_SPLIT_03.wav");

    TrackRestoration restoration(folders_);
    CountingContext context;
    std::string error;
    EXPECT_EQ(restoration.Apply(&context, Every(), &error), 2);
    EXPECT_NE(error.find("a_SPLIT_02.wav"), std::string::npos) << error;
    EXPECT_FALSE(restoration.IsApplied());
    EXPECT_EQ(ReadFileBytes(folders_.save + "/a_SPLIT_01.wav"), one);
    EXPECT_EQ(ReadFileBytes(folders_.save + "/a_SPLIT_03.wav"), three);
    EXPECT_EQ(Saved(), (Names{"a_SPLIT_01.wav", "a_SPLIT_02.wav", "a_SPLIT_03.wav"}));
    char speed[16] = {};
    LSettingsGetString("RecordingSource", "RecordingSpeed", "", speed);
    EXPECT_STREQ(speed, "2");

    ASSERT_EQ(unlink((folders_.save + "/a_SPLIT_02.wav").c_str()), 0);
    CountingContext cancelling(3);
    EXPECT_EQ(restoration.Apply(&cancelling, Every(), &error), 1);
    EXPECT_FALSE(restoration.IsApplied());
    EXPECT_EQ(ReadFileBytes(folders_.save + "/a_SPLIT_01.wav"), one);
    EXPECT_EQ(ReadFileBytes(folders_.save + "/a_SPLIT_03.wav"), three);
    EXPECT_EQ(Saved(), (Names{"a_SPLIT_01.wav", "a_SPLIT_03.wav"}));
}
