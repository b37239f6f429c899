#include "app/queue/ProcessQueueRecord.h"

#include "audio/formats/LAudioFileIo.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/files/LPath.h"

#include <cstring>

void EncodeQueueHeader(const ProcessQueueHeader& header, uint8_t* out)
{
    LPutLe16(out, header.version);
    LPutLe16(out + 2, header.crashCounter);
    LPutLe32(out + 4, header.recordSize);
}

ProcessQueueHeader DecodeQueueHeader(const uint8_t* in)
{
    ProcessQueueHeader header;
    header.version = LGetLe16(in);
    header.crashCounter = LGetLe16(in + 2);
    header.recordSize = LGetLe32(in + 4);
    return header;
}

void ProcessQueueRecord::Reset()
{
    *this = ProcessQueueRecord();
}

bool SetQueueText(char* field, const char* text)
{
    const std::size_t length = text ? std::strlen(text) : 0;
    if (length >= kQueueTextSize) {
        field[0] = '\0';
        return false;
    }
    std::memset(field, 0, kQueueTextSize);
    if (length > 0)
        std::memcpy(field, text, length);
    return true;
}

namespace {

void PutText(uint8_t* out, const char* text)
{
    std::memset(out, 0, kQueueTextSize);
    std::memcpy(out, text, strnlen(text, kQueueTextSize - 1));
}

bool GetText(const uint8_t* in, char* text)
{
    const void* end = std::memchr(in, 0, kQueueTextSize);
    if (end == nullptr) {
        text[0] = '\0';
        return false;
    }
    std::memcpy(text, in, static_cast<const uint8_t*>(end) - in + 1);
    return true;
}

} // namespace

void EncodeQueueRecord(const ProcessQueueRecord& r, uint8_t* out)
{
    std::memset(out, 0, kQueueRecordSize);
    PutText(out + kQueueSourceOffset, r.sourcePath);
    PutText(out + kQueueOutputFolderOffset, r.outputFolder);
    PutText(out + kQueueExtensionOffset, r.outputExtension);
    PutText(out + kQueueDestinationOffset, r.destinationPath);
    PutText(out + kQueueDurationOffset, r.durationText);
    PutText(out + kQueueCopyFolderOffset, r.copyFolder);
    out[kQueueRestoreOffset] = r.restore;
    out[kQueueNotifyOffset] = r.notify;
    out[kQueueDeleteSourceOffset] = r.deleteSource;
    out[kQueueMakeCopyOffset] = r.makeCopy;
    out[kQueueTemporaryOffset] = r.temporaryOutput;
}

bool DecodeQueueRecord(const uint8_t* in, ProcessQueueRecord& r)
{
    r.Reset();
    bool ok = GetText(in + kQueueSourceOffset, r.sourcePath);
    ok = GetText(in + kQueueOutputFolderOffset, r.outputFolder) && ok;
    ok = GetText(in + kQueueExtensionOffset, r.outputExtension) && ok;
    ok = GetText(in + kQueueDestinationOffset, r.destinationPath) && ok;
    ok = GetText(in + kQueueDurationOffset, r.durationText) && ok;
    ok = GetText(in + kQueueCopyFolderOffset, r.copyFolder) && ok;
    r.restore = in[kQueueRestoreOffset];
    r.notify = in[kQueueNotifyOffset];
    r.deleteSource = in[kQueueDeleteSourceOffset];
    r.makeCopy = in[kQueueMakeCopyOffset];
    r.temporaryOutput = in[kQueueTemporaryOffset];
    return ok;
}

bool GetProcessQueuePath(char* dest)
{
    char caches[kLPathSize];
    dest[0] = '\0';
    return LGetCachesFolder(caches) && LPathCombine(dest, caches, kProcessQueueFileName, "");
}
