#include "gui/qt/images/LQtImageResource.h"

#include "gui/controls/LImageResources.h"
#include "gui/controls/LPaintContext.h"

#include <QFileInfo>
#include <QHash>
#include <QIcon>
#include <QPainter>
#include <QRadialGradient>
#include <QStandardPaths>
#include <QStringList>
#include <QSvgRenderer>

#include <atomic>

namespace {

// QUORIN_NO_ICON_THEME set: our own pictures only, as on a system without
// an icon theme.
std::atomic<bool> gUseTheme{qEnvironmentVariableIsEmpty("QUORIN_NO_ICON_THEME")};

QString ResourcePath(const char* type, int id)
{
    return QString::fromStdString(LGetGuiResourcesFolder()) + QStringLiteral("/%1/%2.%1").arg(type).arg(id);
}

// The desktop's own theme comes first; a desktop that names none (a bare X
// session, the offscreen platform) still gets the theme every Debian system
// ships rather than no icons at all.
void PrepareTheme()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    // Some platforms (offscreen, minimal) search only Qt's own resources.
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString& folder : QStandardPaths::locateAll(
             QStandardPaths::GenericDataLocation, QStringLiteral("icons"), QStandardPaths::LocateDirectory))
        if (!paths.contains(folder))
            paths << folder;
    QIcon::setThemeSearchPaths(paths);
    if (QIcon::fallbackThemeName().isEmpty() || QIcon::fallbackThemeName() == QLatin1String("hicolor"))
        QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
}

// The theme's icon for an entry, drawn side pixels wide. A full-colour icon
// is taken only when the theme has it large enough for scale 2 as well,
// so that a window looks alike at both scales; otherwise the symbolic
// variant, which the themes draw as scalable outlines.
QIcon ThemeIcon(const LImageResource* entry, int side)
{
    if (entry == nullptr || !gUseTheme.load() || *entry->themeIcons == '\0')
        return {};
    PrepareTheme();
    const QStringList names = QString::fromUtf8(entry->themeIcons).split(' ', Qt::SkipEmptyParts);
    const int need = std::max(64, side);
    for (const QString& name : names) {
        if (!QIcon::hasThemeIcon(name))
            continue;
        const QIcon icon = QIcon::fromTheme(name);
        if (icon.actualSize(QSize(need, need)).width() >= need)
            return icon;
    }
    for (const QString& name : names) {
        const QString symbolic =
            name.endsWith(QLatin1String("-symbolic")) ? name : name + QLatin1String("-symbolic");
        if (QIcon::hasThemeIcon(symbolic))
            return QIcon::fromTheme(symbolic);
    }
    for (const QString& name : names)
        if (QIcon::hasThemeIcon(name))
            return QIcon::fromTheme(name);
    return {};
}

QSize Fit(QSize natural, QSize box)
{
    if (natural.isEmpty())
        return box;
    return natural.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

QImage DrawnRecord(int resourceId, int pixelSize)
{
    QImage image(pixelSize, pixelSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    double s = pixelSize;
    QRadialGradient vinyl(QPointF(s * 0.42, s * 0.38), s * 0.6);
    vinyl.setColorAt(0, QColor(70, 70, 78));
    vinyl.setColorAt(1, QColor(12, 12, 16));
    painter.setPen(Qt::NoPen);
    painter.setBrush(vinyl);
    painter.drawEllipse(QRectF(s * 0.04, s * 0.04, s * 0.92, s * 0.92));
    painter.setBrush(Qt::NoBrush);
    for (int groove = 0; groove < 6; ++groove) {
        double r = s * (0.42 - groove * 0.045);
        painter.setPen(QPen(QColor(90, 90, 100, 120), s / 160.0));
        painter.drawEllipse(QPointF(s / 2, s / 2), r, r);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(resourceId == 304 ? QColor(214, 64, 52) : QColor(60, 120, 200));
    painter.drawEllipse(QPointF(s / 2, s / 2), s * 0.16, s * 0.16);
    painter.setBrush(QColor(240, 240, 240));
    painter.drawEllipse(QPointF(s / 2, s / 2), s * 0.025, s * 0.025);
    return image;
}

} // namespace

QImage LQtRenderSvgFile(const QString& path, QSize size)
{
    if (size.isEmpty())
        return {};
    // Re-reading the file for every size would be wasted work: a window
    // shows the same few pictures at one or two sizes.
    static QHash<QString, QImage> cache;
    const QString key = QStringLiteral("%1@%2x%3").arg(path).arg(size.width()).arg(size.height());
    if (auto it = cache.constFind(key); it != cache.constEnd())
        return *it;
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, size.width(), size.height()));
    }
    if (cache.size() > 256)
        cache.clear();
    cache.insert(key, image);
    return image;
}

QSize LQtImageResourceNaturalSize(int resourceId)
{
    if (ThemeIcon(LFindImageResource(resourceId), 32).isNull()) {
        const QString svg = ResourcePath("svg", resourceId);
        if (QFileInfo::exists(svg)) {
            QSvgRenderer renderer(svg);
            if (renderer.isValid())
                return renderer.defaultSize();
        }
        const QImage png(ResourcePath("png", resourceId));
        if (!png.isNull())
            return png.size();
    }
    return {32, 32};
}

QImage LQtRenderImageResource(int resourceId, QSize box, LQtImageOrigin* origin)
{
    if (box.isEmpty())
        box = QSize(32, 32);
    const int side = std::min(box.width(), box.height());
    const QIcon icon = ThemeIcon(LFindImageResource(resourceId), side);
    if (!icon.isNull()) {
        QImage image = icon.pixmap(QSize(side, side)).toImage();
        if (!image.isNull()) {
            if (image.size() != QSize(side, side))
                image = image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            if (origin)
                *origin = LQtImageOrigin::kTheme;
            return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        }
    }
    const QString svg = ResourcePath("svg", resourceId);
    if (QFileInfo::exists(svg)) {
        QSvgRenderer renderer(svg);
        if (renderer.isValid()) {
            QImage image = LQtRenderSvgFile(svg, Fit(renderer.defaultSize(), box));
            if (!image.isNull()) {
                if (origin)
                    *origin = LQtImageOrigin::kFile;
                return image;
            }
        }
    }
    QImage png(ResourcePath("png", resourceId));
    if (!png.isNull()) {
        if (origin)
            *origin = LQtImageOrigin::kFile;
        return png.scaled(Fit(png.size(), box), Qt::KeepAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    if (origin)
        *origin = LQtImageOrigin::kDrawn;
    return DrawnRecord(resourceId, std::min(box.width(), box.height()));
}

QImage LQtLoadImageResource(int resourceId, int pixelSize, LQtImageOrigin* origin)
{
    pixelSize = std::max(1, pixelSize);
    QImage fitted = LQtRenderImageResource(resourceId, QSize(pixelSize, pixelSize), origin);
    if (fitted.size() == QSize(pixelSize, pixelSize))
        return fitted;
    QImage square(pixelSize, pixelSize, QImage::Format_ARGB32_Premultiplied);
    square.fill(Qt::transparent);
    QPainter painter(&square);
    painter.drawImage((pixelSize - fitted.width()) / 2, (pixelSize - fitted.height()) / 2, fitted);
    return square;
}

void LQtUseIconTheme(bool use)
{
    gUseTheme.store(use);
}
