// The main window as the program opens it at start: the environment's own
// settings, output folder and processing queue.
#include "QdGuiDrive.h"

#include "app/program/MainDialog.h"

#include <memory>

namespace {

// The main window's timer that lists the saved recordings.
constexpr int kMainTimerLoad = 4;

bool OpenMain(QdGuiDrive& drive)
{
    if (!drive.args.empty())
        return false;
    // Lives until the process ends: the window may still be up when the run stops.
    static std::unique_ptr<MainDialog> window;
    window = std::make_unique<MainDialog>();
    if (!window->CreateAndInitMainWindow())
        return false;
    window->ShowWindow(true);
    // The saved recordings are listed a moment after the window shows, under
    // a progress window of their own.
    drive.ready = [] { return !window->IsTimerSet(kMainTimerLoad) && !window->IsLoadingSavedFiles(); };
    drive.cleanup = [] { window.reset(); };
    return true;
}

} // namespace

QD_GUI_DRIVABLE("main", "", OpenMain);
