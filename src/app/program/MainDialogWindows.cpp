// The main window's way into the windows that other parts of the program
// bring: the recording wizard and session, the play window, the tag editors,
// burning and the preferences. Each is one member, so that the window that
// implements it replaces its body and nothing else.

#include "app/program/MainDialog.h"
#include "app/program/RecordingFiles.h"
#include "app/program/play/PlayWindow.h"
#include "app/program/recording/RecordingSession.h"
#include "foundation/files/LPath.h"
#include "foundation/log/LLog.h"
#include "gui/framework/LMessageBox.h"

#include <strings.h>

void MainDialog::OpenRecordingWizard()
{
    LLogInfo("The recording wizard was asked for");
}

void MainDialog::RunRecordingSession()
{
    // The tracks it queues come back through the worker's notices, as any
    // queued recording does.
    LRunRecordingSession(this);
}

bool MainDialog::RunPlayWindow(const char* path)
{
    return LRunPlayWindow(this, path);
}

bool MainDialog::RunTagEditor(const char* path)
{
    (void)path;
    return false;
}

bool MainDialog::RunMultiTagEditor(const std::vector<std::string>& paths)
{
    (void)paths;
    return false;
}

void MainDialog::EditTag()
{
    if (GetListViewSelectedCount(kListId) != 1)
        return;
    const std::string path = RowPath(GetListViewFirstSelected(kListId));
    if (!IsRecordingFileName(path.c_str())) {
        Tell("Only wav and mp3 files can have tags edited.", kProductTitle, LMessageBoxCriticalStyle);
        return;
    }
    RunTagEditor(path.c_str());
}

void MainDialog::EditSelectedTags()
{
    std::vector<std::string> paths;
    for (int row : SelectedRows())
        paths.push_back(RowPath(row));
    if (!paths.empty())
        RunMultiTagEditor(paths);
}

void MainDialog::OnBurnCommand()
{
    if (RowCount() == 0)
        return;
    LLogInfo("Burning was asked for");
}

void MainDialog::StartBurn(bool audio)
{
    LLogInfoF("A deferred %s burn was asked for", audio ? "audio CD" : "data disc");
}

bool MainDialog::RunEraseDisc(const char* title, LWindow* parent)
{
    (void)title, (void)parent;
    return false;
}

void MainDialog::EjectDisc() {}

void MainDialog::Preferences()
{
    LLogInfo("The preferences were asked for");
}
