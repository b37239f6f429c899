#pragma once
// A window that lives inside another window's view: property and wizard
// pages, panes of the main window. Its view is a content view placed in the
// host's view, or the document of a scroll area when it scrolls.

#include "gui/framework/LWindow.h"

class LEmbeddedWindow : public LWindow
{
public:
    LEmbeddedWindow() = default;
    ~LEmbeddedWindow() override;

    // The view of the host; posts 'wrdy' to itself.
    bool Attach(LWindow* host);
    // Attach, lay out at w x h, OnCreate, lay out again, UpdateControls.
    bool Create(LWindow* host, int w, int h);
    bool CreateFromTemplate(LWindow* host, const LDialogTemplate* dialogTemplate);
    // Frame in the host's view, pixels; after creation calls OnSize with the
    // client size (less the scroller widths when scrolling).
    void Place(int x, int y, int w, int h);
    void Relayout();
    void Detach();

    virtual void Enable(bool enable);
    virtual void OnSize(int x, int y, int w, int h) { (void)x, (void)y, (void)w, (void)h; }
    // Help goes to the host.
    void OnHelp() override;
    void PostCommandToHost(int command);

    LWindow* GetHost() const { return host_; }
    // Scrolling: set before Attach. The document size is in pixels.
    bool hScroll = false;
    bool vScroll = false;
    void SetVirtualSize(int w, int h);
    bool opaque = true;

private:
    LWindow* host_ = nullptr;
    LViewHandle scrollArea_ = nullptr;
    int virtualWidth_ = 0;
    int virtualHeight_ = 0;
    int lastW_ = -1;
    int lastH_ = -1;
};
