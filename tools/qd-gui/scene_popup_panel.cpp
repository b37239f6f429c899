// An owner window with a popup panel beside it: the panel carries a short
// text and a link-like region that the click-region handler serves; and the
// same panel disabled.
#include "QdGuiScene.h"

#include "gui/controls/LClickRegionMouseHandler.h"
#include "gui/framework/LPopupPanel.h"
#include "gui/framework/LWindow.h"

namespace {

class OwnerWindow : public LWindow
{
};

class Panel : public LPopupPanel
{
public:
    LClickRegionMouseHandler links;
};

bool Build(QdGuiSceneContext& context, bool enabled)
{
    auto* owner = new OwnerWindow();
    const double s = owner->GetScaleFactor();
    owner->CreateCocoaWindow(static_cast<int>(300 * s), static_cast<int>(160 * s), kWindowStyleTitled, false,
                             nullptr);
    owner->SetTitle("Recording");
    owner->ShowModeless(nullptr, LPlacementCenterOnScreen);
    auto* panel = new Panel();
    panel->CreateCocoaWindow(static_cast<int>(240 * s), static_cast<int>(90 * s), 0, true, owner->GetView());
    panel->AddStaticText(701, "Input level is too high.");
    panel->SetControlRect(701, static_cast<int>(12 * s), static_cast<int>(12 * s), static_cast<int>(216 * s),
                          static_cast<int>(20 * s));
    panel->AddStaticText(702, "Lower the gain");
    panel->SetControlRect(702, static_cast<int>(12 * s), static_cast<int>(44 * s), static_cast<int>(120 * s),
                          static_cast<int>(20 * s));
    panel->links.Attach(panel);
    panel->links.AddControl(702, LFourCharCode("gain"), 0);
    panel->SetAutoClose(true);
    panel->DoModal(owner, LPlacementCenterOnParent);
    if (!enabled)
        panel->EnableWindow(false);
    context.window = panel;
    context.ready = [panel] { return panel->IsVisible(); };
    context.cleanup = [panel, owner] {
        panel->EndDialog(kCommandCancel);
        delete panel;
        owner->EndDialog(kCommandCancel);
        delete owner;
    };
    return panel->IsWindow();
}

QD_GUI_SCENE("popup-panel", [](QdGuiSceneContext& c) { return Build(c, true); });
QD_GUI_SCENE("popup-panel-disabled", [](QdGuiSceneContext& c) { return Build(c, false); });

} // namespace
