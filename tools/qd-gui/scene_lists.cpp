// List views: a filled list with a sorted header and a selection, an empty
// list showing its default text, and a list with its background picture.
#include "QdGuiScene.h"

#include "gui/controls/LListView.h"
#include "gui/framework/LWindow.h"

namespace {

class ListWindow : public LWindow
{
public:
    bool ready = false;
    void OnReady() override { ready = true; }
};

const LVColDynamicGlobal kColumns[] = {
    {"Recorded File", 40, 0, true},
    {"File Duration(H:MM:SS)", 22, 0, false},
    {nullptr, 0, 0, false},
};

ListWindow* MakeList(QdGuiSceneContext& context, const char* title)
{
    auto* window = new ListWindow();
    const double scale = window->GetScaleFactor();
    const int w = static_cast<int>(560 * scale);
    const int h = static_cast<int>(260 * scale);
    window->CreateCocoaWindow(w, h, kWindowStyleTitled | kWindowStyleClosable, false, nullptr);
    window->SetTitle(title);
    LListFlags flags;
    flags.sortableHeader = true;
    window->AddListView(300, flags, 0, 0, w, h);
    window->SetListViewColumnsNoSave(300, kColumns);
    window->SetListViewAlternatingRows(300);
    window->ShowModeless(nullptr, LPlacementCenterOnScreen);
    context.window = window;
    context.ready = [window] { return window->ready; };
    context.cleanup = [window] {
        window->EndDialog(kCommandCancel);
        delete window;
    };
    return window;
}

void Fill(LWindow* window)
{
    const char* rows[][2] = {{"Side A - Track 10.wav", "0:04:12"},
                             {"Side A - Track 2.wav", "0:03:05"},
                             {"Side A - Track 1.wav", "0:05:40"},
                             {"Side B - Track 1.wav", "0:02:58"},
                             {"Live at the Hall.mp3", "1:02:11"}};
    for (const auto& row : rows)
        window->AddListViewRow(300, row[0], row[1], nullptr);
}

bool List(QdGuiSceneContext& context)
{
    ListWindow* window = MakeList(context, "Recordings");
    Fill(window);
    window->GetListView(300)->SortRowsUsingColumn(0, true);
    window->SelectListViewRow(300, 1, true);
    window->SelectListViewRow(300, 2, true);
    return window->IsWindow();
}

bool ListEmpty(QdGuiSceneContext& context)
{
    ListWindow* window = MakeList(context, "Recordings");
    window->SetListViewDefaultText(300, "Drag audio files here or click Record to start");
    return window->IsWindow();
}

bool ListBackground(QdGuiSceneContext& context)
{
    ListWindow* window = MakeList(context, "Recordings");
    Fill(window);
    window->SetListViewBackgroundImage(300, 304);
    return window->IsWindow();
}

} // namespace

QD_GUI_SCENE("list", List);
QD_GUI_SCENE("list-empty", ListEmpty);
QD_GUI_SCENE("list-background", ListBackground);
