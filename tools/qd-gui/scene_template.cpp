// A template dialog: picture, two lines of text, Help, OK and Cancel laid out
// by the standard button row.
#include "QdGuiScene.h"

#include "gui/framework/LWindow.h"

namespace {

class TemplateDialog : public LWindow
{
public:
    bool ready = false;

    void OnReady() override { ready = true; }
};

void BuildTemplate(LWindow* window, int, int, int)
{
    double cw = window->CharWidthPx();
    double ch = window->CharHeightPx();
    int side = static_cast<int>(window->GetScaleFactor() * 48);
    window->AddImageControlNoRect(110);
    window->SetImageControlResource(110, 304);
    window->SetControlRect(110, static_cast<int>(2 * cw), static_cast<int>(ch), side, side);
    int x = static_cast<int>(2 * cw) + side + static_cast<int>(1.25 * cw);
    int w = 0;
    window->GetWindowSize(&w, nullptr);
    window->AddStaticText(101, "Side one is ready to be split into tracks.");
    window->SetControlRect(101, x, static_cast<int>(ch), w - x - static_cast<int>(2 * cw),
                           static_cast<int>(1.23 * ch));
    window->AddStaticText(102, "Silences longer than two seconds start a new track.");
    window->SetControlRect(102, x, static_cast<int>(2.6 * ch), w - x - static_cast<int>(2 * cw),
                           static_cast<int>(1.23 * ch));
    window->AddHelpButton();
    window->AddOKCancelButtonsNoRect();
}

bool Build(QdGuiSceneContext& context)
{
    static LDialogTemplate dialogTemplate{420, 130, "Split Recording", true, BuildTemplate};
    auto* dialog = new TemplateDialog();
    dialog->CreateFromTemplate(&dialogTemplate);
    dialog->ShowModeless(nullptr, LPlacementCenterOnScreen);
    context.window = dialog;
    context.ready = [dialog] { return dialog->ready; };
    context.cleanup = [dialog] {
        dialog->EndDialog(kCommandCancel);
        delete dialog;
    };
    return dialog->IsWindow();
}

} // namespace

QD_GUI_SCENE("template", Build);
