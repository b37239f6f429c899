// The recording wizard as the main window runs it, on the environment's
// settings and sound devices, its questions shown as message boxes (answer
// them with answer:N).
//
// Alone (no ARGs): the wizard without a main window. When it ends, the
// files its working folder holds (the recorded sides and the tracks in
// Recording/save) are reported with "file: PATH"; they are left there.
//
// With --sides DIR: the main window opens (without the wizard it opens at
// start over an empty list), then its Wizard command runs with DIR's
// "side1.wav" and "side2.wav" (either may be missing) in place of the
// recordings, so that the pages after the sides can be driven without
// recording: Next on both side pages splits them. Whatever the output page
// hands over lands in the main window's list; with the audio CD the Burn
// command follows on the environment's drives (QUORIN_DRIVES for tests).
// At the end every row of the list is reported as "listed: PATH" and every
// file left in the working folders as "file: PATH".
//
// 0 when the wizard finished (and a burn it asked for went well), 1 when
// it was cancelled or the burn did not.
#include "QdGuiDrive.h"

#include "app/program/MainDialog.h"
#include "app/program/wizard/RecordingWizard.h"
#include "foundation/files/LFileCopy.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <sys/stat.h>

namespace {

constexpr int kMainTimerLoad = 4;
constexpr int kMainTimerBurnAudio = 2;
constexpr int kMainTimerBurnData = 3;

void PumpWhile(const std::function<bool()>& busy)
{
    while (busy())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
}

void ReportWorkingFiles(const WizardFolders& folders)
{
    for (int side = 1; side <= 2; ++side)
        if (folders.HasSide(side))
            QdGuiDrive::Print("file: " + folders.SidePath(side));
    for (const std::string& name : folders.TrackFiles())
        QdGuiDrive::Print("file: " + folders.Recording() + "/" + name);
    for (const std::string& name : folders.SavedFiles())
        QdGuiDrive::Print("file: " + folders.Save() + "/" + name);
}

// The main window with the prepared sides put where the side pages record.
class SidesMainDialog : public MainDialog
{
public:
    explicit SidesMainDialog(std::string sidesFolder) : sidesFolder_(std::move(sidesFolder)) {}

    // The start-up wizard over the empty list is the drive's own to open.
    void OpenRecordingWizard() override
    {
        if (wizardAllowed_)
            MainDialog::OpenRecordingWizard();
    }
    void OpenWizardNow()
    {
        wizardAllowed_ = true;
        MainDialog::OpenRecordingWizard();
        wizardAllowed_ = false;
    }

    int RunWizardPages(WizardRun& run) override
    {
        for (int side = 1; side <= 2; ++side) {
            const std::string from = sidesFolder_ + "/" + (side == 1 ? "side1.wav" : "side2.wav");
            struct stat info;
            if (stat(from.c_str(), &info) != 0)
                continue;
            if (!LFileCopy(from.c_str(), run.folders.SidePath(side).c_str())) {
                std::fprintf(stderr, "qd-gui drive wizard: %s cannot be copied into the wizard\n",
                             from.c_str());
                wizardResult_ = 0;
                return 0;
            }
        }
        pagesShown_ = true;
        wizardResult_ = MainDialog::RunWizardPages(run);
        return wizardResult_;
    }

    bool PagesShown() const { return pagesShown_; }
    int WizardResult() const { return wizardResult_; }

private:
    std::string sidesFolder_;
    bool wizardAllowed_ = false;
    bool pagesShown_ = false;
    int wizardResult_ = 0;
};

bool OpenWizardAlone(QdGuiDrive& drive)
{
    WizardRun run;
    const int result = RunRecordingWizard(nullptr, "None", &run);
    for (int side = 1; side <= 2; ++side)
        if (run.folders.HasSide(side))
            drive.File(run.folders.SidePath(side));
    for (const std::string& name : run.folders.SavedFiles())
        drive.File(run.folders.Save() + "/" + name);
    drive.Finished(result == 1);
    return true;
}

bool OpenWizardOnSides(QdGuiDrive& drive, const std::string& sidesFolder)
{
    struct stat info;
    if (stat(sidesFolder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        std::fprintf(stderr, "qd-gui drive wizard: %s is not a folder\n", sidesFolder.c_str());
        return false;
    }
    static std::unique_ptr<SidesMainDialog> window;
    window = std::make_unique<SidesMainDialog>(sidesFolder);
    // The steps are the wizard's (and the burn's after it), not the main window's.
    drive.ready = [] {
        return window && window->PagesShown() && QApplication::activeModalWidget() != nullptr;
    };
    if (!window->CreateAndInitMainWindow())
        return false;
    window->ShowWindow(true);
    PumpWhile([] { return window->IsTimerSet(kMainTimerLoad) || window->IsLoadingSavedFiles(); });
    window->OpenWizardNow();
    bool ok = window->WizardResult() == 1;
    // An audio CD: the page of the Burn command has been answered; its OK
    // hands the burn to the window through a posted message, and the window
    // starts it once the processing queue is idle.
    if (window->BurnDialogConfirmed()) {
        const auto posted = std::chrono::steady_clock::now();
        PumpWhile([&] {
            return !window->IsTimerSet(kMainTimerBurnAudio) && !window->IsTimerSet(kMainTimerBurnData) &&
                   std::chrono::steady_clock::now() - posted < std::chrono::seconds(1);
        });
        PumpWhile([] {
            return window->IsTimerSet(kMainTimerBurnAudio) || window->IsTimerSet(kMainTimerBurnData) ||
                   window->IsBurning();
        });
        ok = ok && window->LastBurnResult() == 0;
    }
    for (int row = 0; row < window->RowCount(); ++row)
        QdGuiDrive::Print("listed: " + window->RowPath(row));
    ReportWorkingFiles(WizardFolders());
    drive.Finished(ok);
    drive.cleanup = [] { window.reset(); };
    return true;
}

bool OpenWizard(QdGuiDrive& drive)
{
    if (drive.args.empty())
        return OpenWizardAlone(drive);
    if (drive.args.size() == 2 && drive.args[0] == "--sides")
        return OpenWizardOnSides(drive, drive.args[1]);
    std::fprintf(stderr, "qd-gui drive wizard: takes no arguments but --sides DIR\n");
    return false;
}

} // namespace

QD_GUI_DRIVABLE("wizard", "[--sides DIR]", OpenWizard);
