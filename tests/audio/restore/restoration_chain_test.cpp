// The restoration chain: its settings, its tools in their order, the DC
// offset tool, and restoring the saved files of a recording in place.

#include "audio/core/LSoundSamples.h"
#include "audio/effects/LDbGain.h"
#include "audio/effects/LRestorationChain.h"
#include "audio/effects/LRestorationTasks.h"
#include "audio/effects/LSpeedChangeSoundFilter.h"
#include "audio/formats/LAudioFileOpener.h"
#include "audio/restore/RestoreTestSignals.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/settings/LSettings.h"
#include "foundation/threads/LLocalProcessContext.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fstream>
#include <sstream>

using namespace quorin::test;

namespace {

const char* const kTools[] = {"DCOffset", "HPF", "ClickPop", "NoiseReduce", "Equalization", "Normalization"};

class RecordingContext : public LLocalProcessContext
{
public:
    explicit RecordingContext(int stopAfter = -1) : stopAfter_(stopAfter) {}
    bool IsStopRequested() override { return stopAfter_ >= 0 && polls_++ >= stopAfter_; }
    void Message(const char* text) override { messages.push_back(text); }
    void MessageLevel(const char* text, int level) override
    {
        if (level == 0)
            titles.push_back(text);
    }
    std::vector<std::string> titles;
    std::vector<std::string> messages;

private:
    int stopAfter_;
    int polls_ = 0;
};

void SetAllTools(const char* value)
{
    for (const char* name : kTools)
        LSettingsSetString(kRestorationSection, name, value);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* e = readdir(dir))
            if (e->d_name[0] != '.')
                names.push_back(e->d_name);
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

class RestorationChainTest : public TempHomeTest
{
};

} // namespace

TEST_F(RestorationChainTest, OneRuleForWhetherAToolIsOn)
{
    struct Case
    {
        const char* value; // null: missing
        bool tool;
        bool vinyl;
    } cases[] = {{nullptr, false, true}, {"", false, true},   {"0", false, false}, {"00", false, false},
                 {"1", true, true},      {"yes", true, true}, {" 0", true, true}};
    for (const Case& c : cases) {
        if (c.value) {
            LSettingsSetString(kRestorationSection, "HPF", c.value);
            LSettingsSetString(kRecordingSourceSection, "Vinyl", c.value);
        } else {
            LSettingsDelete(kRestorationSection, "HPF");
            LSettingsDelete(kRecordingSourceSection, "Vinyl");
        }
        EXPECT_EQ(IsRestorationToolOn("HPF"), c.tool) << (c.value ? c.value : "(missing)");
        EXPECT_EQ(IsAnyRestorationToolOn(), c.tool) << (c.value ? c.value : "(missing)");
        EXPECT_EQ(IsVinylRecording(), c.vinyl) << (c.value ? c.value : "(missing)");
    }
}

TEST_F(RestorationChainTest, SpeedCorrectionOnlyForVinyl)
{
    struct Case
    {
        const char* vinyl;
        const char* speed;
        int32_t want;
    } cases[] = {{nullptr, "1", kRecordingSpeed33At45}, {"1", "2", kRecordingSpeed78At45},
                 {"1", "0", kRecordingSpeedNormal},     {"0", "1", kRecordingSpeedNormal},
                 {"0", "2", kRecordingSpeedNormal},     {"1", "3", kRecordingSpeedNormal},
                 {"1", nullptr, kRecordingSpeedNormal}};
    for (const Case& c : cases) {
        if (c.vinyl)
            LSettingsSetString(kRecordingSourceSection, "Vinyl", c.vinyl);
        else
            LSettingsDelete(kRecordingSourceSection, "Vinyl");
        if (c.speed)
            LSettingsSetString(kRecordingSourceSection, "RecordingSpeed", c.speed);
        else
            LSettingsDelete(kRecordingSourceSection, "RecordingSpeed");
        EXPECT_EQ(GetRecordingSpeedCorrection(), c.want);
    }
}

TEST_F(RestorationChainTest, ToolsRunInTheirOrder)
{
    SetAllTools("1");
    LSettingsSetString(kRecordingSourceSection, "RecordingSpeed", "1");
    RecordingContext context;
    LSoundSourcePtr source = MakeSource(44100, 2, MusicLike(44100, 2, 44100, -12));
    ASSERT_EQ(ApplyRestorationChain(&context, source), 0);
    const std::vector<std::string> want = {
        "DC Offset",         "DC Offset Correction", "High Pass Filter",  "45To33RPM convert",
        "Click Pop Remover", "Noise Reduction",      "RIAA Equalization", "Normalize",
        "Normalizing"};
    EXPECT_EQ(context.titles, want);
    char status[260] = {};
    WorkerStatus().GetStatusText(status);
    EXPECT_STREQ(status, "Normalize...");
    EXPECT_EQ(source->GetStatus(), kSoundStatusOk);
    EXPECT_EQ(source->GetRate(), 44100);
    // Slowed to the record's own speed, and normalized to 80 % of full scale.
    const int64_t length = source->GetLength();
    EXPECT_NEAR(static_cast<double>(length), 44100 * 1.35, 4);
    source->Seek(0);
    const std::vector<int32_t> out = ReadAll(source, length);
    EXPECT_NEAR(LSamplePeak(out.data(), length, 2), 0.8 * 524272, 0.01 * 524272);
}

TEST_F(RestorationChainTest, NothingOnLeavesTheSourceAlone)
{
    for (const char* value : {"", "0"}) {
        SetAllTools(value);
        LSettingsSetString(kRecordingSourceSection, "Vinyl", "0");
        LSettingsSetString(kRecordingSourceSection, "RecordingSpeed", "1");
        RecordingContext context;
        LSoundSourcePtr source = MakeSource(44100, 1, {1, 2, 3});
        LSoundSource* before = source.Get();
        EXPECT_EQ(ApplyRestorationChain(&context, source), 0);
        EXPECT_EQ(source.Get(), before);
        EXPECT_TRUE(context.titles.empty());
    }
}

TEST_F(RestorationChainTest, FailedSourceStopsBeforeAnyTool)
{
    SetAllTools("1");
    LSoundSourcePtr source;
    LSetFailedSource(source, kSoundStatusCannotOpen);
    RecordingContext context;
    EXPECT_EQ(ApplyRestorationChain(&context, source), 2);
    EXPECT_TRUE(context.titles.empty());
}

TEST(DcOffsetTool, RemovesOffsetsOfAnySizeExactly)
{
    const int32_t a = 1 << 18;
    for (int32_t offset : {100, -100, 7777777, INT32_MAX - a, INT32_MIN + a}) {
        std::vector<int32_t> samples;
        std::vector<int32_t> want;
        for (int f = 0; f < 30000; ++f) {
            const int32_t v = (f % 2 ? a : -a) >> ((f / 2) % 7); // each pair sums to 0
            samples.push_back(v + offset);
            samples.push_back(v - offset / 2);
            want.push_back(v);
        }
        LSoundSourcePtr source = MakeSource(44100, 2, samples);
        LLocalProcessContext context;
        ASSERT_EQ(RunDcOffsetTool(&context, source), 0);
        EXPECT_EQ(source->GetPosition(), 0);
        const std::vector<int32_t> out = ReadAll(source, 30000);
        for (int f = 0; f < 30000; ++f) {
            ASSERT_EQ(out[f * 2], want[f]) << offset << " frame " << f;
            ASSERT_EQ(out[f * 2 + 1], want[f]) << offset << " frame " << f;
        }
    }
}

TEST(DcOffsetTool, EmptySourceGetsNoOffsetAndStopIsHonoured)
{
    LLocalProcessContext context;
    LSoundSourcePtr empty = MakeSource(44100, 1, {});
    EXPECT_EQ(RunDcOffsetTool(&context, empty), 0);
    LSoundSourcePtr source = MakeSource(44100, 1, std::vector<int32_t>(100000, 5));
    LSoundSource* before = source.Get();
    RecordingContext stopping(2);
    EXPECT_EQ(RunDcOffsetTool(&stopping, source), 1);
    EXPECT_EQ(source.Get(), before);
}

TEST(RiaaTool, StopBeforeTheCurveLeavesTheSource)
{
    LSoundSourcePtr source = MakeSource(44100, 1, std::vector<int32_t>(1000, 5));
    LSoundSource* before = source.Get();
    RecordingContext stopping(0);
    EXPECT_EQ(RunRiaaTool(&stopping, source), 1);
    EXPECT_EQ(source.Get(), before);
}

TEST(SpeedTasks, ConversionsWrapTheSource)
{
    RecordingContext context;
    LSoundSourcePtr source = MakeSource(44100, 2, std::vector<int32_t>(88200, 0));
    EXPECT_EQ(Convert45To33Rpm(&context, source), 0);
    auto* slow = dynamic_cast<LSpeedChangeSoundFilter*>(source.Get());
    ASSERT_NE(slow, nullptr);
    EXPECT_EQ(slow->GetResampledRate(), 59535);
    EXPECT_EQ(Convert78To45Rpm(&context, source), 0);
    EXPECT_EQ(context.titles, (std::vector<std::string>{"45To33RPM convert", "78To45RPM convert"}));
}

namespace {

class RestoreSavedFilesTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        if (!HaveTool("sox"))
            GTEST_SKIP() << "sox is not installed (make deps installs it)";
        output_ = home_.Path("output");
        LSettingsSetString("Settings", "AppOutputFolder", output_.c_str());
        char recording[260] = {};
        ASSERT_TRUE(GetRecordingFolder(recording));
        // The wizard's working folder is private, apart from the output folder.
        EXPECT_EQ(std::string(recording).rfind(output_, 0), std::string::npos);
        EXPECT_NE(std::string(recording).find("/Quorin/Recording"), std::string::npos);
        save_ = std::string(recording) + "/save";
        ASSERT_EQ(RunCommand("mkdir -p '" + save_ + "'"), 0);
        // Tracks with a DC offset that the DC tool takes away.
        for (const char* name : {"a.wav", "b.wav", "c.wav"})
            ASSERT_EQ(RunCommand("sox -q -n -r 44100 -c 2 -b 16 '" + save_ + "/" + name +
                                 "' synth 1 sine 300 vol 0.3 dcshift 0.2"),
                      0);
        names_.Add("a.wav");
        names_.Add("b.wav");
        names_.Add("c.wav");
    }

    std::string Path(const char* name) const { return save_ + "/" + name; }

    // The mean of the first channel, in full scale.
    double Mean(const char* name)
    {
        LSoundSourcePtr source;
        LOpenAudioFileSource(source, Path(name).c_str());
        EXPECT_EQ(source->GetStatus(), kSoundStatusOk);
        const std::vector<int32_t> all = ReadAll(source, source->GetLength());
        double sum = 0;
        for (size_t i = 0; i < all.size(); i += 2)
            sum += all[i];
        return sum / (all.size() / 2) / 524288.0;
    }

    std::string output_;
    std::string save_;
    LStringList names_;
};

} // namespace

TEST_F(RestoreSavedFilesTest, NoToolOnTouchesNothing)
{
    const std::string before = ReadFile(Path("a.wav"));
    for (const char* value : {"0", ""}) {
        SetAllTools(value);
        RecordingContext context;
        EXPECT_EQ(RestoreSavedFiles(&context, names_), 0);
        EXPECT_EQ(ReadFile(Path("a.wav")), before);
    }
}

TEST_F(RestoreSavedFilesTest, FilesAreRestoredInPlace)
{
    SetAllTools("0");
    LSettingsSetString(kRestorationSection, "DCOffset", "1");
    EXPECT_NEAR(Mean("b.wav"), 0.2, 0.01);
    RecordingContext context;
    ASSERT_EQ(RestoreSavedFiles(&context, names_), 0);
    for (const char* name : {"a.wav", "b.wav", "c.wav"})
        EXPECT_NEAR(Mean(name), 0.0, 0.001) << name;
    EXPECT_EQ(FolderEntries(save_), (std::vector<std::string>{"a.wav", "b.wav", "c.wav"}));
    // sox reads what we wrote.
    EXPECT_EQ(CaptureCommand("soxi -r '" + Path("a.wav") + "'"), "44100\n");
}

TEST_F(RestoreSavedFilesTest, FailuresLeaveTheOriginals)
{
    SetAllTools("0");
    LSettingsSetString(kRestorationSection, "DCOffset", "1");
    const std::string originals[] = {ReadFile(Path("a.wav")), ReadFile(Path("b.wav")),
                                     ReadFile(Path("c.wav"))};
    // A stop while the first file is being written (its DC pass polls 7
    // times) leaves it as it was, with nothing beside it.
    RecordingContext stopping(10);
    EXPECT_EQ(RestoreSavedFiles(&stopping, names_), 1);
    int untouched = 0;
    for (int i = 0; i < 3; ++i) {
        const char* name = i == 0 ? "a.wav" : (i == 1 ? "b.wav" : "c.wav");
        if (ReadFile(Path(name)) == originals[i])
            ++untouched;
        else
            EXPECT_NEAR(Mean(name), 0.0, 0.001) << name;
    }
    EXPECT_EQ(untouched, 3);
    EXPECT_EQ(FolderEntries(save_), (std::vector<std::string>{"a.wav", "b.wav", "c.wav"}));
    // A file that is missing stops the run; the ones before it stay restored.
    LStringList names;
    names.Add("a.wav");
    names.Add("missing.wav");
    names.Add("b.wav");
    RecordingContext context;
    EXPECT_EQ(RestoreSavedFiles(&context, names), 2);
    EXPECT_NEAR(Mean("a.wav"), 0.0, 0.001);
    EXPECT_EQ(ReadFile(Path("b.wav")), originals[1]);
    EXPECT_EQ(FolderEntries(save_), (std::vector<std::string>{"a.wav", "b.wav", "c.wav"}));
}

TEST(RestorationTools, EveryToolHandlesOddRatesAndChannelCounts)
{
    quorin::test::TempHome home; // normalize spools to the caches folder
    LRestorationTools all;
    all.dcOffset = all.highPass = all.clickPop = all.noiseReduction = all.riaa = all.normalize = true;
    for (int32_t rate : {300, 8000, 22050, 48000, 96000}) {
        for (int32_t channels : {1, 2, 3}) {
            for (int32_t speed : {kRecordingSpeedNormal, kRecordingSpeed33At45, kRecordingSpeed78At45}) {
                LRestorationTools tools = all;
                tools.speed = speed;
                const int64_t frames = rate / 2 + 123;
                LSoundSourcePtr source =
                    MakeSource(rate, static_cast<uint8_t>(channels), MusicLike(rate, channels, frames, -6));
                LLocalProcessContext context;
                ASSERT_EQ(ApplyRestorationTools(&context, source, tools), 0) << rate << " Hz " << channels;
                EXPECT_EQ(source->GetStatus(), kSoundStatusOk);
                EXPECT_EQ(source->GetRate(), rate);
                EXPECT_EQ(source->GetChannels(), channels);
                const int64_t length = source->GetLength();
                if (speed == kRecordingSpeedNormal) {
                    EXPECT_EQ(length, frames);
                }
                source->Seek(0);
                const std::vector<int32_t> out = ReadAll(source, length, 777);
                EXPECT_LE(LSamplePeak(out.data(), length, channels), 524272) << rate << " Hz " << channels;
            }
        }
    }
}
