#include "app/queue/SourceTagCopy.h"

#include "tags/LAudioFileTags.h"
#include "tags/LAudioTagMap.h"

TagCopyResult CopySourceTags(const char* sourcePath, const char* outputPath)
{
    LAudioTagMap tags;
    // A WAV reader reports success even for a file without tags: what counts
    // is whether any field came back.
    if (ReadAudioFileTags(&tags, sourcePath) == 0 || tags.fields.IsEmpty())
        return TagCopyResult::kNoTags;
    return WriteAudioFileTags(&tags, outputPath) != 0 ? TagCopyResult::kCopied : TagCopyResult::kWriteFailed;
}
