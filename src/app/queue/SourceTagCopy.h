#pragma once
// Carrying a recording's tags over to the file a job makes from it.

enum class TagCopyResult {
    kNoTags,      // the source has no tags (or a format without tags)
    kCopied,      // the tags are in the output
    kWriteFailed, // the source had tags but the output could not take them
};

// Reads the tags of sourcePath and writes them into outputPath, each in its
// own file's format (chosen by extension, compared without regard to case).
TagCopyResult CopySourceTags(const char* sourcePath, const char* outputPath);
