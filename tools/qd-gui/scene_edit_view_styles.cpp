// A rich edit view with styled ranges: bold, italic, underlined, coloured
// and highlighted text, and a centred and a right-aligned paragraph.
#include "QdGuiScene.h"

#include "gui/controls/LControlStyles.h"
#include "gui/framework/LEventPump.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/text/LQtEditViewImpl.h"

namespace {

bool EditViewStyles(QdGuiSceneContext& context)
{
    auto* window = new LWindow();
    const double s = window->GetScaleFactor();
    window->CreateCocoaWindow(static_cast<int>(420 * s), static_cast<int>(220 * s), kWindowStyleTitled, false,
                              nullptr);
    window->SetTitle("Comment");
    LEditFlags flags;
    flags.richText = true;
    flags.border = true;
    flags.verticalScroller = true;
    // The edit view's rectangle is in points, as the toolkit's own.
    window->AddEditView(80, flags, 10, 10, 400, 200);
    auto* view = qobject_cast<LQtEditViewImpl*>(LQtWidget(window->GetEditView(80)));
    if (view == nullptr)
        return false;
    view->SetTextQuietly("Side A, first pressing\n"
                         "Bold, italic, underlined and red words.\n"
                         "Highlighted: crackle at 1:32.\n"
                         "Recorded 1978");
    view->SetAlignment(1, 0, 1);
    view->SetBold(true, 0, 22);
    view->SetFontSize(16, 0, 22);
    view->SetBold(true, 23, 4);
    view->SetItalic(true, 29, 6);
    view->SetUnderline(true, 37, 10);
    const LRGBColor red = LRGBColor::FromRGB8(200, 0, 0);
    view->SetFontColor(&red, 52, 3);
    const LRGBColor yellow = LRGBColor::FromRGB8(255, 235, 80);
    view->SetBackColor(&yellow, 76, 7);
    view->SetAlignment(2, 95, 1);
    view->SetItalic(true, 93, 13);
    view->moveCursor(QTextCursor::Start);
    window->ShowModeless(nullptr, LPlacementCenterOnScreen);
    context.window = window;
    context.cleanup = [window] {
        window->EndDialog(kCommandCancel);
        delete window;
    };
    LWaitWithMessagePump([] { return false; }, true, 50);
    return true;
}

QD_GUI_SCENE("edit-view-styles", EditViewStyles);

} // namespace
