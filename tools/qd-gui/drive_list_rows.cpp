// A list with check boxes whose rows the user reorders by dragging, to be
// worked by real input. Own steps: "rows:" prints each row as
// "row: N [x] TITLE" (x when checked); "cells:" prints where each row's check
// box and title are on the screen, "cell: N CHECKX CHECKY TITLEX TITLEY".
#include "QdGuiDrive.h"

#include "gui/controls/LListView.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/lists/LQtOutlineViewImpl.h"

#include <string>

namespace {

class RowsWindow : public LWindow
{
public:
    void OnCommand(int command, int extra) override { LWindow::OnCommand(command, extra); }
};

// The owner's side of a drag: the dragged (selected) rows go where they
// were dropped.
class Reorder : public LListViewDragHandler
{
public:
    void OnDrop(int, int row) override
    {
        if (list)
            list->MoveRows(list->SelectedRows(), row);
        QdGuiDrive::Print("drop: " + std::to_string(row));
    }
    LListViewManager* list = nullptr;
};

const LVColDynamicGlobal kColumns[] = {
    {"Recorded File", 40, 0, true},
    {"File Duration(H:MM:SS)", 22, 0, false},
    {nullptr, 0, 0, false},
};

bool OpenListRows(QdGuiDrive& drive)
{
    auto* window = new RowsWindow();
    auto* reorder = new Reorder();
    const double scale = window->GetScaleFactor();
    const int w = static_cast<int>(520 * scale);
    const int h = static_cast<int>(240 * scale);
    window->CreateCocoaWindow(w, h, kWindowStyleTitled | kWindowStyleClosable, false, nullptr);
    window->SetTitle("Reorder");
    LListFlags flags;
    flags.singleSelection = true;
    window->AddListView(300, flags, 0, 0, w, h);
    window->SetListViewColumnsNoSave(300, kColumns);
    LListViewManager* list = window->GetListView(300);
    list->SetHasCheckboxColumn(true);
    reorder->list = list;
    list->SetLvDragHandler(reorder);
    for (const char* title : {"Side A.wav", "Side B.wav", "Side C.wav", "Side D.wav"})
        window->AddListViewRow(300, title, "0:20:00", nullptr);
    window->ShowModeless(nullptr, LPlacementCenterOnScreen);
    drive.steps["rows"] = [](LWindow* top, const std::string&, std::string* error) {
        LListViewManager* shown = top ? top->GetListView(300) : nullptr;
        if (!shown) {
            *error = "the window on top has no list";
            return false;
        }
        for (int row = 0; row < shown->RowCount(); ++row)
            QdGuiDrive::Print("row: " + std::to_string(row) + (shown->IsRowChecked(row) ? " [x] " : " [ ] ") +
                              shown->GetItemText(row, 0));
        return true;
    };
    drive.steps["cells"] = [](LWindow* top, const std::string&, std::string* error) {
        auto* view =
            top ? qobject_cast<LQtListViewImpl*>(LQtFindControl(LQtWidget(top->GetView()), 300)) : nullptr;
        if (!view || !view->ListModel()) {
            *error = "the window on top has no list";
            return false;
        }
        view->ListModel()->FlushReload();
        QAbstractItemModel* model = view->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            const QPoint check =
                view->viewport()->mapToGlobal(view->visualRect(model->index(row, 0)).center());
            const QPoint title =
                view->viewport()->mapToGlobal(view->visualRect(model->index(row, 1)).center());
            QdGuiDrive::Print("cell: " + std::to_string(row) + " " + std::to_string(check.x()) + " " +
                              std::to_string(check.y()) + " " + std::to_string(title.x()) + " " +
                              std::to_string(title.y()));
        }
        return true;
    };
    drive.cleanup = [window, reorder] {
        if (window->IsWindow())
            window->EndDialog(kCommandCancel);
        delete window;
        delete reorder;
    };
    return true;
}

} // namespace

QD_GUI_DRIVABLE("list-rows", "", OpenListRows);
