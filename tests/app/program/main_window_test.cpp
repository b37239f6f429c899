// The main window offscreen: the list of recordings with the durations sox
// reports, the empty list that opens the wizard, drops, renames, removing,
// reordering, the queue's jobs arriving in the list, the placement kept from
// one run to the next, and closing that only hides.

#include "app/program/LProgramCommands.h"
#include "app/program/MainDialog.h"
#include "app/program/wizard/MainWindowTrackReceiver.h"
#include "app/queue/ProcessQueueWorker.h"
#include "foundation/process/LChildProcess.h"
#include "foundation/process/LHelperSocket.h"
#include "foundation/settings/LSettings.h"
#include "gui/GuiTestSupport.h"
#include "gui/controls/LStatusBar.h"
#include "gui/framework/LCommands.h"
#include "gui/framework/LMainMenu.h"
#include "gui/framework/LScreens.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/lists/LQtOutlineViewImpl.h"
#include "gui/qt/menus/LQtMenuImpl.h"
#include "support/TempHome.h"
#include "support/TestData.h"
#include "support/TestFiles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDropEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <deque>
#include <fstream>
#include <iterator>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quorin::test;

namespace {

// The main window with the user's answers given in advance and what it
// tells the user kept.
class TestMainDialog : public MainDialog
{
public:
    explicit TestMainDialog(ProcessQueueWorker& worker) : MainDialog(worker) {}
    ~TestMainDialog() override { CloseForTest(); }

    void OpenRecordingWizard() override { ++wizardOpened; }
    int Ask(const char* text, const char*, const char*, const char*) override
    {
        questions.push_back(text);
        if (answers.empty())
            return 2;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void Tell(const char* text, const char*, int) override { told.push_back(text); }
    bool ChooseCopyFolder(std::string* folder) override
    {
        *folder = copyFolder;
        return !copyFolder.empty();
    }
    void CloseForTest()
    {
        if (IsWindow() && !IsClosed()) {
            answers.assign(3, 1);
            QueryQuit();
        }
    }

    int wizardOpened = 0;
    std::deque<int> answers;
    std::vector<std::string> questions;
    std::vector<std::string> told;
    std::string copyFolder;
};

class MainWindowTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        GuiApp();
        LSettingsSetString("Settings", "AppOutputFolder", out_.Path().c_str());
    }

    std::string Tone(const std::string& path, double seconds, int rate = 44100)
    {
        EXPECT_EQ(RunCommand("sox -q -n -r " + std::to_string(rate) + " -c 2 -b 16 " + Quote(path) +
                             " synth " + std::to_string(seconds) + " sine 440 vol 0.5"),
                  0);
        return path;
    }

    std::unique_ptr<TestMainDialog> Open()
    {
        auto window = std::make_unique<TestMainDialog>(worker_);
        EXPECT_TRUE(window->CreateMainWindow());
        // Small text units, so the window's minimum size (134 x 45 units)
        // leaves room to move and size it on the 800 x 600 test screen.
        window->SetCharacterCell(2, 4, window->GetScaleFactor());
        window->InitMainWindow();
        return window;
    }

    // Waits for the first load of the list, half a second after start.
    static bool WaitForLoad(TestMainDialog& window, int rows)
    {
        return PumpUntil([&] { return window.RowCount() == rows && !window.IsTimerSet(4); });
    }

    static std::string SoxiHMS(const std::string& path)
    {
        const double seconds = std::stod(CaptureCommand("soxi -D " + Quote(path)));
        const long s = static_cast<long>(std::floor(seconds));
        char text[32];
        std::snprintf(text, sizeof(text), "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
        return text;
    }

    TempDir out_;
    TempDir elsewhere_;
    std::string queuePath_ = elsewhere_.Path("grprocesses.list");
    ProcessQueueWorker worker_{queuePath_.c_str()};
};

bool HaveSoundTools()
{
    return HaveTool("sox") && HaveTool("soxi") && HaveTool("lame");
}

} // namespace

TEST_F(MainWindowTest, TheRecordingsOfTheOutputFolderAreListedWithTheirDurations)
{
    if (!HaveSoundTools())
        GTEST_SKIP() << "sox and lame are needed (make deps installs them)";
    Tone(out_.Path("a.wav"), 2.6);
    Tone(out_.Path("b.wav"), 75.3, 22050);
    Tone(elsewhere_.Path("c.wav"), 4.2);
    ASSERT_EQ(RunCommand("lame --quiet " + Quote(elsewhere_.Path("c.wav")) + " " + Quote(out_.Path("c.mp3"))),
              0);
    std::ofstream(out_.Path("notes.txt")) << "not a recording";

    auto window = Open();
    ASSERT_TRUE(WaitForLoad(*window, 3));
    EXPECT_EQ(window->RowText(0), "a.wav");
    EXPECT_EQ(window->RowText(1), "b.wav");
    EXPECT_EQ(window->RowText(2), "c.mp3");
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(window->RowDuration(row), SoxiHMS(window->RowPath(row))) << window->RowText(row);
    EXPECT_EQ(window->wizardOpened, 0);
    EXPECT_EQ(window->StatusText(0), "Quorin 3.00");
    EXPECT_EQ(window->StatusText(2).rfind("No Files Queued", 0) == 0 ||
                  window->StatusText(2).find(" / ") != std::string::npos,
              true);
}

TEST_F(MainWindowTest, AnEmptyFolderShowsTheEmptyTextAndOpensTheWizard)
{
    auto window = Open();
    ASSERT_TRUE(WaitForLoad(*window, 0));
    EXPECT_EQ(window->wizardOpened, 1);
    auto* list = LQtWidget(window->GetView())->findChild<LQtListViewImpl*>();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->DefaultText().toStdString(), MainDialog::kEmptyListText);
}

TEST_F(MainWindowTest, ADroppedWavIsCopiedInAndListedAndOtherFilesAreRefusedOnce)
{
    if (!HaveSoundTools())
        GTEST_SKIP() << "sox is needed (make deps installs it)";
    const std::string wav = Tone(elsewhere_.Path("dropped take.wav"), 1.2);
    std::ofstream(elsewhere_.Path("a.txt")) << "a";
    std::ofstream(elsewhere_.Path("b.txt")) << "b";
    auto window = Open();
    ASSERT_TRUE(WaitForLoad(*window, 0));

    auto* mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile(QString::fromStdString(elsewhere_.Path("a.txt"))),
                   QUrl::fromLocalFile(QString::fromStdString(wav)),
                   QUrl::fromLocalFile(QString::fromStdString(elsewhere_.Path("b.txt")))});
    auto* target = LQtWidget(window->GetView());
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    ASSERT_TRUE(PumpUntil([&] { return window->RowCount() == 1; }));
    EXPECT_EQ(window->RowText(0), "dropped take.wav");
    struct stat info;
    EXPECT_EQ(stat(out_.Path("dropped take.wav").c_str(), &info), 0);
    EXPECT_EQ(window->told, std::vector<std::string>{"Only wav and mp3 files can be added to this list."});
    delete mime;
}

// A file added from elsewhere never replaces one of the output folder: not
// the user's recording named at start-up before the list has loaded, nor a
// file another program put there after it loaded. Both stay, the newcomer
// under the next free name.
TEST_F(MainWindowTest, AnAddedFileTakesTheNextFreeNameBesideAFileOfTheSameName)
{
    if (!HaveSoundTools())
        GTEST_SKIP() << "sox is needed (make deps installs it)";
    Tone(out_.Path("take.wav"), 0.4);
    const std::string recording = ReadFileBytes(out_.Path("take.wav"));
    const std::string named = Tone(elsewhere_.Path("take.wav"), 1.1);
    auto window = Open();
    // As "quorin FILE" does: before the list's first load.
    window->OpenDocuments({named});
    ASSERT_TRUE(WaitForLoad(*window, 2));
    EXPECT_EQ(ReadFileBytes(out_.Path("take.wav")), recording);
    EXPECT_EQ(ReadFileBytes(out_.Path("take 02.wav")), ReadFileBytes(named));
    EXPECT_TRUE(window->told.empty());

    Tone(out_.Path("later.wav"), 0.3);
    const std::string other = ReadFileBytes(out_.Path("later.wav"));
    const std::string dropped = Tone(elsewhere_.Path("later.wav"), 0.8);
    window->OnDropFiles({dropped});
    EXPECT_EQ(ReadFileBytes(out_.Path("later.wav")), other);
    EXPECT_EQ(ReadFileBytes(out_.Path("later 02.wav")), ReadFileBytes(dropped));
    std::vector<std::string> rows;
    for (int row = 0; row < window->RowCount(); ++row)
        rows.push_back(window->RowText(row));
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (std::vector<std::string>{"later 02.wav", "take 02.wav", "take.wav"}));
}

// Files of this process may grow to `bytes` only while it lives (a disk
// that fills up under a writer).
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = signal(SIGXFSZ, SIG_IGN);
        const rlimit small = {bytes, old_.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old_);
        signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_ = {};
    sighandler_t oldHandler_ = SIG_DFL;
};

// A split that fails part way (the disk fills up on the third track) takes
// back the tracks it finished and says which; a second try leaves no more
// than the first.
TEST_F(MainWindowTest, AFailedSplitRemovesTheTracksItFinishedAndSaysWhich)
{
    if (!HaveSoundTools())
        GTEST_SKIP() << "sox is needed (make deps installs it)";
    const std::string side = Tone(out_.Path("side.wav"), 6.0);
    const std::string recording = ReadFileBytes(side);
    auto window = Open();
    ASSERT_TRUE(WaitForLoad(*window, 1));
    // The split's own window says the track could not be written; Continue.
    QTimer answer;
    answer.setInterval(20);
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->buttons().front()->click();
    });
    answer.start();
    for (int attempt = 0; attempt < 2; ++attempt) {
        window->told.clear();
        {
            // Tracks of 0.5 s and 1 s fit, the 4.5 s rest does not.
            FileSizeLimit limit(400000);
            EXPECT_FALSE(window->SplitFile(side.c_str(), {22050, 66150}));
        }
        EXPECT_EQ(FolderEntries(out_.Path()), std::vector<std::string>{"side.wav"}) << attempt;
        ASSERT_EQ(window->told.size(), 1u) << attempt;
        EXPECT_EQ(window->told[0].rfind("Error: File Split Failed", 0), 0u);
        EXPECT_NE(window->told[0].find("removed"), std::string::npos) << window->told[0];
        EXPECT_NE(window->told[0].find("\nside_SPLIT_01.wav\nside_SPLIT_02.wav"), std::string::npos)
            << window->told[0];
    }
    EXPECT_EQ(ReadFileBytes(side), recording);
    EXPECT_EQ(window->RowCount(), 1);
}

TEST_F(MainWindowTest, RenamesRefuseBadAndTakenNamesAndCarryAnyOtherName)
{
    if (!HaveSoundTools())
        GTEST_SKIP() << "sox is needed (make deps installs it)";
    Tone(out_.Path("take.wav"), 0.6);
    Tone(out_.Path("other.wav"), 0.6);
    auto window = Open();
    ASSERT_TRUE(WaitForLoad(*window, 2));
    const int row = window->RowText(0) == "take.wav" ? 0 : 1;
    window->SelectListViewRow(MainDialog::kListId, row, true);

    for (const char* bad : {"bad/name", "..", "other", "other.wav"}) {
        window->told.clear();
        window->OnRenameEnd(bad);
        EXPECT_EQ(window->told.size(), 1u) << bad;
        EXPECT_EQ(window->RowText(row), "take.wav") << bad;
    }
    struct stat info;
    ASSERT_EQ(stat(out_.Path("take.wav").c_str(), &info), 0);

    window->told.clear();
    window->OnRenameEnd("it's $HOME \"x\"");
    EXPECT_TRUE(window->told.empty());
    const std::string renamed = "it's $HOME \"x\".wav";
    EXPECT_EQ(window->RowText(window->GetListViewFirstSelected(MainDialog::kListId)), renamed);
    EXPECT_EQ(RunCommand("sox " + Quote(out_.Path(renamed)) + " -n stat 2>/dev/null"), 0);
    EXPECT_NE(stat(out_.Path("take.wav").c_str(), &info), 0);
}

// Remove asks first, saying where the files go: to the desktop's Trash
// (with the record that lets a file manager put them back), or, where there
// is no Trash, away for good. The Delete key removes as Ctrl+Backspace does.
TEST_F(MainWindowTest, RemoveAsksFirstAndMovesOnlyTheFilesOfTheSelectedRowsToTheTrash)
{
    if (!HaveSoundTools())
        GTEST_SKIP() << "sox is needed (make deps installs it)";
    for (const char* name : {"one.wav", "two.wav", "three.wav"})
        Tone(out_.Path(name), 0.3);
    const std::string two = ReadFileBytes(out_.Path("two.wav"));
    auto window = Open();
    ASSERT_TRUE(WaitForLoad(*window, 3));
    const int row = window->RowText(2) == "two.wav" ? 2 : 1;
    window->SelectListViewRow(MainDialog::kListId, row, true);

    window->answers = {2}; // Cancel
    window->SendCommand(2004);
    EXPECT_EQ(window->questions,
              std::vector<std::string>{"Are you sure you want to move the selected file(s) to the Trash?"});
    EXPECT_EQ(window->RowCount(), 3);

    window->answers = {1}; // Remove
    window->SendCommand(2004);
    EXPECT_EQ(window->RowCount(), 2);
    EXPECT_FALSE(PathExists(out_.Path("two.wav")));
    EXPECT_TRUE(PathExists(out_.Path("one.wav")));
    EXPECT_TRUE(PathExists(out_.Path("three.wav")));
    const std::string trash = std::string(getenv("XDG_DATA_HOME")) + "/Trash";
    EXPECT_EQ(ReadFileBytes(trash + "/files/two.wav"), two);
    const std::string info = ReadFileBytes(trash + "/info/two.wav.trashinfo");
    EXPECT_EQ(info.rfind("[Trash Info]\nPath=/", 0), 0u) << info;
    EXPECT_NE(info.find("/two.wav\nDeletionDate="), std::string::npos) << info;

    // The Delete key on the list.
    auto* list = LQtWidget(window->GetView())->findChild<LQtListViewImpl*>();
    ASSERT_NE(list, nullptr);
    window->SelectListViewRow(MainDialog::kListId, 0, true);
    const std::string first = window->RowText(0);
    list->setFocus();
    window->questions.clear();
    window->answers = {1};
    QTest::keyClick(list, Qt::Key_Delete);
    PumpFor(20);
    EXPECT_EQ(window->questions.size(), 1u);
    EXPECT_EQ(window->RowCount(), 1);
    EXPECT_TRUE(PathExists(trash + "/files/" + first));

    // No trash can be made for the output folder: deleted, as the question says.
    std::ofstream(elsewhere_.Path("a file")) << "x";
    setenv("XDG_DATA_HOME", elsewhere_.Path("a file/share").c_str(), 1);
    window->SelectListViewRow(MainDialog::kListId, 0, true);
    const std::string last = window->RowText(0);
    window->questions.clear();
    window->answers = {1};
    window->SendCommand(2004);
    ASSERT_EQ(window->questions.size(), 1u);
    EXPECT_NE(window->questions[0].find("deleted for good"), std::string::npos) << window->questions[0];
    EXPECT_EQ(window->RowCount(), 0);
    EXPECT_FALSE(PathExists(out_.Path(last)));
    EXPECT_FALSE(PathExists(trash + "/files/" + last));
}

TEST_F(MainWindowTest, RowsMoveUpAndDownAndSelectAllSelectsEveryRow)
{
    if (!HaveSoundTools())
        GTEST_SKIP() << "sox is needed (make deps installs it)";
    for (const char* name : {"a.wav", "b.wav", "c.wav"})
        Tone(out_.Path(name), 0.3);
    auto window = Open();
    ASSERT_TRUE(WaitForLoad(*window, 3));
    window->SelectListViewRow(MainDialog::kListId, 1, true);
    window->SendCommand(2021);
    EXPECT_EQ(window->RowText(0), "b.wav");
    EXPECT_EQ(window->RowText(1), "a.wav");
    EXPECT_EQ(window->GetListViewFirstSelected(MainDialog::kListId), 0);
    EXPECT_FALSE(MainCommandEnabled(2021, window->ListState()));
    window->SendCommand(2022);
    window->SendCommand(2022);
    EXPECT_EQ(window->RowText(2), "b.wav");
    EXPECT_EQ(window->RowDuration(2), "0:00:00");
    window->SendCommand(2010);
    EXPECT_EQ(window->GetListViewSelectedCount(MainDialog::kListId), 3);
    EXPECT_FALSE(MainCommandEnabled(2010, window->ListState()));
}

TEST_F(MainWindowTest, CopyToAsksBeforeReplacingAFile)
{
    if (!HaveSoundTools())
        GTEST_SKIP() << "sox is needed (make deps installs it)";
    Tone(out_.Path("a.wav"), 0.3);
    Tone(out_.Path("b.wav"), 0.3);
    TempDir target;
    std::ofstream(target.Path("a.wav")) << "keep me";
    auto window = Open();
    ASSERT_TRUE(WaitForLoad(*window, 2));
    window->SendCommand(2010);
    window->copyFolder = target.Path();
    window->answers = {2}; // keep the existing a.wav
    window->SendCommand(2005);
    ASSERT_EQ(window->questions.size(), 1u);
    std::ifstream kept(target.Path("a.wav"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "keep me");
    struct stat info;
    EXPECT_EQ(stat(target.Path("b.wav").c_str(), &info), 0);
}

TEST_F(MainWindowTest, AQueuedRecordingIsCountedAndAppearsWhenTheWorkerFinishesIt)
{
    if (!HaveSoundTools())
        GTEST_SKIP() << "sox is needed (make deps installs it)";
    auto window = Open();
    ASSERT_TRUE(WaitForLoad(*window, 0));
    const std::string source = Tone(elsewhere_.Path("recording.wav"), 1.0);

    // Another worker holds the queue for now, so the job waits in it.
    LFile held;
    ProcessQueueFile other(queuePath_.c_str());
    ASSERT_TRUE(other.TryLockWorker(held));
    ASSERT_TRUE(EnqueueRecording(worker_, source.c_str(), out_.Path("Side A.wav").c_str(),
                                 out_.Path().c_str(), ".wav", "0:00:01", false, false, ""));
    ASSERT_TRUE(PumpUntil([&] { return window->FilesBeingProcessed() == 1; }));
    EXPECT_EQ(window->StatusText(2), "Files Being Processed: 1");
    EXPECT_EQ(window->RowCount(), 0);

    held.Close();
    worker_.StartWorker();
    ASSERT_TRUE(PumpUntil([&] { return window->RowCount() == 1; }, 20000));
    EXPECT_EQ(window->RowText(0), "Side A.wav");
    // The field is shared with the disc-capacity reader, which may report
    // the new total right after the job; either text says the queue is empty.
    const std::string status = window->StatusText(2);
    EXPECT_TRUE(status == "No Files Queued" || status.find(" / ") != std::string::npos) << status;
    EXPECT_EQ(window->FilesBeingProcessed(), 0);
}

TEST_F(MainWindowTest, QueuedJobsOfAnEarlierRunAreCountedAndKeptAtQuit)
{
    if (!HaveSoundTools())
        GTEST_SKIP() << "sox is needed (make deps installs it)";
    const std::string source = Tone(elsewhere_.Path("recording.wav"), 0.5);
    LFile held;
    ProcessQueueFile other(queuePath_.c_str());
    ASSERT_TRUE(other.TryLockWorker(held));
    ASSERT_TRUE(EnqueueRecording(worker_, source.c_str(), out_.Path("Kept.wav").c_str(), out_.Path().c_str(),
                                 ".wav", "0:00:01", false, false, ""));
    auto window = Open();
    EXPECT_EQ(window->FilesBeingProcessed(), 1);
    ASSERT_TRUE(WaitForLoad(*window, 0));

    window->answers = {2}; // Cancel: the program keeps running
    EXPECT_FALSE(window->QueryQuit());
    ASSERT_EQ(window->questions.size(), 1u);
    EXPECT_NE(window->questions[0].find("still to be processed"), std::string::npos);
    EXPECT_TRUE(window->IsWindow());

    window->answers = {1};
    EXPECT_TRUE(window->QueryQuit());
    EXPECT_TRUE(window->IsClosed());
    std::vector<ProcessQueueRecord> records;
    ASSERT_EQ(other.ReadAll(&records), QueueStatus::kOk);
    EXPECT_EQ(records.size(), 1u);
}

TEST_F(MainWindowTest, QuitStoresThePlacementAndTheNextStartRestoresIt)
{
    {
        auto window = Open();
        ASSERT_TRUE(WaitForLoad(*window, 0));
        window->SetSize(700, 520);
        window->MoveWindow(40, 60);
        PumpFor(50);
        EXPECT_TRUE(window->QueryQuit());
    }
    char text[260] = {};
    int x = LSettingsGetInt("MainWindow", "X", -1);
    int y = LSettingsGetInt("MainWindow", "Y", -1);
    int w = LSettingsGetInt("MainWindow", "Width", -1);
    int h = LSettingsGetInt("MainWindow", "Height", -1);
    EXPECT_TRUE(LSettingsGetString("MainWindow", "Maximized", "", text));
    EXPECT_GE(x, 0);
    EXPECT_GE(y, 0);
    EXPECT_GT(w, 0);
    EXPECT_GT(h, 0);

    auto again = Open();
    int nx = 0, ny = 0, nw = 0, nh = 0;
    again->GetWindowPos(&nx, &ny);
    again->GetUsableClientSize(&nw, &nh);
    EXPECT_EQ(nx, x);
    EXPECT_EQ(ny, y);
    EXPECT_EQ(nw, w);
    EXPECT_EQ(nh, h);

    // A placement beyond the screen comes back on it.
    again->CloseForTest();
    LSettingsSetInt("MainWindow", "X", 5000);
    LSettingsSetInt("MainWindow", "Width", 9000);
    auto clamped = Open();
    clamped->GetWindowPos(&nx, &ny);
    clamped->GetWindowSize(&nw, &nh);
    EXPECT_LE(nx + nw, 800);
    EXPECT_LE(nw, 800);
}

TEST_F(MainWindowTest, TheRecordedFileColumnTakesTheWidthTheDurationLeaves)
{
    // A start at the placement of the last run: the window has its size
    // before its list has any room.
    LSettingsSetInt("MainWindow", "X", 10);
    LSettingsSetInt("MainWindow", "Y", 10);
    LSettingsSetInt("MainWindow", "Width", 760);
    LSettingsSetInt("MainWindow", "Height", 480);
    LSettingsSetString("MainWindow", "Maximized", "0");
    auto window = Open();
    ASSERT_TRUE(WaitForLoad(*window, 0));
    auto* list = LQtWidget(window->GetView())->findChild<LQtListViewImpl*>();
    ASSERT_NE(list, nullptr);
    // Then narrower and wider: the duration column keeps its width and the
    // file column ends the list at its right edge.
    int durationWidth = -1;
    for (int width : {0, 560, 790, 640}) {
        SCOPED_TRACE(width);
        if (width > 0)
            window->SetSize(width, 480);
        PumpFor(50);
        const int name = list->header()->sectionSize(0);
        const int duration = list->header()->sectionSize(1);
        if (durationWidth < 0)
            durationWidth = duration;
        EXPECT_EQ(duration, durationWidth);
        const int room = list->viewport()->width();
        EXPECT_GT(room, 500);
        EXPECT_LE(name + duration, room) << "no sideways scrolling";
        EXPECT_GE(name + duration, room - 40) << "the file column stretches";
    }
}

// With the keyboard in the list, Ctrl+Up and Ctrl+Down still move the
// selected file, as the menu says, rather than only the list's current row.
TEST_F(MainWindowTest, CtrlUpAndDownInTheListMoveTheSelectedFile)
{
    if (!HaveSoundTools())
        GTEST_SKIP() << "sox is needed (make deps installs it)";
    for (const char* name : {"a.wav", "b.wav", "c.wav"})
        Tone(out_.Path(name), 0.3);
    auto window = Open();
    ASSERT_TRUE(WaitForLoad(*window, 3));
    auto* list = LQtWidget(window->GetView())->findChild<LQtListViewImpl*>();
    ASSERT_NE(list, nullptr);
    window->SelectListViewRow(MainDialog::kListId, 1, true);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Up, Qt::ControlModifier);
    PumpFor(20);
    EXPECT_EQ(window->RowText(0), "b.wav");
    EXPECT_EQ(window->GetListViewFirstSelected(MainDialog::kListId), 0);
    QTest::keyClick(list, Qt::Key_Down, Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_Down, Qt::ControlModifier);
    PumpFor(20);
    EXPECT_EQ(window->RowText(2), "b.wav");
    EXPECT_EQ(window->GetListViewFirstSelected(MainDialog::kListId), 2);
    // Plain arrows still move the selection within the list.
    QTest::keyClick(list, Qt::Key_Up);
    PumpFor(20);
    EXPECT_EQ(window->GetListViewFirstSelected(MainDialog::kListId), 1);
    EXPECT_EQ(window->RowText(2), "b.wav");
}

TEST_F(MainWindowTest, CtrlWHidesTheWindowAndTheReopenEventShowsIt)
{
    auto window = Open();
    ASSERT_TRUE(WaitForLoad(*window, 0));
    ASSERT_TRUE(window->IsVisible());
    auto* widget = LQtWidget(window->GetView())->window();
    QTest::keyClick(widget, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(window->IsVisible());
    EXPECT_TRUE(window->IsWindow());
    window->BringToFront();
    EXPECT_TRUE(window->IsVisible());
}

TEST_F(MainWindowTest, NotificationsCountJobsShowProgressAndTellWhenRecordingsAreDone)
{
    if (!HaveSoundTools())
        GTEST_SKIP() << "sox is needed (make deps installs it)";
    Tone(out_.Path("keep.wav"), 0.3);
    Tone(out_.Path("gone.wav"), 0.3);
    auto window = Open();
    ASSERT_TRUE(WaitForLoad(*window, 2));
    const std::string first = Tone(elsewhere_.Path("first.wav"), 0.3);
    const std::string second = Tone(elsewhere_.Path("second.wav"), 0.3);

    window->OnNotify(kMainMsgJobQueued, nullptr, 0);
    window->OnNotify(kMainMsgJobQueued, nullptr, 0);
    EXPECT_EQ(window->StatusText(2), "Files Being Processed: 2");

    const struct
    {
        const char* text;
        int64_t percent;
        const char* status;
    } progress[] = {{"Converting ", 40, "Status: Converting 40% Done"},
                    {nullptr, 55, "Status: 55% Done"},
                    {"Converting ", 0, "Status: 55% Done"}};
    for (const auto& p : progress) {
        window->OnNotify(kMainMsgProgress, p.text, p.percent);
        EXPECT_EQ(window->StatusText(1), p.status);
    }

    // A recording stops while two jobs run: the first job done shows the
    // count and no bubble, the last "No Files Queued" and the bubble.
    window->OnNotify(kMainMsgRecordingState, nullptr, 1);
    window->OnNotify(kMainMsgJobDone, first.c_str(), 0);
    EXPECT_EQ(window->StatusText(2), "Files Being Processed: 1");
    EXPECT_EQ(window->LastBubble(), "");
    EXPECT_EQ(window->RowCount(), 3);
    window->OnNotify(kMainMsgJobDone, second.c_str(), 0);
    EXPECT_EQ(window->StatusText(2), "No Files Queued");
    EXPECT_EQ(window->LastBubble(), "Your recordings have finished processing");
    EXPECT_EQ(window->RowCount(), 4);
    struct stat info;
    EXPECT_EQ(stat(out_.Path("second.wav").c_str(), &info), 0);

    window->OnNotify(kMainMsgRecordingDiscarded, nullptr, 0);
    EXPECT_EQ(window->LastBubble(), "Your recording has been discarded");

    window->OnNotify(kMainMsgOpenWizard, nullptr, 0);
    EXPECT_EQ(window->wizardOpened, 1);

    // 2034 removes the named row and its file; 2050 the selected ones, unasked.
    window->OnNotify(kMainMsgRemoveNamedFile, "gone.wav", 0);
    EXPECT_NE(stat(out_.Path("gone.wav").c_str(), &info), 0);
    EXPECT_EQ(window->RowCount(), 3);
    window->DeselectAllListViewRows(MainDialog::kListId);
    for (int row = 0; row < window->RowCount(); ++row) {
        if (window->RowText(row) == "keep.wav")
            window->SelectListViewRow(MainDialog::kListId, row, true);
    }
    window->OnNotify(kMainMsgRemoveSelected, nullptr, 0);
    EXPECT_TRUE(window->questions.empty());
    EXPECT_NE(stat(out_.Path("keep.wav").c_str(), &info), 0);
    EXPECT_EQ(window->RowCount(), 2);
}

// A finished file whose name is taken in the output folder (the wizard's
// "Track 01.mp3" after an earlier one) is copied in under the next free
// name; the older file stays as it was and both are listed. An output
// folder that cannot take the copy answers the hand-over with a refusal.
TEST_F(MainWindowTest, AJobDoneWhoseNameIsTakenGetsTheNextFreeName)
{
    if (!HaveSoundTools())
        GTEST_SKIP() << "sox and lame are needed (make deps installs them)";
    auto mp3 = [&](const std::string& path, double seconds) {
        const std::string wav = path + ".wav";
        Tone(wav, seconds);
        EXPECT_EQ(RunCommand("lame --quiet " + Quote(wav) + " " + Quote(path)), 0);
        unlink(wav.c_str());
        return path;
    };
    mp3(out_.Path("Track 01.mp3"), 0.5);
    const std::string older = ReadFileBytes(out_.Path("Track 01.mp3"));
    auto window = Open();
    ASSERT_TRUE(WaitForLoad(*window, 1));
    const std::string fresh = mp3(elsewhere_.Path("Track 01.mp3"), 1.0);

    MainWindowTrackReceiver receiver(window.get());
    ASSERT_TRUE(receiver.TakeFile(fresh.c_str()));
    EXPECT_TRUE(PathExists(out_.Path("Track 01 02.mp3")));
    EXPECT_EQ(ReadFileBytes(out_.Path("Track 01.mp3")), older);
    EXPECT_EQ(ReadFileBytes(out_.Path("Track 01 02.mp3")), ReadFileBytes(fresh));
    EXPECT_EQ(window->RowCount(), 2);

    // A file already in the output folder is listed where it is.
    Tone(out_.Path("side.wav"), 0.3);
    window->OnNotify(kMainMsgJobDone, out_.Path("side.wav").c_str(), 0);
    EXPECT_EQ(window->LastJobDoneFile(), out_.Path("side.wav"));
    EXPECT_EQ(window->RowCount(), 3);

    // The output folder is gone: nothing is taken and the source stays.
    const std::string another = Tone(elsewhere_.Path("another.wav"), 0.3);
    RemoveTree(out_.Path());
    EXPECT_FALSE(receiver.TakeFile(another.c_str()));
    window->OnNotify(kMainMsgJobDone, another.c_str(), 0);
    EXPECT_EQ(window->LastJobDoneFile(), "");
    EXPECT_TRUE(PathExists(another));
}

TEST_F(MainWindowTest, AMenuItemTakesANewTitleAndItsShortcutByCommand)
{
    auto window = Open();
    QMenu* menu = LQtMenuImpl::FromNative(LGetMainMenu());
    ASSERT_NE(menu, nullptr);
    auto item = [&] { return LQtMenuImpl::FindFirstItem(menu, kCmdPlayFile); };
    ASSERT_NE(item(), nullptr);
    EXPECT_EQ(item()->shortcut(), QKeySequence("Ctrl+P"));
    const LKey shiftP = LKey::FromCharacter(u'P', LKey::kCommand | LKey::kShift);
    const struct
    {
        const char* title;
        const LKey* key;
        const char* shortcut;
    } cases[] = {
        {"Play Side", &shiftP, "Ctrl+Shift+P"},
        {"Play File", nullptr, "Ctrl+Shift+P"}, // without a key the shortcut stays
    };
    for (const auto& c : cases) {
        window->SetMenuItemTitleAndShortcut(kCmdPlayFile, c.title, c.key);
        ASSERT_NE(item(), nullptr) << c.title;
        EXPECT_EQ(item()->text().toStdString(), c.title);
        EXPECT_EQ(item()->shortcut(), QKeySequence(c.shortcut)) << c.title;
    }
    // A window that has no main menu of its own leaves the menu alone.
    LWindow plain;
    plain.SetMenuItemTitleAndShortcut(kCmdPlayFile, "Elsewhere", &shiftP);
    EXPECT_EQ(item()->text().toStdString(), "Play File");
}

// Copy To asks for the folder in the panel's title; the panel's button says
// what it does (not the whole request squeezed into a button).
TEST_F(MainWindowTest, TheCopyFolderPanelAsksInItsTitleAndItsButtonSaysCopy)
{
    auto window = Open();
    QString title;
    QString button;
    QTimer::singleShot(50, [&] {
        auto* panel = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(panel, nullptr);
        title = panel->windowTitle();
        button = panel->labelText(QFileDialog::Accept);
        panel->reject();
    });
    std::string folder;
    EXPECT_FALSE(window->MainDialog::ChooseCopyFolder(&folder));
    EXPECT_EQ(title, QStringLiteral("Please select the folder you want to copy songs to."));
    EXPECT_EQ(button, QStringLiteral("Copy"));
}

// Hiding and showing the toolbar lays the window out within its content:
// the list fills the space between the toolbar (or the menu bar) and the
// status bar, and the status bar stays whole along the bottom.
TEST_F(MainWindowTest, TheToolbarToggleKeepsTheStatusBarAlongTheBottom)
{
    auto window = Open();
    window->ShowWindow(true);
    PumpFor(50);
    int w = 0, h = 0;
    window->GetWindowSize(&w, &h);
    for (int toggle = 1; toggle <= 2; ++toggle) {
        SCOPED_TRACE(toggle);
        window->SendCommand(kCommandToggleToolbar);
        PumpFor(20);
        int x = 0, y = 0, bw = 0, bh = 0;
        ASSERT_TRUE(window->GetControlRect(LStatusBar::kControlId, &x, &y, &bw, &bh));
        EXPECT_GT(bh, 0);
        EXPECT_EQ(y + bh, h) << "the status bar is not along the bottom of the window's content";
        int lx = 0, ly = 0, lw = 0, lh = 0;
        ASSERT_TRUE(window->GetControlRect(2028, &lx, &ly, &lw, &lh));
        EXPECT_EQ(ly + lh, y) << "the list does not reach down to the status bar";
        EXPECT_EQ(ly, toggle == 1 ? 0 : LGetToolbarHeight(window->GetView()));
    }
}

TEST_F(MainWindowTest, EditFileWithTessaryTellsWhenTheRunningCopyCannotTakeSoLongAPath)
{
    if (!HaveSoundTools())
        GTEST_SKIP() << "sox and lame are needed (make deps installs them)";
    // A recording whose path is longer than the hand-over record holds.
    const std::string folder = out_.Path(std::string(200, 'd'));
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    const std::string name = std::string(80, 'n') + "_take2.wav";
    Tone(folder + "/" + name, 0.5);
    LSettingsSetString("Settings", "AppOutputFolder", folder.c_str());

    // A running copy of Tessary (the tests' stand-in) that keeps what it reads.
    char socketPath[260];
    ASSERT_TRUE(LGetHelperSocketPath(socketPath, "tessary"));
    const std::string script = SourceDir() + "/tests/online/fake_sibling.py";
    const std::string record = elsewhere_.Path("record");
    const char* argv[] = {"/usr/bin/python3", script.c_str(), "--listen",
                          socketPath,         record.c_str(), nullptr};
    LChildProcess sibling;
    ASSERT_TRUE(sibling.Start(argv));
    for (int i = 0; i < 500 && access(socketPath, F_OK) != 0; ++i)
        usleep(10000);

    auto window = Open();
    ASSERT_TRUE(WaitForLoad(*window, 1));
    const std::string path = window->RowPath(0);
    ASSERT_GT(path.size(), 259u);
    window->SelectListViewRow(MainDialog::kListId, 0, true);
    window->SendCommand(2006);
    ASSERT_EQ(window->told.size(), 1u) << "the failure was not told";
    EXPECT_NE(window->told[0].find("Its path is " + std::to_string(path.size()) + " bytes long"),
              std::string::npos)
        << window->told[0];
    // The copy got nothing: no cut path that names another file.
    EXPECT_EQ(sibling.Wait(nullptr, 5000), LChildEnded);
    std::ifstream in(record, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}).size(), 0u);
}
