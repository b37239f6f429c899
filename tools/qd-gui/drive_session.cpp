// The recording session as the main window opens it (Ctrl+R), on the
// environment's settings, queue and sound devices. The main window opens
// first (without the wizard it offers over an empty list), loads its list,
// then runs the session; the steps work the session window, its buttons by
// id: 4011 Record, 4012 Pause, 4013 Restart, 4014 Stop, 4015 Split, 4016
// Discard (cncl closes it, as its close box does).
//
// Once the session has closed, the run waits until the queued recordings
// are converted, reports each file that came into the main window's list
// as "file: PATH", closes the main window as a quit would and exits 0. Steps
// that run out with the session still open leave it open ("open: TITLE"):
// its recording then stays where the next start recovers it.
#include "QdGuiDrive.h"

#include "app/program/LProgramCommands.h"
#include "app/program/MainDialog.h"
#include "app/queue/ProcessQueueWorker.h"
#include "gui/framework/LCommands.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <set>
#include <string>

namespace {

constexpr int kMainTimerLoad = 4;

void PumpWhile(const std::function<bool()>& busy)
{
    while (busy())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
}

// The main window without the wizard it opens at start over an empty list:
// the drive is the session's.
class SessionMainDialog : public MainDialog
{
public:
    void OpenRecordingWizard() override {}
};

enum class Phase {
    kOpening,   // the main window loads its list
    kSession,   // the session window runs
    kFinishing, // the session closed: its recordings are being converted
    kDone,
};

bool OpenSession(QdGuiDrive& drive)
{
    if (!drive.args.empty()) {
        std::fprintf(stderr, "qd-gui drive session: takes no arguments\n");
        return false;
    }
    static std::unique_ptr<SessionMainDialog> window;
    static Phase phase = Phase::kOpening;
    window = std::make_unique<SessionMainDialog>();
    // Set before the window opens: its loading runs the event loop, and the
    // steps are the session's.
    drive.ready = [] {
        QWidget* modal = QApplication::activeModalWidget();
        return phase == Phase::kSession && modal != nullptr && modal->isVisible();
    };
    // After the session: while its recordings are converted, and while the
    // quit that follows closes the window (bounded, should it be refused).
    static std::chrono::steady_clock::time_point quitAt;
    drive.busy = [] {
        return phase == Phase::kFinishing ||
               (phase == Phase::kDone &&
                std::chrono::steady_clock::now() - quitAt < std::chrono::seconds(10));
    };
    drive.cleanup = [] { window.reset(); };

    if (!window->CreateAndInitMainWindow())
        return false;
    window->ShowWindow(true);
    PumpWhile([] { return window->IsTimerSet(kMainTimerLoad) || window->IsLoadingSavedFiles(); });
    std::set<std::string> listed;
    for (int row = 0; row < window->RowCount(); ++row)
        listed.insert(window->RowPath(row));

    // Opened from the main window's loop, as the key does: the session is
    // modal and returns only when it closes.
    QTimer::singleShot(0, [listed] {
        phase = Phase::kSession;
        window->SendCommand(kCmdStartRecordingSession);
        phase = Phase::kFinishing;
        ProcessQueueWorker& worker = window->Worker();
        PumpWhile([&] { return worker.IsRunning(); });
        // The worker's last notices are on their way to the window.
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
        PumpWhile([&] { return std::chrono::steady_clock::now() < until; });
        for (int row = 0; row < window->RowCount(); ++row)
            if (listed.count(window->RowPath(row)) == 0)
                QdGuiDrive::Print("file: " + window->RowPath(row));
        phase = Phase::kDone;
        quitAt = std::chrono::steady_clock::now();
        // Closed as the quit command closes it: nothing is left behind that
        // the next start would take for a crash.
        window->SendCommand(kCommandQuit);
    });
    return true;
}

} // namespace

QD_GUI_DRIVABLE("session", "", OpenSession);
