// Brushes, resource pictures and font weights.
#include "gui/GuiTestSupport.h"

#include "gui/controls/LPaintContext.h"
#include "gui/qt/controls/LQtPaintContext.h"
#include "gui/qt/text/LQtTextManagerImpl.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <array>
#include <vector>

#include <gtest/gtest.h>

using namespace quorin::test;

namespace {

struct Canvas
{
    Canvas(int w, int h)
    {
        LBitmap descriptor;
        descriptor.format = LPixelFormatBGRA32;
        descriptor.width = w;
        descriptor.height = h;
        LBitmapInitLayout(descriptor);
        LBitmapAllocate(bitmap, descriptor);
        LBitmapPaintContext paint(&bitmap);
        paint->FillRect({0, 0, w, h}, LRGBColor::FromRGB8(0, 0, 0));
    }
    int Green(int x, int y) const { return bitmap.Row(y)[4 * x + 1]; }
    LBitmap bitmap;
};

const LGuiColorAlpha kWhite{LRGBColor::FromRGB8(255, 255, 255), 255};
const LGuiColorAlpha kGrey{LRGBColor::FromRGB8(100, 100, 100), 255};
const LGuiColorAlpha kDark{LRGBColor::FromRGB8(20, 20, 20), 255};

TEST(Brushes, FillByKind)
{
    GuiApp();
    struct Case
    {
        const char* name;
        LGuiBrush brush;
        // (x, y, green) probes
        std::vector<std::array<int, 3>> probes;
    };
    LGuiBrush axial;
    axial.kind = 1;
    axial.startX = 10;
    axial.endX = 50;
    axial.AddStop(kWhite, 0);
    axial.AddStop(kGrey, 0.5f);
    axial.AddStop(kDark, 1);
    LGuiBrush radial;
    radial.kind = 2;
    radial.centreX = 30.5f; // the centre of pixel (30, 20)
    radial.centreY = 20.5f;
    radial.radiusX = 20;
    radial.radiusY = 10;
    radial.AddStop(kDark, 0);  // the edge
    radial.AddStop(kWhite, 1); // the centre
    LGuiBrush pattern;
    pattern.kind = 3;
    pattern.colour = kWhite;
    const Case cases[] = {
        {"solid", LGuiBrush::Solid(kGrey), {{5, 5, 100}, {59, 39, 100}}},
        // extended before the start and after the end; the middle stop in between
        {"axial", axial, {{2, 5, 255}, {30, 5, 100}, {58, 5, 20}}},
        // white centre, dark on and beyond the elliptic edge (x radius 20, y radius 10)
        {"radial", radial, {{30, 20, 255}, {30, 31, 20}, {55, 20, 20}, {30, 2, 20}}},
        {"pattern", pattern, {{5, 5, 0}}},
    };
    for (const auto& c : cases) {
        Canvas canvas(60, 40);
        {
            LBitmapPaintContext paint(&canvas.bitmap);
            paint->FillRect(&c.brush, 0, 0, 60, 40);
        }
        for (const auto& probe : c.probes)
            EXPECT_NEAR(canvas.Green(probe[0], probe[1]), probe[2], 4)
                << c.name << " at " << probe[0] << "," << probe[1];
    }
}

TEST(Brushes, GradientsStayInTheirRectangle)
{
    GuiApp();
    LGuiBrush axial;
    axial.kind = 1;
    axial.endX = 60;
    axial.AddStop(kWhite, 0);
    axial.AddStop(kWhite, 1);
    Canvas canvas(60, 40);
    {
        LBitmapPaintContext paint(&canvas.bitmap);
        paint->FillRect(&axial, 10, 10, 20, 20);
        paint->FillRect(&axial, 40, 10, 0, 20);
        paint->FillRect(nullptr, 0, 0, 60, 40);
    }
    EXPECT_EQ(canvas.Green(9, 15), 0);
    EXPECT_EQ(canvas.Green(10, 10), 255);
    EXPECT_EQ(canvas.Green(29, 29), 255);
    EXPECT_EQ(canvas.Green(30, 15), 0);
    EXPECT_EQ(canvas.Green(40, 15), 0);
}

TEST(ResourcePictures, FirstExistingTypeWins)
{
    GuiApp();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    auto write = [&](const char* type, const char* format, int w) {
        QDir(folder.path()).mkpath(type);
        QImage image(w, 4, QImage::Format_ARGB32);
        image.fill(Qt::red);
        ASSERT_TRUE(image.save(folder.path() + "/" + type + "/311." + type, format));
    };
    write("png", "PNG", 16);
    write("jpg", "JPG", 24);
    LSetGuiResourcesFolder(folder.path().toStdString());
    struct Case
    {
        const char* name;
        bool ofType;
        bool loaded;
        int width;
    } cases[] = {
        {"311", false, true, 16}, // tiff and icns absent: png
        {"311", true, true, 16},  // cur and tiff absent: png before jpg
        {"312", false, false, 0},
        {"312", true, false, 0},
    };
    for (const auto& c : cases) {
        LGuiImage image;
        image.LoadResource("311"); // something held before
        const bool loaded = c.ofType ? image.LoadResourceOfType(c.name) : image.LoadResource(c.name);
        EXPECT_EQ(loaded, c.loaded) << c.name;
        EXPECT_EQ(image.HasImage(), c.loaded) << c.name;
        int w = -1;
        image.GetSize(&w, nullptr);
        EXPECT_EQ(w, c.width) << c.name;
    }
    LGuiIcon icon(311);
    EXPECT_EQ(icon.size, 16);
    icon.Release();
    EXPECT_EQ(icon.size, 0);
    EXPECT_FALSE(icon.image.HasImage());
    LGuiIcon missing(7);
    EXPECT_EQ(missing.size, 0);
    // A cached size with a 0 in it measures the picture itself.
    LGuiImage image;
    image.LoadResource("311");
    image.SetSize(0, 40);
    int w = 0, h = 0;
    image.GetSize(&w, &h);
    EXPECT_EQ(w, 16);
    EXPECT_EQ(h, 4);
    LSetGuiResourcesFolder("");
}

TEST(Fonts, Weights)
{
    GuiApp();
    struct Case
    {
        int weight;
        bool bold;
        float trait;
        QFont::Weight qt;
    } cases[] = {
        {500, false, 0.0f, QFont::Medium}, {900, false, 1.0f, QFont::Black}, {100, false, -1.0f, QFont::Thin},
        {300, true, -0.5f, QFont::Light}, // an explicit weight outranks bold
        {0, true, 0, QFont::Bold},         {0, false, 0, QFont::Normal},
    };
    for (const auto& c : cases) {
        LGuiFont font;
        font.weight = c.weight;
        font.bold = c.bold;
        if (c.weight != 0) {
            EXPECT_FLOAT_EQ(LGuiFont::WeightTrait(c.weight), c.trait) << c.weight;
        }
        EXPECT_EQ(LQtFontOf(font, 1.0).weight(), c.qt) << c.weight;
    }
}

} // namespace
