// The tree view: three levels of recordings, one branch collapsed.
#include "QdGuiScene.h"

#include "gui/controls/LTreeView.h"
#include "gui/framework/LWindow.h"

namespace {

class TreeWindow : public LWindow
{
public:
    bool ready = false;
    void OnReady() override { ready = true; }
};

bool TreeView(QdGuiSceneContext& context)
{
    auto* window = new TreeWindow();
    const double scale = window->GetScaleFactor();
    const int w = static_cast<int>(320 * scale);
    const int h = static_cast<int>(280 * scale);
    window->CreateCocoaWindow(w, h, kWindowStyleTitled | kWindowStyleClosable, false, nullptr);
    window->SetTitle("Recordings");
    LTreeViewManager* tree = LAddTreeView(window, 600, kTreeFlagEditable, 0, 0, w, h);
    if (!tree)
        return false;
    LOutlineNode* vinyl = tree->AddItemLast("Vinyl", nullptr, -1, 0);
    LOutlineNode* album = tree->AddItemLast("Blue Train (1957)", vinyl, -1, 0);
    tree->AddItemLast("Side A - Blue Train.wav", album, -1, 0);
    tree->AddItemLast("Side A - Moment's Notice.wav", album, -1, 0);
    tree->AddItemLast("Side B - Locomotion.wav", album, -1, 0);
    LOutlineNode* second = tree->AddItemLast("Kind of Blue (1959)", vinyl, -1, 0);
    tree->AddItemLast("Side A - So What.wav", second, -1, 0);
    LOutlineNode* tapes = tree->AddItemLast("Cassettes", nullptr, -1, 0);
    LOutlineNode* mix = tree->AddItemLast("Summer Mix 1994", tapes, -1, 0);
    tree->AddItemLast("Side A.wav", mix, -1, 0);
    tree->AddItemLast("Side B.wav", mix, -1, 0);
    tree->ExpandItem(vinyl);
    tree->ExpandItem(album);
    tree->ExpandItem(tapes);
    // "Kind of Blue" and "Summer Mix 1994" stay collapsed.
    tree->SelectItem(album->children[1].get());
    window->ShowModeless(nullptr, LPlacementCenterOnScreen);
    context.window = window;
    context.ready = [window] { return window->ready; };
    context.cleanup = [window] {
        window->EndDialog(kCommandCancel);
        delete window;
    };
    return window->IsWindow();
}

} // namespace

QD_GUI_SCENE("tree-view", TreeView);
