// A dialog run by DoModal over a main window: it grabs itself from OnReady,
// inside the modal loop, and ends with 'ok  '.
#include "QdGuiScene.h"

#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"

namespace {

class OwnerWindow : public LWindow
{
};

class ModalDialog : public LWindow
{
public:
    explicit ModalDialog(QdGuiSceneContext& context) : context_(context) {}

    void OnCreate() override
    {
        AddStaticText(101, "Do you want to keep the recording of side one?");
        SetControlRect(101, static_cast<int>(2 * CharWidthPx()), static_cast<int>(CharHeightPx()),
                       static_cast<int>(40 * CharWidthPx()), static_cast<int>(1.23 * CharHeightPx()));
        AddOKCancelButtonsNoRectWithText("Keep", "Discard");
        int w = 0, h = 0;
        GetWindowSize(&w, &h);
        LayoutDialogButtons(0, 0, 0, w, h);
    }
    void OnReady() override
    {
        context_.capture(LQtWidget(GetView())->window());
        EndDialog(kCommandOK);
    }

private:
    QdGuiSceneContext& context_;
};

bool Build(QdGuiSceneContext& context)
{
    OwnerWindow owner;
    owner.CreateCocoaWindow(
        static_cast<int>(60 * owner.CharWidthPx()), static_cast<int>(14 * owner.CharHeightPx()),
        kWindowStyleTitled | kWindowStyleClosable | kWindowStyleResizable, false, nullptr);
    owner.SetTitle("Quorin");
    owner.ShowModeless(nullptr, LPlacementCenterOnScreen);
    ModalDialog dialog(context);
    dialog.CreateCocoaWindow(static_cast<int>(44 * dialog.CharWidthPx()),
                             static_cast<int>(5 * dialog.CharHeightPx()),
                             kWindowStyleTitled | kWindowStyleClosable, false, owner.GetView());
    dialog.SetTitle("Keep Recording");
    bool accepted = dialog.DoModal(&owner, LPlacementCenterOnParent);
    owner.EndDialog(kCommandCancel);
    return accepted && !context.captured.isNull();
}

} // namespace

QD_GUI_SCENE("modal", Build);
