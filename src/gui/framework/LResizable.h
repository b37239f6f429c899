#pragma once
// Layout of a resizable window: installed on the window, it is asked to lay
// the controls out for each new client size, keeps the window on its
// screen, and turns the desktop's sizing, zooming and minimising into the
// window's own message and commands when it names them.

class LWindow;

// A window frame in points, y counted down from the top of the desktop.
struct LResizeFrame
{
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    bool operator==(const LResizeFrame&) const = default;
};

class LResizable
{
public:
    explicit LResizable(LWindow* window) : window_(window) {}
    virtual ~LResizable() = default;

    // Lays the window's controls out for the new client size (pixels).
    virtual void OnResize(int width, int height) = 0;
    virtual void OnResizeHook() {}

    // Keeps the window on its screen (inside the part windows may use) and
    // lays it out; the window's ready flag is cleared during the layout call.
    void FitWindowToScreen();
    // After the frame changed from `previous` to `current`: the sizing-edge
    // message when there is one (the receiver may change the frame), then,
    // when the client size changed, fit and layout, and a redraw.
    void OnLiveResize(const LResizeFrame& previous, const LResizeFrame& current);
    // The desktop asks to zoom the window (or to unzoom a zoomed one): with
    // a command for that, the command is sent instead and the answer is no.
    bool ShouldZoom(bool zoomed);
    // The window is being minimised: the minimise command, when there is one.
    void OnMinimize();

    // Which edge a drag from `previous` to `current` moved: 1 left, 2 right,
    // 3 top, 4 top-left, 5 top-right, 6 bottom, 7 bottom-left,
    // 8 bottom-right, 0 none of these.
    static int SizingEdge(const LResizeFrame& previous, const LResizeFrame& current);

    LWindow* Window() const { return window_; }
    // The window message sent after a resize with the sizing edge and the
    // new frame {left, top, right, bottom} in pixels; negative: none.
    int messageId = -1;
    // Commands sent instead of zooming, unzooming, and as the window
    // minimises; below 1: none.
    int zoomCommand = 0;
    int unzoomCommand = 0;
    int minimizeCommand = 0;

private:
    bool Alive() const;

    LWindow* window_;
    int lastWidth_ = -1;
    int lastHeight_ = -1;
};
