#include "app/program/wizard/WizardPageSupport.h"

#include "app/program/play/PlayWindow.h"
#include "app/program/recording/NoiseFloorPanel.h"
#include "audio/formats/wav/LWavFileOpener.h"
#include "gui/controls/LListView.h"
#include "gui/framework/LMessageBox.h"
#include "gui/framework/LProgressDialog.h"

#include <algorithm>

namespace {

const LVColDynamicGlobal kTrackColumns[] = {
    {"File Name", 35, 0, false},
    {"File Duration", 12, 0, false},
    {"Last Modified", 20, 0, false},
    {nullptr, 0, 0, false},
};

class StepProgress : public LProgressDialog
{
public:
    StepProgress(const char* title, const std::function<int(LProcessContext*)>& step)
        : LProgressDialog(title), step_(step)
    {
    }
    int64_t Process() override
    {
        ran = true;
        return step_(this);
    }
    bool ran = false;

private:
    const std::function<int(LProcessContext*)>& step_;
};

} // namespace

void AddTrackListView(LWindow* page, int listId, bool editable, int doubleClickCommand)
{
    LListFlags flags;
    flags.editable = editable;
    page->AddListViewNoRect(listId, flags);
    page->SetListViewColumnsNoSave(listId, kTrackColumns);
    page->SetListViewColumnEditable(listId, 0, editable);
    for (int column = 1; column < 3; ++column)
        page->SetListViewColumnEditable(listId, column, false);
    page->SetListViewClickCommand(listId, kTrackListClicked);
    page->SetListViewSelectionCommand(listId, kTrackListClicked);
    page->SetListViewDoubleClickCommand(listId, doubleClickCommand);
}

void FillTrackList(LWindow* page, int listId, const std::string& folder,
                   const std::vector<std::string>& selected)
{
    page->DeleteAllListViewRows(listId);
    for (const WizardTrackRow& track : ReadTrackRows(folder)) {
        const int row = page->AddListViewItem(listId, track.name.c_str(), 0, 0);
        if (row < 0)
            continue;
        page->SetListViewItemText(listId, row, 1, track.duration.c_str());
        page->SetListViewItemText(listId, row, 2, track.modified.c_str());
        if (std::find(selected.begin(), selected.end(), track.name) != selected.end())
            page->SelectListViewRow(listId, row, true);
    }
}

std::vector<std::string> SelectedTrackNames(const LWindow* page, int listId)
{
    std::vector<std::string> names;
    const int rows = page->GetListViewRowCount(listId);
    for (int row = 0; row < rows; ++row) {
        if (!page->IsListViewRowSelected(listId, row))
            continue;
        char text[260] = {};
        page->GetListViewItemText(listId, row, 0, text);
        names.emplace_back(text);
    }
    return names;
}

bool PlaySelectedTrack(LWindow* page, int listId, const std::string& folder)
{
    const std::vector<std::string> names = SelectedTrackNames(page, listId);
    if (names.size() != 1)
        return false;
    const std::string path = folder + "/" + names.front();
    LSoundSourcePtr probe;
    LOpenWavSoundSource(probe, path.c_str());
    const bool playable = probe->GetStatus() == kSoundStatusOk;
    probe.Reset();
    if (playable) {
        int result = 1;
        PlayFileItem item(path.c_str());
        LTrackPlayDialog dialog(&item, &result);
        static const LDialogTemplate playTemplate{kTrackPlayDialogWidth, LPlayDialogHeight(true), "Play",
                                                  true, nullptr};
        if (dialog.CreateFromTemplate(&playTemplate)) {
            dialog.DoModal(page, LPlacementCenterOnParent);
            return true;
        }
    }
    LMessageBox box(page->GetView(), "Cannot play the selected file.", kTrackPageMessageTitle);
    box.style = LMessageBoxCriticalStyle;
    box.Show();
    return false;
}

int RunWizardStep(LWindow* page, const char* title, const std::function<int(LProcessContext*)>& step)
{
    StepProgress progress(title, step);
    const int result = static_cast<int>(progress.Run(page != nullptr ? page->GetView() : nullptr));
    return progress.ran ? result : 2;
}

void PlaceControl(LWindow* page, int id, double x, double y, double w, double h)
{
    const double s = page->GetScaleFactor();
    page->SetControlRect(id, static_cast<int>(x * s), static_cast<int>(y * s), static_cast<int>(w * s),
                         static_cast<int>(h * s));
}
