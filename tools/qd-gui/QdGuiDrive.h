#pragma once
// The program's real windows that `qd-gui drive NAME [ARG...] -- STEP...`
// opens and works through its steps. Each registers itself from a file of
// its own (drive_<name>.cpp), so adding one touches no list:
//
//   #include "QdGuiDrive.h"
//
//   QD_GUI_DRIVABLE("output-format", "", [](QdGuiDrive& drive) {
//       // Open the window exactly as the program does, with the
//       // environment's own settings, queue and devices (drive.args holds
//       // the ARGs). A window the program runs modally is run modally here
//       // too: the steps run from timers inside its loop, and the result
//       // is handed back when the loop ends.
//       OutputFormatDialog dialog(...);
//       drive.Finished(dialog.DoModal(nullptr, LPlacementCenterOnScreen));
//       return true;
//   });
//
// A modeless window (the main window) is shown and the opener returns at
// once; the run then lasts while any of the program's windows is open, and
// ends with closedResult() (0 when unset).
//
// The opener answers false when the window cannot be opened (bad ARGs, a
// missing file), after saying why on stderr: the run exits with 2.
//
// Window-specific steps ("seek:MS", "stars:N", "image:PATH") are added to
// drive.steps under the word before the colon; the handler gets the window
// on top and the text after the colon, and answers false with a reason to
// fail the run. Files the window's work wrote are reported with
// drive.File(path), which prints "file: PATH".
//
// The steps every window understands, the output lines and the exit codes
// are those of `qd-gui drive` (see cmd_drive.cpp).

#include <functional>
#include <map>
#include <string>
#include <vector>

class LWindow;

struct QdGuiDrive
{
    std::vector<std::string> args;

    using Step = std::function<bool(LWindow* top, const std::string& value, std::string* error)>;
    std::map<std::string, Step> steps;

    // The first step waits until this holds (a window that loads its
    // contents after it shows); unset: as soon as the window is up.
    std::function<bool()> ready;
    // While this holds, the run does not end when the steps run out: work
    // the steps started (a job under a progress window of its own) is still
    // going, and the opener waits for it. Unset: never.
    std::function<bool()> busy;
    // The exit code of a modeless window once it is gone.
    std::function<int()> closedResult;
    // Runs when the run ends normally (not when it ends with the window left open).
    std::function<void()> cleanup;

    // A modal window's end: 0 when it closed with OK or finished its work,
    // 1 when cancelled.
    void Finished(bool ok) { result = ok ? 0 : 1; }
    void File(const std::string& path);
    // One output line, whole, whatever thread it comes from.
    static void Print(const std::string& line);

    int result = -1;
};

using QdGuiDriveOpener = std::function<bool(QdGuiDrive&)>;

struct QdGuiDrivable
{
    std::string usage; // the ARGs, as `qd-gui list --drivable` shows them
    QdGuiDriveOpener open;
};

std::map<std::string, QdGuiDrivable>& QdGuiDrivables();

struct QdGuiDrivableRegistrar
{
    QdGuiDrivableRegistrar(const char* name, const char* usage, QdGuiDriveOpener opener)
    {
        QdGuiDrivables()[name] = QdGuiDrivable{usage, std::move(opener)};
    }
};

#define QD_GUI_DRIVABLE_CONCAT2(a, b) a##b
#define QD_GUI_DRIVABLE_CONCAT(a, b) QD_GUI_DRIVABLE_CONCAT2(a, b)
#define QD_GUI_DRIVABLE(name, usage, opener)                                                                 \
    static QdGuiDrivableRegistrar QD_GUI_DRIVABLE_CONCAT(qdGuiDrivable, __LINE__)(name, usage, opener)
