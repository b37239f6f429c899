#pragma once
// The on-screen activity log: the daily log writer appends lines on any
// thread; the pane keeps the last few kilobytes and shows them in its text
// view on the main thread.

#include "foundation/threads/LThreadQueuedNotify.h"
#include "gui/framework/LRGBColor.h"
#include "gui/framework/LView.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

class LLogPane : public LThreadQueuedNotify
{
public:
    static constexpr size_t kBufferSize = 4096;
    // The longest line kept, terminator included.
    static constexpr size_t kLineLimit = 260;

    LLogPane() = default;
    ~LLogPane() override;

    // Any thread. Appends "time<TAB>message<LF>" (cut at a character
    // boundary to fit kLineLimit); a full buffer first drops its older half,
    // cut at a line end. Level 1 shows the text in red, others in light grey.
    void Append(const char* timeText, const char* message, uint8_t level);

    // The text view (main thread); null shows nothing.
    void SetTextView(LViewHandle view) { textView_ = view; }
    // Main thread: the colour of the text view now.
    void SetTextColor(const LRGBColor& color);

    std::string Text() const;
    LRGBColor PendingColor() const;
    LRGBColor ShownColor() const { return shownColor_; }

protected:
    // Shows the buffer and applies the colour the last line asked for.
    void EvNotify() override;

private:
    mutable std::mutex mutex_;
    char buffer_[kBufferSize] = {};
    size_t position_ = 0;
    LRGBColor pendingColor_{61440, 61440, 61440};
    LRGBColor shownColor_{61440, 61440, 61440};
    LViewHandle textView_ = nullptr;
};
