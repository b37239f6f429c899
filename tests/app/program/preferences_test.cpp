// "Quorin Preferences" and "Output Format" offscreen on the fake sound
// device: what OK stores from each page and shows again, that Cancel and a
// refusal on either page store nothing at all, the folders they create, the
// input the General page listens to, and the names the template preview
// shows.

#include "PreferencesTestSupport.h"
#include "audio/devices/DeviceTestSupport.h"
#include "support/TempHome.h"

#include "app/program/preferences/FormatSettings.h"
#include "app/program/preferences/OutputFolders.h"
#include "app/program/preferences/OutputFormatPage.h"
#include "app/program/preferences/PreferenceChanges.h"
#include "app/program/preferences/PreferencesSheet.h"
#include "app/program/recording/RecordingInput.h"
#include "app/queue/OutputNames.h"
#include "foundation/settings/LSettings.h"
#include "gui/controls/LDBEdit.h"
#include "gui/framework/LCommands.h"

#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>

using namespace quorin::test;

namespace {

std::string Setting(const char* section, const char* name)
{
    char text[260] = {};
    return LSettingsGetString(section, name, "<absent>", text) ? text : "<absent>";
}

int ModeOf(const std::string& path)
{
    struct stat info = {};
    return stat(path.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 07777) : -1;
}

bool IsFolder(const std::string& path)
{
    struct stat info = {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string Text(LWindow& window, int id)
{
    std::string text;
    window.GetControlTextLong(id, text);
    return text;
}

bool LoadsEncoder()
{
    return true;
}
bool MissesEncoder()
{
    return false;
}

class PreferencesTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        GuiApp();
        unsetenv("QUORIN_DRIVES");
        previousUmask_ = umask(022);
        fake_.backend.AddInput(MakeDevice("line", "Line In", 2, "pci"));
        fake_.backend.AddInput(MakeDevice("mic", "USB Microphone", 1, "usb"));
        fake_.backend.SetDefaultInput("line");
        fake_.backend.SetPacing(LFakeSoundBackend::Pacing::kStepped, 441);
        mkdir(home_.Path("Music").c_str(), 0755);
        mkdir(home_.Path("Music/Quorin").c_str(), 0755);
        SetMp3EncoderProbeForTesting(LoadsEncoder);
    }
    void TearDown() override
    {
        SetMp3EncoderProbeForTesting(nullptr);
        umask(previousUmask_);
    }

    // The settings file as it is on disk.
    static std::string SettingsFile()
    {
        std::string path;
        if (!LPreferenceStore::PathFor(kLSettingsCurrentUser, kLSettingsApplicationId, &path))
            return "";
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Changes every control of the Audio Settings page away from its default.
    static void ChangeAudioPage(AudioPreferencesPage& audio, const std::string& copyFolder)
    {
        audio.SelectPullDownItem(AudioPreferencesPage::kSourceList, 1);
        audio.SendCommand(AudioPreferencesPage::kSourceChanged);
        audio.SetUpDownValue(AudioPreferencesPage::kNoiseInput, -33);
        audio.SelectPullDownItem(AudioPreferencesPage::kActionList, 3);
        audio.SetCheck(AudioPreferencesPage::kMakeCopyCheck, true);
        audio.SetControlText(AudioPreferencesPage::kCopyFolderText, copyFolder.c_str());
        audio.SetCheck(AudioPreferencesPage::kDcOffsetCheck, true);
        audio.SetCheck(AudioPreferencesPage::kNoiseReduceCheck, true);
        audio.SetCheck(AudioPreferencesPage::kNormalizeCheck, true);
        audio.SendCommand(AudioPreferencesPage::kMakeCopyCheck);
    }

    FakeDevices fake_;
    mode_t previousUmask_ = 022;
    BoxAnswerer boxes_;
};

TEST_F(PreferencesTest, GeneralPageRoundTrip)
{
    const std::string folder = home_.Path("Recordings");
    mkdir(folder.c_str(), 0755);
    PreferencesSheet first;
    ASSERT_TRUE(RunSheet<PreferencesSheet>(first, "Quorin Preferences", 0, [&](PreferencesSheet& sheet) {
        GeneralPreferencesPage& general = sheet.General();
        general.SetControlText(GeneralPreferencesPage::kFolderText, folder.c_str());
        general.SelectPullDownItem(GeneralPreferencesPage::kDeviceList, 1);
        general.SendCommand(GeneralPreferencesPage::kDeviceChanged);
        LSetDBEditValue(&general, GeneralPreferencesPage::kVolumeSlider, -9);
        general.SetCheck(GeneralPreferencesPage::kToneCheck, true);
        general.SetCheck(GeneralPreferencesPage::kMinTimeCheck, true);
        general.SetUpDownValue(GeneralPreferencesPage::kMinTimeInput, 7);
        sheet.SendCommand(kCommandOK);
    }));
    EXPECT_TRUE(first.OutputFolderChanged());
    EXPECT_EQ(Setting("Settings", "AppOutputFolder"), folder);
    EXPECT_EQ(Setting("Settings", "SoundInDevice"), LSoundInputGetDeviceName(1));
    EXPECT_EQ(Setting("Settings", "SoundInDeviceChannel"), "0");
    EXPECT_EQ(Setting("Recording", "Volume"), "-9");
    EXPECT_EQ(Setting("Settings", "RecordTone"), "1");
    EXPECT_EQ(Setting("Settings", "UseMinTime"), "1");
    EXPECT_EQ(Setting("Settings", "MinTime"), "7");
    EXPECT_EQ(StoredRecordingVolume(), -9);

    // Shown again on the next open; changes there are dropped by Cancel.
    const std::string before = SettingsFile();
    PreferencesSheet second;
    EXPECT_FALSE(RunSheet<PreferencesSheet>(second, "Quorin Preferences", 0, [&](PreferencesSheet& sheet) {
        GeneralPreferencesPage& general = sheet.General();
        EXPECT_EQ(Text(general, GeneralPreferencesPage::kFolderText), folder);
        EXPECT_EQ(general.GetPullDownSelection(GeneralPreferencesPage::kDeviceList), 1);
        EXPECT_EQ(LGetDBEditValue(&general, GeneralPreferencesPage::kVolumeSlider), -9);
        EXPECT_TRUE(general.GetCheck(GeneralPreferencesPage::kToneCheck));
        EXPECT_TRUE(general.GetCheck(GeneralPreferencesPage::kMinTimeCheck));
        EXPECT_EQ(general.GetUpDownValue(GeneralPreferencesPage::kMinTimeInput), 7);
        general.SetCheck(GeneralPreferencesPage::kToneCheck, false);
        LSetDBEditValue(&general, GeneralPreferencesPage::kVolumeSlider, 3);
        sheet.SendCommand(kCommandCancel);
    }));
    EXPECT_EQ(SettingsFile(), before);
}

TEST_F(PreferencesTest, AudioPageRoundTrip)
{
    const std::string copies = home_.Path("Copies");
    mkdir(copies.c_str(), 0755);
    PreferencesSheet first;
    ASSERT_TRUE(RunSheet<PreferencesSheet>(first, "Quorin Preferences", 1, [&](PreferencesSheet& sheet) {
        ChangeAudioPage(sheet.Audio(), copies);
        sheet.SendCommand(kCommandOK);
    }));
    EXPECT_FALSE(first.OutputFolderChanged());
    const struct
    {
        const char* section;
        const char* name;
        const char* value;
    } expected[] = {
        {"RecordingSource", "Vinyl", "0"},        {"RecordingSource", "RecordingSpeed", "0"},
        {"RecordingSource", "Amp", "1"},          {"Settings", "dBNoiseFloor", "-33"},
        {"OutputFormat", "OutputFormatNum", "3"}, {"OutputFormat", "MakeCopy", "1"},
        {"OutputFormat", "OutputFolder", nullptr}, {"AudioRestoration", "DCOffset", "1"},
        {"AudioRestoration", "HPF", "0"},         {"AudioRestoration", "Equalization", "0"},
        {"AudioRestoration", "ClickPop", "0"},    {"AudioRestoration", "NoiseReduce", "1"},
        {"AudioRestoration", "Normalization", "1"}, {"Settings", "NormalizeLevel", "100"},
    };
    for (const auto& e : expected)
        EXPECT_EQ(Setting(e.section, e.name), e.value ? e.value : copies) << e.section << "/" << e.name;

    const std::string before = SettingsFile();
    PreferencesSheet second;
    EXPECT_FALSE(RunSheet<PreferencesSheet>(second, "Quorin Preferences", 1, [&](PreferencesSheet& sheet) {
        AudioPreferencesPage& audio = sheet.Audio();
        EXPECT_EQ(audio.GetPullDownSelection(AudioPreferencesPage::kSourceList), 1);
        EXPECT_EQ(Text(audio, AudioPreferencesPage::kNoiseField), "-33");
        EXPECT_EQ(audio.GetPullDownSelection(AudioPreferencesPage::kActionList), 3);
        EXPECT_TRUE(audio.GetCheck(AudioPreferencesPage::kMakeCopyCheck));
        EXPECT_EQ(Text(audio, AudioPreferencesPage::kCopyFolderText), copies);
        EXPECT_TRUE(audio.GetCheck(AudioPreferencesPage::kDcOffsetCheck));
        EXPECT_FALSE(audio.GetCheck(AudioPreferencesPage::kHighPassCheck));
        EXPECT_TRUE(audio.GetCheck(AudioPreferencesPage::kNoiseReduceCheck));
        EXPECT_TRUE(audio.GetCheck(AudioPreferencesPage::kNormalizeCheck));
        audio.SelectPullDownItem(AudioPreferencesPage::kSourceList, 0);
        audio.SetCheck(AudioPreferencesPage::kNormalizeCheck, false);
        sheet.SendCommand(kCommandCancel);
    }));
    EXPECT_EQ(SettingsFile(), before);
}

TEST_F(PreferencesTest, ARefusedFolderStoresNothingOfEitherPage)
{
    // Root may write almost anywhere, but never a new file into /proc; a
    // plain file is no folder for anyone.
    const std::string plainFile = home_.Path("notes.txt");
    std::ofstream(plainFile) << "x";
    const std::string copies = home_.Path("Copies");
    mkdir(copies.c_str(), 0755);
    LSettingsSetString("Settings", "AppOutputFolder", home_.Path("Music/Quorin").c_str());
    for (const std::string& bad : {std::string("/proc"), plainFile}) {
        SCOPED_TRACE(bad);
        const std::string before = SettingsFile();
        PreferencesSheet sheet;
        RunSheet<PreferencesSheet>(sheet, "Quorin Preferences", 1, [&](PreferencesSheet& s) {
            ChangeAudioPage(s.Audio(), copies);
            s.General().SetControlText(GeneralPreferencesPage::kFolderText, bad.c_str());
            s.SendCommand(kCommandOK);
            EXPECT_TRUE(s.IsWindow()) << "the sheet must stay open";
            EXPECT_EQ(s.CurrentPage(), 0);
        });
        EXPECT_EQ(boxes_.Last(), "General Setting: The specified recording path \"" + bad +
                                     "\" is not a folder or it is not writable for you! Please choose another "
                                     "one or leave it blank to reset to default folder.");
        EXPECT_EQ(SettingsFile(), before);
    }
}

TEST_F(PreferencesTest, AMissingOutputFolderIsCreatedWithTheUmaskOnlyWhenTheUserAgrees)
{
    const std::string wanted = home_.Path("Music/Vinyl");
    LSettingsSetString("Settings", "AppOutputFolder", home_.Path("Music/Quorin").c_str());
    {
        const std::string before = SettingsFile();
        boxes_.Queue("Cancel");
        PreferencesSheet sheet;
        RunSheet<PreferencesSheet>(sheet, "Quorin Preferences", 0, [&](PreferencesSheet& s) {
            s.General().SetControlText(GeneralPreferencesPage::kFolderText, wanted.c_str());
            s.SendCommand(kCommandOK);
            EXPECT_TRUE(s.IsWindow());
        });
        EXPECT_EQ(boxes_.Last(), "General : The recording output folder you specified does not exist. Would you "
                                 "like to create it?");
        EXPECT_FALSE(IsFolder(wanted));
        EXPECT_EQ(SettingsFile(), before);
    }
    const struct
    {
        mode_t mask;
        int mode;
        const char* name;
    } cases[] = {{022, 0755, "Music/Vinyl"}, {077, 0700, "Music/Private"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        umask(c.mask);
        const std::string path = home_.Path(c.name);
        boxes_.Queue("Create Folder");
        PreferencesSheet sheet;
        EXPECT_TRUE(RunSheet<PreferencesSheet>(sheet, "Quorin Preferences", 0, [&](PreferencesSheet& s) {
            s.General().SetControlText(GeneralPreferencesPage::kFolderText, path.c_str());
            s.SendCommand(kCommandOK);
        }));
        EXPECT_EQ(ModeOf(path), c.mode);
        EXPECT_EQ(Setting("Settings", "AppOutputFolder"), path);
        EXPECT_TRUE(sheet.OutputFolderChanged());
    }
}

TEST_F(PreferencesTest, TheMakeCopyQuestionNamesTheFolderAndCreatesItsParents)
{
    const std::string deep = home_.Path("Backups/Vinyl");
    boxes_.Queue("Create Folder");
    PreferencesSheet sheet;
    EXPECT_TRUE(RunSheet<PreferencesSheet>(sheet, "Quorin Preferences", 1, [&](PreferencesSheet& s) {
        ChangeAudioPage(s.Audio(), deep);
        s.SendCommand(kCommandOK);
    }));
    EXPECT_EQ(boxes_.Last(), "The make copies to folder \"" + deep + "\" does not exist. Would you like to create it ?");
    EXPECT_EQ(ModeOf(deep), 0755);
    EXPECT_EQ(ModeOf(home_.Path("Backups")), 0755);
    EXPECT_EQ(Setting("OutputFormat", "OutputFolder"), deep);
}

TEST_F(PreferencesTest, AnEmptyCopyFolderIsRefused)
{
    PreferencesSheet sheet;
    RunSheet<PreferencesSheet>(sheet, "Quorin Preferences", 1, [&](PreferencesSheet& s) {
        ChangeAudioPage(s.Audio(), "  ");
        s.SendCommand(kCommandOK);
        EXPECT_TRUE(s.IsWindow());
    });
    EXPECT_EQ(boxes_.Last(), "No output folder selected. Please specify an output folder to make copies to.");
    EXPECT_EQ(Setting("OutputFormat", "MakeCopy"), "<absent>");
}

TEST_F(PreferencesTest, AMinimumTimeBelowTwoSecondsIsRefusedAndBecomesTwo)
{
    PreferencesSheet sheet;
    RunSheet<PreferencesSheet>(sheet, "Quorin Preferences", 0, [&](PreferencesSheet& s) {
        GeneralPreferencesPage& general = s.General();
        general.SetCheck(GeneralPreferencesPage::kMinTimeCheck, true);
        general.SetUpDownValue(GeneralPreferencesPage::kMinTimeInput, 1);
        s.SendCommand(kCommandOK);
        EXPECT_TRUE(s.IsWindow());
        EXPECT_EQ(general.GetUpDownValue(GeneralPreferencesPage::kMinTimeInput), 2);
        EXPECT_EQ(ShownTip(), "The minimum recording time is two seconds\nYou cannot set a recording to be less "
                              "than two seconds long.");
    });
    EXPECT_EQ(Setting("Settings", "MinTime"), "<absent>");
    EXPECT_EQ(Setting("Settings", "UseMinTime"), "<absent>");
}

TEST_F(PreferencesTest, CassetteTurnsOffTheVinylSteps)
{
    LSettingsSetString("RecordingSource", "Amp", "0");
    LSettingsSetString("AudioRestoration", "ClickPop", "1");
    PreferencesSheet sheet;
    RunSheet<PreferencesSheet>(sheet, "Quorin Preferences", 1, [&](PreferencesSheet& s) {
        AudioPreferencesPage& audio = s.Audio();
        // Vinyl on direct phono: RIAA (on when absent) and click/pop are offered and on.
        EXPECT_TRUE(audio.GetCheck(AudioPreferencesPage::kRiaaCheck));
        EXPECT_TRUE(audio.IsControlEnabled(AudioPreferencesPage::kRiaaCheck));
        EXPECT_TRUE(audio.GetCheck(AudioPreferencesPage::kClickPopCheck));
        audio.SelectPullDownItem(AudioPreferencesPage::kSourceList, 1);
        audio.SendCommand(AudioPreferencesPage::kSourceChanged);
        for (int id : {AudioPreferencesPage::kRiaaCheck, AudioPreferencesPage::kClickPopCheck}) {
            EXPECT_FALSE(audio.GetCheck(id)) << id;
            EXPECT_FALSE(audio.IsControlEnabled(id)) << id;
        }
        EXPECT_FALSE(audio.IsControlEnabled(AudioPreferencesPage::kSpeedList));
        EXPECT_FALSE(audio.IsControlEnabled(AudioPreferencesPage::kConnectionList));
        // The audio CD has no format settings of its own.
        audio.SelectPullDownItem(AudioPreferencesPage::kActionList, 4);
        audio.SendCommand(AudioPreferencesPage::kActionChanged);
        EXPECT_FALSE(audio.IsControlEnabled(AudioPreferencesPage::kFormatSettings));
        s.SendCommand(kCommandCancel);
    });
}

TEST_F(PreferencesTest, NoiseFloorTextsAreCheckedAsTyped)
{
    const struct
    {
        const char* text;
        bool accepted;
    } cases[] = {{"", true},   {"-60", true}, {"12", true},  {"0", true},  {"-61", false},
                 {"13", false}, {"-", false}, {"1-2", false}, {"+5", false}, {"4a", false}};
    for (const auto& c : cases)
        EXPECT_EQ(AudioPreferencesPage::IsAcceptableNoiseText(c.text), c.accepted) << c.text;

    PreferencesSheet sheet;
    RunSheet<PreferencesSheet>(sheet, "Quorin Preferences", 1, [&](PreferencesSheet& s) {
        AudioPreferencesPage& audio = s.Audio();
        audio.SetControlText(AudioPreferencesPage::kNoiseField, "-61");
        audio.SendCommand(AudioPreferencesPage::kNoiseInput);
        EXPECT_EQ(ShownTip(), "Please enter a number between -60 and 12");
        EXPECT_EQ(Text(audio, AudioPreferencesPage::kNoiseField), "-25");
        s.SendCommand(kCommandCancel);
    });
}

TEST_F(PreferencesTest, AnUnusualStoredNoiseFloorIsConfirmedOnOk)
{
    LSettingsSetString("Settings", "dBNoiseFloor", "-70");
    boxes_.Queue("Cancel");
    PreferencesSheet refused;
    RunSheet<PreferencesSheet>(refused, "Quorin Preferences", 1, [&](PreferencesSheet& s) {
        s.Audio().SetCheck(AudioPreferencesPage::kDcOffsetCheck, true);
        s.SendCommand(kCommandOK);
        EXPECT_TRUE(s.IsWindow());
    });
    ASSERT_FALSE(boxes_.Seen().empty());
    EXPECT_EQ(boxes_.Last().rfind("You have specified an unusual noise floor value", 0), 0u);
    EXPECT_EQ(Setting("AudioRestoration", "DCOffset"), "<absent>");

    boxes_.Queue("Continue");
    PreferencesSheet kept;
    EXPECT_TRUE(RunSheet<PreferencesSheet>(kept, "Quorin Preferences", 1,
                                           [&](PreferencesSheet& s) { s.SendCommand(kCommandOK); }));
    EXPECT_EQ(Setting("Settings", "dBNoiseFloor"), "-70");
}

TEST_F(PreferencesTest, AnMp3ActionNeedsTheEncoder)
{
    // Missing, the encoder is offered for download, with the package as the
    // other way; declined, the MP3 action is refused.
    SetMp3EncoderProbeForTesting(MissesEncoder);
    boxes_.Queue("Cancel");
    PreferencesSheet sheet;
    RunSheet<PreferencesSheet>(sheet, "Quorin Preferences", 1, [&](PreferencesSheet& s) {
        s.Audio().SelectPullDownItem(AudioPreferencesPage::kActionList, 1);
        s.SendCommand(kCommandOK);
        EXPECT_TRUE(s.IsWindow());
    });
    EXPECT_NE(boxes_.Last().find("libmp3lame0"), std::string::npos);
    EXPECT_EQ(Setting("OutputFormat", "OutputFormatNum"), "<absent>");
}

TEST_F(PreferencesTest, TheGeneralPageListensToTheChosenInputWhileItShows)
{
    // A tone on the input, for the stream the page opens.
    fake_.backend.SetInputFeed("line", ToDevice(Tone(44100, 2, 0.25)));
    PreferencesSheet sheet;
    RunSheet<PreferencesSheet>(sheet, "Quorin Preferences", 0, [&](PreferencesSheet& s) {
        GeneralPreferencesPage& general = s.General();
        ASSERT_TRUE(general.IsMonitoring());
        EXPECT_EQ(fake_.backend.OpenCaptureCount(), 1);
        EXPECT_EQ(general.Recorder().GetSelection().device, 0);
        EXPECT_TRUE(general.IsControlEnabled(GeneralPreferencesPage::kLevelMeter));
        // The tone reaches the meter.
        for (int i = 0; i < 5; ++i) {
            fake_.backend.StepCapture(4410);
            PumpFor(20);
        }
        EXPECT_TRUE(PumpUntil([&] { return general.Meter().Level(0) > -40; }, 5000));
        // Another device: its channels are listed and it is the one listened to.
        general.SelectPullDownItem(GeneralPreferencesPage::kDeviceList, 1);
        general.SendCommand(GeneralPreferencesPage::kDeviceChanged);
        EXPECT_EQ(general.GetPullDownItemCount(GeneralPreferencesPage::kChannelList), 1);
        EXPECT_EQ(general.Recorder().GetSelection().device, 1);
        EXPECT_EQ(fake_.backend.OpenCaptureCount(), 1);
        // The other page stops it.
        s.SelectPage(1);
        PumpFor(20);
        EXPECT_FALSE(general.IsMonitoring());
        EXPECT_TRUE(PumpUntil([&] { return fake_.backend.OpenCaptureCount() == 0; }, 5000));
        s.SelectPage(0);
        PumpFor(20);
        EXPECT_TRUE(general.IsMonitoring());
        s.SendCommand(kCommandCancel);
    });
    EXPECT_TRUE(PumpUntil([&] { return fake_.backend.OpenCaptureCount() == 0; }, 5000));
}

TEST_F(PreferencesTest, OneRecordingVolumeDefault)
{
    EXPECT_EQ(StoredRecordingVolume(), kDefaultRecordingVolumeDb);
    EXPECT_EQ(kDefaultRecordingVolumeDb, 0);
    PreferencesSheet sheet;
    RunSheet<PreferencesSheet>(sheet, "Quorin Preferences", 0, [&](PreferencesSheet& s) {
        EXPECT_EQ(LGetDBEditValue(&s.General(), GeneralPreferencesPage::kVolumeSlider), kDefaultRecordingVolumeDb);
        s.SendCommand(kCommandCancel);
    });
    for (const char* stored : {"-300", "300"}) {
        LSettingsSetString("Recording", "Volume", stored);
        EXPECT_EQ(StoredRecordingVolume(), stored[0] == '-' ? -127 : 127);
    }
}

// ---- Output Format ----

std::string Expanded(const char* nameTemplate, int number)
{
    char name[260] = {};
    ExpandOutputName(name, nameTemplate, number);
    return name;
}

TEST_F(PreferencesTest, ThePreviewShowsTheFirstThreeNamesOfTheTemplate)
{
    const std::time_t now = std::time(nullptr);
    std::tm local = {};
    localtime_r(&now, &local);
    char year[8] = {};
    std::strftime(year, sizeof year, "%Y", &local);
    const struct
    {
        const char* nameTemplate;
        int action;
        std::string expected;
    } cases[] = {
        {"Untitled %autonumber%", 0, "Untitled 01.wav\nUntitled 02.wav\nUntitled 03.wav\netc..."},
        {"Side A %autonumber%", 1, "Side A 01.mp3\nSide A 02.mp3\nSide A 03.mp3\netc..."},
        {"%autonumber% - Take", 3, "01 - Take.mp3\n02 - Take.mp3\n03 - Take.mp3\netc..."},
        {"Tape %YYYY% %AUTONUMBER%", 4,
         std::string("Tape ") + year + " 01.wav\nTape " + year + " 02.wav\nTape " + year + " 03.wav\netc..."},
        {"Plain", 2, "Plain.wav\nPlain.wav\nPlain.wav\netc..."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nameTemplate);
        EXPECT_EQ(OutputNamePreview(c.nameTemplate, c.action), c.expected);
        EXPECT_EQ(c.expected.substr(0, c.expected.find('.')), Expanded(c.nameTemplate, 1));
    }
    // What the dialog shows as a text is typed: the names of the template as
    // it will be stored.
    const struct
    {
        const char* typed;
        std::string shown;
    } typed[] = {
        {"Side A %autonumber%", "Side A 01.wav\nSide A 02.wav\nSide A 03.wav\netc..."},
        {"Plain", "Plain 01.wav\nPlain 02.wav\nPlain 03.wav\netc..."},
        {"", "Untitled 01.wav\nUntitled 02.wav\nUntitled 03.wav\netc..."},
        {"Tape %YYYY%",
         std::string("Tape ") + year + " 01.wav\nTape " + year + " 02.wav\nTape " + year + " 03.wav\netc..."},
    };
    for (const auto& t : typed) {
        SCOPED_TRACE(t.typed);
        OutputFormatSheet sheet;
        RunSheet<OutputFormatSheet>(sheet, "Output Format", 0, [&](OutputFormatSheet& s) {
            OutputFormatPage& page = s.Page();
            page.SetControlText(OutputFormatPage::kTemplateText, t.typed);
            page.SendCommand(OutputFormatPage::kTemplateChanged);
            char shown[260] = {};
            page.GetStaticText(OutputFormatPage::kExampleText, shown);
            EXPECT_EQ(std::string(shown), t.shown);
            s.SendCommand(kCommandCancel);
        });
    }
}

TEST_F(PreferencesTest, TheTemplateIsStoredWithItsNumberAsASafeName)
{
    const struct
    {
        const char* typed;
        const char* stored;
    } cases[] = {
        {"Side A", "Side A %autonumber%"},
        {"", "Untitled %autonumber%"},
        {"   ", "Untitled %autonumber%"},
        {"Side B %autonumber%", "Side B %autonumber%"},
        {"..Live: 1978/10", "Live 197810 %autonumber%"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(StoredNameTemplate(c.typed), c.stored);
        OutputFormatSheet sheet;
        EXPECT_TRUE(RunSheet<OutputFormatSheet>(sheet, "Output Format", 0, [&](OutputFormatSheet& s) {
            s.Page().SetControlText(OutputFormatPage::kTemplateText, c.typed);
            s.SendCommand(kCommandOK);
        }));
        EXPECT_EQ(Setting("OutputFormat", "FileNameFormat"), c.stored);
    }
}

TEST_F(PreferencesTest, OutputFormatRoundTripAndItsDiscFlags)
{
    const std::string copies = home_.Path("Copies");
    mkdir(copies.c_str(), 0755);
    const struct
    {
        int action;
        const char* burnAudio;
        const char* dataType;
    } cases[] = {{0, "<absent>", "<absent>"}, {2, "0", "0"}, {3, "0", "1"}, {4, "1", "<absent>"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.action);
        LSettingsDelete("OutputFormat", "BurnAudioCD");
        LSettingsDelete("OutputFormat", "DataCDType");
        OutputFormatSheet sheet;
        EXPECT_TRUE(RunSheet<OutputFormatSheet>(sheet, "Output Format", 0, [&](OutputFormatSheet& s) {
            OutputFormatPage& page = s.Page();
            page.SelectPullDownItem(OutputFormatPage::kActionList, c.action);
            page.SendCommand(OutputFormatPage::kActionChanged);
            page.SetCheck(OutputFormatPage::kMakeCopyCheck, true);
            page.SetControlText(OutputFormatPage::kCopyFolderText, copies.c_str());
            page.SetControlText(OutputFormatPage::kTemplateText, "Side A");
            s.SendCommand(kCommandOK);
        }));
        EXPECT_EQ(Setting("OutputFormat", "OutputFormatNum"), std::to_string(c.action));
        EXPECT_EQ(Setting("OutputFormat", "BurnAudioCD"), c.burnAudio);
        EXPECT_EQ(Setting("OutputFormat", "DataCDType"), c.dataType);
        EXPECT_EQ(Setting("OutputFormat", "MakeCopy"), "1");
        EXPECT_EQ(Setting("OutputFormat", "OutputFolder"), copies);
    }
    const std::string before = SettingsFile();
    OutputFormatSheet again;
    EXPECT_FALSE(RunSheet<OutputFormatSheet>(again, "Output Format", 0, [&](OutputFormatSheet& s) {
        OutputFormatPage& page = s.Page();
        EXPECT_EQ(page.GetPullDownSelection(OutputFormatPage::kActionList), 4);
        EXPECT_TRUE(page.GetCheck(OutputFormatPage::kMakeCopyCheck));
        EXPECT_EQ(Text(page, OutputFormatPage::kCopyFolderText), copies);
        EXPECT_EQ(Text(page, OutputFormatPage::kTemplateText), "Side A %autonumber%");
        page.SelectPullDownItem(OutputFormatPage::kActionList, 0);
        page.SetControlText(OutputFormatPage::kTemplateText, "Other");
        s.SendCommand(kCommandCancel);
    }));
    EXPECT_EQ(SettingsFile(), before);
}

TEST_F(PreferencesTest, AnUnwritableCopyFolderChangesNoOutputFormatSetting)
{
    const std::string before = SettingsFile();
    OutputFormatSheet sheet;
    RunSheet<OutputFormatSheet>(sheet, "Output Format", 0, [&](OutputFormatSheet& s) {
        OutputFormatPage& page = s.Page();
        page.SelectPullDownItem(OutputFormatPage::kActionList, 2);
        page.SetCheck(OutputFormatPage::kMakeCopyCheck, true);
        page.SetControlText(OutputFormatPage::kCopyFolderText, "/proc");
        page.SetControlText(OutputFormatPage::kTemplateText, "Side A");
        s.SendCommand(kCommandOK);
        EXPECT_TRUE(s.IsWindow());
    });
    EXPECT_EQ(boxes_.Last(), "The specified make copies path \"/proc\" is not a folder or it is not writable for "
                             "you! Please choose another one .");
    EXPECT_EQ(SettingsFile(), before);
}

TEST_F(PreferencesTest, ChangesAreWrittenTogether)
{
    PreferenceChanges changes;
    changes.Set("Settings", "RecordTone", "1");
    changes.SetInt("Recording", "Volume", -4);
    changes.SetFlag("OutputFormat", "MakeCopy", true);
    changes.Set("Settings", "RecordTone", "0"); // the later value wins
    EXPECT_STREQ(changes.Find("Settings", "RecordTone"), "0");
    EXPECT_EQ(changes.Find("Settings", "MinTime"), nullptr);
    // Another process's value written meanwhile is kept.
    LSettingsSetString("Settings", "MinTime", "9");
    ASSERT_TRUE(changes.Commit());
    EXPECT_EQ(Setting("Settings", "RecordTone"), "0");
    EXPECT_EQ(Setting("Recording", "Volume"), "-4");
    EXPECT_EQ(Setting("OutputFormat", "MakeCopy"), "1");
    EXPECT_EQ(Setting("Settings", "MinTime"), "9");

    const struct
    {
        const char* stored; // null: absent
        bool absentOn;
        bool on;
    } flags[] = {{nullptr, false, false}, {nullptr, true, true}, {"0", true, false}, {"", true, true},
                 {"", false, false},      {"1", false, true},   {"yes", false, true}};
    for (const auto& f : flags) {
        LSettingsDelete("Wizard", "Flag");
        if (f.stored != nullptr)
            LSettingsSetString("Wizard", "Flag", f.stored);
        EXPECT_EQ(PreferenceFlagOn("Wizard", "Flag", f.absentOn), f.on)
            << (f.stored ? f.stored : "absent") << " " << f.absentOn;
    }
}

} // namespace
