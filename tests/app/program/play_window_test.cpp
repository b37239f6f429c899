// The play window on the fake sound device, offscreen: it opens playing and
// the transport moves the position as its buttons say; the waveform's view
// stays inside the file; the volume setting is kept within the slider; the
// keys of its table; cursor points (order, duplicates, start and end, the
// question when closing) and what reaches the main window; missing and
// unreadable files.

#include "PlayWindowTestSupport.h"
#include "audio/devices/DeviceTestSupport.h"

#include "app/program/startup/LAcceleratorTables.h"
#include "foundation/settings/LSettings.h"

#include <algorithm>
#include <fstream>

using namespace quorin::test;

namespace {

class PlayWindowTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        GuiApp();
        fake_.backend.AddOutput(MakeDevice("speakers", "Speakers", 2, "pci"));
        fake_.backend.SetDefaultOutput("speakers");
        fake_.backend.SetPacing(LFakeSoundBackend::Pacing::kClock, 441, 1.0);
        main_ = std::make_unique<MainStub>();
    }
    void TearDown() override
    {
        window_.reset();
        main_.reset();
    }

    TestPlayWindow& Open(const std::string& path)
    {
        window_ = std::make_unique<TestPlayWindow>(main_->GetView(), path.c_str());
        EXPECT_TRUE(window_->CreateFromTemplate(PlayWindow::Template()));
        window_->ShowModeless(nullptr, LPlacementCenterOnScreen);
        PumpFor(20);
        return *window_;
    }

    void Command(int command)
    {
        LSendCommandToWindow(command, window_.get());
        PumpFor(5);
    }

    // Adds a point at ms with the window stopped there.
    void AddPointAt(int64_t ms)
    {
        window_->SeekToMs(ms);
        Command(kPlayAddPoint);
    }

    FakeDevices fake_;
    TempDir dir_;
    std::unique_ptr<MainStub> main_;
    std::unique_ptr<TestPlayWindow> window_;
};

} // namespace

TEST_F(PlayWindowTest, OpensPlayingAndTheTransportMovesThePosition)
{
    QUORIN_REQUIRE_TOOL("sox");
    TestPlayWindow& w = Open(MakeTone(dir_.Path("Side A.wav"), 6));
    EXPECT_STREQ(w.GetTitle(), "Side A");
    EXPECT_EQ(w.LengthMs(), 6000);
    char text[260] = {};
    EXPECT_STREQ(w.GetControlText(kPlayTrackLength, text), "Track Length: 0:00:06.00");
    ASSERT_TRUE(w.IsPlaying());
    ASSERT_TRUE(PumpUntil([&] { return w.PositionMs() >= 300; }));

    Command(kPlayPause);
    EXPECT_FALSE(w.IsPlaying());
    EXPECT_TRUE(w.IsPaused());
    const int64_t paused = w.PositionMs();
    EXPECT_GE(paused, 300);
    PumpFor(200);
    EXPECT_EQ(w.PositionMs(), paused) << "a paused window holds its place";

    Command(kPlayPlay);
    EXPECT_TRUE(w.IsPlaying());
    EXPECT_FALSE(w.IsPaused());
    EXPECT_TRUE(PumpUntil([&] { return w.PositionMs() > paused + 100; }));

    Command(kPlayStop);
    EXPECT_FALSE(w.IsPlaying());
    EXPECT_EQ(w.PositionMs(), 0);

    Command(kPlayGoToEnd);
    EXPECT_FALSE(w.IsPlaying());
    EXPECT_EQ(w.PositionMs(), 6000);
    EXPECT_EQ(w.GetTrackBarPos(kPlayPositionSlider), 1000);
    // Play within 100 ms of the end starts again from the beginning.
    Command(kPlayToggle);
    EXPECT_TRUE(w.IsPlaying());
    EXPECT_LT(w.PositionMs(), 1000);

    ASSERT_TRUE(PumpUntil([&] { return w.PositionMs() >= 1500; }));
    Command(kPlayGoToStart);
    EXPECT_TRUE(w.IsPlaying()) << "Go to Start keeps playing";
    EXPECT_LT(w.PositionMs(), 1000);

    // The position slider seeks: half way is three seconds.
    w.SetTrackBarPos(kPlayPositionSlider, 500);
    Command(kPlayPositionCommand);
    EXPECT_GE(w.PositionMs(), 3000);
    EXPECT_LT(w.PositionMs(), 3500);

    // Space pauses and plays again (toggle); the window's own key table.
    Command(kPlayToggle);
    EXPECT_TRUE(w.IsPaused());
    Command(kPlayLastSeconds);
    EXPECT_TRUE(w.IsPlaying());
    EXPECT_GE(w.PositionMs(), 3000);

    // The end of the file stops the window and brings it back to the start.
    ASSERT_TRUE(PumpUntil([&] { return !w.IsPlaying(); }, 6000));
    PumpFor(20);
    EXPECT_EQ(w.PositionMs(), 0);
    EXPECT_FALSE(w.IsPaused());

    // Play after the end plays the file again, from its start, by the button
    // and by the toggle key.
    for (int command : {int(kPlayPlay), int(kPlayToggle)}) {
        SCOPED_TRACE(command);
        Command(command);
        EXPECT_TRUE(w.IsPlaying());
        EXPECT_TRUE(PumpUntil([&] { return w.PositionMs() >= 300; })) << "the position does not move";
        EXPECT_LT(w.PositionMs(), 3000);
        Command(kPlayLastSeconds);
        ASSERT_TRUE(PumpUntil([&] { return !w.IsPlaying(); }, 6000));
        PumpFor(20);
    }
}

// The play window of the wizard's track lists: its transport row holds the
// time display, a meter and volume slider of useful length and the output
// list side by side, none over another and all inside the window.
TEST_F(PlayWindowTest, TheTrackPlayWindowsTransportRowFitsSideBySide)
{
    QUORIN_REQUIRE_TOOL("sox");
    class TrackWindow : public LTrackPlayDialog
    {
    public:
        using LTrackPlayDialog::LTrackPlayDialog;
        ~TrackWindow() override
        {
            player_.Stop();
            if (IsWindow())
                DestroyWindow();
        }
    };
    PlayFileItem item(MakeTone(dir_.Path("Track 1.wav"), 3).c_str());
    int result = 1;
    TrackWindow window(&item, &result);
    const LDialogTemplate playTemplate{kTrackPlayDialogWidth, LPlayDialogHeight(true), "Play", true, nullptr};
    ASSERT_TRUE(window.CreateFromTemplate(&playTemplate));
    window.ShowModeless(nullptr, LPlacementCenterOnScreen);
    PumpFor(20);
    int clientW = 0, clientH = 0;
    window.GetClientSize(&clientW, &clientH);
    struct Part
    {
        int id;
        int minWidth;
        int x = 0, y = 0, w = 0, h = 0;
    };
    std::vector<Part> parts = {
        {kPlayGoToEnd, 20}, {kPlayTime, 100}, {kPlayMeter, 80}, {kPlayVolume, 80}, {kPlayDeviceList, 120}};
    for (Part& part : parts) {
        ASSERT_TRUE(window.GetControlRect(part.id, &part.x, &part.y, &part.w, &part.h)) << part.id;
        EXPECT_GE(part.w, part.minWidth) << "control " << part.id << " is too narrow";
        EXPECT_LE(part.x + part.w, clientW) << "control " << part.id << " reaches out of the window";
    }
    for (size_t a = 0; a < parts.size(); ++a)
        for (size_t b = a + 1; b < parts.size(); ++b) {
            const Part& p = parts[a];
            const Part& q = parts[b];
            const bool overlap = p.x < q.x + q.w && q.x < p.x + p.w && p.y < q.y + q.h && q.y < p.y + p.h;
            EXPECT_FALSE(overlap) << "controls " << p.id << " and " << q.id << " overlap";
        }
}

TEST_F(PlayWindowTest, RewindAndForwardRunWhileHeldAndPlayingGoesOnAfter)
{
    QUORIN_REQUIRE_TOOL("sox");
    TestPlayWindow& w = Open(MakeTone(dir_.Path("wind.wav"), 20));
    w.SeekToMs(8000);
    ASSERT_TRUE(w.IsPlaying());

    Command(kPlayForward);
    EXPECT_TRUE(w.IsForwarding());
    EXPECT_TRUE(PumpUntil([&] { return w.PositionMs() >= 9500; }, 2000)) << "forward winds faster than play";
    Command(kPlayForwardUp);
    EXPECT_FALSE(w.IsForwarding());
    EXPECT_TRUE(w.IsPlaying()) << "it was playing before the wind";
    const int64_t after = w.PositionMs();
    EXPECT_GE(after, 9500);

    Command(kPlayRewind);
    EXPECT_TRUE(w.IsRewinding());
    EXPECT_TRUE(PumpUntil([&] { return w.PositionMs() < after - 500; }, 3000)) << "rewind goes back";
    Command(kPlayRewindUp);
    EXPECT_FALSE(w.IsRewinding());
    EXPECT_TRUE(w.IsPlaying());

    // The arrow keys hold the same winds: Right down winds, Right up ends it.
    w.OnKeyDown(LKey::FromVirtualKey(kVKRight));
    EXPECT_TRUE(w.IsForwarding());
    w.OnKeyDown(LKey::FromVirtualKey(kVKRight)); // a repeat changes nothing
    EXPECT_TRUE(w.IsForwarding());
    w.OnKeyUp(LKey::FromVirtualKey(kVKRight));
    EXPECT_FALSE(w.IsForwarding());
    EXPECT_TRUE(w.IsPlaying());
}

TEST(PlayKeys, TheTableSendsTheTransportCommands)
{
    struct Case
    {
        LKey key;
        int command;
    };
    const Case cases[] = {
        {LKey::FromCharacter(u' '), kPlayToggle},
        {LKey::FromVirtualKey(kVKEscape), kPlayClose},
        {LKey::FromVirtualKey(kVKLeft), kPlayRewind},
        {LKey::FromVirtualKey(kVKRight), kPlayForward},
        {LKey::FromVirtualKey(kVKHome), kPlayGoToStart},
        {LKey::FromVirtualKey(kVKEnd), kPlayGoToEnd},
        {LKey::FromCharacter(u'W', LKey::kCommand), kPlayClose},
        {LKey::FromVirtualKey(kVKReturn), kPlayClose},
        {LKey::FromVirtualKey(kVKEnter), kPlayClose},
        {LKey::FromVirtualKey(kVKLeft, LKey::kCommand), kPlayGoToStart},
        {LKey::FromVirtualKey(kVKRight, LKey::kCommand), kPlayGoToEnd},
    };
    for (const Case& c : cases) {
        const LAcceleratorAction action =
            LFindAccelerator(c.key, LPlayAcceleratorTable, kPlayAcceleratorCount, true);
        EXPECT_EQ(action.kind, LAcceleratorAction::kSendCommand) << LKeyName(c.key);
        EXPECT_EQ(action.command, c.command) << LKeyName(c.key);
    }
}

TEST(PlayWaveform, TheTwoSecondsShownStayInsideTheFile)
{
    struct Case
    {
        int64_t frame, length, start;
    };
    const int64_t r = 44100;
    const Case cases[] = {
        {0, 30 * r, 0},                // at the start
        {r / 2, 30 * r, 0},            // near the start: never before the file
        {12 * r, 30 * r, 11 * r},      // one second before the position
        {30 * r - 10, 30 * r, 28 * r}, // near the end: the last two seconds
        {r / 2, r, 0},                 // a file shorter than two seconds
        {0, 0, 0},                     // nothing to show
    };
    for (const Case& c : cases)
        EXPECT_EQ(LPlayDialog::WaveformStartFor(c.frame, r, c.length), c.start)
            << c.frame << " of " << c.length;
}

TEST_F(PlayWindowTest, TheVolumeSettingStaysInTheSlidersRangeAndTheBottomMutes)
{
    QUORIN_REQUIRE_TOOL("sox");
    const std::string path = MakeTone(dir_.Path("v.wav"), 2);
    struct Case
    {
        const char* stored; // null: no setting
        int slider;
        int db;
        const char* storedAfter;
    };
    const Case cases[] = {
        {nullptr, 0, 0, "0"},       {"100", 0, 0, "0"},          {"-20", -20, -20, "-20"},
        {"-60", -60, -127, "-127"}, {"-200", -60, -127, "-127"},
    };
    for (const Case& c : cases) {
        if (c.stored != nullptr)
            LSettingsSetString("Player", "VolumeDB", c.stored);
        else
            LSettingsDelete("Player", "VolumeDB");
        TestPlayWindow& w = Open(path);
        EXPECT_EQ(w.VolumeDb(), c.db) << (c.stored ? c.stored : "none");
        w.DestroyWindow();
        char text[260] = {};
        LSettingsGetString("Player", "VolumeDB", "", text);
        EXPECT_STREQ(text, c.storedAfter);
        window_.reset();
    }
}

TEST_F(PlayWindowTest, TheDefaultOutputIsChosenByItsOldNameToo)
{
    QUORIN_REQUIRE_TOOL("sox");
    fake_.backend.AddOutput(MakeDevice("usb", "USB Audio", 2, "usb"));
    const std::string path = MakeTone(dir_.Path("d.wav"), 2);
    LSettingsSetString("Player", "Device", "[Default Sound Out]");
    TestPlayWindow& w = Open(path);
    EXPECT_EQ(w.GetPullDownSelection(kPlayDeviceList), 0);
    char text[260] = {};
    EXPECT_STREQ(w.GetPullDownItemText(kPlayDeviceList, 0, text), "Default Playback Device");
    ASSERT_EQ(w.GetPullDownItemCount(kPlayDeviceList), 3);
    // Choosing another output keeps playing there and is remembered by name.
    w.SelectPullDownItem(kPlayDeviceList, 2);
    Command(kPlayDeviceCommand);
    EXPECT_TRUE(w.IsPlaying());
    EXPECT_EQ(w.Player().GetDevice().GetSelection().device, 2);
    char stored[260] = {};
    LSettingsGetString("Player", "Device", "", stored);
    EXPECT_STREQ(stored, w.GetPullDownItemText(kPlayDeviceList, 2, text));
}

TEST_F(PlayWindowTest, CursorPointsAreSortedKeptOnceAndRefusedAtTheEnds)
{
    QUORIN_REQUIRE_TOOL("sox");
    TestPlayWindow& w = Open(MakeTone(dir_.Path("points.wav"), 10));
    Command(kPlayStop);
    EXPECT_FALSE(w.HasCursorPoints());
    EXPECT_FALSE(w.IsControlEnabled(kPlaySplit));
    EXPECT_FALSE(w.IsControlEnabled(kPlayRemovePoint));

    AddPointAt(7250);
    AddPointAt(2500);
    AddPointAt(5125);
    AddPointAt(2500); // a duplicate
    EXPECT_EQ(w.CursorPointTexts(), (std::vector<std::string>{"0:00:07.250", "0:00:02.500", "0:00:05.125"}));
    EXPECT_TRUE(w.IsControlEnabled(kPlaySplit));
    EXPECT_TRUE(w.boxes.empty());
    EXPECT_EQ(w.SplitFrames(), (std::vector<int64_t>{110250, 226012, 319725}));

    AddPointAt(0);
    AddPointAt(10000);
    ASSERT_EQ(w.boxes.size(), 2u);
    EXPECT_EQ(w.boxes[0],
              "Add Cursor Point: Sorry, you can't add a cursor at the start because splitting here "
              "would only create an empty track.");
    EXPECT_EQ(w.boxes[1], "Add Cursor Point: Sorry, you can't add a cursor at the end because splitting here "
                          "would only create an empty track.");
    EXPECT_EQ(w.CursorPointTexts().size(), 3u);

    // Choosing a point moves the position there.
    w.SelectPullDownItem(kPlayPointList, 1);
    Command(kPlayGoToPoint);
    EXPECT_EQ(w.PositionMs(), 2500);

    // Removing every point brings back the empty text; Split then only asks for points.
    for (int i = 0; i < 3; ++i)
        Command(kPlayRemovePoint);
    EXPECT_FALSE(w.HasCursorPoints());
    char text[260] = {};
    EXPECT_STREQ(w.GetPullDownSelectedText(kPlayPointList, text), PlayWindow::kNoPoint);
    Command(kPlaySplit);
    PumpFor(20);
    EXPECT_TRUE(w.IsWindow());
    EXPECT_TRUE(main_->events.empty());
}

TEST_F(PlayWindowTest, SplitPostsTheSortedFramesAndClosing)
{
    QUORIN_REQUIRE_TOOL("sox");
    const std::string path = MakeTone(dir_.Path("close.wav"), 10);
    struct Case
    {
        const char* name;
        int answer; // 1 split, 2 cancel, 3 no
        bool closed;
        bool split;
    };
    const Case cases[] = {
        {"Split", 1, true, true},
        {"Cancel", 2, false, false},
        {"No", 3, true, false},
    };
    for (const Case& c : cases) {
        main_->events.clear();
        TestPlayWindow& w = Open(path);
        AddPointAt(6000);
        AddPointAt(3000);
        w.answers.push_back(c.answer);
        Command(kCommandCancel); // the close box
        PumpFor(30);
        EXPECT_EQ(w.boxes.size(), 1u) << c.name;
        EXPECT_EQ(w.IsWindow(), !c.closed) << c.name;
        EXPECT_EQ(main_->Count(kMainMsgSplitFile), c.split ? 1 : 0) << c.name;
        if (c.split) {
            EXPECT_EQ(main_->splitPath, path);
            EXPECT_EQ(main_->splitPoints, (std::vector<int64_t>{132300, 264600}));
        }
        window_.reset();
    }

    // Escape closes as the close box does: no points, no question.
    TestPlayWindow& w = Open(path);
    w.OnKeyDown(LKey::FromVirtualKey(kVKEscape));
    PumpFor(20);
    EXPECT_FALSE(w.IsWindow());
    EXPECT_TRUE(w.boxes.empty());
}

TEST_F(PlayWindowTest, AMissingFileIsToldAndTheListReloadsAndAnUnreadableOneOpensNothing)
{
    const std::string missing = dir_.Path("gone.wav");
    TestPlayWindow& w = Open(missing);
    EXPECT_FALSE(w.IsWindow());
    EXPECT_EQ(w.GetOutcome(), PlayWindow::kMissing);
    ASSERT_EQ(w.boxes.size(), 1u);
    EXPECT_EQ(w.boxes[0], "Quorin Dizer od OD Udivezeve: This music file path: " + missing +
                              " doesn't exist! It must have been removed by another program.");
    EXPECT_TRUE(PumpUntil([&] { return main_->Count(kMainMsgReloadList) == 1; }));

    const std::string junk = dir_.Path("junk.wav");
    std::ofstream(junk) << "not a recording at all";
    TestPlayWindow& u = Open(junk);
    EXPECT_FALSE(u.IsWindow());
    EXPECT_EQ(u.GetOutcome(), PlayWindow::kUnplayable);
    EXPECT_TRUE(u.boxes.empty());
    EXPECT_FALSE(LRunPlayWindow(nullptr, junk.c_str())) << "no window opened: not reported as played";
}
