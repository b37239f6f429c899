// The shared text engine: measuring with and without a width limit, the
// entry points' early outs, vertical alignment, tail truncation and the
// rule that no format of one call reaches the next.
#include "gui/GuiTestSupport.h"

#include "gui/controls/LTextManager.h"
#include "gui/qt/controls/LQtPaintContext.h"
#include "gui/qt/text/LQtTextManagerImpl.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

using namespace quorin::test;

namespace {

LGuiFont TestFont()
{
    LGuiFont font;
    font.family = "DejaVu Sans";
    font.size = 12;
    return font;
}

struct Surface
{
    Surface(int w = 200, int h = 80) : image(w, h, QImage::Format_ARGB32), painter(&image), ctx(&painter, 1.0)
    {
        image.fill(Qt::white);
        ctx.SetFont(TestFont());
    }
    ~Surface() { painter.end(); }
    int InkRows(int* first = nullptr)
    {
        painter.end();
        int rows = 0, top = -1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 160) {
                    ++rows;
                    if (top < 0)
                        top = y;
                    break;
                }
        if (first)
            *first = top;
        return rows;
    }
    QImage image;
    QPainter painter;
    LQtPaintContext ctx;
};

const char* kLong = "Recording, splitting and restoring the sides of old records in one window";

TEST(TextLayout, MeasuresWithAndWithoutALimit)
{
    GuiApp();
    Surface s;
    struct Case
    {
        const char* text;
        int limit;
        bool wraps;
    } cases[] = {
        {"One line", 0, false},
        {kLong, 0, false},
        {kLong, 120, true},
        {"Two\nlines", 0, true},
        {"Supercalifragilisticexpialidocious", 40, true}, // one word longer than the limit
    };
    float lineW = 0, lineH = 0;
    LPaintContext::MeasureTextF(&s.ctx, "One line", 0, &lineW, &lineH);
    ASSERT_GT(lineH, 5);
    for (const auto& c : cases) {
        float w = 0, h = 0;
        LPaintContext::MeasureTextF(&s.ctx, c.text, c.limit, &w, &h);
        EXPECT_GT(w, 0) << c.text;
        if (c.limit > 0) {
            EXPECT_LE(w, c.limit) << c.text;
        }
        if (c.wraps) {
            EXPECT_GE(h, 1.9f * lineH) << c.text;
        } else {
            EXPECT_FLOAT_EQ(h, lineH) << c.text;
        }
        int iw = 0, ih = 0;
        LPaintContext::MeasureText(&s.ctx, c.text, c.limit, &iw, &ih);
        EXPECT_EQ(iw, static_cast<int>(std::ceil(w)));
        EXPECT_EQ(ih, static_cast<int>(std::ceil(h)));
    }
}

TEST(TextLayout, EmptyTextMeasuresZeroWithoutTheLock)
{
    GuiApp();
    Surface s;
    std::promise<void> held, release;
    std::thread holder([&] {
        std::lock_guard lock(LTextManager::Lock());
        held.set_value();
        release.get_future().wait();
    });
    held.get_future().wait();
    float w = 5, h = 5;
    LPaintContext::MeasureTextF(&s.ctx, "", 0, &w, &h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    int iw = 5, ih = 5;
    LPaintContext::MeasureText(&s.ctx, nullptr, 100, &iw, &ih);
    EXPECT_EQ(iw + ih, 0);
    LPaintContext::DrawText(&s.ctx, "", 0, 0, 100, 20, 0, 0, 0, 0);
    release.set_value();
    holder.join();
}

TEST(TextLayout, EmptyBoxesDrawNothing)
{
    GuiApp();
    struct Case
    {
        float w, h;
    } cases[] = {{0, 40}, {100, 0}, {-5, 40}, {100, -1}};
    for (const auto& c : cases) {
        Surface s;
        LPaintContext::DrawTextF(&s.ctx, "Side A", 0, 0, 0, 0, false, 10, 10, c.w, c.h);
        EXPECT_EQ(s.InkRows(), 0) << c.w << " x " << c.h;
    }
    Surface s;
    LPaintContext::DrawTextF(&s.ctx, "Side A", 0, 0, 0, 0, false, 10, 10, 100, 40);
    EXPECT_GT(s.InkRows(), 0);
}

TEST(TextLayout, VerticalAlignment)
{
    GuiApp();
    Surface s;
    float w = 0, h = 0;
    LPaintContext::MeasureTextF(&s.ctx, "Side A", 200, &w, &h);
    auto& engine = LQtTextManagerImpl::sharedTextManager();
    struct Case
    {
        int vAlign;
        double top;
    } cases[] = {{0, 0}, {1, (40 - h) * 0.5}, {2, 40 - h}, {7, 0}};
    for (const auto& c : cases) {
        LDrawTextFormat format;
        format.vAlign = c.vAlign;
        const auto place = engine.Place(&s.ctx, "Side A", format, 200, 40);
        EXPECT_NEAR(place.top, c.top, 0.01) << c.vAlign;
        EXPECT_EQ(place.lines, 1);
    }
    // A text that wraps beyond a one-line box is centred by the line that
    // fits; the line below is not drawn.
    {
        LDrawTextFormat format;
        format.vAlign = 1;
        const float box = h + 6;
        const auto place = engine.Place(&s.ctx, kLong, format, 120, box);
        EXPECT_GT(place.lines, 1);
        EXPECT_EQ(place.visibleLines, 1);
        EXPECT_NEAR(place.top, 3, 0.01);
        Surface one(200, 80);
        LPaintContext::DrawTextF(&one.ctx, kLong, 0, 1, 1, 0, false, 0, 0, 120, box);
        int first = 0;
        const int rows = one.InkRows(&first);
        EXPECT_GE(first, 3);
        EXPECT_LE(first + rows, static_cast<int>(box) + 1);
    }
    // The same on the surface: centred ink starts lower than top-aligned ink.
    Surface top, centre;
    LPaintContext::DrawTextF(&top.ctx, "Side A", 0, 0, 0, 0, false, 0, 0, 200, 40);
    LPaintContext::DrawTextF(&centre.ctx, "Side A", 0, 1, 0, 0, false, 0, 0, 200, 40);
    int a = 0, b = 0;
    top.InkRows(&a);
    centre.InkRows(&b);
    EXPECT_NEAR(b - a, (40 - h) * 0.5, 1.0);
}

TEST(TextLayout, TailTruncationEndsInDotsWithinTheBox)
{
    GuiApp();
    Surface s;
    auto& engine = LQtTextManagerImpl::sharedTextManager();
    const QFont font = LQtFontOf(TestFont(), 1.0);
    const QFontMetricsF metrics(font);
    float lineW = 0, line = 0;
    LPaintContext::MeasureTextF(&s.ctx, "Side A", 0, &lineW, &line);
    const char* texts[] = {kLong, "Überspielung ÄÖÜ der Schallplatte",
                           "Ton 🎵🎵🎵🎵🎵🎵🎵🎵🎵🎵🎵🎵🎵🎵 e\u0301e\u0301e\u0301"};
    for (const char* text : texts) {
        for (int width : {150, 60, 25}) {
            LDrawTextFormat format;
            format.truncation = 3;
            const auto place = engine.Place(&s.ctx, text, format, width, line);
            EXPECT_TRUE(place.shown.endsWith("...")) << text << " " << width;
            EXPECT_LE(metrics.horizontalAdvance(place.shown), width + 0.01) << text;
            EXPECT_TRUE(place.shown.isValidUtf16());
            EXPECT_EQ(place.lines, 1) << text << " " << width;
            // Cut between characters: never inside a surrogate pair.
            const QString head = place.shown.chopped(3);
            EXPECT_TRUE(head.isEmpty() || !head.back().isHighSurrogate());
        }
        // A box that holds the text keeps it whole.
        LDrawTextFormat format;
        format.truncation = 3;
        const auto whole = engine.Place(&s.ctx, text, format, 5000, line);
        EXPECT_EQ(whole.shown, QString::fromUtf8(text));
    }
    // Two lines of room: the first line stays whole, the second is cut.
    LDrawTextFormat format;
    format.truncation = 3;
    const auto two = engine.Place(&s.ctx, kLong, format, 150, 2 * line);
    EXPECT_EQ(two.lines, 2);
    EXPECT_TRUE(two.shown.endsWith("..."));
}

TEST(TextLayout, NoFormatCarriesOverToLaterCalls)
{
    GuiApp();
    Surface s;
    float w0 = 0, h0 = 0, w1 = 0, h1 = 0;
    LPaintContext::MeasureTextF(&s.ctx, kLong, 120, &w0, &h0);
    for (int truncation : {1, 3}) {
        LPaintContext::DrawTextF(&s.ctx, kLong, 0, 0, 0, truncation, false, 0, 0, 120, 20);
        LPaintContext::MeasureTextF(&s.ctx, kLong, 120, &w1, &h1);
        EXPECT_EQ(w0, w1) << truncation;
        EXPECT_EQ(h0, h1) << truncation;
    }
    // Character wrapping fills lines to the edge; the next word-wrapped draw does not.
    auto& engine = LQtTextManagerImpl::sharedTextManager();
    LDrawTextFormat chars;
    chars.truncation = 1;
    LDrawTextFormat words;
    const auto a = engine.Place(&s.ctx, kLong, chars, 120, 200);
    const auto b = engine.Place(&s.ctx, kLong, words, 120, 200);
    const auto c = engine.Place(&s.ctx, kLong, chars, 120, 200);
    EXPECT_LE(a.lines, b.lines);
    EXPECT_EQ(a.lines, c.lines);
}

TEST(TextLayout, OutlineStrokesTheGlyphs)
{
    GuiApp();
    auto redPixels = [](bool outline) {
        Surface s;
        LGuiFont font = TestFont();
        font.size = 24;
        font.bold = true;
        s.ctx.SetFont(font);
        s.ctx.outline = outline;
        s.ctx.outlineColour = {LRGBColor::FromRGB8(255, 0, 0), 255};
        s.ctx.outlineWidth = 2;
        LPaintContext::DrawTextF(&s.ctx, "Side A", 0, 0, 0, 0, false, 4, 4, 190, 70);
        s.painter.end();
        int red = 0, dark = 0;
        for (int y = 0; y < s.image.height(); ++y)
            for (int x = 0; x < s.image.width(); ++x) {
                const QRgb p = s.image.pixel(x, y);
                red += qRed(p) > 200 && qGreen(p) < 80;
                dark += qGray(p) < 60;
            }
        return std::pair(red, dark);
    };
    const auto plain = redPixels(false);
    const auto outlined = redPixels(true);
    EXPECT_EQ(plain.first, 0);
    EXPECT_GT(plain.second, 20);
    EXPECT_GT(outlined.first, 20);
}

TEST(TextLayout, AnyThreadOneAtATime)
{
    GuiApp();
    std::atomic<int> inside{0}, overlaps{0};
    class Watch : public LTextManager
    {
    public:
        Watch(std::atomic<int>& in, std::atomic<int>& over) : in_(in), over_(over) {}
        void Measure(LPaintContext*, const char*, int, float* w, float* h) override
        {
            if (in_.fetch_add(1) != 0)
                over_.fetch_add(1);
            std::this_thread::yield();
            *w = *h = 1;
            in_.fetch_sub(1);
        }
        void Draw(LPaintContext*, const char*, const LDrawTextFormat&, bool, float, float, float,
                  float) override
        {
        }

    private:
        std::atomic<int>& in_;
        std::atomic<int>& over_;
    } watch(inside, overlaps);
    LTextManager::SetShared(&watch);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([] {
            LQtPaintContext ctx(nullptr, 1.0);
            for (int i = 0; i < 2000; ++i) {
                float w = 0, h = 0;
                LPaintContext::MeasureTextF(&ctx, "x", 0, &w, &h);
            }
        });
    for (auto& t : threads)
        t.join();
    LTextManager::SetShared(nullptr);
    EXPECT_EQ(overlaps.load(), 0);
}

} // namespace
