// The waveform view: a scene of a generated tone burst (and its disabled
// form), and `qd-gui waveform IN OUT.png [--width N] [--height N] [--start F]
// [--length F] [--marker F] [--peaks]` that renders a file's overview.
#include "QdGuiCommand.h"
#include "QdGuiScene.h"

#include "audio/formats/LAudioFileOpener.h"
#include "gui/controls/LWaveformView.h"
#include "gui/framework/LEventPump.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"

#include <QImage>
#include <QWidget>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// A few seconds of a tone whose loudness rises and falls, made in memory.
class ToneSource : public LSoundSource
{
public:
    ToneSource() : LSoundSource(44100, 1, 524288) {}
    int64_t Read(int32_t* buffer, int64_t frames) override
    {
        const int64_t n = std::min(frames, kLength - position_);
        for (int64_t i = 0; i < n; ++i) {
            const double t = static_cast<double>(position_ + i) / 44100;
            const double envelope = 0.5 - 0.45 * std::cos(t * 2.1);
            buffer[i] = static_cast<int32_t>(524287 * envelope * std::sin(t * 2 * M_PI * 220));
        }
        position_ += n;
        return n;
    }
    int64_t GetPosition() override { return position_; }
    int64_t GetLength() override { return kLength; }
    void Seek(int64_t frame) override { position_ = std::clamp<int64_t>(frame, 0, kLength); }

private:
    static constexpr int64_t kLength = 44100 * 6;
    int64_t position_ = 0;
};

class WaveWindow : public LWindow
{
public:
    LWaveformView view;
    ~WaveWindow() override { view.Destroy(); }
};

bool Build(QdGuiSceneContext& context, bool enabled)
{
    auto* window = new WaveWindow();
    const double s = window->GetScaleFactor();
    window->CreateCocoaWindow(static_cast<int>(420 * s), static_cast<int>(100 * s),
                              kWindowStyleTitled | kWindowStyleClosable, false, nullptr);
    window->SetTitle("Waveform");
    LQtWidget(LAddPaintControl(window, 601))->setGeometry(10, 10, 400, 80);
    window->view.Attach(window, 601);
    LSoundSourcePtr source(new ToneSource());
    window->view.SetSource(source);
    window->view.SetView(44100 * 2, 0, 44100 * 6);
    window->view.SetWidth(window->view.GetWidth());
    if (!enabled)
        window->view.Disable();
    window->ShowModeless(nullptr, LPlacementCenterOnScreen);
    context.window = window;
    context.ready = [window] { return window->IsVisible() && window->view.Deliveries() > 0; };
    context.cleanup = [window] {
        window->view.StopLoading();
        window->EndDialog(kCommandCancel);
        delete window;
    };
    return window->IsWindow();
}

QD_GUI_SCENE("waveform", [](QdGuiSceneContext& c) { return Build(c, true); });
QD_GUI_SCENE("waveform-disabled", [](QdGuiSceneContext& c) { return Build(c, false); });

int Waveform(int argc, char** argv)
{
    std::vector<const char*> paths;
    int w = 800, h = 120;
    int64_t start = 0, length = -1, marker = 0;
    bool printPeaks = false;
    for (int i = 0; i < argc; ++i) {
        const bool more = i + 1 < argc;
        if (std::strcmp(argv[i], "--width") == 0 && more)
            w = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--height") == 0 && more)
            h = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--start") == 0 && more)
            start = std::atoll(argv[++i]);
        else if (std::strcmp(argv[i], "--length") == 0 && more)
            length = std::atoll(argv[++i]);
        else if (std::strcmp(argv[i], "--marker") == 0 && more)
            marker = std::atoll(argv[++i]);
        else if (std::strcmp(argv[i], "--scale") == 0 && more)
            ++i;
        else if (std::strcmp(argv[i], "--peaks") == 0)
            printPeaks = true;
        else
            paths.push_back(argv[i]);
    }
    if (paths.size() != 2 || w < 1 || h < 1 || w > 20000 || h > 10000 || start < 0) {
        std::fprintf(stderr, "usage: qd-gui waveform IN OUT.png [--width N] [--height N] [--start F] "
                             "[--length F] [--marker F] [--peaks]\n");
        return 2;
    }
    LSoundSourcePtr source;
    LOpenAudioFileSource(source, paths[0]);
    const uint8_t status = source->GetStatus();
    if (length < 0)
        length = std::max<int64_t>(0, source->GetLength() - start);
    WaveWindow window;
    const double s = window.GetScaleFactor();
    window.CreateCocoaWindow(w, h, kWindowStyleTitled, false, nullptr);
    QWidget* host = LQtWidget(LAddPaintControl(&window, 601));
    host->setGeometry(0, 0, static_cast<int>(w / s), static_cast<int>(h / s));
    window.view.Attach(&window, 601);
    window.view.SetSource(source);
    window.view.SetView(marker, start, length);
    window.view.SetWidth(window.view.GetWidth());
    window.ShowModeless(nullptr, LPlacementNone);
    if (status == kSoundStatusOk &&
        LWaitWithMessagePump([&] { return window.view.Deliveries() > 0; }, true, 120000) != 1) {
        std::fprintf(stderr, "qd-gui: the waveform was not computed in time\n");
        return 2;
    }
    LWaitWithMessagePump([] { return false; }, true, 30);
    const QImage image = host->grab().toImage();
    if (printPeaks && status == kSoundStatusOk) {
        std::printf("spp=%g\n", window.view.SamplesPerPixel());
        const auto peaks = window.view.Peaks();
        for (size_t c = 0; c < peaks.size(); ++c)
            std::printf("%zu %d\n", c, peaks[c]);
    }
    window.view.StopLoading();
    window.EndDialog(kCommandCancel);
    if (image.isNull() || !image.save(QString::fromUtf8(paths[1]), "PNG")) {
        std::fprintf(stderr, "qd-gui: cannot write %s\n", paths[1]);
        return 2;
    }
    if (status != kSoundStatusOk) {
        std::fprintf(stderr, "%s: %s\n", paths[0], LSoundStatusText(status));
        return 1;
    }
    return 0;
}

QdGuiCommandRegistrar waveformCommand("waveform", Waveform);

} // namespace
