// A toolbar of plain, split and whole drop-down items and a check item, one
// item hidden, followed by the program's own Share, Oxbel Suite and Help items.
#include "QdGuiScene.h"

#include "gui/framework/LToolBar.h"
#include "gui/framework/LWindow.h"

namespace {

const LToolBar::ToolBarItem kItems[] = {
    {0, 1001, 304, "Record", "Record", "Record from the sound input"},
    {0, 1002, 305, "Play", "Play", "Play the recording"},
    {6, 0, 0, "", "", ""},
    {3, 1003, 306, "Split", "Split", "Split into tracks"},
    {9, 1004, 307, "Restore", "Restore", "Restoration tools"},
    {10, 1005, 308, "Monitor", "Monitor", "Listen while recording"},
    {0, 1006, 309, "Hidden", "Hidden", "Not shown"},
    {5, 0, 0, "", "", ""},
    {0, 1007, 310, "Burn", "Burn", "Burn a disc"},
};

const LKeyToCommandMap kShortcuts[] = {
    {LKey::FromCharacter('R', LKey::kCommand), 1001},
    {LKey::FromCharacter(' ', 0), 1002},
};

class ToolbarWindow : public LWindow
{
public:
    LToolBar toolbar;
};

bool Build(QdGuiSceneContext& context)
{
    auto* window = new ToolbarWindow();
    const int w = static_cast<int>(100 * window->CharWidthPx());
    const int h = static_cast<int>(6 * window->CharHeightPx());
    window->CreateCocoaWindow(w, h, kWindowStyleTitled | kWindowStyleClosable, false, nullptr);
    window->SetTitle("Toolbar");
    window->toolbar.SetStateKey("QdGuiToolbar");
    window->toolbar.CreateWithShareMenu(window, kItems, static_cast<int>(std::size(kItems)), kShortcuts,
                                        static_cast<int>(std::size(kShortcuts)));
    window->toolbar.SetDropDownCommand(1003, 9303);
    window->toolbar.SetDropDownCommand(1004, 9303);
    window->toolbar.ShowItem(1006, false);
    window->toolbar.SelectItem(1005, true);
    window->ShowModeless(nullptr, LPlacementCenterOnScreen);
    context.window = window;
    context.ready = [window] { return window->IsVisible(); };
    context.cleanup = [window] {
        window->EndDialog(kCommandCancel);
        delete window;
    };
    return window->IsWindow();
}

} // namespace

QD_GUI_SCENE("toolbar", Build);
