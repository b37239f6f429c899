#include "gui/qt/images/LQtImageDecode.h"

#include "foundation/files/LBufferedFile.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/threads/LProcessContext.h"
#include "gui/graphics/LBitmap.h"
#include "gui/graphics/LBmpDecoder.h"
#include "gui/qt/images/LQtImageConvert.h"

#include <QByteArray>
#include <QIODevice>
#include <QImage>
#include <QImageReader>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A random-access view of the request's source: the file is read with
// positioned reads so the reader's own position never moves, memory is
// read in place.
class SourceDevice : public QIODevice
{
public:
    SourceDevice(int fd, uint64_t size) : fd_(fd), size_(size) {}
    SourceDevice(const uint8_t* base, uint64_t size) : base_(base), size_(size) {}

    bool isSequential() const override { return false; }
    qint64 size() const override { return qint64(size_); }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const uint64_t at = uint64_t(pos());
        if (at >= size_ || maxSize <= 0)
            return 0;
        const uint64_t n = std::min<uint64_t>(uint64_t(maxSize), size_ - at);
        if (base_ != nullptr) {
            std::memcpy(data, base_ + at, n);
            return qint64(n);
        }
        uint64_t done = 0;
        while (done < n) {
            const ssize_t got = pread(fd_, data + done, n - done, off_t(at + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += uint64_t(got);
        }
        return done == 0 && n > 0 ? -1 : qint64(done);
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    int fd_ = -1;
    const uint8_t* base_ = nullptr;
    uint64_t size_ = 0;
};

// The kinds handed to Qt, by their first bytes.
const char* KindOf(const uint8_t* head, size_t n)
{
    static const uint8_t png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (n >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF)
        return "jpeg";
    if (n >= 8 && std::memcmp(head, png, 8) == 0)
        return "png";
    if (n >= 6 && (std::memcmp(head, "GIF87a", 6) == 0 || std::memcmp(head, "GIF89a", 6) == 0))
        return "gif";
    return nullptr;
}

int DecodeFrom(QIODevice& device, LProcessContext& context, LImageDecodeRequest& request)
{
    uint8_t head[8] = {};
    const qint64 got = device.peek(reinterpret_cast<char*>(head), sizeof head);
    const char* kind = KindOf(head, got > 0 ? size_t(got) : 0);
    if (kind == nullptr)
        return request.Fail("not a JPEG, PNG or GIF picture");
    QImageReader reader(&device, QByteArray(kind));
    reader.setDecideFormatFromContent(false);
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    const uint64_t limit = request.maxPixels ? request.maxPixels : LBitmapMaxPixels;
    if (size.isValid() && uint64_t(size.width()) * uint64_t(size.height()) > limit)
        return request.Fail("%d x %d pixels is more than the limit of %llu", size.width(), size.height(),
                            static_cast<unsigned long long>(limit));
    if (context.IsStopRequested())
        return LImageStopped;
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return request.Fail("%s: %s", kind, reader.errorString().toUtf8().constData());
    if (context.IsStopRequested())
        return LImageStopped;
    const int result = LBitmapFromQImage(context, *request.target, image);
    if (result == 2)
        return request.Fail("%d x %d picture cannot be converted", image.width(), image.height());
    if (result == 0)
        request.bitsPerPixel = uint32_t(image.depth());
    return result;
}

int Finish(LImageDecodeRequest& request, int result)
{
    if (result != 0 && request.target != nullptr && result != LImageStopped)
        LBitmapDiscardPixels(*request.target);
    return result;
}

} // namespace

int LImageDecodeFromFile(LProcessContext& context, LImageDecodeRequest& request)
{
    if (context.IsStopRequested())
        return LImageStopped;
    request.bitsPerPixel = 0;
    request.failure[0] = '\0';
    if (request.target == nullptr || request.file == nullptr || request.file->fd < 0)
        return request.Fail("no file or target");
    struct stat info;
    const uint64_t size = fstat(request.file->fd, &info) == 0 ? uint64_t(info.st_size) : 0;
    SourceDevice device(request.file->fd, size);
    if (!device.open(QIODevice::ReadOnly))
        return Finish(request, request.Fail("cannot read the file"));
    return Finish(request, DecodeFrom(device, context, request));
}

int LImageDecodeFromMemory(LProcessContext& context, LImageDecodeRequest& request)
{
    if (context.IsStopRequested())
        return LImageStopped;
    request.bitsPerPixel = 0;
    request.failure[0] = '\0';
    if (request.target == nullptr)
        return request.Fail("no target");
    SourceDevice device(request.memory.base, request.memory.size);
    if (!device.open(QIODevice::ReadOnly))
        return Finish(request, request.Fail("cannot read the data"));
    return Finish(request, DecodeFrom(device, context, request));
}

int LDecodeJpegFile(LProcessContext& context, LImageDecodeRequest& request)
{
    context.MessageLevelF(0, "Decoding %s image", "JPEG");
    return LImageDecodeFromFile(context, request);
}

int LDecodePngFile(LProcessContext& context, LImageDecodeRequest& request)
{
    context.MessageLevelF(0, "Decoding %s image", "PNG");
    return LImageDecodeFromFile(context, request);
}

int LLoadPictureFile(LProcessContext& context, const char* path, LBitmap& target, LPictureDecoder* used,
                     char* failure, size_t failureSize, uint32_t* bitsPerPixel)
{
    if (used)
        *used = LPictureDecoder::None;
    auto fail = [&](const char* text) {
        if (failure && failureSize)
            std::snprintf(failure, failureSize, "%s", text);
        return LImageFailed;
    };
    LBufferedFile file;
    if (!file.Open(path, O_RDONLY))
        return fail(std::strerror(errno));
    // A writer holding the file keeps it for a while at most; after that
    // the picture is read anyway.
    LFileLockWait(file.fd, LOCK_SH | LOCK_NB, 3000);
    LImageDecodeRequest request;
    request.file = &file;
    request.target = &target;
    int result = LDecodeJpegFile(context, request);
    if (result == LImageDecoded || result == LImageStopped) {
        if (used && result == 0)
            *used = LPictureDecoder::Platform;
    } else {
        char platformFailure[sizeof request.failure];
        std::memcpy(platformFailure, request.failure, sizeof platformFailure);
        result = LDecodePngFile(context, request);
        if (result == LImageDecoded) {
            if (used)
                *used = LPictureDecoder::Platform;
        } else if (result != LImageStopped) {
            const bool platformKind = std::strcmp(platformFailure, "not a JPEG, PNG or GIF picture") != 0;
            request.file->Discard();
            lseek(file.fd, 0, SEEK_SET);
            result = LDecodeBmpFile(context, request);
            if (result == LImageDecoded && used)
                *used = LPictureDecoder::Bmp;
            // A JPEG or PNG that Qt refused says more than "not a BMP file".
            if (result == LImageFailed && platformKind)
                std::memcpy(request.failure, platformFailure, sizeof platformFailure);
        }
    }
    if (result != 0)
        fail(request.failure[0] ? request.failure : "cannot decode the picture");
    if (bitsPerPixel)
        *bitsPerPixel = request.bitsPerPixel;
    return result;
}
