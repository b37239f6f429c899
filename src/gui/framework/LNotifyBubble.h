#pragma once
// The program's own notice: a small window at the top right of the screen
// with a picture, a caption and a line or two of text. It never takes the
// keyboard from the window the user types in, and goes away after 15 seconds
// or at the next mouse click.

#include <functional>
#include <string>

class LWindow;

// Hooks of the window that owns the bubble, reached through PostToWindow.
class LNotifyBubbleHost
{
public:
    virtual ~LNotifyBubbleHost() = default;
    virtual void OnNotifyBubbleHook1() {}
    virtual void OnNotifyBubbleHook2() {}
};

class LNotifyBubble
{
public:
    static constexpr int kWidth = 350;  // points
    static constexpr int kHeight = 130; // points
    static constexpr int kShowMs = 15000;

    LNotifyBubble();
    ~LNotifyBubble();
    LNotifyBubble(const LNotifyBubble&) = delete;
    LNotifyBubble& operator=(const LNotifyBubble&) = delete;

    // Hides a bubble already up, then shows text under caption with the
    // picture iconId (0 keeps the one shown before) at the top right of the
    // main screen, 20 points from its right edge.
    void Show(const char* text, const char* caption, int iconId);
    void Hide();
    bool IsShown() const;

    void SetOwner(LWindow* owner) { owner_ = owner; }
    LWindow* Owner() const { return owner_; }

    std::string Text() const;
    std::string Caption() const;
    int IconId() const;

    // The bubble that exists now, if any.
    static LNotifyBubble* Current();

    // From any thread: runs hook 1 or 2 of the window's LNotifyBubbleHost on
    // the main thread, unless the window is gone by then.
    static void PostToWindow(int code, LWindow* window);

    // The toolkit window, for tests and screenshots.
    void* NativeWindow() const { return impl_; }

private:
    void* impl_ = nullptr; // LNotifyBubbleImpl, owned
    LWindow* owner_ = nullptr;
};
