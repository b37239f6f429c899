// The level meter: a stereo and a mono meter as the record window shows
// them, enabled and disabled; and `qd-gui meter OUT.png --width N --height N
// DB...` that draws one meter channel per level into a PNG.
#include "QdGuiCommand.h"
#include "QdGuiScene.h"

#include "gui/controls/LLevelMeter.h"
#include "gui/framework/LEventPump.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"

#include <QImage>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

class MeterWindow : public LWindow
{
public:
    LLevelMeter stereo;
    LLevelMeter mono;
    ~MeterWindow() override
    {
        stereo.Destroy();
        mono.Destroy();
    }
};

LSoundLevelRecord Record(const std::vector<int>& dBs)
{
    LSoundLevelRecord record;
    record.count = static_cast<uint8_t>(dBs.size());
    for (size_t i = 0; i < dBs.size() && i < 256; ++i)
        record.levels[i] = static_cast<int8_t>(dBs[i]);
    return record;
}

bool Build(QdGuiSceneContext& context, bool enabled)
{
    auto* window = new MeterWindow();
    const double s = window->GetScaleFactor();
    window->CreateCocoaWindow(static_cast<int>(420 * s), static_cast<int>(70 * s),
                              kWindowStyleTitled | kWindowStyleClosable, false, nullptr);
    window->SetTitle("Levels");
    LQtWidget(LAddPaintControl(window, 501))->setGeometry(10, 10, 400, 22);
    LQtWidget(LAddPaintControl(window, 502))->setGeometry(10, 40, 400, 12);
    window->stereo.Attach(window, 501);
    window->mono.Attach(window, 502);
    const LSoundLevelRecord stereo = Record({-3, -14});
    const LSoundLevelRecord mono = Record({4});
    window->stereo.SetLevels(&stereo);
    window->mono.SetLevels(&mono);
    if (!enabled) {
        window->stereo.Disable();
        window->mono.Disable();
    }
    window->ShowModeless(nullptr, LPlacementCenterOnScreen);
    context.window = window;
    context.ready = [window] { return window->IsVisible(); };
    context.cleanup = [window] {
        window->EndDialog(kCommandCancel);
        delete window;
    };
    return window->IsWindow();
}

QD_GUI_SCENE("level-meter", [](QdGuiSceneContext& c) { return Build(c, true); });
QD_GUI_SCENE("level-meter-disabled", [](QdGuiSceneContext& c) { return Build(c, false); });

int Meter(int argc, char** argv)
{
    const char* out = nullptr;
    int w = 600, h = 20;
    std::vector<int> dBs;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--width") == 0 && i + 1 < argc)
            w = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--height") == 0 && i + 1 < argc)
            h = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--scale") == 0 && i + 1 < argc)
            ++i;
        else if (out == nullptr)
            out = argv[i];
        else
            dBs.push_back(std::atoi(argv[i]));
    }
    if (out == nullptr || w < 1 || h < 1 || w > 10000 || h > 10000 || dBs.size() > 255) {
        std::fprintf(stderr, "usage: qd-gui meter OUT.png --width N --height N DB...\n");
        return 2;
    }
    MeterWindow window;
    const double s = window.GetScaleFactor();
    window.CreateCocoaWindow(w, h, kWindowStyleTitled, false, nullptr);
    QWidget* host = LQtWidget(LAddPaintControl(&window, 501));
    host->setGeometry(0, 0, static_cast<int>(w / s), static_cast<int>(h / s));
    window.stereo.Attach(&window, 501);
    const LSoundLevelRecord record = Record(dBs);
    window.stereo.SetLevels(&record);
    window.ShowModeless(nullptr, LPlacementNone);
    LWaitWithMessagePump([] { return false; }, true, 30);
    const QImage image = host->grab().toImage();
    window.EndDialog(kCommandCancel);
    if (image.isNull() || !image.save(QString::fromUtf8(out), "PNG")) {
        std::fprintf(stderr, "qd-gui: cannot write %s\n", out);
        return 2;
    }
    return 0;
}

QdGuiCommandRegistrar meterCommand("meter", Meter);

} // namespace
