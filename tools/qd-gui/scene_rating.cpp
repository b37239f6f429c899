// The star rating control at three of five stars with the pointer over the
// fourth: the hover preview shows four lighter stars.
#include "QdGuiScene.h"

#include "gui/controls/LRatingControl.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"

#include <QWidget>

namespace {

class RatingWindow : public LWindow
{
public:
    LRatingControl rating;
    LRatingControl resting;
};

bool BuildRating(QdGuiSceneContext& context)
{
    auto* window = new RatingWindow();
    const double s = window->GetScaleFactor();
    window->CreateCocoaWindow(static_cast<int>(140 * s), static_cast<int>(70 * s), kWindowStyleTitled, false,
                              nullptr);
    window->SetTitle("Rating");
    QWidget* hover = LQtWidget(LAddPaintControl(window, 133));
    QWidget* rest = LQtWidget(LAddPaintControl(window, 134));
    window->rating.Create(window, 133, 5);
    window->resting.Create(window, 134, 5);
    LGuiImage filled, empty, lit;
    LRatingControl::MakeStarImages(window->rating.StarSize(), &filled, &empty, &lit);
    for (LRatingControl* control : {&window->rating, &window->resting}) {
        control->SetImages(&filled, &empty, &lit);
        control->SetRating(3);
    }
    // Host geometry is in points; the control works in pixels.
    const int w = static_cast<int>(window->rating.PreferredWidth() / s + 0.5);
    const int h = static_cast<int>(window->rating.StarSize() / s + 0.5);
    hover->setGeometry(20, 15, w, h);
    rest->setGeometry(20, 40, w, h);
    window->rating.UpdateSize();
    window->resting.UpdateSize();
    window->rating.OnMouseEnter();
    window->rating.MouseHandler().OnMouseMove(3 * window->rating.StarSize() + window->rating.StarSize() / 2,
                                              2);
    window->ShowModeless(nullptr, LPlacementCenterOnScreen);
    context.window = window;
    context.ready = [window] { return window->IsVisible(); };
    context.cleanup = [window] {
        window->EndDialog(kCommandCancel);
        delete window;
    };
    return window->IsWindow();
}

QD_GUI_SCENE("rating", BuildRating);

} // namespace
