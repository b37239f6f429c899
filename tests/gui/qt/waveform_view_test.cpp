// The waveform view: column values from real files, reuse of columns when
// the stretch moves, clicks, failures and wide views.
#include "gui/qt/PaintControlTestSupport.h"

#include "audio/formats/LAudioFileOpener.h"
#include "foundation/threads/LPoll.h"
#include "gui/controls/LWaveformView.h"
#include "gui/framework/LCommandRouting.h"
#include "support/TempHome.h"

#include <QImage>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace quorin::test;

namespace {

// Silence or a constant level, counting the frames read.
class CountingSource : public LSoundSource
{
public:
    CountingSource(int64_t length, int32_t level)
        : LSoundSource(44100, 1, 524288), length_(length), level_(level)
    {
    }
    int64_t Read(int32_t* buffer, int64_t frames) override
    {
        const int64_t n = std::min(frames, length_ - position_);
        for (int64_t i = 0; i < n; ++i)
            buffer[i] = (i & 1) ? level_ : -level_;
        position_ += n;
        read += n;
        return n;
    }
    int64_t GetPosition() override { return position_; }
    int64_t GetLength() override { return length_; }
    void Seek(int64_t frame) override { position_ = std::clamp<int64_t>(frame, 0, length_); }
    std::atomic<int64_t> read{0};

private:
    int64_t length_;
    int32_t level_;
    int64_t position_ = 0;
};

class ClickCatcher : public LInterWinMessageHandler
{
public:
    void OnInterWinMessage(uint32_t eventId, int64_t a, int64_t b) override
    {
        id = static_cast<int>(eventId);
        data1 = a;
        data2 = b;
    }
    int id = -1;
    int64_t data1 = -1, data2 = -1;
};

struct WaveFixture
{
    explicit WaveFixture(int wPt, int hPt = 60)
    {
        window = MakePaintHost(wPt, hPt, 600);
        view = std::make_unique<LWaveformView>();
        view->Attach(window.get(), 600);
        window->ShowModeless(nullptr, LPlacementNone);
        host = LQtWidget(window->GetControl(600));
        PumpFor(20);
    }
    ~WaveFixture()
    {
        view.reset();
        window->EndDialog(kCommandCancel);
    }
    bool WaitDeliveries(int n)
    {
        return PumpUntil([&] { return view->Deliveries() >= n; }, 20000);
    }
    std::unique_ptr<PaintHostWindow> window;
    std::unique_ptr<LWaveformView> view;
    QWidget* host = nullptr;
};

TEST(WaveformColumnValue, ScaleReachesTheTopOnlyAtFullScale)
{
    struct Case
    {
        int32_t peak;
        int value;
    } cases[] = {{0, 0},        {2047, 0},     {2048, 1},     {261120, 127},
                 {262144, 128}, {524287, 255}, {524288, 255}, {9000000, 255}};
    for (const auto& c : cases)
        EXPECT_EQ(LWaveformView::ColumnValue(c.peak), c.value) << c.peak;
}

TEST(WaveformView, MovingTheStartReadsOnlyNewColumns)
{
    WaveFixture f(1000);
    auto* counting = new CountingSource(44100 * 30, 100000);
    LSoundSourcePtr source(counting);
    f.view->SetSource(source);
    f.view->SetView(0, 0, 1000 * 441);
    ASSERT_TRUE(f.WaitDeliveries(1));
    EXPECT_DOUBLE_EQ(f.view->SamplesPerPixel(), 441.0);
    EXPECT_EQ(counting->read.load(), 1000 * 441);
    counting->read = 0;
    f.view->SetView(0, 44100, 1000 * 441);
    ASSERT_TRUE(f.WaitDeliveries(2));
    // Columns 100 .. 998 move to 0 .. 898; 899 .. 999 are read.
    EXPECT_EQ(counting->read.load(), 101 * 441);
    EXPECT_EQ(f.view->CurrentStart(), 44100);
    counting->read = 0;
    f.view->SetView(0, 44100, 500 * 441); // zoom: every column again
    ASSERT_TRUE(f.WaitDeliveries(3));
    EXPECT_EQ(counting->read.load(), 500 * 441);
}

TEST(WaveformView, ClickSendsThePosition)
{
    WaveFixture f(1000);
    ClickCatcher catcher;
    ASSERT_TRUE(catcher.Register(f.window.get(), 1));
    LSoundSourcePtr source(new CountingSource(44100 * 30, 0));
    f.view->SetSource(source);
    f.view->SetView(0, 0, 1000 * 441);
    ASSERT_TRUE(f.WaitDeliveries(1));
    f.view->MouseHandler().OnLButtonDown(10, 5);
    EXPECT_EQ(catcher.id, 1);
    EXPECT_EQ(catcher.data1, 0);
    EXPECT_EQ(catcher.data2, 4410);
    catcher.Unregister();
}

TEST(WaveformView, SilenceDrawsTheCentreRowOnly)
{
    WaveFixture f(200, 60);
    LSoundSourcePtr source(new CountingSource(44100, 0));
    f.view->SetSource(source);
    f.view->SetView(-1, 0, 44100);
    ASSERT_TRUE(f.WaitDeliveries(1));
    PumpFor(30);
    const QImage image = f.host->grab().toImage();
    for (int x : {5, 100, 190})
        for (int y = 0; y < 60; ++y)
            EXPECT_EQ(image.pixel(x, y), y == 30 ? qRgb(0, 0, 0) : qRgb(232, 232, 232)) << x << "," << y;
}

TEST(WaveformView, UnopenableFileShowsOnlyTheBackground)
{
    WaveFixture f(200, 60);
    LSoundSourcePtr source;
    LOpenAudioFileSource(source, "/nonexistent/no.wav");
    ASSERT_NE(source->GetStatus(), kSoundStatusOk);
    f.view->SetSource(source);
    PumpFor(100);
    const QImage image = f.host->grab().toImage();
    for (int x : {0, 100, 199})
        for (int y : {0, 30, 59})
            EXPECT_EQ(image.pixel(x, y), qRgb(232, 232, 232));
}

TEST(WaveformView, WideViewsComputeEveryColumn)
{
    WaveFixture f(3000, 40);
    LSoundSourcePtr source(new CountingSource(3000 * 100, 524287));
    f.view->SetSource(source);
    f.view->SetView(0, 0, 3000 * 100);
    ASSERT_TRUE(f.WaitDeliveries(1));
    const auto peaks = f.view->Peaks();
    ASSERT_EQ(peaks.size(), 3000u);
    EXPECT_EQ(peaks[2999], 255);
    PumpFor(30);
    const QImage image = f.host->grab().toImage();
    EXPECT_EQ(image.pixel(2990, 5), qRgb(58, 81, 88));
}

TEST(WaveformView, SoxTonesDrawTheirPeaks)
{
    if (std::system("command -v sox >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "sox is not installed";
    TempDir dir;
    const int H = 120;
    for (double amplitude : {1.0, 0.5, 0.25, 0.1}) {
        const std::string path = dir.Path("t.wav");
        const std::string command =
            "sox -n -r 44100 -c 1 -b 16 " + path + " synth 4 sine 441 vol " + std::to_string(amplitude);
        ASSERT_EQ(std::system(command.c_str()), 0);
        // sox's own measure of the loudest sample, as a fraction of full scale.
        double maximum = 0;
        FILE* stat = popen(("sox " + path + " -n stat 2>&1").c_str(), "r");
        ASSERT_NE(stat, nullptr);
        char line[256];
        while (std::fgets(line, sizeof line, stat))
            std::sscanf(line, "Maximum amplitude: %lf", &maximum);
        pclose(stat);
        ASSERT_GT(maximum, 0.05);
        WaveFixture f(400, H);
        LSoundSourcePtr source;
        LOpenAudioFileSource(source, path.c_str());
        ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
        f.view->SetSource(source);
        f.view->SetView(-1, 0, source->GetLength());
        ASSERT_TRUE(f.WaitDeliveries(1));
        PumpFor(30);
        const auto peaks = f.view->Peaks();
        const QImage image = f.host->grab().toImage();
        for (int c : {3, 200, 396}) {
            int drawn = 0;
            for (int y = 0; y < H; ++y)
                drawn += image.pixel(c, y) == qRgb(58, 81, 88) ||
                         (y == H / 2 && image.pixel(c, y) == qRgb(0, 0, 0));
            const int want = 2 * ((peaks[c] * H) >> 9);
            EXPECT_NEAR(drawn, want, 1) << amplitude << " column " << c;
            EXPECT_NEAR(peaks[c], LWaveformView::ColumnValue(static_cast<int32_t>(maximum * 524288)), 2)
                << amplitude;
        }
    }
}

} // namespace
