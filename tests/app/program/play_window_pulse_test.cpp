// The play window on a real sound server: the private PulseAudio of
// tools/with-pulse.sh with its null sink. The output list shows the server's
// sinks, the window plays at once, the volume slider's dB are the dB that
// reach the sink (measured on its monitor), and closing the window stops
// the sound.

#include "PlayWindowTestSupport.h"

#include "foundation/settings/LSettings.h"

#include <cmath>
#include <cstdlib>

using namespace quorin::test;

namespace {

#define QUORIN_REQUIRE_PULSE()                                                                               \
    if (const char* flag = std::getenv("QUORIN_TEST_PULSE"); flag == nullptr || std::string(flag) != "1")    \
    GTEST_SKIP() << "no private PulseAudio server (run through tools/with-pulse.sh, as make test does)"

// The RMS level in dB of what the sink plays during the next `seconds`
// (the first fifth of a second left out); -200 for silence.
double SinkLevel(const TempDir& dir, double seconds)
{
    const std::string path = dir.Path("monitor.wav");
    RunCommand("timeout " + std::to_string(seconds) + " parec -d test_sink.monitor --file-format=wav " +
               Quote(path) + " >/dev/null 2>&1");
    const std::string stats = CaptureCommand("sox " + Quote(path) + " -n trim 0.2 stats 2>&1");
    const size_t at = stats.find("RMS lev dB");
    if (at == std::string::npos)
        return -300;
    const std::string value = stats.substr(at + 10, 20);
    if (value.find("-inf") != std::string::npos)
        return -200;
    return std::strtod(value.c_str(), nullptr);
}

} // namespace

TEST(PlayWindowPulse, PlaysAtTheSlidersLevelOnTheServersSinkAndStopsWhenClosed)
{
    QUORIN_REQUIRE_PULSE();
    QUORIN_REQUIRE_TOOL("sox");
    QUORIN_REQUIRE_TOOL("parec");
    GuiApp();
    TempHome home;
    TempDir dir;
    const std::string path = MakeTone(dir.Path("tone.wav"), 30, 44100, 0.5);
    LSettingsSetString("Player", "VolumeDB", "0");
    MainStub main;
    auto window = std::make_unique<TestPlayWindow>(main.GetView(), path.c_str());
    ASSERT_TRUE(window->CreateFromTemplate(PlayWindow::Template()));
    window->ShowModeless(nullptr, LPlacementCenterOnScreen);

    // The list: the server's default, then its sinks by description.
    bool sinkListed = false;
    for (int i = 1; i < window->GetPullDownItemCount(kPlayDeviceList); ++i) {
        char text[260] = {};
        window->GetPullDownItemText(kPlayDeviceList, i, text);
        sinkListed = sinkListed || std::string(text).find("TestSink") != std::string::npos;
    }
    EXPECT_TRUE(sinkListed);
    char first[260] = {};
    EXPECT_STREQ(window->GetPullDownItemText(kPlayDeviceList, 0, first), "Default Playback Device");

    ASSERT_TRUE(window->IsPlaying());
    ASSERT_TRUE(PumpUntil([&] { return window->PositionMs() >= 300; }));
    const double full = SinkLevel(dir, 1.5);
    EXPECT_NEAR(full, -9.0, 1.5) << "a sine at half scale is about -9 dB RMS";

    window->SetLevelForTest(-20);
    LSendCommandToWindow(kPlayVolume, window.get());
    PumpFor(300); // what was queued at the old level plays out first
    const double quieter = SinkLevel(dir, 1.5);
    EXPECT_NEAR(quieter - full, -20.0, 1.0);
    EXPECT_TRUE(PumpUntil([&] { return window->PositionMs() >= 3000; })) << "the position advances";

    window->DestroyWindow();
    PumpFor(300);
    EXPECT_LT(SinkLevel(dir, 1.0), -90.0) << "closing stops the sound";
    char stored[260] = {};
    LSettingsGetString("Player", "VolumeDB", "", stored);
    EXPECT_STREQ(stored, "-20");
}
