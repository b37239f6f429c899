// A wizard killed with -9 while it records side one: the side stays with an
// unfinished header, the next run of the wizard names it even without the
// main window (which offers it itself), and starting side one again keeps
// it unless the user chooses to replace it.

#include "WizardDriver.h"
#include "WizardTestSupport.h"
#include "audio/devices/DeviceTestSupport.h"
#include "gui/GuiTestSupport.h"
#include "support/KilledChild.h"
#include "support/TempHome.h"
#include "support/TestData.h"

#include "app/program/wizard/RecordSidePage.h"
#include "app/program/wizard/RecordingSourcePage.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "audio/formats/wav/LWavHeaders.h"
#include "foundation/settings/LSettings.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <csignal>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quorin::test;

using quorin::test::KilledChild;

namespace {

std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The child: records side one in real time until it is killed.
[[noreturn]] void RecordSideOneUntilKilled(int out)
{
    GuiApp();
    FakeDevices fake;
    fake.backend.AddInput(MakeDevice("line", "Line In", 2, "pci"));
    fake.backend.SetDefaultInput("line");
    fake.backend.SetPacing(LFakeSoundBackend::Pacing::kClock, 441, 1.0);
    fake.backend.SetInputFeed("line", ToDevice(Tone(60 * 44100, 2, 0.1)));
    LSettingsSetString("Recording", "Volume", "0");
    LSettingsSetString("Wizard", "CalibrateVolume", "0");
    WizardRun run;
    ScriptedWizardUi ui;
    run.ui = &ui;
    if (!run.folders.Create())
        _exit(3);
    RecordingWizard wizard(run);
    DriveWizard(wizard, {Click(kSourceVinyl, true), Next(), Click(kSideStart), Do([&](RecordingWizard&) {
                             const std::string line = run.folders.SidePath(1) + "\n";
                             if (write(out, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
                                 _exit(4);
                             PumpFor(60000);
                         })});
    _exit(5);
}

// Answers every question as its default (first) button does, and keeps
// what was asked and told; a message closes the wizard that follows it.
class DefaultAnswers : public WizardUi
{
public:
    int Ask(LWindow*, const char* text, const char*, const char* first, const char*) override
    {
        asked.push_back(text);
        firstButtons.push_back(first);
        return 1;
    }
    void Tell(LWindow*, const char* text, const char* title, int) override
    {
        told.push_back(std::string(title) + " | " + text);
        QTimer::singleShot(300, [] {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
    }
    std::vector<std::string> asked, firstButtons, told;
};

class WizardCrash : public TempHomeTest
{
};

TEST_F(WizardCrash, AKilledSideIsOfferedByTheNextRunAndNeverReplacedByDefault)
{
    KilledChild child([](int fd) { RecordSideOneUntilKilled(fd); });
    ASSERT_TRUE(child.Started());
    const std::string side = child.FirstLine();
    ASSERT_TRUE(child.KillWhenFileHolds(side, 46 + 3 * 176400, 30));
    ASSERT_FALSE(side.empty()) << "the child did not start recording";
    ASSERT_GE(KilledChild::FileSize(side), 46 + 3 * 176400);
    LWavFileInfo info;
    LSoundSourcePtr source;
    LOpenWavSoundSource(source, side.c_str(), &info);
    ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
    EXPECT_GE(info.dataSize, kWavUnknownSizeThreshold); // the header was never finished
    EXPECT_GE(source->GetLength(), 3 * 44100);
    source.Reset();
    const std::string taken = FileBytes(side);

    GuiApp();
    LSettingsSetString("Wizard", "CalibrateVolume", "0");
    // Run alone (the main window offers it before its runs), the wizard
    // names it too.
    {
        DefaultAnswers ui;
        WizardRun run;
        run.ui = &ui;
        RunRecordingWizard(nullptr, "None", &run);
        ASSERT_EQ(ui.told.size(), 1u);
        EXPECT_NE(ui.told[0].find("Recordings Found"), std::string::npos) << ui.told[0];
        EXPECT_NE(ui.told[0].find("side one"), std::string::npos) << ui.told[0];
    }

    // Start Recording on side one again, answered by the default button:
    // the take stays as it was.
    {
        FakeDevices fake;
        fake.backend.AddInput(MakeDevice("line", "Line In", 2, "pci"));
        fake.backend.SetDefaultInput("line");
        fake.backend.SetPacing(LFakeSoundBackend::Pacing::kStepped, 441);
        fake.backend.SetInputFeed("line", ToDevice(Tone(10 * 44100, 2, 0.1)));
        DefaultAnswers ui;
        WizardRun run;
        run.ui = &ui;
        RecordingWizard wizard(run);
        bool busy = true;
        DriveWizard(wizard,
                    {Click(kSourceVinyl, true), Next(), Click(kSideStart), Do([&](RecordingWizard& w) {
                         busy = dynamic_cast<RecordSidePage*>(w.Wizard().GetCurrentPage())->IsBusy();
                     })});
        ASSERT_FALSE(ui.asked.empty());
        EXPECT_NE(ui.asked[0].find("Side one has already been recorded"), std::string::npos) << ui.asked[0];
        EXPECT_EQ(ui.firstButtons[0], "Keep Recording");
        EXPECT_FALSE(busy);
    }
    EXPECT_EQ(FileBytes(side), taken);
}

} // namespace
