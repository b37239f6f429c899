// At scale 2 the control API takes and gives pixels, twice the points the
// toolkit sees: parking heights, moves, measures and font deltas.

#include "gui/GuiTestSupport.h"

#include "gui/controls/LPaintContext.h"
#include "gui/framework/LCommands.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFonts.h"
#include "gui/qt/LQtView.h"

#include <QApplication>

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

} // namespace
