// A list with its check-box column and a drop-down column, one drop-down
// cell open with the owner's choices.
#include "QdGuiScene.h"

#include "gui/controls/LListView.h"
#include "gui/framework/LEventPump.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/lists/LQtOutlineViewImpl.h"

#include <QMenu>
#include <QPainter>

namespace {

class ListWindow : public LWindow
{
public:
    bool ready = false;
    void OnReady() override { ready = true; }
};

class FormatChoices : public LListViewDropDownHandler
{
public:
    void OnDropDownOpen(int, int, int) override
    {
        for (const char* format : {"WAV", "AIFF", "MP3", "FLAC", "Ogg Vorbis"})
            AddItem(format);
    }
};

const LVColDynamicGlobal kColumns[] = {
    {"Recorded File", 34, 0, true},
    {"Format", 14, 0, false},
    {"File Duration(H:MM:SS)", 22, 0, false},
    {nullptr, 0, 0, false},
};

bool ListCheckboxes(QdGuiSceneContext& context)
{
    auto* window = new ListWindow();
    auto* choices = new FormatChoices();
    const double scale = window->GetScaleFactor();
    const int w = static_cast<int>(600 * scale);
    const int h = static_cast<int>(260 * scale);
    window->CreateCocoaWindow(w, h, kWindowStyleTitled | kWindowStyleClosable, false, nullptr);
    window->SetTitle("Recordings");
    window->AddListView(300, LListFlags{}, 0, 0, w, h);
    window->SetListViewColumnsNoSave(300, kColumns);
    LListViewManager* list = window->GetListView(300);
    list->SetHasCheckboxColumn(true);
    const int dropDowns[] = {2, 0, -1, 0};
    list->SetDropDownColumns(dropDowns);
    list->SetDropDownColumnsHandler(choices);
    const char* rows[][3] = {{"Side A - Track 1.wav", "WAV", "0:05:40"},
                             {"Side A - Track 2.wav", "WAV", "0:03:05"},
                             {"Side B - Track 1.mp3", "MP3", "0:02:58"},
                             {"Live at the Hall.flac", "FLAC", "1:02:11"}};
    for (const auto& row : rows)
        window->AddListViewRow(300, row[0], row[1], row[2], nullptr);
    list->ChangeCheckState(0, true);
    list->ChangeCheckState(2, true);
    window->SelectListViewRow(300, 1, true);
    window->ShowModeless(nullptr, LPlacementCenterOnScreen);
    context.cleanup = [window, choices] {
        window->EndDialog(kCommandCancel);
        delete window;
        delete choices;
    };
    if (LWaitWithMessagePump([window] { return window->ready; }, true, 5000) != 1)
        return false;
    auto* view = qobject_cast<LQtListViewImpl*>(LQtFindControl(LQtWidget(window->GetView()), 300));
    QMenu* menu = view ? view->OpenDropDownCell(1, 1) : nullptr;
    if (!menu)
        return false;
    LWaitWithMessagePump([] { return false; }, true, 60);
    // The menu is a window of its own: drawn into the list's picture where it stands.
    QWidget* top = LQtWidget(window->GetView())->window();
    const QImage image = top->grab().toImage();
    const QImage popup = menu->grab().toImage();
    const double ratio = image.devicePixelRatio();
    // Logical points from here on: the canvas carries the pictures' ratio.
    const QPoint at = top->mapFromGlobal(menu->pos());
    const int height =
        std::max(static_cast<int>(image.height() / ratio), at.y() + static_cast<int>(popup.height() / ratio));
    QImage canvas(image.width(), static_cast<int>(height * ratio), QImage::Format_ARGB32);
    canvas.setDevicePixelRatio(ratio);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        painter.drawImage(QPoint(0, 0), image);
        painter.drawImage(at, popup);
    }
    menu->close();
    context.captured = canvas;
    return true;
}

} // namespace

QD_GUI_SCENE("list-checkboxes", ListCheckboxes);
