// The dB slider: geometry of the bar and knob, drags, wheel steps, range
// checks and the window calls by control id.
#include "gui/qt/PaintControlTestSupport.h"

#include "gui/controls/LDBEdit.h"

#include <QImage>

#include <gtest/gtest.h>

#include <vector>

using namespace quorin::test;

namespace {

class DBWindow : public LWindow
{
public:
    void OnCommand(int command, int extra) override
    {
        commands.push_back(command);
        LWindow::OnCommand(command, extra);
    }
    std::vector<int> commands;
};

struct DBFixture : ::testing::Test
{
    void SetUp() override { Make(200); }
    void Make(int widthPt)
    {
        GuiApp();
        window = std::make_unique<DBWindow>();
        window->CreateCocoaWindow(300, 60, kWindowStyleTitled, false, nullptr);
        LViewHandle view = LAddDBEditControl(window.get(), 700);
        LQtWidget(view)->setGeometry(0, 0, widthPt, 25);
        edit = LCreateDBEdit(window.get(), 700);
        ASSERT_NE(edit, nullptr);
        window->ShowModeless(nullptr, LPlacementNone);
        PumpFor(30);
    }
    void TearDown() override { window->EndDialog(kCommandCancel); }
    void Value(int8_t v) { LSetDBEditValue(window.get(), 700, v); }
    std::unique_ptr<DBWindow> window;
    LDBEdit* edit = nullptr;
};

TEST_F(DBFixture, DefaultsAndClamping)
{
    EXPECT_EQ(edit->GetMin(), -36);
    EXPECT_EQ(edit->GetMax(), 12);
    EXPECT_EQ(edit->GetCommand(), 700);
    struct Case
    {
        int8_t set;
        int stored;
    } cases[] = {{0, 0}, {-6, -6}, {20, 12}, {-100, -36}, {12, 12}};
    for (const auto& c : cases) {
        Value(c.set);
        EXPECT_EQ(LGetDBEditValue(window.get(), 700), c.stored) << int(c.set);
    }
}

TEST_F(DBFixture, KnobSitsAtTheValue)
{
    Value(-6);
    edit->RedrawNow();
    EXPECT_EQ(edit->KnobX(), 121);
    const QImage image = LQtWidget(edit->GetView())->grab().toImage();
    EXPECT_EQ(image.pixel(10, 10), qRgb(153, 204, 102));
    EXPECT_EQ(image.pixel(190, 10), qRgb(167, 174, 166));
}

TEST_F(DBFixture, DragsFollowThePointerAndSendTheCommand)
{
    struct Case
    {
        int x;
        int value;
    } cases[] = {{100, -12}, {-50, -36}, {0, -36}, {500, 12}, {196, 12}};
    for (const auto& c : cases) {
        window->commands.clear();
        edit->OnLButtonDown(c.x, 5);
        EXPECT_EQ(edit->GetValue(), c.value) << c.x;
        edit->OnMouseMove(c.x, 5); // the same value again still sends
        edit->OnLButtonUp(c.x, 5);
        EXPECT_EQ(window->commands, (std::vector<int>{700, 700})) << c.x;
    }
    edit->OnMouseMove(10, 5); // not dragging: nothing
    EXPECT_EQ(edit->GetValue(), 12);
}

TEST_F(DBFixture, WheelStepsWithoutACommand)
{
    Value(0);
    window->commands.clear();
    edit->OnMouseWheel(0, 0, 120);
    EXPECT_EQ(edit->GetValue(), 2);
    edit->OnMouseWheel(0, 0, -360);
    EXPECT_EQ(edit->GetValue(), 0);
    Value(12);
    edit->OnMouseWheel(0, 0, 120);
    EXPECT_EQ(edit->GetValue(), 12);
    EXPECT_TRUE(window->commands.empty());
}

TEST_F(DBFixture, InvertedRangesAreRefused)
{
    const int8_t a = 5, b = 5, c = 6, d = -3;
    EXPECT_FALSE(edit->SetRange(&a, &b));
    EXPECT_FALSE(edit->SetRange(&c, &d));
    EXPECT_EQ(edit->GetMin(), -36);
    EXPECT_TRUE(edit->SetRange(&d, &c));
    Value(0);
    edit->RedrawNow(); // paints without dividing by zero
    EXPECT_EQ(edit->GetValue(), 0);
}

TEST_F(DBFixture, OtherControlsAnswerZero)
{
    LAddPaintControl(window.get(), 701);
    EXPECT_EQ(LGetDBEditValue(window.get(), 701), 0);
    EXPECT_EQ(LGetDBEditValue(window.get(), 999), 0);
    LSetDBEditValue(window.get(), 701, 5);
}

TEST(DBEditNarrow, DragsOnATracklessHostDoNothing)
{
    GuiApp();
    auto window = std::make_unique<DBWindow>();
    window->CreateCocoaWindow(100, 40, kWindowStyleTitled, false, nullptr);
    LQtWidget(LAddDBEditControl(window.get(), 700))->setGeometry(0, 0, 4, 25);
    LDBEdit* edit = LCreateDBEdit(window.get(), 700);
    window->ShowModeless(nullptr, LPlacementNone);
    LSetDBEditValue(window.get(), 700, -5);
    edit->OnLButtonDown(2, 2);
    edit->OnLButtonUp(2, 2);
    EXPECT_EQ(edit->GetValue(), -5);
    EXPECT_TRUE(window->commands.empty());
    edit->RedrawNow();
    window->EndDialog(kCommandCancel);
}

} // namespace
