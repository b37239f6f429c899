// The General page of "Quorin Preferences" on a real sound server (the
// private PulseAudio of tools/with-pulse.sh): its device list holds the
// server's sources, and its meter shows the level of the source chosen,
// which OK stores as the recording input.

#include "PreferencesTestSupport.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include "app/program/preferences/PreferencesSheet.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LCommands.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace quorin::test;

namespace {

#define QUORIN_REQUIRE_PULSE()                                                                               \
    if (const char* flag = std::getenv("QUORIN_TEST_PULSE"); flag == nullptr || std::string(flag) != "1")    \
    GTEST_SKIP() << "no private PulseAudio server (run through tools/with-pulse.sh, as make test does)"

std::string Trim(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

class PreferencesPulseTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        GuiApp();
        mkdir(home_.Path("Music").c_str(), 0755);
        mkdir(home_.Path("Music/Quorin").c_str(), 0755);
    }
    void TearDown() override
    {
        if (!module_.empty())
            RunCommand("timeout 20 pactl unload-module " + module_ + " >/dev/null 2>&1");
    }
    std::string module_;
    BoxAnswerer boxes_; // none is expected: one would be named by the test's end
};

TEST_F(PreferencesPulseTest, TheChosenSourceIsListedMeteredAndStored)
{
    QUORIN_REQUIRE_PULSE();
    const std::string name = "quorin_prefs_" + std::to_string(getpid());
    int status = -1;
    module_ = Trim(CaptureCommand("timeout 20 pactl load-module module-sine-source source_name=" + name +
                                      " frequency=440 rate=44100 source_properties=device.description=" + name +
                                      " 2>/dev/null",
                                  &status));
    ASSERT_EQ(status, 0) << "the sine source could not be loaded";

    PreferencesSheet sheet;
    std::string stored;
    ASSERT_TRUE(RunSheet<PreferencesSheet>(sheet, "Quorin Preferences", 0, [&](PreferencesSheet& s) {
        GeneralPreferencesPage& general = s.General();
        int found = -1;
        for (int i = 0; i < general.GetPullDownItemCount(GeneralPreferencesPage::kDeviceList); ++i) {
            char item[260] = {};
            general.GetPullDownItemText(GeneralPreferencesPage::kDeviceList, i, item);
            if (std::string(item).find(name) != std::string::npos) {
                found = i;
                stored = item;
            }
        }
        ASSERT_GE(found, 0) << "the source is not listed";
        general.SelectPullDownItem(GeneralPreferencesPage::kDeviceList, found);
        general.SendCommand(GeneralPreferencesPage::kDeviceChanged);
        ASSERT_TRUE(general.IsMonitoring());
        EXPECT_TRUE(PumpUntil([&] { return general.Meter().Level(0) > -30; }, 20000))
            << "the meter shows " << general.Meter().Level(0) << " dB";
        s.SendCommand(kCommandOK);
    }));
    char device[260] = {};
    LSettingsGetString("Settings", "SoundInDevice", "", device);
    EXPECT_EQ(std::string(device), stored);
    EXPECT_TRUE(PumpUntil([&] { return !sheet.General().IsMonitoring(); }, 5000));
    EXPECT_TRUE(boxes_.Seen().empty()) << boxes_.Last();
}

} // namespace
