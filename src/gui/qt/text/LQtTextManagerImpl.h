#pragma once
// The shared text engine on QTextLayout. Every call lays the text out anew
// with the format it is given: word wrapping unless told otherwise, so no
// line-break mode of an earlier draw reaches a later measure or draw.

#include "gui/controls/LTextManager.h"

#include <QFont>
#include <QString>

class LQtTextManagerImpl : public LTextManager
{
public:
    static LQtTextManagerImpl& sharedTextManager();

    void Measure(LPaintContext* ctx, const char* text, int maxWidth, float* width, float* height) override;
    void Draw(LPaintContext* ctx, const char* text, const LDrawTextFormat& format, bool transparent, float x,
              float y, float w, float h) override;

    // Where Draw puts a text in a box: the text as shown (cut with "..."
    // for tail truncation), the top of its first line below the box top,
    // the height measured for the vertical alignment (of the lines that fit
    // the box) and the line counts.
    struct Placement
    {
        QString shown;
        double top = 0;
        double measuredHeight = 0;
        int lines = 0;
        int visibleLines = 0; // those within the box height (at least one)
    };
    Placement Place(LPaintContext* ctx, const char* text, const LDrawTextFormat& format, float w, float h);
};

// The toolkit font of a font description at a surface scale.
QFont LQtFontOf(const LGuiFont& font, double scale);
