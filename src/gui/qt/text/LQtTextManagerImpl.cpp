#include "gui/qt/text/LQtTextManagerImpl.h"

#include "gui/qt/controls/LQtPaintContext.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTextBoundaryFinder>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Boxes this large are "unbounded": callers pass 2147483647 for no limit.
constexpr double kUnbounded = 1e8;

QString Prepare(const char* text)
{
    QString s = QString::fromUtf8(text ? text : "");
    s.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
    s.replace(QChar('\r'), QChar::LineSeparator);
    s.replace(QChar('\n'), QChar::LineSeparator);
    return s;
}

struct Laid
{
    double width = 0;
    double height = 0;
    int lines = 0;
    std::vector<std::pair<int, int>> ranges; // start, length of each line
    std::vector<double> bottoms;             // bottom of each line
};

// Lines that fit a box height: those ending within it, and always the first.
int LinesWithin(const Laid& laid, double h)
{
    int n = 0;
    while (n < laid.lines && (n == 0 || laid.bottoms[n] <= h + 0.01))
        ++n;
    return n;
}

// Lays the text out in lines of lineWidth (<= 0: no limit, lines end only
// at line breaks) and answers the used size.
Laid LayOut(QTextLayout& layout, double lineWidth, QTextOption::WrapMode mode, Qt::Alignment alignment)
{
    QTextOption option;
    option.setWrapMode(lineWidth > 0 ? mode : QTextOption::NoWrap);
    option.setAlignment(alignment);
    layout.setTextOption(option);
    Laid laid;
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(lineWidth > 0 ? lineWidth : double(1 << 24));
        line.setPosition(QPointF(0, laid.height));
        laid.height += line.height();
        laid.width = std::max(laid.width, line.naturalTextWidth());
        laid.ranges.emplace_back(line.textStart(), line.textLength());
        laid.bottoms.push_back(laid.height);
        ++laid.lines;
    }
    layout.endLayout();
    return laid;
}

Qt::Alignment AlignmentOf(int hAlign)
{
    switch (hAlign) {
    case 0:
        return Qt::AlignLeft | Qt::AlignAbsolute;
    case 1:
        return Qt::AlignHCenter;
    case 2:
        return Qt::AlignRight | Qt::AlignAbsolute;
    default:
        return Qt::AlignLeading;
    }
}

// The longest start of text that fits width with "..." after it, cut only
// between whole characters.
QString CutTail(const QString& text, const QFontMetricsF& metrics, double width)
{
    const QString dots = QStringLiteral("...");
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    std::vector<int> bounds;
    for (int p = 0; p >= 0; p = finder.toNextBoundary())
        bounds.push_back(p);
    for (int keep = static_cast<int>(bounds.size()) - 2; keep >= 0; --keep) {
        QString candidate = text.left(bounds[keep]);
        while (!candidate.isEmpty() && candidate.back().isSpace())
            candidate.chop(1);
        candidate += dots;
        if (metrics.horizontalAdvance(candidate) <= width || keep == 0)
            return candidate;
    }
    return dots;
}

} // namespace

QFont LQtFontOf(const LGuiFont& desc, double scale)
{
    QFont font = desc.systemFace() ? QFont() : QFont(QString::fromStdString(desc.family));
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(desc.size * scale))));
    font.setBold(desc.bold);
    if (desc.weight != 0)
        font.setWeight(static_cast<QFont::Weight>(std::clamp(desc.weight, 1, 1000)));
    font.setItalic(desc.italic);
    font.setUnderline(desc.underline);
    font.setStrikeOut(desc.strikeout);
    return font;
}

LQtTextManagerImpl& LQtTextManagerImpl::sharedTextManager()
{
    static LQtTextManagerImpl* engine = new LQtTextManagerImpl();
    return *engine;
}

LTextManager& LDefaultTextManager()
{
    return LQtTextManagerImpl::sharedTextManager();
}

static QFont FontOf(LPaintContext* ctx)
{
    return ctx ? LQtFontOf(ctx->GetFont(), ctx->Scale()) : QFont();
}

void LQtTextManagerImpl::Measure(LPaintContext* ctx, const char* text, int maxWidth, float* width,
                                 float* height)
{
    QTextLayout layout(Prepare(text), FontOf(ctx));
    const Laid laid = LayOut(layout, maxWidth, QTextOption::WrapAtWordBoundaryOrAnywhere, AlignmentOf(0));
    if (width)
        *width = static_cast<float>(laid.width);
    if (height)
        *height = static_cast<float>(laid.height);
}

LQtTextManagerImpl::Placement LQtTextManagerImpl::Place(LPaintContext* ctx, const char* text,
                                                        const LDrawTextFormat& format, float w, float h)
{
    Placement place;
    const QFont font = FontOf(ctx);
    QString shown = Prepare(text);
    const bool boundedW = w < kUnbounded;
    // The vertical alignment uses the height at the box width with plain
    // word wrapping, before any truncation.
    {
        QTextLayout probe(shown, font);
        const Laid laid =
            LayOut(probe, boundedW ? w : 0, QTextOption::WrapAtWordBoundaryOrAnywhere, AlignmentOf(0));
        // As with a text box of that height: only lines that fit count.
        const int keep = LinesWithin(laid, h);
        place.measuredHeight = keep > 0 ? laid.bottoms[keep - 1] : 0;
        if (format.truncation == 3 && boundedW) {
            // The last line kept takes the rest of the text and loses its tail.
            const QFontMetricsF metrics(font);
            bool cut = keep < laid.lines;
            for (int i = 0; i < keep && !cut; ++i)
                cut = metrics.horizontalAdvance(shown.mid(laid.ranges[i].first, laid.ranges[i].second)) > w;
            if (cut && keep > 0) {
                const int start = laid.ranges[keep - 1].first;
                QString last = shown.mid(start);
                last.replace(QChar::LineSeparator, QChar(' '));
                shown = shown.left(start) + CutTail(last, metrics, w);
            }
        }
    }
    place.shown = shown;
    double offset = 0;
    if (format.vAlign == 2)
        offset = h - place.measuredHeight;
    else if (format.vAlign == 1)
        offset = (h - place.measuredHeight) * 0.5;
    place.top = offset;
    QTextLayout layout(shown, font);
    const QTextOption::WrapMode mode =
        format.truncation == 1 ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere;
    const Laid laid = LayOut(layout, boundedW ? w : 0, mode, AlignmentOf(format.hAlign));
    place.lines = laid.lines;
    place.visibleLines = LinesWithin(laid, h);
    return place;
}

void LQtTextManagerImpl::Draw(LPaintContext* ctx, const char* text, const LDrawTextFormat& format,
                              bool transparent, float x, float y, float w, float h)
{
    // No background colour is ever set on the text, so an opaque draw has
    // no background to fill either.
    (void)transparent;
    auto* qtContext = dynamic_cast<LQtPaintContext*>(ctx);
    QPainter* painter = qtContext ? qtContext->Painter() : nullptr;
    if (painter == nullptr)
        return;
    const Placement place = Place(ctx, text, format, w, h);
    const bool boundedW = w < kUnbounded;
    QTextLayout layout(place.shown, FontOf(ctx));
    const QTextOption::WrapMode mode =
        format.truncation == 1 ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere;
    const Laid laid = LayOut(layout, boundedW ? w : 0, mode, AlignmentOf(format.hAlign));
    // Lines below the box are not drawn at all, not drawn cut in half.
    const int visible = std::min(place.visibleLines, laid.lines);
    const int visibleEnd = visible > 0 ? laid.ranges[visible - 1].first + laid.ranges[visible - 1].second : 0;

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setRenderHint(QPainter::TextAntialiasing, true);
    if (boundedW && h < kUnbounded)
        painter->setClipRect(QRectF(x, y, w, h), Qt::IntersectClip);
    const QPointF origin(x, y + place.top);
    const QColor colour = LQtColor(ctx->GetTextColour());
    if (ctx->outline) {
        // The glyphs filled in the text colour and stroked with the outline.
        QPainterPath path;
        for (const QGlyphRun& run : layout.glyphRuns(0, visibleEnd)) {
            const QRawFont raw = run.rawFont();
            const auto indexes = run.glyphIndexes();
            const auto positions = run.positions();
            for (qsizetype i = 0; i < indexes.size(); ++i)
                path.addPath(raw.pathForGlyph(indexes[i]).translated(positions[i]));
        }
        path.translate(origin);
        QPen pen(LQtColor(ctx->outlineColour.colour, ctx->outlineColour.alpha), ctx->outlineWidth);
        painter->setPen(pen);
        painter->setBrush(colour);
        painter->drawPath(path);
    } else {
        painter->setPen(colour);
        for (int i = 0; i < visible; ++i)
            layout.lineAt(i).draw(painter, origin);
    }
    painter->restore();
}
