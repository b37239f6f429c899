#pragma once
// A dialog's handle on its volume slider: bound to the slider control with
// an id, it gives it the speaker pictures and the dialog's own dB range, and
// reads and sets the level. A level from outside the range (a stored value
// from an older setting, say) is brought to the nearest end.

#include <cstdint>

class LWindow;

class LVolumeSlider
{
public:
    static constexpr int kIconVolumeMin = 312;
    static constexpr int kIconVolumeMax = 313;

    LVolumeSlider() = default;
    LVolumeSlider(int bottomLevel, int topLevel) : bottom_(bottomLevel), top_(topLevel) {}

    // Binds the volume slider with that id (nothing for another control).
    void Attach(LWindow* window, int id);
    void Detach() { window_ = nullptr; }
    bool IsAttached() const;

    void SetRange(int bottomLevel, int topLevel);
    int BottomLevel() const { return bottom_; }
    int TopLevel() const { return top_; }
    // Clamped to the range; never sends the slider's command.
    void SetLevel(int level);
    // The bottom level when unbound.
    int GetLevel() const;

private:
    // Found again by id at each call, so a slider gone with its window is
    // never touched.
    LWindow* window_ = nullptr;
    int id_ = 0;
    int bottom_ = -48;
    int top_ = 0;
};
