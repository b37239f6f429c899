#include "gui/framework/LLogPane.h"

#include "foundation/text/LUtf8.h"
#include "gui/framework/LLogPaneView.h"

#include <cstdio>
#include <cstring>

LLogPane::~LLogPane()
{
    TearDownNotify();
}

void LLogPane::Append(const char* timeText, const char* message, uint8_t level)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (position_ + kLineLimit >= kBufferSize) {
            // Drop the older half, up to the end of the line that holds its
            // last byte, so the pane never starts with half a line.
            size_t cut = kBufferSize / 2;
            const char* newline =
                static_cast<const char*>(std::memchr(buffer_ + cut - 1, '\n', position_ - (cut - 1)));
            cut = newline != nullptr ? static_cast<size_t>(newline - buffer_) + 1
                                     : LUtf8BoundaryBefore(buffer_, cut);
            std::memmove(buffer_, buffer_ + cut, position_ - cut + 1);
            position_ -= cut;
        }
        char line[kLineLimit + 8];
        std::snprintf(line, sizeof line, "%s\t%s", timeText != nullptr ? timeText : "",
                      message != nullptr ? message : "");
        // Room for the line feed and the terminator.
        size_t length = LUtf8CopyWhole(buffer_ + position_, line, kLineLimit - 1);
        position_ += length;
        buffer_[position_++] = '\n';
        buffer_[position_] = '\0';
        pendingColor_ = level == 1 ? LRGBColor{62976, 10240, 20480} : LRGBColor{61440, 61440, 61440};
    }
    Notify();
}

std::string LLogPane::Text() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return std::string(buffer_, position_);
}

LRGBColor LLogPane::PendingColor() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return pendingColor_;
}

void LLogPane::SetTextColor(const LRGBColor& color)
{
    shownColor_ = color;
    if (textView_ != nullptr)
        LLogPaneViewSetColor(textView_, color);
}

void LLogPane::EvNotify()
{
    const std::string text = Text();
    SetTextColor(PendingColor());
    if (textView_ != nullptr)
        LLogPaneViewShowText(textView_, text);
}
