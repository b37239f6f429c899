#include "gui/qt/controls/LQtPaintContext.h"

#include "foundation/text/LUtf8.h"
#include "gui/qt/images/LQtImageConvert.h"
#include "gui/qt/images/LQtImageResource.h"
#include "gui/qt/text/LQtTextManagerImpl.h"

#include <QFontMetrics>
#include <QPainterPath>
#include <QTextBoundaryFinder>

#include <vector>

#include <algorithm>
#include <cmath>

QColor LQtColor(LRGBColor colour, int alpha)
{
    return QColor(colour.red >> 8, colour.green >> 8, colour.blue >> 8, std::clamp(alpha, 0, 255));
}

const QImage& LQtImageOf(const LGuiImage& image)
{
    static const QImage empty;
    auto& cache = image.NativeCache();
    if (!cache) {
        if (!image.HasImage())
            return empty;
        cache = std::make_shared<QImage>(LImageToQImage(image.Bitmap(), image.Opaque()));
    }
    return *static_cast<QImage*>(cache.get());
}

LQtPaintContext::LQtPaintContext(QPainter* painter, double scale, bool widgetTarget)
    : painter_(painter), scale_(scale), widgetTarget_(widgetTarget)
{
    font_.size = 13;
}

void LQtPaintContext::SetAlpha(float alpha)
{
    if (painter_)
        painter_->setOpacity(std::clamp(alpha, 0.0f, 1.0f));
}

static QRect ToQ(const LPaintRect& r)
{
    return QRect(r.x, r.y, r.w, r.h);
}

void LQtPaintContext::FillRect(const LPaintRect& r, LRGBColor colour, int alpha)
{
    if (painter_ && r.w > 0 && r.h > 0)
        painter_->fillRect(ToQ(r), LQtColor(colour, alpha));
}

void LQtPaintContext::GradientFillRect(const LPaintRect& r, LRGBColor from, LRGBColor to, int x0, int y0,
                                       int x1, int y1)
{
    if (!painter_ || r.w <= 0 || r.h <= 0)
        return;
    QLinearGradient gradient(x0, y0, x1, y1);
    gradient.setColorAt(0, LQtColor(from));
    gradient.setColorAt(1, LQtColor(to));
    painter_->fillRect(ToQ(r), gradient);
}

void LQtPaintContext::ClearRect(const LPaintRect& r)
{
    if (!painter_ || widgetTarget_)
        return;
    const auto mode = painter_->compositionMode();
    painter_->setCompositionMode(QPainter::CompositionMode_Clear);
    painter_->fillRect(ToQ(r), Qt::transparent);
    painter_->setCompositionMode(mode);
}

void LQtPaintContext::DrawLine(const LGuiPen& pen, int x0, int y0, int x1, int y1)
{
    if (!painter_ || pen.width < 1)
        return;
    const QColor colour = LQtColor(pen.colour);
    // Axis-aligned lines (all the controls draw) are exact pixel runs.
    if ((x0 == x1 || y0 == y1) && !pen.dashed) {
        const int half = (pen.width - 1) / 2;
        if (x0 == x1) {
            const int a = std::min(y0, y1 == y0 ? y0 : (y1 > y0 ? y1 - 1 : y1 + 1));
            const int b = std::max(y0, y1 == y0 ? y0 : (y1 > y0 ? y1 - 1 : y1 + 1));
            if (y1 == y0)
                return;
            painter_->fillRect(QRect(x0 - half, a, pen.width, b - a + 1), colour);
        } else {
            const int a = std::min(x0, x1 > x0 ? x1 - 1 : x1 + 1);
            const int b = std::max(x0, x1 > x0 ? x1 - 1 : x1 + 1);
            painter_->fillRect(QRect(a, y0 - half, b - a + 1, pen.width), colour);
        }
        return;
    }
    QPen qpen(colour, pen.width, pen.dashed ? Qt::CustomDashLine : Qt::SolidLine, Qt::FlatCap);
    if (pen.dashed)
        qpen.setDashPattern({3.0 / pen.width, 2.0 / pen.width});
    painter_->save();
    painter_->setPen(qpen);
    // The end pixel is left out: the end moves back one pixel along the main axis.
    const double dx = x1 - x0, dy = y1 - y0;
    const double major = std::max(std::fabs(dx), std::fabs(dy));
    const double ex = major > 0 ? x1 - dx / major : x1, ey = major > 0 ? y1 - dy / major : y1;
    painter_->drawLine(QPointF(x0 + 0.5, y0 + 0.5), QPointF(ex + 0.5, ey + 0.5));
    painter_->restore();
}

void LQtPaintContext::FrameRect(const LPaintRect& r, const LGuiPen& pen)
{
    if (r.w <= 0 || r.h <= 0)
        return;
    DrawLine(pen, r.x, r.y, r.x + r.w, r.y);
    DrawLine(pen, r.x, r.y + r.h - 1, r.x + r.w, r.y + r.h - 1);
    DrawLine(pen, r.x, r.y, r.x, r.y + r.h);
    DrawLine(pen, r.x + r.w - 1, r.y, r.x + r.w - 1, r.y + r.h);
}

void LQtPaintContext::FillRoundedRect(const LPaintRect& r, int radius, LRGBColor colour)
{
    if (!painter_ || r.w <= 0 || r.h <= 0)
        return;
    painter_->save();
    painter_->setRenderHint(QPainter::Antialiasing, true);
    painter_->setPen(Qt::NoPen);
    painter_->setBrush(LQtColor(colour));
    painter_->drawRoundedRect(QRectF(r.x, r.y, r.w, r.h), radius, radius);
    painter_->restore();
}

void LQtPaintContext::DrawImage(const LGuiImage& image, const LPaintRect& dst, const LPaintRect& src,
                                float alpha)
{
    if (!painter_ || !image.HasImage() || dst.w <= 0 || dst.h <= 0)
        return;
    QImage drawn;
    if (!image.VectorSource().empty() && (src.w <= 0 || src.h <= 0)) {
        // The whole of a drawing: rendered at the device pixels it covers.
        const QRect target = painter_->deviceTransform().mapRect(ToQ(dst));
        drawn = LQtRenderSvgFile(QString::fromStdString(image.VectorSource()), target.size());
    }
    const QImage& picture = drawn.isNull() ? LQtImageOf(image) : drawn;
    const QRect source = (src.w <= 0 || src.h <= 0) ? picture.rect() : ToQ(src);
    painter_->save();
    painter_->setOpacity(painter_->opacity() * std::clamp(alpha, 0.0f, 1.0f));
    painter_->drawImage(ToQ(dst), picture, source);
    painter_->restore();
}

QFont LQtPaintContext::ResolveFont() const
{
    return LQtFontOf(font_, scale_);
}

void LQtPaintContext::MeasureText(const char* utf8, int* w, int* h)
{
    const QFontMetrics metrics(ResolveFont());
    const QString text = QString::fromUtf8(utf8 ? utf8 : "");
    if (w)
        *w = metrics.horizontalAdvance(text);
    if (h)
        *h = metrics.height();
}

std::string LQtPaintContext::TruncateText(const char* utf8, int width, int truncation)
{
    const QString text = QString::fromUtf8(utf8 ? utf8 : "");
    const QFontMetrics metrics(ResolveFont());
    if (truncation == 0 || metrics.horizontalAdvance(text) <= width)
        return text.toStdString();
    // Cut only between whole characters (grapheme clusters), never inside one.
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    std::vector<int> bounds;
    for (int p = 0; p >= 0; p = finder.toNextBoundary())
        bounds.push_back(p);
    const QString dots = QStringLiteral("...");
    const int clusters = static_cast<int>(bounds.size()) - 1;
    for (int keep = clusters - 1; keep >= 0; --keep) {
        QString candidate;
        if (truncation == 1) {
            const int head = (keep + 1) / 2, tail = keep - head;
            candidate = text.left(bounds[head]) + dots + text.mid(bounds[clusters - tail]);
        } else {
            candidate = text.left(bounds[keep]) + dots;
        }
        if (metrics.horizontalAdvance(candidate) <= width || keep == 0)
            return candidate.toStdString();
    }
    return dots.toStdString();
}

void LQtPaintContext::DrawText(const char* utf8, const LPaintRect& box, const LTextFormat& format)
{
    if (!painter_ || box.w <= 0 || box.h <= 0)
        return;
    const QString text = format.wrap ? QString::fromUtf8(utf8 ? utf8 : "")
                                     : QString::fromStdString(TruncateText(utf8, box.w, format.truncation));
    int flags = format.hAlign == 1 ? Qt::AlignHCenter : format.hAlign == 2 ? Qt::AlignRight : Qt::AlignLeft;
    flags |= format.vAlign == 1 ? Qt::AlignVCenter : format.vAlign == 2 ? Qt::AlignBottom : Qt::AlignTop;
    if (format.wrap)
        flags |= Qt::TextWordWrap;
    painter_->save();
    painter_->setFont(ResolveFont());
    painter_->setPen(LQtColor(textColour_));
    painter_->setClipRect(ToQ(box), Qt::IntersectClip);
    painter_->drawText(ToQ(box), flags, text);
    painter_->restore();
}

void LQtPaintContext::ClipRoundedRect(const LPaintRect& r, int radius)
{
    if (!painter_)
        return;
    QPainterPath path;
    path.addRoundedRect(QRectF(r.x, r.y, r.w, r.h), radius, radius);
    painter_->setClipPath(path, Qt::IntersectClip);
}

void LQtPaintContext::ClipRect(const LPaintRect& r)
{
    if (painter_)
        painter_->setClipRect(ToQ(r), Qt::IntersectClip);
}

void LQtPaintContext::Save()
{
    if (painter_)
        painter_->save();
}

void LQtPaintContext::Restore()
{
    if (painter_)
        painter_->restore();
}

void LQtPaintContext::Translate(double dx, double dy)
{
    if (painter_)
        painter_->translate(dx, dy);
}

namespace {

// A widget painter works in logical points; its device pixels are those
// times the device's pixel ratio.
double DevicePixelRatio(const QPainter* painter)
{
    const QPaintDevice* device = painter->device();
    const double ratio = device ? device->devicePixelRatioF() : 1.0;
    return ratio > 0 ? ratio : 1.0;
}

} // namespace

LPaintTransform LQtPaintContext::GetTransform() const
{
    if (!painter_)
        return {};
    const double ratio = DevicePixelRatio(painter_);
    const QTransform m = painter_->worldTransform() * QTransform::fromScale(ratio, ratio);
    return {m.m11(), m.m12(), m.m21(), m.m22(), m.dx(), m.dy()};
}

void LQtPaintContext::SetTransform(const LPaintTransform& t)
{
    if (!painter_)
        return;
    const double ratio = DevicePixelRatio(painter_);
    const QTransform device(t.a, t.b, t.c, t.d, t.tx, t.ty);
    painter_->setWorldTransform(device * QTransform::fromScale(1 / ratio, 1 / ratio));
}

void LQtPaintContext::ScaleBy(double sx, double sy)
{
    if (painter_)
        painter_->scale(sx, sy);
}

void LQtPaintContext::StrokeRoundedRect(double x, double y, double w, double h, double radius,
                                        const LGuiPen& pen)
{
    if (!painter_ || pen.width < 1 || w <= 0 || h <= 0)
        return;
    painter_->save();
    painter_->setRenderHint(QPainter::Antialiasing, true);
    QPen qpen(LQtColor(pen.colour), pen.width, pen.dashed ? Qt::CustomDashLine : Qt::SolidLine);
    if (pen.dashed)
        qpen.setDashPattern({3.0 / pen.width, 2.0 / pen.width});
    painter_->setPen(qpen);
    painter_->setBrush(Qt::NoBrush);
    painter_->drawRoundedRect(QRectF(x, y, w, h), radius, radius);
    painter_->restore();
}

void LQtPaintContext::GradientFill(const LPaintRect& r, const LGuiColorAlpha& from, const LGuiColorAlpha& to,
                                   bool vertical)
{
    if (!painter_ || r.w <= 0 || r.h <= 0)
        return;
    // From the centre of the first row (or column) to that of the last: the
    // edges show the two colours themselves.
    const double x0 = r.x + 0.5, y0 = r.y + 0.5;
    QLinearGradient gradient(x0, y0, vertical ? x0 : r.x + r.w - 0.5, vertical ? r.y + r.h - 0.5 : y0);
    gradient.setColorAt(0, LQtColor(from.colour, from.alpha));
    gradient.setColorAt(1, LQtColor(to.colour, to.alpha));
    gradient.setSpread(QGradient::PadSpread);
    painter_->save();
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setClipRect(ToQ(r), Qt::IntersectClip);
    painter_->fillRect(ToQ(r), gradient);
    painter_->restore();
}

void LQtPaintContext::FillGradient(const LGuiBrush& brush, float x, float y, float w, float h)
{
    if (!painter_ || brush.stopCount == 0)
        return;
    const int count = static_cast<int>(std::min<uint64_t>(brush.stopCount, LGuiBrush::kMaxStops));
    painter_->save();
    painter_->setClipRect(QRectF(x, y, w, h), Qt::IntersectClip);
    if (brush.kind == 1) {
        QLinearGradient gradient(brush.startX, brush.startY, brush.endX, brush.endY);
        for (int i = 0; i < count; ++i)
            gradient.setColorAt(std::clamp(brush.positions[i], 0.0f, 1.0f),
                                LQtColor(brush.stops[i].colour, brush.stops[i].alpha));
        gradient.setSpread(QGradient::PadSpread);
        painter_->fillRect(QRectF(x, y, w, h), gradient);
    } else if (brush.kind == 2) {
        // An ellipse: a circle of radius radiusX in a space squeezed by q.
        const double q = std::fabs(brush.radiusX) < 1.1920928955078125e-7 ? 0 : brush.radiusY / brush.radiusX;
        if (q != 0) {
            QRadialGradient gradient(QPointF(brush.centreX, brush.centreY / q), brush.radiusX);
            // Stop 0 lies on the edge, the last one at the centre.
            for (int i = 0; i < count; ++i)
                gradient.setColorAt(1.0 - std::clamp(brush.positions[i], 0.0f, 1.0f),
                                    LQtColor(brush.stops[i].colour, brush.stops[i].alpha));
            gradient.setSpread(QGradient::PadSpread);
            painter_->scale(1, q);
            painter_->fillRect(QRectF(x, y / q, w, h / q), gradient);
        }
    }
    painter_->restore();
}

namespace {

// Owns the image and painter of a bitmap context.
class LQtBitmapPaintContext : public LQtPaintContext
{
public:
    LQtBitmapPaintContext(std::unique_ptr<QImage> image, std::unique_ptr<QPainter> painter)
        : LQtPaintContext(painter.get(), 1.0), image_(std::move(image)), painter_(std::move(painter))
    {
    }
    ~LQtBitmapPaintContext() override
    {
        if (painter_)
            painter_->end();
    }

private:
    std::unique_ptr<QImage> image_;
    std::unique_ptr<QPainter> painter_;
};

} // namespace

LPaintContext* LBitmapPaintBegin(LBitmap* bitmap)
{
    if (bitmap == nullptr || bitmap->format != LPixelFormatBGRA32 || !LBitmapIsValid(*bitmap) ||
        bitmap->Plane(0) == nullptr)
        return new LQtBitmapPaintContext(nullptr, nullptr);
    // Format 0 in memory is exactly Format_ARGB32 on a little-endian machine:
    // straight alpha, no channel swap needed.
    auto image = std::make_unique<QImage>(bitmap->Plane(0), bitmap->width, bitmap->height,
                                          static_cast<qsizetype>(bitmap->stride), QImage::Format_ARGB32);
    auto painter = std::make_unique<QPainter>(image.get());
    auto* context = new LQtBitmapPaintContext(std::move(image), std::move(painter));
    context->area = {0, 0, bitmap->width, bitmap->height};
    return context;
}

void LBitmapPaintEnd(LPaintContext* context)
{
    delete context;
}
