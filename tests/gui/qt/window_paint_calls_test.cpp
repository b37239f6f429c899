// The window's calls by id for custom-drawn controls.
#include "gui/qt/PaintControlTestSupport.h"

#include "gui/controls/LCommandLinkButton.h"
#include "gui/controls/LDBEdit.h"
#include "gui/qt/controls/LQtCustomScrollView.h"
#include "gui/qt/controls/LQtPaintControlImpl.h"

#include <gtest/gtest.h>

using namespace quorin::test;

namespace {

TEST(WindowPaintCalls, HostsAndDBControls)
{
    GuiApp();
    PaintHostWindow window;
    window.CreateCocoaWindow(400, 300, kWindowStyleTitled, false, nullptr);
    EXPECT_NE(qobject_cast<LQtPaintControlImpl*>(LQtWidget(window.AddPaintControlThunk(21))), nullptr);
    EXPECT_NE(qobject_cast<LQtCustomScrollView*>(LQtWidget(window.AddScrollPaintControl(22, false, true))),
              nullptr);

    ASSERT_NE(window.AddDBEditControl(23, 10, 20, 200), nullptr);
    int x = 0, y = 0, w = 0, h = 0;
    window.GetControlRect(23, &x, &y, &w, &h);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, 20);
    EXPECT_EQ(w, 200);
    EXPECT_EQ(h, 25);
    ASSERT_NE(window.CreateDBEdit(23), nullptr);
    const int8_t min = -10, max = 10;
    window.SetDBEditRange(23, &min, &max);
    struct Case
    {
        int8_t set;
        int8_t got;
    } cases[] = {{5, 5}, {50, 10}, {-100, -10}, {0, 0}};
    for (const auto& c : cases) {
        window.SetDBEditValue(23, &c.set);
        EXPECT_EQ(window.GetDBEditValue(23), c.got) << int(c.set);
    }
    EXPECT_EQ(window.GetDBEditValue(21), 0);
    window.SetDBEditValue(23, nullptr);
    EXPECT_EQ(window.GetDBEditValue(23), 0);

    LCreateCommandLinkButton(&window, 24, "Go", "Further");
    int a = 0, b = 0, c = 0, d = 0;
    window.GetCommandLinkButtonSize(24, &a, &b);
    LGetCommandLinkButtonSize(&window, 24, &c, &d);
    EXPECT_GT(a, 0);
    EXPECT_EQ(a, c);
    EXPECT_EQ(b, d);
    window.GetCommandLinkButtonSize(23, &a, &b);
    EXPECT_EQ(a + b, 0);
    window.EndDialog(kCommandCancel);
}

} // namespace
