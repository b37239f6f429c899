// The command-link button: its size formula on given measures, the size on
// real fonts, the click rule and the texts.
#include "gui/qt/PaintControlTestSupport.h"

#include "gui/controls/LCommandLinkButton.h"
#include "gui/controls/LTextManager.h"
#include "gui/qt/controls/LQtPaintContext.h"

#include <QImage>
#include <QMouseEvent>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

using namespace quorin::test;

namespace {

// Answers fixed measures by text: the natural width without a limit, the
// height at any limit.
class StubTextEngine : public LTextManager
{
public:
    void Measure(LPaintContext*, const char* text, int maxWidth, float* width, float* height) override
    {
        const auto it = sizes.find(text);
        const float w = it == sizes.end() ? 0 : it->second.first;
        *width = maxWidth > 0 ? std::min<float>(w, maxWidth) : w;
        *height = it == sizes.end() ? 0 : it->second.second;
        limits.push_back(maxWidth);
    }
    void Draw(LPaintContext*, const char*, const LDrawTextFormat&, bool, float, float, float, float) override
    {
    }
    std::map<std::string, std::pair<float, float>> sizes;
    std::vector<int> limits;
};

TEST(CommandLinkSize, FormulaOnGivenMeasures)
{
    GuiApp();
    struct Case
    {
        const char* name;
        std::pair<float, float> title;
        std::pair<float, float> note; // {0, 0}: empty note
        int width;
        int height;
    } cases[] = {
        // u = 8, v = 17: p 2, R(1.25u) 10, R(2u) 16, R(0.59v) 10, R(1.5u) 12, R(62u) 496.
        {"title and note", {100, 20}, {80, 15}, 156, 69},
        {"empty note", {100, 20}, {0, 0}, 156, 54},
        {"note wider than the title", {40, 20}, {150, 30}, 162 + 56, 84},
        {"note held at 62 units", {40, 20}, {900, 60}, 496 + 56, 114},
        {"fractions round up", {99.2f, 19.1f}, {79.5f, 14.2f}, 156, 69},
    };
    for (const auto& c : cases) {
        StubTextEngine engine;
        engine.sizes["Title"] = c.title;
        if (c.note.first > 0)
            engine.sizes["Note"] = c.note;
        LTextManager::SetShared(&engine);
        LQtPaintContext ctx(nullptr, 1.0);
        int w = 0, h = 0;
        LCommandLinkButton::PreferredSizeOn(&ctx, 8, 17, "Title", c.note.first > 0 ? "Note" : "", &w, &h);
        LTextManager::SetShared(nullptr);
        EXPECT_EQ(w, c.width) << c.name;
        EXPECT_EQ(h, c.height) << c.name;
        if (c.note.first > 0) {
            // Title without limit, then at its own width; the note likewise at its wrap width.
            ASSERT_EQ(engine.limits.size(), 4u) << c.name;
            EXPECT_EQ(engine.limits[0], 0);
            EXPECT_EQ(engine.limits[1], static_cast<int>(std::ceil(c.title.first)));
            EXPECT_EQ(engine.limits[2], 0);
            EXPECT_EQ(engine.limits[3], std::min(12 + static_cast<int>(std::ceil(c.note.first)), 496));
        }
    }
}

class ChoiceWindow : public PaintHostWindow
{
public:
    // Only the buttons' commands are kept.
    void OnCommand(int command, int extra) override
    {
        if (command == 601)
            commands.push_back(command);
        PaintHostWindow::OnCommand(command, extra);
    }
    std::vector<int> commands;
};

struct CommandLinkFixture : ::testing::Test
{
    void SetUp() override
    {
        GuiApp();
        const double s = window.GetScaleFactor();
        window.CreateCocoaWindow(static_cast<int>(400 * s), static_cast<int>(200 * s), kWindowStyleTitled,
                                 false, nullptr);
        button = LCreateCommandLinkButton(&window, 601, "&Split && save", "One file for each track.");
        ASSERT_NE(button, nullptr);
        window.ShowModeless(nullptr, LPlacementNone);
        int w = 0, h = 0;
        LGetCommandLinkButtonSize(&window, 601, &w, &h);
        window.SetControlRect(601, 0, 0, w, h);
        host = LQtWidget(window.GetControl(601));
        PumpFor(30);
    }
    void TearDown() override { window.EndDialog(kCommandCancel); }
    ChoiceWindow window;
    LCommandLinkButton* button = nullptr;
    QWidget* host = nullptr;
};

TEST_F(CommandLinkFixture, TextsLoseTheirMnemonicMarks)
{
    EXPECT_STREQ(button->Title(), "Split & save");
    EXPECT_STREQ(button->Note(), "One file for each track.");
}

TEST_F(CommandLinkFixture, LongTextsAreCutBetweenCharacters)
{
    std::string title;
    for (int i = 0; i < 200; ++i)
        title += "\u00e4"; // two bytes each
    ASSERT_NE(LCreateCommandLinkButton(&window, 603, title.c_str(), ("x" + title).c_str()), nullptr);
    auto* button = LCommandLinkButtonOfView(window.GetControl(603));
    ASSERT_NE(button, nullptr);
    for (const char* text : {button->Title(), button->Note()}) {
        const std::string kept = text;
        EXPECT_LT(kept.size(), 260u);
        EXPECT_GT(kept.size(), 250u);
        EXPECT_EQ(QString::fromUtf8(kept.c_str()).toUtf8().toStdString(), kept); // whole characters only
    }
}

TEST_F(CommandLinkFixture, PreferredSizeOnRealFonts)
{
    LQtPaintContext ctx(nullptr, button->ScaleFactor());
    int want = 0, wantH = 0;
    LCommandLinkButton::PreferredSizeOn(&ctx, window.CharWidthPx(), window.CharHeightPx(), button->Title(),
                                        button->Note(), &want, &wantH);
    int w = 0, h = 0;
    LGetCommandLinkButtonSize(&window, 601, &w, &h);
    EXPECT_NEAR(w, want, 1);
    EXPECT_NEAR(h, wantH, 1);
    // The title line in the large font is wider than in the small one.
    LCommandLinkButton::SelectFont(&ctx, true);
    int large = 0;
    LPaintContext::MeasureText(&ctx, "Split & save", 0, &large, nullptr);
    LCommandLinkButton::SelectFont(&ctx, false);
    int small = 0;
    LPaintContext::MeasureText(&ctx, "Split & save", 0, &small, nullptr);
    EXPECT_GT(large, small);
    EXPECT_GT(w, large);
}

TEST_F(CommandLinkFixture, OtherControlsAndUnboundButtonsHaveNoSize)
{
    LAddPaintControl(&window, 602);
    int w = 7, h = 7;
    LGetCommandLinkButtonSize(&window, 602, &w, &h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    w = h = 7;
    LGetCommandLinkButtonSize(&window, 999, &w, &h);
    EXPECT_EQ(w + h, 0);
    LCommandLinkButton loose;
    w = h = 7;
    loose.GetPreferredSize(&w, &h);
    EXPECT_EQ(w + h, 0);
}

TEST_F(CommandLinkFixture, ClickInsidePostsTheId)
{
    QTest::mouseClick(host, Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
    PumpUntil([this] { return !window.commands.empty(); }, 2000);
    EXPECT_EQ(window.commands, std::vector<int>{601});
}

TEST_F(CommandLinkFixture, ReleaseAfterDraggingOutSendsNothing)
{
    auto& handler = button->MouseHandler();
    // Through the host's handler as the toolkit delivers it: the release
    // may come before or after the leave.
    handler.OnMouseEnter();
    handler.OnLButtonDown(10, 10);
    EXPECT_TRUE(button->Pressed());
    handler.OnLButtonUp(button->GetWidth() + 30, 10);
    handler.OnMouseLeave();
    handler.OnMouseEnter();
    handler.OnLButtonDown(10, 10);
    handler.OnMouseLeave();
    handler.OnLButtonUp(10, 10);
    EXPECT_FALSE(button->Pressed());
    PumpFor(50);
    EXPECT_TRUE(window.commands.empty());
}

TEST_F(CommandLinkFixture, HoverFillsAndUnderlines)
{
    const QImage plain = host->grab().toImage();
    button->OnMouseEnter();
    const QImage hovered = host->grab().toImage();
    ASSERT_EQ(plain.size(), hovered.size());
    // The hover fill of grey 225 inside the border.
    const int p = static_cast<int>(0.25f * window.CharWidthPx() + 0.5f);
    const QRgb inside = hovered.pixel(hovered.width() - p - 3, hovered.height() - p - 3);
    EXPECT_EQ(qRed(inside), 225);
    button->OnLButtonDown(5, 5);
    const QImage pressed = host->grab().toImage();
    EXPECT_EQ(qRed(pressed.pixel(pressed.width() - p - 3, pressed.height() - p - 3)), 200);
    button->OnMouseLeave();
    EXPECT_FALSE(button->Pressed());
    EXPECT_FALSE(button->Hover());
}

} // namespace
