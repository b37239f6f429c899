#pragma once
// Layout of a resizable window: installed on the window, it is asked to lay
// the controls out for each new client size.

class LWindow;

class LResizable
{
public:
    explicit LResizable(LWindow* window) : window_(window) {}
    virtual ~LResizable() = default;

    // Lays the window's controls out for the new client size (pixels).
    virtual void OnResize(int width, int height) = 0;
    virtual void OnResizeHook() {}

    // Fits the window to its screen and lays it out; the window's ready flag
    // is cleared during the layout call.
    void FitWindowToScreen();
    // After the user changed the size: lays out when the client size changed.
    void OnLiveResize();

    LWindow* Window() const { return window_; }
    int messageId = -1;
    int zoomCommand = 0;
    int unzoomCommand = 0;
    int minimizeCommand = 0;

private:
    LWindow* window_;
    int lastWidth_ = -1;
    int lastHeight_ = -1;
};
