// Feeds arbitrary bytes to the BMP decoder, as a whole file (file header
// first) and as a bare DIB (information header first), and to the
// information-header reader alone. Damaged pictures must give a result and a
// cause, never a crash, a read out of bounds or a huge allocation.

#include "foundation/threads/LLocalProcessContext.h"
#include "gui/graphics/LBitmap.h"
#include "gui/graphics/LBmpDecoder.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    LLocalProcessContext context;
    LBitmap bitmap;
    {
        LImageDecodeRequest request;
        request.memory = LImageMemorySource(data, size);
        request.target = &bitmap;
        // Small pictures keep the runs fast; the cap itself is tested elsewhere.
        request.maxPixels = 1 << 20;
        const int result = LDecodeBmpMemory(context, request);
        if (result == LImageFailed && request.failure[0] == '\0')
            std::abort();
        if (result == LImageDecoded && !LBitmapIsValid(bitmap))
            std::abort();
    }
    {
        LImageDecodeRequest request;
        request.memory = LImageMemorySource(data, size);
        request.target = &bitmap; // reused: stale pixels must not matter
        request.maxPixels = 1 << 20;
        LBmpDecodeFromMemory(context, request);
    }
    {
        LImageDecodeRequest request;
        request.memory = LImageMemorySource(data, size);
        LBmpInfoHeader header;
        if (LBmpReadInfoHeader(request, header) == 0 && request.memory.Position() > size)
            std::abort();
    }
    return 0;
}
