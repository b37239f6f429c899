// The output page's work: converting every WAV track to MP3 (whatever the
// case of its extension) with lengths that mpg123 confirms, handing every
// track over and deleting it from the working folder only once its copy is
// in the output folder, and the failures that lose nothing: an encoder that
// cannot load, a cancel during the conversion, a receiver that refuses.

#include "TrackPagesTestSupport.h"
#include "audio/mp3/Mp3EncoderTestSupport.h"

#include "app/program/wizard/TrackHandOver.h"
#include "audio/formats/mp3/LMp3EncoderComponent.h"
#include "foundation/files/LFileCopy.h"
#include "foundation/settings/LSettings.h"

#include <set>
#include <unistd.h>

using namespace quorin::test;

namespace {

using Names = std::vector<std::string>;

// Takes a copy into its folder under the file's own name; refuses the names
// it is told to refuse.
class CopyingReceiver : public WizardTrackReceiver
{
public:
    explicit CopyingReceiver(std::string folder) : folder_(std::move(folder)) {}
    bool TakeFile(const char* path) override
    {
        const std::string text = path;
        const std::string name = text.substr(text.rfind('/') + 1);
        taken.push_back(name);
        if (refuse.count(name) != 0)
            return false;
        return LFileCopy(path, (folder_ + "/" + name).c_str());
    }
    std::set<std::string> refuse;
    Names taken;

private:
    std::string folder_;
};

int64_t Mpg123Frames(const std::string& path)
{
    int status = 0;
    const std::string bytes = CaptureCommand("mpg123 -q -s " + Quote(path) + " | wc -c", &status);
    return status == 0 ? std::stoll(bytes) / 4 : -1;
}

class WizardOutputTest : public WizardFoldersTest
{
protected:
    void SetUp() override
    {
        WizardFoldersTest::SetUp();
        AddTrack("a_SPLIT_01.wav", 1.0, 440);
        AddTrack("a_SPLIT_02.WAV", 1.3, 660);
        AddTrack("b_SPLIT_01.Wav", 0.7, 880);
    }

    void ExpectTracksUntouched()
    {
        EXPECT_EQ(Saved(), (Names{"a_SPLIT_01.wav", "a_SPLIT_02.WAV", "b_SPLIT_01.Wav"}));
        for (const std::string& name : Saved())
            EXPECT_EQ(ReadFileBytes(folders_.save + "/" + name),
                      ReadFileBytes(folders_.recording + "/" + name));
    }

    TempDir out_;
};

} // namespace

TEST(WizardOutputMethod, StoredValuesAndExtensions)
{
    TempHome home;
    EXPECT_EQ(ReadOutputMethod(), OutputMethod::kNothing);
    for (OutputMethod method : {OutputMethod::kAudioCd, OutputMethod::kMp3, OutputMethod::kNothing}) {
        StoreOutputMethod(method);
        EXPECT_EQ(ReadOutputMethod(), method);
    }
    for (const char* other : {"1", "4", "-1", "x"}) {
        LSettingsSetString("Settings", "OutPutMethod", other);
        EXPECT_EQ(ReadOutputMethod(), OutputMethod::kNothing) << other;
    }
    for (const char* wav : {"a.wav", "a.WAV", "a.Wav", "x.y.wAv"})
        EXPECT_TRUE(HasWavExtension(wav)) << wav;
    for (const char* other : {"a.mp3", "wav", ".wav", "a.wave", "a_wav"})
        EXPECT_FALSE(HasWavExtension(other)) << other;
}

TEST_F(WizardOutputTest, EveryTrackBecomesAnMp3OfItsLengthAndIsHandedOver)
{
    QUORIN_REQUIRE_TOOL("mpg123");
    if (!mp3enc::InstallComponent())
        GTEST_SKIP() << "the build tree ships no MP3 encoder component (libmp3lame0)";
    ASSERT_TRUE(IsMp3EncoderAvailable());
    // A track that is an MP3 already is handed over as it is, and the MP3
    // made of the WAV track of that title takes the next free name.
    WriteFileBytes(folders_.save + "/b_SPLIT_01.mp3", "an MP3 of an earlier run");
    CountingContext context;
    Mp3Conversion conversion;
    std::string error;
    ASSERT_EQ(ConvertTracksToMp3(&context, folders_.save, &conversion, &error), 0) << error;
    EXPECT_EQ(conversion.tracks,
              (Names{"a_SPLIT_01.mp3", "a_SPLIT_02.mp3", "b_SPLIT_01 (02).mp3", "b_SPLIT_01.mp3"}));
    EXPECT_EQ(conversion.madeFrom, (Names{"a_SPLIT_01.wav", "a_SPLIT_02.WAV", "b_SPLIT_01.Wav", ""}));
    for (size_t i = 0; i < 3; ++i) {
        const int64_t wavFrames = ReadWav(folders_.save + "/" + conversion.madeFrom[i]).Frames();
        const int64_t mp3Frames = Mpg123Frames(folders_.save + "/" + conversion.tracks[i]);
        EXPECT_LE(std::abs(mp3Frames - wavFrames), 1152) << conversion.tracks[i] << " " << mp3Frames;
    }

    CopyingReceiver receiver(out_.Path());
    HandOverReport report;
    ASSERT_EQ(
        HandOverTracks(&context, receiver, folders_.save, conversion.tracks, conversion.madeFrom, &report),
        0);
    EXPECT_TRUE(report.left.empty());
    EXPECT_EQ(FolderEntries(out_.Path()), conversion.tracks);
    EXPECT_EQ(receiver.taken, conversion.tracks);
    EXPECT_EQ(Saved(), Names{});
    // The masters are the frame's to clear once the wizard ends.
    EXPECT_EQ(Masters(), (Names{"a_SPLIT_01.wav", "a_SPLIT_02.WAV", "b_SPLIT_01.Wav", "save"}));
}

TEST_F(WizardOutputTest, AnEncoderThatCannotLoadConvertsNothingAndKeepsTheTracks)
{
    char folder[260] = {};
    ASSERT_TRUE(LGetComponentsFolder(folder));
    WriteFileBytes(std::string(folder) + "/" + kMp3EncoderComponentName, "not a library", 0755);
    EXPECT_FALSE(IsMp3EncoderAvailable());
    CountingContext context;
    Mp3Conversion conversion;
    std::string error;
    EXPECT_EQ(ConvertTracksToMp3(&context, folders_.save, &conversion, &error), 2);
    EXPECT_EQ(error, "The MP3 encoder could not be loaded.");
    EXPECT_TRUE(conversion.tracks.empty());
    ExpectTracksUntouched();
}

TEST_F(WizardOutputTest, ACancelDuringTheConversionRemovesTheMp3sMadeAndKeepsTheTracks)
{
    if (!mp3enc::InstallComponent())
        GTEST_SKIP() << "the build tree ships no MP3 encoder component (libmp3lame0)";
    for (int stopAfter : {1, 4, 40}) {
        CountingContext context(stopAfter);
        Mp3Conversion conversion;
        std::string error;
        EXPECT_EQ(ConvertTracksToMp3(&context, folders_.save, &conversion, &error), 1) << stopAfter;
        EXPECT_TRUE(conversion.tracks.empty());
        ExpectTracksUntouched();
    }
}

TEST_F(WizardOutputTest, ATrackTheReceiverRefusesStaysAndTheRestLand)
{
    CopyingReceiver receiver(out_.Path());
    receiver.refuse.insert("a_SPLIT_02.WAV");
    CountingContext context;
    HandOverReport report;
    const Names names = ListTrackFiles(folders_.save);
    EXPECT_EQ(HandOverTracks(&context, receiver, folders_.save, names, {}, &report), 2);
    EXPECT_EQ(receiver.taken, names);
    EXPECT_EQ(report.left, Names{"a_SPLIT_02.WAV"});
    EXPECT_EQ(report.landed, (Names{"a_SPLIT_01.wav", "b_SPLIT_01.Wav"}));
    EXPECT_EQ(Saved(), Names{"a_SPLIT_02.WAV"});

    // Trying again hands over only what is left.
    receiver.refuse.clear();
    receiver.taken.clear();
    EXPECT_EQ(HandOverTracks(&context, receiver, folders_.save, ListTrackFiles(folders_.save), {}, &report),
              0);
    EXPECT_EQ(receiver.taken, Names{"a_SPLIT_02.WAV"});
    EXPECT_EQ(FolderEntries(out_.Path()), (Names{"a_SPLIT_01.wav", "a_SPLIT_02.WAV", "b_SPLIT_01.Wav"}));
    EXPECT_EQ(Saved(), Names{});
}

TEST_F(WizardOutputTest, ACancelledHandOverKeepsWhatWasNotTaken)
{
    CopyingReceiver receiver(out_.Path());
    CountingContext context(1);
    HandOverReport report;
    EXPECT_EQ(HandOverTracks(&context, receiver, folders_.save, ListTrackFiles(folders_.save), {}, &report),
              1);
    EXPECT_EQ(report.landed.size(), 1u);
    EXPECT_EQ(report.left, (Names{"a_SPLIT_02.WAV", "b_SPLIT_01.Wav"}));
    EXPECT_EQ(Saved(), report.left);
}
