#include "foundation/threads/LProcessContext.h"

#include "foundation/threads/LMessageText.h"

#include <cstdarg>
#include <cstdio>

namespace {

constexpr size_t kMessageBufferSize = 8192;

// Formats with room for three bytes beyond the limit, so that the cut can see
// whether it falls inside a character.
void FormatMessage(char (&buffer)[kMessageBufferSize + 3], const char* format, va_list args)
{
    int n = vsnprintf(buffer, sizeof buffer, format, args);
    if (n < 0) {
        buffer[0] = '\0';
        return;
    }
    size_t length = size_t(n) < sizeof buffer ? size_t(n) : sizeof buffer - 1;
    buffer[LMessageCutLength(buffer, length, kMessageBufferSize - 1)] = '\0';
}

} // namespace

void LProcessContext::MessageF(const char* format, ...)
{
    char buffer[kMessageBufferSize + 3];
    va_list args;
    va_start(args, format);
    FormatMessage(buffer, format, args);
    va_end(args);
    Message(buffer);
}

void LProcessContext::MessageLevelF(int level, const char* format, ...)
{
    char buffer[kMessageBufferSize + 3];
    va_list args;
    va_start(args, format);
    FormatMessage(buffer, format, args);
    va_end(args);
    MessageLevel(buffer, level);
}
