#include "tags/LAudioFileTags.h"

#include "foundation/files/LPath.h"
#include "tags/LId3v1Tag.h"
#include "tags/LId3v2Tag.h"
#include "tags/LWavTags.h"

#include <strings.h>

LTagFileKind LTagFileKindOfPath(const char* path)
{
    char extension[kLPathSize];
    if (!path || !LPathGetExtension(extension, path))
        return LTagFileKind::kNone;
    if (strcasecmp(extension, ".wav") == 0)
        return LTagFileKind::kWave;
    if (strcasecmp(extension, ".mp1") == 0 || strcasecmp(extension, ".mp2") == 0 ||
        strcasecmp(extension, ".mp3") == 0)
        return LTagFileKind::kMpeg;
    return LTagFileKind::kNone;
}

int ReadAudioFileTags(LAudioTagMap* tags, const char* path)
{
    if (!tags)
        return 0;
    switch (LTagFileKindOfPath(path)) {
    case LTagFileKind::kWave:
        ReadWavTags(tags, path);
        return 1;
    case LTagFileKind::kMpeg:
        return ReadId3Tags(tags, path);
    case LTagFileKind::kNone:
        break;
    }
    return 0;
}

int WriteAudioFileTags(const LAudioTagMap* tags, const char* path)
{
    return WriteAudioFileTags(tags, path, nullptr);
}

int WriteAudioFileTags(const LAudioTagMap* tags, const char* path, LTagFileError* error, std::string* detail)
{
    LTagFileError scratch = LTagFileError::kNone;
    LTagFileError& result = error ? *error : scratch;
    result = LTagFileError::kNone;
    switch (LTagFileKindOfPath(path)) {
    case LTagFileKind::kWave:
        return WriteWavTags(tags, path, &result, detail) ? 1 : 0;
    case LTagFileKind::kMpeg:
        // One pass: the new ID3v2 tag, the audio, the new ID3v1 record.
        return LWriteMp3Tags(tags, path, true, true, &result) ? 1 : 0;
    case LTagFileKind::kNone:
        break;
    }
    result = LTagFileError::kUnsupportedExtension;
    return 0;
}
