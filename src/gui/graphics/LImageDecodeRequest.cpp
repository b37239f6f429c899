#include "gui/graphics/LImageDecodeRequest.h"

#include <cstdarg>
#include <cstdio>

int LImageDecodeRequest::Fail(const char* format, ...)
{
    if (failure[0] == '\0') {
        va_list args;
        va_start(args, format);
        std::vsnprintf(failure, sizeof failure, format, args);
        va_end(args);
    }
    return LImageFailed;
}
