#pragma once
// The one text engine every paint context measures and draws text with. It
// takes font, text colour and outline from the context it is handed, lays
// out afresh on every call (no format carries over from one call to the
// next) and is used under one process-wide lock, so any thread may measure
// or draw, one at a time. The entry points are LPaintContext's statics.

#include "gui/controls/LPaintContext.h"

#include <mutex>

struct LDrawTextFormat
{
    int hAlign = 0;     // 0 left, 1 centre, 2 right, other: natural
    int vAlign = 0;     // 0 top, 1 centre, 2 bottom, other: top
    int wrap = 0;       // 1: wrap at word boundaries
    int truncation = 0; // 0 none, 1 wrap at characters, 2 wrap at words, 3 tail "..."
    bool drawing = true;
    float reserved = 0;
};

class LTextManager
{
public:
    virtual ~LTextManager() = default;
    // Size of the laid-out text; maxWidth 0 lays it out without a limit.
    virtual void Measure(LPaintContext* ctx, const char* text, int maxWidth, float* width, float* height) = 0;
    virtual void Draw(LPaintContext* ctx, const char* text, const LDrawTextFormat& format, bool transparent,
                      float x, float y, float w, float h) = 0;

    // The engine in use: the toolkit's, unless a test put another in place
    // (null puts the toolkit's back).
    static LTextManager& Shared();
    static void SetShared(LTextManager* engine);
    static std::recursive_mutex& Lock();
};

// The toolkit's engine (gui/qt/text/LQtTextManagerImpl.cpp).
LTextManager& LDefaultTextManager();
