#pragma once
// The "Copy File" operation that a helper process runs for its caller.

#include "foundation/files/LPath.h"

class LProcessContext;

// What the caller of the copy helper sends: two path buffers, 520 bytes.
struct LCopyFileRequest
{
    char source[kLPathSize];
    char destination[kLPathSize];
};
static_assert(sizeof(LCopyFileRequest) == 2 * kLPathSize);

// Copies request.source to request.destination in pieces, reporting the title
// "Copy File" (level 0), the destination's name (level 1) and the progress,
// and stopping when the context asks. The copy is made beside the destination
// and renamed over it at the end, so a failed or stopped copy leaves nothing
// behind and an existing destination as it was. A file is never copied onto
// itself (the same file under another name included).
// Returns 0 copied, 1 stopped, 2 failed.
int LCopyFileWithProgress(LProcessContext* context, const LCopyFileRequest& request);
