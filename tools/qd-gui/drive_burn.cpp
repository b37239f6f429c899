// The main window's Burn Audio command on the files named: the main window
// opens as the program opens it, the files join its list (copied into the
// output folder as Add File(s) does) and are selected, and Burn Audio runs:
// the "Burn Audio" page (driven by the steps), the question before burning
// and the burn on the environment's drives (QUORIN_DRIVES for tests), then
// the offer of another copy. The run ends when the burn is over: 0 when it
// went well, 1 when it was cancelled or failed.
#include "QdGuiDrive.h"

#include "app/program/MainDialog.h"
#include "foundation/files/LPath.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

constexpr int kMainTimerLoad = 4;
constexpr int kMainTimerBurnAudio = 2;
constexpr int kMainTimerBurnData = 3;

// The list is empty until the files are added after the load, and an empty
// list opens the recording wizard at start: here the burn alone is driven.
class BurnOnlyMainDialog : public MainDialog
{
protected:
    void OpenRecordingWizard() override {}
};

void PumpWhile(const std::function<bool()>& busy)
{
    while (busy())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
}

bool OpenBurn(QdGuiDrive& drive)
{
    if (drive.args.empty()) {
        std::fprintf(stderr, "qd-gui drive burn: name the files to burn\n");
        return false;
    }
    // The steps are for the burn's own windows, from the page on.
    static bool burnAsked;
    burnAsked = false;
    drive.ready = [] { return burnAsked && QApplication::activeModalWidget() != nullptr; };
    static std::unique_ptr<MainDialog> window;
    window = std::make_unique<BurnOnlyMainDialog>();
    if (!window->CreateAndInitMainWindow())
        return false;
    window->ShowWindow(true);
    PumpWhile([] { return window->IsTimerSet(kMainTimerLoad) || window->IsLoadingSavedFiles(); });
    window->DeselectAllListViewRows(MainDialog::kListId);
    for (const std::string& path : drive.args) {
        if (window->AddFileToList(path.c_str(), true, true))
            continue;
        // Already listed: burn the listed one.
        char name[kLPathSize] = {};
        LPathGetFileName(name, path.c_str());
        bool found = false;
        for (int row = 0; row < window->RowCount(); ++row)
            if (window->RowText(row) == name) {
                window->SelectListViewRow(MainDialog::kListId, row, true);
                found = true;
            }
        if (!found) {
            std::fprintf(stderr, "qd-gui drive burn: %s is not a recording that opens\n", path.c_str());
            return false;
        }
    }
    burnAsked = true;
    window->SendCommand(2011);
    if (!window->BurnDialogConfirmed()) {
        drive.Finished(false);
        drive.cleanup = [] { window.reset(); };
        return true;
    }
    // The page's OK hands the burn to the window through a posted message;
    // the window starts it once the processing queue is idle.
    const auto posted = std::chrono::steady_clock::now();
    PumpWhile([&] {
        return !window->IsTimerSet(kMainTimerBurnAudio) && !window->IsTimerSet(kMainTimerBurnData) &&
               std::chrono::steady_clock::now() - posted < std::chrono::seconds(1);
    });
    PumpWhile([] {
        return window->IsTimerSet(kMainTimerBurnAudio) || window->IsTimerSet(kMainTimerBurnData) ||
               window->IsBurning();
    });
    drive.Finished(window->LastBurnResult() == 0);
    drive.cleanup = [] { window.reset(); };
    return true;
}

} // namespace

QD_GUI_DRIVABLE("burn", "FILE...", OpenBurn);
