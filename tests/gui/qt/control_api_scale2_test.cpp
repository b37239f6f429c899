// At scale 2 the control API takes and gives pixels, twice the points the
// toolkit sees: parking heights, moves, measures and font deltas, and a
// list's row and cell frames.

#include "gui/GuiTestSupport.h"

#include "gui/controls/LListView.h"
#include "gui/controls/LPaintContext.h"
#include "gui/framework/LCommands.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/lists/LQtOutlineViewImpl.h"
#include "gui/qt/text/LQtFonts.h"

#include <QApplication>
#include <QHeaderView>

#include <gtest/gtest.h>

#include <cmath>

using namespace quorin::test;

namespace {

TEST(ControlApiScale2, PixelsAreTwicePoints)
{
    GuiApp("2");
    LWindow window;
    window.CreateCocoaWindow(400, 300, kWindowStyleTitled | kWindowStyleClosable, false, nullptr);
    ASSERT_TRUE(window.ShowModeless(nullptr, LPlacementCenterOnScreen));
    PumpFor(10);
    ASSERT_DOUBLE_EQ(window.GetScaleFactor(), 2.0);

    // One line of text is round(charHeightPx x 1.23) pixels: the same points as at scale 1.
    window.CreateStaticText(1, "Text");
    QWidget* label = LQtWidget(window.GetControl(1));
    EXPECT_EQ(label->height(),
              static_cast<int>(std::lround(static_cast<int>(window.CharHeightPx() * 1.23 + 0.5) / 2.0)));

    window.MoveControl(1, 40, 60);
    EXPECT_EQ(label->pos(), QPoint(20, 30));
    window.SetControlHeight(1, 50);
    EXPECT_EQ(label->height(), 25);

    const float size = LQtFontSize(QApplication::font());
    const int oneLine = static_cast<int>(std::ceil(2 * (size + 2 * std::floor(size / 3))));
    EXPECT_EQ(window.GetLabelTextHeight("Short", 2000), oneLine);
    // Half the pixels for the same words means more lines.
    const char* words = "several words that need room";
    const int wide = window.GetLabelTextHeight(words, 2000);
    EXPECT_GT(window.GetLabelTextHeight(words, 100), wide);

    // A size delta is in pixels: two pixels are one point here.
    LGuiFont font;
    LGuiFont::CreateSystem(&font, window.GetView(), 2, false, true);
    EXPECT_NEAR(font.size, LGuiFont::SystemFontSize() + 1.0f, 0.01);
    EXPECT_TRUE(font.underline);
    window.EndDialog(kCommandCancel);
}

TEST(ControlApiScale2, ListRowAndCellFramesAreInPixels)
{
    GuiApp("2");
    LWindow window;
    window.CreateCocoaWindow(600, 400, kWindowStyleTitled | kWindowStyleClosable, false, nullptr);
    ASSERT_TRUE(window.ShowModeless(nullptr, LPlacementCenterOnScreen));
    const LVColDynamicGlobal columns[] = {
        {"Title", 30, 0, true}, {"Length", 10, 2, false}, {nullptr, 0, 0, false}};
    window.AddListView(300, LListFlags{}, 0, 0, 600, 400);
    window.SetListViewColumnsNoSave(300, columns);
    window.AddListViewRow(300, "Side A", "0:20:00", nullptr);
    window.AddListViewRow(300, "Side B", "0:19:30", nullptr);
    PumpFor(20);
    auto* view = qobject_cast<LQtListViewImpl*>(LQtFindControl(LQtWidget(window.GetView()), 300));
    ASSERT_NE(view, nullptr);
    view->ListModel()->FlushReload();
    const QRect cell = view->visualRect(view->model()->index(1, 1)); // points
    const LRectangle pixels = view->GetCellBounds(1, 1);
    EXPECT_EQ(pixels, (LRectangle{2 * cell.left(), 2 * cell.top(), 2 * (cell.left() + cell.width()),
                                  2 * (cell.top() + cell.height())}));
    const LRectangle row = view->GetRowBounds(1);
    EXPECT_EQ(row.top, 2 * cell.top());
    EXPECT_EQ(row.bottom, 2 * (cell.top() + cell.height()));
    EXPECT_GE(row.right, 2 * view->header()->length());
    window.EndDialog(kCommandCancel);
}

} // namespace
