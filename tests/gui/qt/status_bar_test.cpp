// The status bar: part widths, texts, clicks and tooltips on a real window.
#include "gui/qt/PaintControlTestSupport.h"

#include "gui/controls/LStatusBar.h"

#include <QImage>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quorin::test;

namespace {

class BarWindow : public LWindow
{
public:
    void OnCommand(int command, int extra) override
    {
        commands.push_back(command);
        LWindow::OnCommand(command, extra);
    }
    std::vector<int> commands;
    LStatusBar bar;
};

struct BarFixture : ::testing::Test
{
    void SetUp() override
    {
        GuiApp();
        window = std::make_unique<BarWindow>();
        window->CreateCocoaWindow(1000, 200, kWindowStyleTitled, false, nullptr);
        window->bar.Create(window.get());
        window->ShowModeless(nullptr, LPlacementNone);
        PumpFor(20);
    }
    void TearDown() override { window->EndDialog(kCommandCancel); }
    std::vector<uint32_t> Widths()
    {
        std::vector<uint32_t> widths;
        for (int i = 0; i < window->bar.PartCount(); ++i)
            widths.push_back(window->bar.Part(i).width);
        return widths;
    }
    std::unique_ptr<BarWindow> window;
};

TEST_F(BarFixture, PartWidths)
{
    const uint32_t total = static_cast<uint32_t>(LQtWidget(window->GetView())->width());
    EXPECT_EQ(Widths(), (std::vector<uint32_t>{total}));
    struct Case
    {
        std::vector<uint32_t> edges;
        std::vector<uint32_t> widths;
    } cases[] = {
        {{200, 400, LStatusBar::kRestOfWidth}, {200, 200, total - 400}},
        {{300, 100, LStatusBar::kRestOfWidth}, {300, 0, total - 300}}, // an edge left of the running left
        {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {1, 1, 1, 1, 1, 1, 1, 1}},
    };
    for (const auto& c : cases) {
        window->bar.SetParts(static_cast<int>(c.edges.size()), c.edges.data());
        EXPECT_EQ(Widths(), c.widths);
    }
}

TEST_F(BarFixture, TextsAddPartsAndAreCutWhole)
{
    window->bar.SetText("Recording", 2);
    EXPECT_EQ(window->bar.PartCount(), 3);
    window->bar.SetText("ignored", 8);
    EXPECT_EQ(window->bar.PartCount(), 3);
    std::string longText(258, 'a');
    longText += "é€"; // 259 bytes fit: the é would be split
    window->bar.SetText(longText.c_str(), 0);
    EXPECT_EQ(std::string(window->bar.Part(0).text), std::string(258, 'a'));
}

TEST_F(BarFixture, ClicksSendThePartCommand)
{
    const uint32_t edges[] = {200, 400};
    window->bar.SetParts(2, edges);
    window->bar.SetCommand(4711, 1);
    window->commands.clear();
    window->bar.OnClick(50);  // command -1
    window->bar.OnClick(250); // part 1
    window->bar.OnClick(700); // right of the last part
    EXPECT_EQ(window->commands, (std::vector<int>{4711}));
}

TEST_F(BarFixture, ToolTipsStayUntilTheBarIsLeft)
{
    const uint32_t edges[] = {200, 400};
    window->bar.SetParts(2, edges);
    window->bar.SetToolTip("Input level", 0);
    QWidget* view = LQtWidget(window->GetControl(LStatusBar::kControlId));
    window->bar.UpdateToolTip(10);
    EXPECT_EQ(view->toolTip(), "Input level");
    window->bar.UpdateToolTip(300);
    EXPECT_EQ(view->toolTip(), "Input level");
    window->bar.Painter().OnMouseLeave();
    EXPECT_TRUE(view->toolTip().isEmpty());
    EXPECT_FALSE(window->bar.ToolTipShown());
}

TEST_F(BarFixture, PartialRepaintsKeepThePositions)
{
    window->bar.SetText("Recording 00:01:23", 0);
    PumpFor(20);
    QWidget* view = LQtWidget(window->GetControl(LStatusBar::kControlId));
    const QImage full = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage part =
        view->grab(QRect(30, 0, 200, view->height())).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage same = full.copy(30, 0, 200, view->height());
    ASSERT_EQ(part.size(), same.size());
    for (int y = 0; y < part.height(); ++y)
        for (int x = 0; x < part.width(); ++x)
            ASSERT_EQ(part.pixel(x, y), same.pixel(x, y)) << x << "," << y;
}

} // namespace
