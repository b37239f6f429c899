// The star rating control: where the stars are painted, what a click gives,
// the hover preview and the command sent to the window.
#include "gui/qt/PaintControlTestSupport.h"

#include "gui/controls/LRatingControl.h"

#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

#include <vector>

using namespace quorin::test;

namespace {

class RatingWindow : public PaintHostWindow
{
public:
    void OnCommand(int command, int extra) override
    {
        if (command == 500)
            commands.push_back(rating ? rating->GetRating() : -1);
        PaintHostWindow::OnCommand(command, extra);
    }
    LRatingControl* rating = nullptr;
    std::vector<int> commands;
};

struct Fixture : ::testing::Test
{
    void SetUp() override
    {
        GuiApp();
        window = std::make_unique<RatingWindow>();
        window->CreateCocoaWindow(200, 60, kWindowStyleTitled, false, nullptr);
        host = LQtWidget(LAddPaintControl(window.get(), 500));
        control.Create(window.get(), 500, 5);
        window->rating = &control;
        LGuiImage filled, empty, hover;
        LRatingControl::MakeStarImages(control.StarSize(), &filled, &empty, &hover);
        control.SetImages(&filled, &empty, &hover);
        host->setGeometry(0, 0, control.PreferredWidth(), control.StarSize());
        window->ShowModeless(nullptr, LPlacementNone);
        PumpFor(30);
    }
    void TearDown() override
    {
        control.Destroy();
        window->EndDialog(kCommandCancel);
    }
    // Pixels of the star's gold fill in the slot (the empty star has none).
    int GoldIn(const QImage& image, int slot) const
    {
        const int w = control.StarSize();
        int gold = 0;
        for (int x = slot * w; x < (slot + 1) * w && x < image.width(); ++x)
            for (int y = 0; y < image.height(); ++y) {
                const QRgb p = image.pixel(x, y);
                gold += qAlpha(p) > 200 && qRed(p) > 200 && qGreen(p) > 140 && qBlue(p) < 130;
            }
        return gold;
    }
    std::unique_ptr<RatingWindow> window;
    LRatingControl control;
    QWidget* host = nullptr;
};

TEST_F(Fixture, StarSizeFollowsTheLineHeight)
{
    // The window's character cell is measured from the system font.
    const int line = static_cast<int>(std::lround(window->CharHeightPx()));
    EXPECT_GT(line, 8);
    EXPECT_EQ(control.StarSize(), line);
    EXPECT_EQ(control.PreferredWidth(), 5 * line);
    EXPECT_EQ(control.GetRating(), 0);
    EXPECT_EQ(control.GetWidth(), 5 * line);
}

TEST_F(Fixture, ClicksGiveTheStarUnderThePointer)
{
    const int w = control.StarSize();
    struct Case
    {
        int x;
        int want;
    };
    std::vector<Case> cases = {{0, 0}, {w / 4 - 1, 0}};
    for (int i = 1; i <= 5; ++i)
        cases.push_back({(i - 1) * w + w / 2, i}); // each slot's centre
    cases.push_back({5 * w - 1, 5});               // the right edge
    for (const Case& c : cases) {
        window->commands.clear();
        QTest::mouseClick(host, Qt::LeftButton, Qt::NoModifier, QPoint(c.x, w / 2));
        EXPECT_EQ(control.GetRating(), c.want) << "x " << c.x;
        // Down and up each report the new rating.
        EXPECT_EQ(window->commands, (std::vector<int>{c.want, c.want})) << "x " << c.x;
    }
    // Past the edge (a drag released beyond the control) and far past it
    // stay at the last star rather than wrapping round.
    for (int x : {5 * w, 5 * w + 40, 256 * w + 5, 100000})
        EXPECT_EQ(control.StarAt(x), 5) << "x " << x;
    for (int x : {-1, -1000})
        EXPECT_EQ(control.StarAt(x), 0) << "x " << x;
}

TEST_F(Fixture, StarsArePaintedInTheirOwnSlotsInsideTheControl)
{
    control.SetRating(3);
    QImage image = host->grab().toImage();
    for (int slot = 0; slot < 5; ++slot) {
        if (slot < 3)
            EXPECT_GT(GoldIn(image, slot), 20) << "slot " << slot;
        else
            EXPECT_EQ(GoldIn(image, slot), 0) << "slot " << slot;
    }
    // Every star has its outline inside the control: the last slot is drawn.
    int edge = 0;
    for (int x = 4 * control.StarSize(); x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            edge += qAlpha(image.pixel(x, y)) > 0 && qGray(image.pixel(x, y)) < 200;
    EXPECT_GT(edge, 5);
    control.SetRating(9);
    EXPECT_EQ(control.GetRating(), 5);
    control.SetRating(-2);
    EXPECT_EQ(control.GetRating(), 0);
}

TEST_F(Fixture, HoverPreviewsWithoutChangingTheRating)
{
    control.SetRating(1);
    const int w = control.StarSize();
    control.OnMouseEnter();
    control.MouseHandler().OnMouseMove(3 * w + w / 2, 5);
    EXPECT_EQ(control.HoverRating(), 4);
    EXPECT_EQ(control.GetRating(), 1);
    EXPECT_TRUE(window->commands.empty());
    QImage image = host->grab().toImage();
    EXPECT_GT(GoldIn(image, 3), 20); // the hover image is a lighter gold
    control.OnMouseLeave();
    image = host->grab().toImage();
    EXPECT_EQ(GoldIn(image, 1), 0);
    EXPECT_GT(GoldIn(image, 0), 20);
}

TEST_F(Fixture, WithoutAHoverImageTheFilledStarPreviews)
{
    LGuiImage filled, empty;
    LRatingControl::MakeStarImages(control.StarSize(), &filled, &empty, nullptr);
    control.SetImages(&filled, &empty, nullptr);
    control.OnMouseEnter();
    control.MouseHandler().OnMouseMove(2 * control.StarSize() + 5, 5);
    const QImage image = host->grab().toImage();
    EXPECT_GT(GoldIn(image, 2), 20);
    EXPECT_EQ(GoldIn(image, 3), 0);
    control.OnMouseLeave();
}

TEST(RatingControlUnbound, NothingHappensWithoutAView)
{
    GuiApp();
    LRatingControl control;
    control.Create(nullptr, 500, 5);
    control.OnLButtonDown(40, 3);
    control.OnLButtonUp(40, 3);
    EXPECT_EQ(control.GetRating(), 3); // the value still follows the mouse
    EXPECT_EQ(control.GetView(), nullptr);
}

} // namespace
