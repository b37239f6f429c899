#include "foundation/xml/LXmlLoadFile.h"

#include "foundation/files/LFileSystem.h"
#include "foundation/ini/LFileReaders.h"
#include "foundation/ini/LSystemInfo.h"
#include "foundation/text/LTextBuffer.h"
#include "foundation/threads/LProcessContext.h"
#include "foundation/xml/LXmlParser.h"

#include <cstdio>
#include <sys/stat.h>

namespace {

// A tree takes many times the size of its text; refusing a file up front is
// better than running out of memory half-way.
constexpr int64_t kTreeBytesPerTextByte = 20;

void Fail(char error[260], const char* format, const char* path)
{
    char message[1024];
    std::snprintf(message, sizeof message, format, path);
    LStrCopyText(error, message, 260);
}

} // namespace

int LXmlLoadFile(LXmlNode* document, LProcessContext* cancel, const char* path, char error[260])
{
    error[0] = 0;
    if (!LFileExists(path)) {
        Fail(error, "File does not exist: %s", path);
        return kXmlLoadFailed;
    }

    struct stat info;
    const bool known = stat(path, &info) == 0;
    // Only a regular file has an end we can trust: a FIFO would wait for a
    // writer for ever, and a device such as /dev/zero never ends.
    if (known && !S_ISREG(info.st_mode)) {
        Fail(error, "Cannot open xml file: %s", path);
        return kXmlLoadFailed;
    }
    int64_t size = known ? int64_t(info.st_size) : 0;
    int64_t available = LGetMemoryLimit();
    // An unknown limit (-1) refuses nothing.
    if (available >= 0 && size > 0 && size >= available / kTreeBytesPerTextByte) {
        Fail(error, "Not enough memory available to load %s", path);
        return kXmlLoadFailed;
    }

    if (cancel && cancel->IsStopRequested())
        return kXmlLoadCancelled;
    LStringLongTemplate<char> text;
    if (!LReadFileToString(path, &text)) {
        Fail(error, "Cannot open xml file: %s", path);
        return kXmlLoadFailed;
    }
    if (cancel && cancel->IsStopRequested())
        return kXmlLoadCancelled;

    LXmlReader reader(text.Text(), cancel);
    LXmlParser::ParseText(document, &reader);
    LStrCopyText(error, reader.error, 260);
    if (cancel && cancel->IsStopRequested())
        return kXmlLoadCancelled;
    return kXmlLoadDone;
}
