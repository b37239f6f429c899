// The level meter drawn into a real host: colours, bar lengths, repaint spans.
#include "gui/qt/PaintControlTestSupport.h"

#include "gui/controls/LLevelMeter.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace quorin::test;

namespace {

struct MeterFixture : ::testing::Test
{
    void SetUp() override
    {
        window = MakePaintHost(600, 20);
        meter.Attach(window.get(), 500);
        window->ShowModeless(nullptr, LPlacementNone);
        host = LQtWidget(window->GetControl(500));
        PumpFor(50);
    }
    void TearDown() override
    {
        meter.Destroy();
        window->EndDialog(kCommandCancel);
    }
    QImage Grab() { return host->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    void Set(std::initializer_list<int> dBs)
    {
        LSoundLevelRecord record;
        record.count = static_cast<uint8_t>(dBs.size());
        int i = 0;
        for (int d : dBs)
            record.levels[i++] = static_cast<int8_t>(d);
        meter.SetLevels(&record);
    }
    // Lit columns on the first row: the bar is never black (except the -6 dB mark).
    static int LitColumns(const QImage& image, int row)
    {
        int lit = 0;
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, row) != qRgb(0, 0, 0))
                lit = x + 1;
        return lit;
    }

    std::unique_ptr<PaintHostWindow> window;
    LLevelMeter meter;
    QWidget* host = nullptr;
};

TEST(LevelMeterColours, RampMarkAndRedAtLength600)
{
    struct Case
    {
        int column;
        int r, g, b;
    } cases[] = {{0, 7, 103, 0}, {210, 234, 255, 0}, {419, 239, 120, 0},
                 {420, 0, 0, 0}, {421, 255, 20, 37}, {599, 255, 20, 37}};
    for (const auto& c : cases) {
        const LRGBColor colour = LLevelMeter::ColumnColour(c.column, 600);
        EXPECT_EQ(colour.Red8(), c.r) << c.column;
        EXPECT_EQ(colour.Green8(), c.g) << c.column;
        EXPECT_EQ(colour.Blue8(), c.b) << c.column;
    }
}

TEST(LevelMeterColours, TinyBarsUseTheStartColour)
{
    for (int L : {1, 2}) {
        const int T = LLevelMeter::Position(-6, L);
        for (int c = 0; c < T; ++c)
            EXPECT_EQ(LLevelMeter::ColumnColour(c, L), LRGBColor::FromRGB8(7, 103, 0)) << L << " " << c;
    }
}

TEST_F(MeterFixture, PaintedColumnsMatchTheRamp)
{
    Set({12});
    PumpFor(20);
    const QImage image = Grab();
    ASSERT_EQ(image.width(), 600);
    for (int c : {0, 210, 419, 420, 421}) {
        const LRGBColor want = LLevelMeter::ColumnColour(c, 600);
        EXPECT_EQ(image.pixel(c, 2), qRgb(want.Red8(), want.Green8(), want.Blue8())) << c;
    }
}

TEST_F(MeterFixture, BarLengthsFollowTheLevel)
{
    struct Case
    {
        int dB;
        int lit;
    } cases[] = {{12, 599}, {20, 599}, {-6, 420}, {-20, 280}, {-48, 0}, {-60, 0}};
    for (const auto& c : cases) {
        Set({c.dB});
        PumpFor(20);
        const QImage image = Grab();
        // -6 dB ends just short of the black mark at 420: 0 .. 419 lit.
        EXPECT_EQ(LitColumns(image, 2), c.lit) << c.dB;
    }
}

TEST_F(MeterFixture, OneChannelFillsRowsUpToHeightMinusThree)
{
    Set({0});
    PumpFor(20);
    const QImage image = Grab();
    EXPECT_NE(image.pixel(5, 0), qRgb(0, 0, 0));
    EXPECT_NE(image.pixel(5, 17), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(5, 18), qRgb(0, 0, 0));
}

TEST_F(MeterFixture, TwoChannelsHaveABlackRowBetween)
{
    Set({0, 0});
    PumpFor(20);
    const QImage image = Grab();
    // room 17: first channel 8 rows, gap, second 9 rows.
    EXPECT_NE(image.pixel(5, 7), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(5, 8), qRgb(0, 0, 0));
    EXPECT_NE(image.pixel(5, 9), qRgb(0, 0, 0));
    EXPECT_NE(image.pixel(5, 17), qRgb(0, 0, 0));
}

TEST_F(MeterFixture, DisabledIsPlainGrey)
{
    Set({0});
    meter.Disable();
    PumpFor(20);
    const QImage image = Grab();
    // Half opacity over the window background: one flat colour everywhere.
    const QRgb first = image.pixel(0, 0);
    for (int x : {0, 100, 420, 599})
        for (int y : {0, 10, 19})
            EXPECT_EQ(image.pixel(x, y), first) << x << "," << y;
}

TEST_F(MeterFixture, RepaintsOnlyTheChangedSpan)
{
    Set({-20, -20});
    PumpFor(30);
    PaintRecorder recorder(host);
    Set({-20, -20});
    PumpFor(30);
    EXPECT_EQ(recorder.paints, 0);
    Set({-10, -20});
    PumpFor(30);
    EXPECT_EQ(recorder.region.boundingRect(), QRect(280, 0, 101, 20));
    recorder.region = QRegion();
    Set({-10, -20, -5});
    PumpFor(30);
    EXPECT_EQ(recorder.region.boundingRect(), QRect(0, 0, 600, 20));
}

TEST_F(MeterFixture, ClearKeepsTheChannelCount)
{
    Set({-3, -4});
    meter.Clear();
    EXPECT_EQ(meter.ChannelCount(), 2);
    EXPECT_EQ(meter.Level(0), -127);
    EXPECT_EQ(meter.Level(1), -127);
    PumpFor(20);
    EXPECT_EQ(LitColumns(Grab(), 2), 0);
}

TEST(LevelMeterLow, TooLowForBarsDrawsNone)
{
    auto window = MakePaintHost(100, 2);
    LLevelMeter meter;
    meter.Attach(window.get(), 500);
    window->ShowModeless(nullptr, LPlacementNone);
    LSoundLevelRecord record;
    record.count = 2;
    record.levels[0] = record.levels[1] = 0;
    meter.SetLevels(&record);
    PumpFor(20);
    const QImage image = LQtWidget(window->GetControl(500))->grab().toImage();
    for (int x = 0; x < image.width(); ++x)
        EXPECT_EQ(image.pixel(x, 0) & 0xffffff, 0u) << x;
    meter.Destroy();
    window->EndDialog(kCommandCancel);
}

} // namespace
