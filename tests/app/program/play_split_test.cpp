// Splitting by ear through the real main window: the play window is opened
// by the main window's Play command on a generated WAV, three cursor
// points are added out of order, and the split the main window runs gives
// four files whose lengths are the differences of the points and whose
// samples together are the original's; the list then shows them. Play on a
// row whose file went away tells so and the row goes.

#include "PlayWindowTestSupport.h"
#include "audio/devices/DeviceTestSupport.h"

#include "app/queue/ProcessQueueWorker.h"
#include "audio/formats/LAudioFileOpener.h"
#include "audio/mp3/Mp3EncoderTestSupport.h"
#include "foundation/settings/LSettings.h"

#include "gui/qt/LQtView.h"
#include "gui/qt/lists/LQtOutlineViewImpl.h"

#include <QTest>

#include <algorithm>
#include <deque>
#include <fstream>
#include <iterator>

using namespace quorin::test;

namespace {

class PlayMainDialog : public MainDialog
{
public:
    explicit PlayMainDialog(ProcessQueueWorker& worker) : MainDialog(worker) {}
    ~PlayMainDialog() override
    {
        play.reset();
        if (IsWindow() && !IsClosed()) {
            answers.assign(3, 1);
            QueryQuit();
        }
    }

    void OpenRecordingWizard() override {}
    int Ask(const char*, const char*, const char*, const char*) override
    {
        if (answers.empty())
            return 2;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void Tell(const char* text, const char*, int) override { told.push_back(text); }
    // The play window opens without a loop of its own, so the test can use it.
    bool RunPlayWindow(const char* path) override
    {
        ++playCalls;
        play = std::make_unique<TestPlayWindow>(GetView(), path);
        if (!play->CreateFromTemplate(PlayWindow::Template()))
            return false;
        play->ShowModeless(this, LPlacementCenterOnParent);
        return play->GetOutcome() != PlayWindow::kUnplayable;
    }

    std::unique_ptr<TestPlayWindow> play;
    int playCalls = 0;
    std::deque<int> answers;
    std::vector<std::string> told;
};

class PlaySplitTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        GuiApp();
        fake_.backend.AddOutput(MakeDevice("speakers", "Speakers", 2, "pci"));
        fake_.backend.SetDefaultOutput("speakers");
        fake_.backend.SetPacing(LFakeSoundBackend::Pacing::kClock, 441, 1.0);
        LSettingsSetString("Settings", "AppOutputFolder", out_.Path().c_str());
    }
    void TearDown() override { window_.reset(); }

    PlayMainDialog& Open(int rows)
    {
        window_ = std::make_unique<PlayMainDialog>(worker_);
        EXPECT_TRUE(window_->CreateMainWindow());
        window_->SetCharacterCell(2, 4, window_->GetScaleFactor());
        window_->InitMainWindow();
        EXPECT_TRUE(PumpUntil([&] { return window_->RowCount() == rows && !window_->IsTimerSet(4); }));
        return *window_;
    }

    int RowOf(const std::string& name)
    {
        for (int row = 0; row < window_->RowCount(); ++row)
            if (window_->RowText(row) == name)
                return row;
        return -1;
    }

    // Plays the row's file, adds the points (ms) in the order given and splits.
    std::vector<int64_t> SplitByEar(const std::string& name, const std::vector<int64_t>& points)
    {
        PlayMainDialog& main = *window_;
        main.SelectListViewRow(MainDialog::kListId, RowOf(name), true);
        main.SendCommand(2008);
        EXPECT_EQ(main.playCalls, 1);
        if (!main.play || !main.play->IsWindow())
            return {};
        TestPlayWindow& play = *main.play;
        for (int64_t ms : points) {
            play.SeekToMs(ms);
            LSendCommandToWindow(kPlayAddPoint, &play);
        }
        play.SeekToMs(points.front()); // a duplicate is ignored
        LSendCommandToWindow(kPlayAddPoint, &play);
        EXPECT_TRUE(play.boxes.empty());
        const std::vector<int64_t> frames = play.SplitFrames();
        EXPECT_EQ(frames.size(), points.size());
        EXPECT_TRUE(std::is_sorted(frames.begin(), frames.end()));
        LSendCommandToWindow(kPlaySplit, &play);
        EXPECT_FALSE(play.IsWindow());
        return frames;
    }

    FakeDevices fake_;
    TempDir out_;
    TempDir elsewhere_;
    std::string queuePath_ = elsewhere_.Path("grprocesses.list");
    ProcessQueueWorker worker_{queuePath_.c_str()};
    std::unique_ptr<PlayMainDialog> window_;
};

std::string Raw(const std::string& command)
{
    return CaptureCommand(command + " 2>/dev/null");
}

// Frames as the program's own readers count them (for an MP3, without the
// encoder's delay and padding); -1 when the file cannot be read.
int64_t FramesOf(const std::string& path)
{
    LSoundSourcePtr source;
    LOpenAudioFileSource(source, path.c_str());
    return source->GetStatus() == kSoundStatusOk ? source->GetLength() : -1;
}

} // namespace

TEST_F(PlaySplitTest, ThreePointsByEarGiveFourWavFilesThatMakeTheOriginal)
{
    QUORIN_REQUIRE_TOOL("sox");
    QUORIN_REQUIRE_TOOL("soxi");
    const std::string original = out_.Path("Side A.wav");
    ASSERT_EQ(
        RunCommand("sox -q -n -r 44100 -c 2 -b 16 " + Quote(original) + " synth 12 sine 300-900 vol 0.5"), 0);
    Open(1);
    const int64_t total = SoxFrames(original);
    const std::vector<int64_t> frames = SplitByEar("Side A.wav", {8250, 1500, 4875});
    ASSERT_EQ(frames, (std::vector<int64_t>{66150, 214987, 363825}));
    ASSERT_TRUE(PumpUntil([&] { return window_->RowCount() == 5 && !window_->IsTimerSet(4); }, 20000));

    std::vector<int64_t> bounds{0};
    bounds.insert(bounds.end(), frames.begin(), frames.end());
    bounds.push_back(total);
    std::string parts;
    for (int i = 1; i <= 4; ++i) {
        char name[64];
        std::snprintf(name, sizeof(name), "Side A_SPLIT_%02d.wav", i);
        EXPECT_GE(RowOf(name), 0) << name << " is listed";
        EXPECT_EQ(SoxFrames(out_.Path(name)), bounds[i] - bounds[i - 1]) << name;
        parts += " " + Quote(out_.Path(name));
    }
    const std::string joined = Raw("sox" + parts + " -t raw -");
    const std::string whole = Raw("sox " + Quote(original) + " -t raw -");
    EXPECT_EQ(joined.size(), whole.size());
    EXPECT_TRUE(joined == whole) << "the pieces' samples are the original's";
}

TEST_F(PlaySplitTest, ThreePointsByEarOnAnMp3GiveFourMp3Tracks)
{
    QUORIN_REQUIRE_TOOL("sox");
    QUORIN_REQUIRE_TOOL("lame");
    if (!mp3enc::InstallComponent())
        GTEST_SKIP() << "the build tree ships no MP3 encoder component (libmp3lame0)";
    const std::string wav = MakeTone(elsewhere_.Path("source.wav"), 12);
    const std::string mp3 = out_.Path("Side B.mp3");
    ASSERT_EQ(RunCommand("lame --quiet " + Quote(wav) + " " + Quote(mp3)), 0);
    Open(1);
    const int64_t total = FramesOf(mp3);
    ASSERT_GT(total, 0);
    const std::vector<int64_t> frames = SplitByEar("Side B.mp3", {8250, 1500, 4875});
    ASSERT_EQ(frames, (std::vector<int64_t>{66150, 214987, 363825}));
    ASSERT_TRUE(PumpUntil([&] { return window_->RowCount() == 5 && !window_->IsTimerSet(4); }, 20000));
    ASSERT_EQ(window_->told, std::vector<std::string>{}) << "the split told of a failure";

    std::vector<int64_t> bounds{0};
    bounds.insert(bounds.end(), frames.begin(), frames.end());
    bounds.push_back(total);
    for (int i = 1; i <= 4; ++i) {
        char name[64];
        std::snprintf(name, sizeof(name), "Side B_SPLIT_%02d.mp3", i);
        EXPECT_GE(RowOf(name), 0) << name << " is listed";
        EXPECT_EQ(FramesOf(out_.Path(name)), bounds[i] - bounds[i - 1]) << name;
        if (HaveTool("mpg123")) {
            EXPECT_EQ(RunCommand("mpg123 -q -t " + Quote(out_.Path(name)) + " 2>/dev/null"), 0) << name;
        }
    }
}

TEST_F(PlaySplitTest, PlayOnARowWhoseFileWentAwayTellsAndTheRowGoes)
{
    QUORIN_REQUIRE_TOOL("sox");
    MakeTone(out_.Path("kept.wav"), 1);
    MakeTone(out_.Path("gone.wav"), 1);
    PlayMainDialog& main = Open(2);
    ASSERT_EQ(unlink(out_.Path("gone.wav").c_str()), 0);
    main.SelectListViewRow(MainDialog::kListId, RowOf("gone.wav"), true);
    main.SendCommand(2008);
    EXPECT_EQ(main.playCalls, 0) << "no window for a file that is not there";
    ASSERT_EQ(main.told.size(), 1u);
    EXPECT_EQ(main.told[0], "This music file path: " + out_.Path("gone.wav") +
                                " doesn't exist! It must have been removed by another program.");
    EXPECT_TRUE(PumpUntil([&] { return main.RowCount() == 1 && !main.IsTimerSet(4); }, 10000));
    EXPECT_EQ(main.RowText(0), "kept.wav");

    // Play on the row that is there opens the window, from the toolbar and
    // menu command as from a double click (both send 2008).
    main.SelectListViewRow(MainDialog::kListId, 0, true);
    main.SendCommand(2008);
    EXPECT_EQ(main.playCalls, 1);
    ASSERT_TRUE(main.play);
    EXPECT_TRUE(main.play->IsWindow());
    EXPECT_TRUE(main.play->IsPlaying());
    EXPECT_TRUE(main.told.size() == 1u) << "nothing more to tell";
}

TEST_F(PlaySplitTest, ADoubleClickOnARowPlaysItsFile)
{
    QUORIN_REQUIRE_TOOL("sox");
    MakeTone(out_.Path("take.wav"), 2);
    PlayMainDialog& main = Open(1);
    auto* list = LQtWidget(main.GetView())->findChild<LQtListViewImpl*>();
    ASSERT_NE(list, nullptr);
    const QPoint row = list->visualRect(list->model()->index(0, 0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row);
    ASSERT_TRUE(PumpUntil([&] { return main.playCalls == 1; }, 5000));
    ASSERT_TRUE(main.play);
    EXPECT_STREQ(main.play->File().path, out_.Path("take.wav").c_str());
    EXPECT_TRUE(main.play->IsPlaying());
}
