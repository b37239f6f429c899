#include "foundation/text/LPrintf.h"

#include "foundation/text/LStringLong.h"
#include "foundation/text/LTextBuffer.h"
#include "foundation/text/LUtf8.h"

#include <cstring>
#include <memory>

void LStringFormatWrite(void* context, const char* bytes, std::size_t count)
{
    static_cast<LStringLongTemplate<char>*>(context)->Append(bytes, count);
}

namespace {

struct BoundedOutput
{
    char* dest;
    std::size_t length;
    std::size_t limit;
};

void BoundedWrite(void* context, const char* bytes, std::size_t count)
{
    auto* o = static_cast<BoundedOutput*>(context);
    std::size_t room = o->limit - o->length;
    std::size_t n = count < room ? count : room;
    std::memcpy(o->dest + o->length, bytes, n);
    o->length += n;
}

} // namespace

std::size_t LVSprintf(char* dest, std::size_t size, const char* format, va_list args)
{
    if (size == 0 || !dest)
        return 0;
    // The result is assembled apart from `dest`, which may also be one of the
    // arguments (LSprintf(path, "%s/%s", path, name)).
    char small[kTextBufferSize];
    std::unique_ptr<char[]> large;
    char* scratch = small;
    if (size > sizeof small) {
        large.reset(new char[size]);
        scratch = large.get();
    }
    BoundedOutput o{scratch, 0, size - 1};
    std::uint64_t total = LFormatEngine(&BoundedWrite, &o, format, args);
    if (total > o.length)
        o.length = LUtf8BoundaryBefore(scratch, o.length);
    std::memcpy(dest, scratch, o.length);
    dest[o.length] = '\0';
    return o.length;
}

std::size_t LSprintf(char* dest, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::size_t n = LVSprintf(dest, kTextBufferSize, format, args);
    va_end(args);
    return n;
}
