// The numbered pictures: every number the windows load has a picture of its
// own at scale 1 and 2, from the icon theme or from our drawings, and the
// drawings stay sharp when drawn at another size.
#include "gui/GuiTestSupport.h"

#include "gui/controls/LImageResources.h"
#include "gui/controls/LPaintContext.h"
#include "gui/qt/controls/LQtPaintContext.h"
#include "gui/qt/images/LQtImageResource.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

using namespace quorin::test;

namespace {

class ImageResources : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GuiApp();
        const char* source = std::getenv("QUORIN_SOURCE_DIR");
        ASSERT_NE(source, nullptr) << "QUORIN_SOURCE_DIR names the source tree";
        LSetGuiResourcesFolder(std::string(source) + "/src/app/resources");
        LQtUseIconTheme(true);
    }
    void TearDown() override
    {
        LQtUseIconTheme(true);
        LSetGuiResourcesFolder("");
    }
};

// Visible pixels: a picture that is all transparent shows nothing.
int Opaque(const QImage& image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    int n = 0;
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            n += qAlpha(argb.pixel(x, y)) > 32;
    return n;
}

// Mean absolute difference of two same-sized pictures over all channels.
double Difference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    if (x.size() != y.size())
        return 255;
    double sum = 0;
    for (int r = 0; r < x.height(); ++r)
        for (int c = 0; c < x.width(); ++c) {
            const QRgb p = x.pixel(c, r), q = y.pixel(c, r);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q)) + std::abs(qAlpha(p) - qAlpha(q));
        }
    return sum / (4.0 * x.width() * x.height());
}

TEST_F(ImageResources, TheTableHoldsEveryNumberTheWindowsLoadOnceInOrder)
{
    // Toolbar, Help menu, command links, volume slider, suite launcher,
    // share menu, play window, session window, wizard, file list, program.
    const std::set<int> loaded = {304, 306, 309, 310, 311, 312, 313, 315, 316, 317, 318, 319, 320, 321, 324,
                                  325, 326, 327, 328, 332, 333, 334, 335, 336, 337, 338, 340, 341, 342, 343,
                                  344, 348, 349, 350, 352, 353, 354, 356, 357, 358, 359, 360, 361, 363};
    size_t count = 0;
    const LImageResource* table = LImageResourceTable(&count);
    std::set<int> listed;
    for (size_t i = 0; i < count; ++i) {
        if (i > 0) {
            EXPECT_LT(table[i - 1].id, table[i].id) << "out of order or twice: " << table[i].id;
        }
        listed.insert(table[i].id);
        EXPECT_EQ(LFindImageResource(table[i].id), &table[i]);
        EXPECT_STRNE(table[i].meaning, "");
    }
    EXPECT_EQ(listed, loaded);
    EXPECT_EQ(LFindImageResource(0), nullptr);
    EXPECT_EQ(LFindImageResource(351), nullptr);
    EXPECT_EQ(LFindImageResource(99999), nullptr);
}

TEST_F(ImageResources, EveryPictureLoadsAtScaleOneAndTwoWithAndWithoutTheIconTheme)
{
    size_t count = 0;
    const LImageResource* table = LImageResourceTable(&count);
    for (bool theme : {true, false}) {
        LQtUseIconTheme(theme);
        for (size_t i = 0; i < count; ++i) {
            const int id = table[i].id;
            for (int size : {32, 64}) {
                LQtImageOrigin origin = LQtImageOrigin::kDrawn;
                const QImage image = LQtLoadImageResource(id, size, &origin);
                SCOPED_TRACE(testing::Message()
                             << id << " at " << size << (theme ? " with" : " without") << " theme");
                ASSERT_FALSE(image.isNull());
                EXPECT_EQ(image.size(), QSize(size, size));
                EXPECT_NE(origin, LQtImageOrigin::kDrawn) << "the stand-in record instead of a picture";
                if (!theme || *table[i].themeIcons == '\0') {
                    EXPECT_EQ(origin, LQtImageOrigin::kFile);
                }
                EXPECT_GT(Opaque(image), size * size / 12) << "next to nothing visible";
            }
        }
    }
}

TEST_F(ImageResources, ANumberWithoutAPictureGetsTheStandIn)
{
    for (int id : {0, 351, 4242}) {
        LQtImageOrigin origin = LQtImageOrigin::kFile;
        const QImage image = LQtLoadImageResource(id, 48, &origin);
        EXPECT_EQ(origin, LQtImageOrigin::kDrawn) << id;
        EXPECT_EQ(image.size(), QSize(48, 48));
    }
    // Our folder missing altogether: the theme still answers, the rest stand in.
    LSetGuiResourcesFolder("/nonexistent/quorin-resources");
    LQtUseIconTheme(false);
    LQtImageOrigin origin = LQtImageOrigin::kFile;
    EXPECT_FALSE(LQtLoadImageResource(352, 48, &origin).isNull());
    EXPECT_EQ(origin, LQtImageOrigin::kDrawn);
}

TEST_F(ImageResources, NoTwoToolbarButtonsOfTheMainWindowLookAlike)
{
    const int toolbar[] = {341, 340, 349, 342, 343, 344, 348, 328, 315, 306};
    for (bool theme : {true, false}) {
        LQtUseIconTheme(theme);
        for (int size : {32, 64})
            for (int a : toolbar)
                for (int b : toolbar)
                    if (a < b) {
                        EXPECT_GT(Difference(LQtLoadImageResource(a, size), LQtLoadImageResource(b, size)),
                                  4.0)
                            << a << " and " << b << " at " << size << (theme ? " with" : " without")
                            << " theme";
                    }
    }
}

TEST_F(ImageResources, DrawingsKeepTheirShapeAndAreDrawnAtTheSizeShown)
{
    // The wizard's diagrams are wide: fitted into a box they keep their shape.
    for (int id : {352, 353, 354, 350}) {
        const QSize natural = LQtImageResourceNaturalSize(id);
        ASSERT_GT(natural.width(), natural.height()) << id;
        const QImage one = LQtRenderImageResource(id, natural);
        const QImage two = LQtRenderImageResource(id, natural * 2);
        EXPECT_EQ(one.size(), natural) << id;
        EXPECT_EQ(two.size(), natural * 2) << id;
        // The same drawing at both scales ...
        EXPECT_LT(Difference(two.scaled(natural, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), one), 6.0)
            << id;
        // ... but scale 2 drawn afresh, with detail a blown-up scale 1 lacks.
        EXPECT_GT(Difference(one.scaled(natural * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation), two),
                  1.0)
            << id;
        const QImage boxed = LQtRenderImageResource(id, QSize(natural.width(), natural.height() * 3));
        EXPECT_EQ(boxed.size(), natural) << id;
    }
}

TEST_F(ImageResources, ALoadedDrawingIsRenderedAfreshWhereverItIsPainted)
{
    LGuiImage image;
    ASSERT_TRUE(image.LoadResourceOfType("352"));
    ASSERT_FALSE(image.VectorSource().empty());
    int w = 0, h = 0;
    ASSERT_TRUE(image.GetSize(&w, &h));
    EXPECT_EQ(QSize(w, h), LQtImageResourceNaturalSize(352));
    ASSERT_TRUE(image.LoadResource("350"));
    EXPECT_FALSE(image.VectorSource().empty());
    ASSERT_TRUE(image.LoadResourceOfType("352"));

    // Painted at twice its size: the drawing at that size, not the bitmap
    // blown up.
    QImage target(w * 2, h * 2, QImage::Format_ARGB32_Premultiplied);
    target.fill(Qt::transparent);
    {
        QPainter painter(&target);
        LQtPaintContext context(&painter, 2.0, false);
        context.DrawImage(image, LPaintRect{0, 0, w * 2, h * 2}, LPaintRect{}, 1.0f);
    }
    EXPECT_LT(Difference(target, LQtRenderImageResource(352, QSize(w * 2, h * 2))), 0.5);

    // A number with no drawing of ours and no file: nothing loads.
    EXPECT_FALSE(image.LoadResourceOfType("351"));
    EXPECT_TRUE(image.VectorSource().empty());
}

} // namespace
