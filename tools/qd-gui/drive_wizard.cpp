// The recording wizard as the main window runs it, on the environment's
// settings and sound devices, its questions shown as message boxes (answer
// them with answer:N). When it ends, the files its working folder holds
// (the recorded sides and the tracks in Recording/save) are reported; they
// are left there. 0 when it finished, 1 when it was cancelled.
#include "QdGuiDrive.h"

#include "app/program/wizard/RecordingWizard.h"

#include <cstdio>

namespace {

bool OpenWizard(QdGuiDrive& drive)
{
    if (!drive.args.empty()) {
        std::fprintf(stderr, "qd-gui drive wizard: takes no arguments\n");
        return false;
    }
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

} // namespace

QD_GUI_DRIVABLE("wizard", "", OpenWizard);
