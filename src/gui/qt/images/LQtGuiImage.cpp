// Pictures for custom-drawn controls, loaded through Qt's image readers.
#include "gui/controls/LPaintContext.h"

#include "foundation/threads/LLocalProcessContext.h"
#include "gui/qt/images/LQtImageConvert.h"
#include "gui/qt/images/LQtImageResource.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QSvgRenderer>

#include <cstdlib>
#include <initializer_list>
#include <mutex>
#include <string>

namespace {

std::mutex gFolderLock;
std::string gFolder;

} // namespace

std::string LGetGuiResourcesFolder()
{
    std::lock_guard lock(gFolderLock);
    if (!gFolder.empty())
        return gFolder;
    if (const char* env = std::getenv("QUORIN_RESOURCES"); env && *env)
        return env;
    return (QCoreApplication::applicationDirPath() + "/resources").toStdString();
}

void LSetGuiResourcesFolder(const std::string& folder)
{
    std::lock_guard lock(gFolderLock);
    gFolder = folder;
}

bool LGuiImage::CreateFromBitmap(const LBitmap* bitmap, bool opaque)
{
    Release();
    if (bitmap == nullptr || bitmap->format != LPixelFormatBGRA32 || !LBitmapIsValid(*bitmap))
        return false;
    LBitmapAllocate(bitmap_, *bitmap);
    if (!LBitmapIsValid(bitmap_))
        return false;
    LBitmapCopy(bitmap_, *bitmap);
    opaque_ = opaque;
    return true;
}

bool LGuiImage::LoadFile(const char* path)
{
    Release();
    if (path == nullptr)
        return false;
    QImage image(QString::fromUtf8(path));
    if (image.isNull())
        return false;
    LLocalProcessContext context;
    return LBitmapFromQImage(context, bitmap_, image) == 0;
}

namespace {

bool LoadFirstOf(LGuiImage& image, const char* name, std::initializer_list<const char*> types)
{
    if (name != nullptr) {
        const QString folder = QString::fromStdString(LGetGuiResourcesFolder());
        for (const char* type : types) {
            const QString path = QString("%1/%2/%3.%2").arg(folder, type, QString::fromUtf8(name));
            if (QFileInfo::exists(path))
                return image.LoadFile(path.toUtf8().constData());
        }
        const QString svg = QString("%1/svg/%2.svg").arg(folder, QString::fromUtf8(name));
        QSvgRenderer renderer(svg);
        if (QFileInfo::exists(svg) && renderer.isValid()) {
            const QImage drawn = LQtRenderSvgFile(svg, renderer.defaultSize());
            LLocalProcessContext context;
            LBitmap bitmap;
            if (!drawn.isNull() && LBitmapFromQImage(context, bitmap, drawn) == 0 &&
                image.CreateFromBitmap(&bitmap, false)) {
                image.SetVectorSource(svg.toStdString());
                return true;
            }
        }
    }
    image.Release();
    return false;
}

} // namespace

bool LGuiImage::LoadResource(const char* name)
{
    return LoadFirstOf(*this, name, {"tiff", "icns", "png"});
}

bool LGuiImage::LoadResourceOfType(const char* name)
{
    return LoadFirstOf(*this, name, {"cur", "tiff", "png", "jpg"});
}

bool LGuiIcon::Load(int id)
{
    const bool loaded = image.LoadResource(std::to_string(id).c_str());
    int w = 0;
    image.GetSize(&w, nullptr);
    size = w;
    return loaded;
}

void LGuiImage::Release()
{
    bitmap_.Reset();
    native_.reset();
    vector_.clear();
    opaque_ = false;
}

bool LGuiImage::GetSize(int* w, int* h) const
{
    int rw = 0, rh = 0;
    bool ok = HasImage();
    if (width_ >= 1 && height_ >= 1 && ok) {
        rw = width_;
        rh = height_;
    } else if (ok) {
        rw = bitmap_.width;
        rh = bitmap_.height;
    }
    if (w)
        *w = rw;
    if (h)
        *h = rh;
    return ok;
}
