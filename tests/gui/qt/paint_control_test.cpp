// The paint-control base on a real host: binding, mouse mapping, wheel
// remainders, the bitmap paint context and text truncation.
#include "gui/qt/PaintControlTestSupport.h"

#include "gui/qt/LQtFindControl.h"
#include "gui/qt/controls/LQtPaintContext.h"
#include "gui/qt/controls/LQtPaintControlImpl.h"

#include <QImage>
#include <QMouseEvent>
#include <QPushButton>
#include <QWheelEvent>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quorin::test;

namespace {

class RecordingControl : public LPaintControl
{
public:
    ~RecordingControl() override { Destroy(); }
    void Paint(LPaintContext* context) override
    {
        ++paints;
        context->FillRect({0, 0, width, height}, LRGBColor::FromRGB8(200, 10, 10));
    }
    void OnLButtonDown(int x, int y) override { events.push_back("down " + Xy(x, y)); }
    void OnLButtonUp(int x, int y) override { events.push_back("up " + Xy(x, y)); }
    void OnLButtonDblClk(int x, int y) override { events.push_back("dbl " + Xy(x, y)); }
    void OnRButtonDown(int x, int y) override { events.push_back("rdown " + Xy(x, y)); }
    void OnRButtonUp(int x, int y) override { events.push_back("rup " + Xy(x, y)); }
    void OnMouseMove(int x, int y) override { events.push_back("move " + Xy(x, y)); }
    void OnMouseWheel(int, int, int delta) override { wheel.push_back(delta); }
    static std::string Xy(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }
    int paints = 0;
    std::vector<std::string> events;
    std::vector<int> wheel;
};

TEST(WheelAccumulator, KeepsTheRemainder)
{
    struct Case
    {
        std::vector<int> deltas;
        std::vector<int> reported;
    } cases[] = {
        {{108, 24}, {0, 120}},    // 0.9 then 0.2 lines
        {{360}, {360}},           // 3 lines at once
        {{-108, -24}, {0, -120}}, // the other way
        {{60, -30, 90}, {0, 0, 120}},
    };
    for (const auto& c : cases) {
        LWheelAccumulator wheel;
        std::vector<int> got;
        for (int d : c.deltas)
            got.push_back(wheel.Add(d));
        EXPECT_EQ(got, c.reported);
    }
}

struct HostFixture : ::testing::Test
{
    void SetUp() override
    {
        window = MakePaintHost(100, 50);
        control.Attach(window.get(), 500);
        window->ShowModeless(nullptr, LPlacementNone);
        host = LQtWidget(window->GetControl(500));
        PumpFor(30);
    }
    void TearDown() override
    {
        control.Destroy();
        window->EndDialog(kCommandCancel);
    }
    void SendWheel(int angle)
    {
        QWheelEvent event(QPointF(5, 5), host->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, angle),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(host, &event);
    }
    std::unique_ptr<PaintHostWindow> window;
    RecordingControl control;
    QWidget* host = nullptr;
};

TEST_F(HostFixture, AttachStoresTheSizeInPixels)
{
    EXPECT_EQ(control.GetWidth(), 100);
    EXPECT_EQ(control.GetHeight(), 50);
    EXPECT_GT(control.paints, 0);
    EXPECT_EQ(host->grab().toImage().pixel(50, 25), qRgb(200, 10, 10));
}

TEST_F(HostFixture, WheelEventsAddUp)
{
    SendWheel(108);
    SendWheel(24);
    SendWheel(360);
    EXPECT_EQ(control.wheel, (std::vector<int>{120, 360}));
}

TEST_F(HostFixture, ClicksMapToTheHandlers)
{
    QTest::mouseClick(host, Qt::LeftButton, Qt::NoModifier, QPoint(10, 20));
    QTest::mouseDClick(host, Qt::LeftButton, Qt::NoModifier, QPoint(11, 21));
    QTest::mouseClick(host, Qt::LeftButton, Qt::MetaModifier, QPoint(12, 22));
    QTest::mouseClick(host, Qt::RightButton, Qt::NoModifier, QPoint(13, 23));
    const std::vector<std::string> want = {"down 10,20", "up 10,20",    "dbl 11,21", "rdown 12,22",
                                           "rup 12,22",  "rdown 13,23", "rup 13,23"};
    std::vector<std::string> clicks;
    for (const auto& e : control.events)
        if (e.rfind("move", 0) != 0)
            clicks.push_back(e);
    EXPECT_EQ(clicks, want);
}

TEST_F(HostFixture, MovesOutsideNeedTheCapture)
{
    auto& handler = control.MouseHandler();
    handler.OnMouseMove(100, 0);
    handler.OnMouseMove(-1, 3);
    EXPECT_TRUE(control.events.empty());
    handler.OnMouseMove(99, 49);
    control.SetCapture();
    EXPECT_TRUE(control.HasCapture());
    handler.OnMouseMove(-40, 900);
    LReleaseMouseCapture();
    EXPECT_FALSE(control.HasCapture());
    EXPECT_EQ(control.events, (std::vector<std::string>{"move 99,49", "move -40,900"}));
}

TEST_F(HostFixture, DisabledBeforeTheWindowShowsStaysDisabled)
{
    auto second = MakePaintHost(40, 40, 501);
    RecordingControl other;
    other.Attach(second.get(), 501);
    other.Disable();
    second->ShowModeless(nullptr, LPlacementNone);
    PumpFor(20);
    EXPECT_FALSE(other.IsEnabled());
    // Half opacity over the window: no longer the full red.
    EXPECT_NE(LQtWidget(second->GetControl(501))->grab().toImage().pixel(20, 20), qRgb(200, 10, 10));
    other.Destroy();
    second->EndDialog(kCommandCancel);
}

TEST_F(HostFixture, RoundedCornersClipOutside)
{
    control.cornerRadius = 4;
    control.Invalidate();
    PumpFor(20);
    const QImage image = host->grab().toImage();
    EXPECT_NE(image.pixel(0, 0), qRgb(200, 10, 10));
    EXPECT_NE(image.pixel(1, 1), qRgb(200, 10, 10));
    EXPECT_EQ(image.pixel(50, 25), qRgb(200, 10, 10));
}

TEST(PaintControlBinding, WrongHostLeavesItUnbound)
{
    auto window = MakePaintHost(50, 50);
    auto* button = new QPushButton(LQtWidget(window->GetView()));
    LQtSetControlId(button, 77);
    RecordingControl control;
    control.Attach(window.get(), 77);
    EXPECT_EQ(control.GetView(), nullptr);
    control.Invalidate();
    control.InvalidateRect(0, 0, 5, 5);
    EXPECT_FALSE(control.IsEnabled());
    window->EndDialog(kCommandCancel);
}

void MakeBitmap(LBitmap& bitmap, int32_t format, int w, int h)
{
    LBitmap descriptor;
    descriptor.format = format;
    descriptor.width = w;
    descriptor.height = h;
    LBitmapInitLayout(descriptor);
    LBitmapAllocate(bitmap, descriptor);
    for (int y = 0; y < h; ++y)
        std::fill(bitmap.Row(y), bitmap.Row(y) + bitmap.stride, uint8_t(0x11));
}

TEST(BitmapPaintContext, LineAtRowLandsInStoredRow)
{
    GuiApp();
    LBitmap bitmap;
    MakeBitmap(bitmap, LPixelFormatBGRA32, 8, 6);
    {
        LBitmapPaintContext paint(&bitmap);
        ASSERT_TRUE(paint->IsValid());
        LGuiPen pen;
        pen.colour = LRGBColor::FromRGB8(10, 20, 30);
        paint->DrawLine(pen, 0, 2, 8, 2);
    }
    for (int x = 0; x < 8; ++x) {
        const uint8_t* p = bitmap.Row(2) + 4 * x;
        EXPECT_EQ(p[0], 30); // B, G, R, A as stored
        EXPECT_EQ(p[1], 20);
        EXPECT_EQ(p[2], 10);
        EXPECT_EQ(p[3], 255);
        EXPECT_EQ(bitmap.Row(1)[4 * x], 0x11);
        EXPECT_EQ(bitmap.Row(3)[4 * x], 0x11);
    }
}

TEST(BitmapPaintContext, OtherFormatsAreLeftAlone)
{
    GuiApp();
    LBitmap bitmap;
    MakeBitmap(bitmap, LPixelFormatBGR24, 8, 6);
    {
        LBitmapPaintContext paint(&bitmap);
        EXPECT_FALSE(paint->IsValid());
        paint->FillRect({0, 0, 8, 6}, LRGBColor::FromRGB8(255, 255, 255));
    }
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 24; ++x)
            EXPECT_EQ(bitmap.Row(y)[x], 0x11);
}

TEST(BitmapPaintContext, PixelLinesLeaveOutTheEnd)
{
    GuiApp();
    LBitmap bitmap;
    MakeBitmap(bitmap, LPixelFormatBGRA32, 10, 10);
    {
        LBitmapPaintContext paint(&bitmap);
        LGuiPen pen;
        paint->DrawLine(pen, 3, 1, 3, 5); // rows 1 .. 4
    }
    for (int y = 0; y < 10; ++y)
        EXPECT_EQ(bitmap.Row(y)[12 + 3], (y >= 1 && y <= 4) ? 255 : 0x11) << y;
}

TEST(TextTruncation, CutsAtCharacterBoundariesWithThreeDots)
{
    GuiApp();
    QImage image(10, 10, QImage::Format_ARGB32);
    QPainter painter(&image);
    LQtPaintContext context(&painter, 1.0);
    LGuiFont font;
    font.family = "DejaVu Sans";
    font.size = 12;
    context.SetFont(font);
    int fullWidth = 0;
    const char* text = "Überspielung ÄÖÜ Schallplatte";
    context.MeasureText(text, &fullWidth, nullptr);
    EXPECT_EQ(context.TruncateText(text, fullWidth, 2), text);
    for (int truncation : {1, 2}) {
        for (int width : {fullWidth - 1, fullWidth / 2, 30, 1}) {
            const std::string cut = context.TruncateText(text, width, truncation);
            EXPECT_NE(cut.find("..."), std::string::npos) << cut;
            EXPECT_TRUE(QString::fromUtf8(cut.c_str()).isValidUtf16());
            if (width > 30) {
                int w = 0;
                context.MeasureText(cut.c_str(), &w, nullptr);
                EXPECT_LE(w, width) << cut;
            }
            if (truncation == 2) {
                EXPECT_EQ(cut.substr(cut.size() - 3), "...");
            }
        }
    }
    EXPECT_EQ(context.TruncateText(text, 1, 0), text);
}

} // namespace
