// A host window with two embedded panes side by side, the right one
// scrolling a tall page.
#include "QdGuiScene.h"

#include "gui/framework/LEmbeddedWindow.h"

#include <string>

namespace {

class Pane : public LEmbeddedWindow
{
public:
    explicit Pane(int lines) : lines_(lines) {}
    void OnCreate() override
    {
        for (int i = 0; i < lines_; ++i) {
            std::string text = "Track " + std::to_string(i + 1);
            AddStaticText(200 + i, text.c_str());
        }
    }
    void OnSize(int, int, int w, int) override
    {
        int ch = static_cast<int>(CharHeightPx());
        int cw = static_cast<int>(CharWidthPx());
        for (int i = 0; i < lines_; ++i)
            SetControlRect(200 + i, cw, ch / 2 + i * (ch + ch / 4), w - 2 * cw, ch);
    }

private:
    int lines_;
};

class HostWindow : public LWindow
{
public:
    Pane left{4};
    Pane right{14};
    bool ready = false;

    void OnCreate() override
    {
        int w = 0, h = 0;
        GetWindowSize(&w, &h);
        left.Create(this, w / 2, h);
        left.Place(0, 0, w / 2, h);
        right.vScroll = true;
        right.SetVirtualSize(w / 2,
                             14 * static_cast<int>(CharHeightPx() * 1.25) + static_cast<int>(CharHeightPx()));
        right.Create(this, w - w / 2, h);
        right.Place(w / 2, 0, w - w / 2, h);
        right.SetVirtualSize(w / 2,
                             14 * static_cast<int>(CharHeightPx() * 1.25) + static_cast<int>(CharHeightPx()));
    }
    void OnReady() override { ready = true; }
};

bool Build(QdGuiSceneContext& context)
{
    auto* host = new HostWindow();
    host->CreateCocoaWindow(static_cast<int>(50 * host->CharWidthPx()),
                            static_cast<int>(8 * host->CharHeightPx()),
                            kWindowStyleTitled | kWindowStyleClosable, false, nullptr);
    host->SetTitle("Panes");
    host->ShowModeless(nullptr, LPlacementCenterOnScreen);
    context.window = host;
    context.ready = [host] { return host->ready; };
    context.cleanup = [host] {
        host->EndDialog(kCommandCancel);
        delete host;
    };
    return host->IsWindow();
}

} // namespace

QD_GUI_SCENE("embedded", Build);
