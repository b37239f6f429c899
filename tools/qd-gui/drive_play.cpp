// The play window as the main window opens it on a recording: FILE plays at
// once over the main window, and a split (click:2004, or the question at
// closing) runs the main window's own split job, whose files are reported
// with "file: PATH" once it has finished. Own step: "seek:MS" pauses and
// moves the play position to MS milliseconds, as a user who stops where a
// track begins does, so that click:2002 adds exactly that point.
#include "QdGuiDrive.h"

#include "app/program/MainDialog.h"
#include "app/program/play/PlayWindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

namespace {

// The main window's timer that lists the saved recordings.
constexpr int kMainTimerLoad = 4;
// Bounds for what the run waits on; a split of an hour-long recording fits.
constexpr int kListWaitMs = 60000;
constexpr int kSplitWaitMs = 600000;

// The main window, telling when a split request it was sent has been handled.
class DriveMainWindow : public MainDialog
{
public:
    void OnInterWinMessage(uint32_t eventId, int64_t data1, int64_t data2) override
    {
        MainDialog::OnInterWinMessage(eventId, data1, data2);
        if (eventId == kMainMsgSplitFile)
            splitHandled = true;
    }
    bool splitHandled = false;

protected:
    // Only the play window is driven: an empty list must not open the
    // recording wizard over it at start.
    void OpenRecordingWizard() override {}
};

bool PumpUntil(const std::function<bool()>& done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

// Live until the process ends: the main window may still be up when the run stops.
std::unique_ptr<DriveMainWindow> gMain;
PlayWindow* gPlay = nullptr;
bool gSplitAsked = false;

bool Seek(LWindow* top, const std::string& value, std::string* error)
{
    auto* play = dynamic_cast<PlayWindow*>(top);
    if (play == nullptr) {
        *error = "the window on top is not the play window";
        return false;
    }
    char* end = nullptr;
    const long long ms = std::strtoll(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || ms < 0) {
        *error = "expected seek:MS";
        return false;
    }
    if (ms > play->LengthMs()) {
        *error = "the file is " + std::to_string(play->LengthMs()) + " ms long";
        return false;
    }
    if (play->IsPlaying())
        play->Pause();
    play->SeekToMs(ms);
    play->UpdateControls();
    return true;
}

bool OpenPlay(QdGuiDrive& drive)
{
    if (drive.args.size() != 1) {
        std::fprintf(stderr, "qd-gui drive play: name one WAV or MP3 file\n");
        return false;
    }
    // The steps are the play window's: registered before it opens, since
    // they run inside its modal loop.
    drive.steps["seek"] = Seek;
    drive.ready = [] { return gPlay != nullptr && gPlay->IsWindow() && gPlay->IsVisible(); };
    // The split runs once the play window has gone, under the main window's
    // progress window: the run waits for it rather than end there.
    drive.busy = [] {
        return (gSplitAsked || (gPlay != nullptr && gPlay->SplitRequested())) && !gMain->splitHandled;
    };
    drive.cleanup = [] { gMain.reset(); };

    gMain = std::make_unique<DriveMainWindow>();
    if (!gMain->CreateAndInitMainWindow())
        return false;
    gMain->ShowWindow(true);
    // As the user sees it: the list of saved recordings is up before Play.
    if (!PumpUntil([] { return !gMain->IsTimerSet(kMainTimerLoad) && !gMain->IsLoadingSavedFiles(); },
                   kListWaitMs)) {
        std::fprintf(stderr, "qd-gui drive play: the main window did not finish listing its recordings\n");
        return false;
    }

    const std::string path = drive.args[0];
    int result = 0;
    PlayWindow window(gMain->GetView(), path.c_str(), &result);
    if (!window.CreateFromTemplate(PlayWindow::Template()))
        return false;
    gPlay = &window;
    window.DoModal(gMain.get(), LPlacementCenterOnParent);
    gSplitAsked = window.SplitRequested();
    gPlay = nullptr;
    if (window.GetOutcome() != PlayWindow::kOpened) {
        std::fprintf(stderr, "qd-gui drive play: %s cannot be played\n", path.c_str());
        return false;
    }
    if (!window.SplitRequested()) {
        drive.Finished(true);
        return true;
    }
    // The request was posted to the main window as the play window closed.
    if (!PumpUntil([] { return gMain->splitHandled; }, kSplitWaitMs)) {
        std::fprintf(stderr, "qd-gui drive play: the split did not finish\n");
        std::fflush(stderr);
        std::_Exit(2);
    }
    for (const std::string& file : gMain->LastSplitFiles())
        drive.File(file);
    drive.Finished(!gMain->LastSplitFiles().empty());
    return true;
}

} // namespace

QD_GUI_DRIVABLE("play", "FILE", OpenPlay);
