// The main window's tag commands: Edit Tag on an MP3 row opens the ID Tag
// dialog, on a WAV row the Audio Tag Editor, Edit Selected Tags on several
// rows Edit Audio Tags; OK writes the files and says so.
#include "app/program/MainDialog.h"
#include "app/queue/ProcessQueueWorker.h"
#include "foundation/settings/LSettings.h"
#include "gui/GuiTestSupport.h"
#include "support/TempHome.h"
#include "support/TestData.h"
#include "tags/LAudioFileTags.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

using namespace quorin::test;

namespace {

class TagMainDialog : public MainDialog
{
public:
    explicit TagMainDialog(ProcessQueueWorker& worker) : MainDialog(worker) {}
    ~TagMainDialog() override
    {
        if (IsWindow() && !IsClosed())
            QueryQuit();
    }
    void OpenRecordingWizard() override {}
    int Ask(const char*, const char*, const char*, const char*) override { return 1; }
    void Tell(const char* text, const char*, int) override { told.push_back(text); }
    std::vector<std::string> told;
};

class MainWindowTagsTest : public TempHomeTest
{
protected:
    void SetUp() override
    {
        GuiApp();
        LSettingsSetString("Settings", "AppOutputFolder", out_.Path().c_str());
    }
    TempDir out_;
    TempDir elsewhere_;
    std::string queuePath_ = elsewhere_.Path("grprocesses.list");
    ProcessQueueWorker worker_{queuePath_.c_str()};
};

// Presses the OK button of the modal dialog once it shows; its title is kept.
void ConfirmNextDialog(std::string* title)
{
    auto* poll = new QTimer();
    QObject::connect(poll, &QTimer::timeout, [poll, title] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        *title = modal->windowTitle().toStdString();
        for (QAbstractButton* button : modal->findChildren<QAbstractButton*>())
            if (button->text() == "OK") {
                button->click();
                return;
            }
    });
    poll->start(20);
}

TEST_F(MainWindowTagsTest, EachSelectionOpensItsDialogAndOkWrites)
{
    if (!HaveTool("sox") || !HaveTool("lame"))
        GTEST_SKIP() << "sox and lame are needed (make deps installs them)";
    ASSERT_EQ(RunCommand("sox -q -n -r 44100 -c 2 -b 16 " + Quote(out_.Path("a.wav")) + " synth 1 sine 440"),
              0);
    ASSERT_EQ(RunCommand("lame --quiet " + Quote(out_.Path("a.wav")) + " " + Quote(out_.Path("b.mp3"))), 0);
    auto window = std::make_unique<TagMainDialog>(worker_);
    ASSERT_TRUE(window->CreateMainWindow());
    window->SetCharacterCell(2, 4, window->GetScaleFactor());
    window->InitMainWindow();
    ASSERT_TRUE(PumpUntil([&] { return window->RowCount() == 2 && !window->IsTimerSet(4); }));

    const struct
    {
        std::vector<int> rows;
        int command;
        const char* title;
        const char* told;
    } cases[] = {
        {{1}, 2019, "ID Tag", "Tag written successfully to file."},
        {{0}, 2019, "Audio Tag Editor", "Tag written successfully to file."},
        {{0, 1}, 2020, "Edit Audio Tags", "Tags were written successfully to 2 files."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        window->DeselectAllListViewRows(MainDialog::kListId);
        for (int row : c.rows)
            window->SelectListViewRow(MainDialog::kListId, row, true);
        window->told.clear();
        std::string title;
        ConfirmNextDialog(&title);
        window->SendCommand(c.command);
        PumpFor(20);
        EXPECT_EQ(title, c.title);
        EXPECT_EQ(window->told, (std::vector<std::string>{c.told}));
        EXPECT_EQ(window->RowCount(), 2);
    }
    // Several files take their names as titles and their places as track numbers.
    for (int row = 0; row < 2; ++row) {
        LAudioTagMap tags;
        ReadAudioFileTags(&tags, window->RowPath(row).c_str());
        EXPECT_STREQ(tags.Get("TITLE"), row == 0 ? "a" : "b");
        EXPECT_STREQ(tags.Get("TRACKNUMBER"), row == 0 ? "1" : "2");
    }
}

} // namespace
