#pragma once
// The files a job writes. A job never writes its result under the final
// name: it writes a hidden file beside it (".quorin-<pid>-q<n>" followed by
// the result's extension, so that tag writers still know the format),
// flushes it, and only a complete file is renamed into place. A job that
// fails, is stopped or is killed therefore never leaves a partial file under
// a real name, and never replaces a good file with a bad one.

#include "audio/core/LSoundSink.h"
#include "audio/formats/wav/LWaveFormatBlock.h"
#include "foundation/files/LPath.h"

#include <cstdint>

class JobOutputFile
{
public:
    JobOutputFile() = default;
    // Removes a file that was not committed.
    ~JobOutputFile();
    JobOutputFile(const JobOutputFile&) = delete;
    JobOutputFile& operator=(const JobOutputFile&) = delete;

    // Makes the hidden file beside finalPath (empty, mode 0666 less the
    // umask), with finalPath's extension. False when it cannot be made.
    bool Create(const char* finalPath);
    const char* TempPath() const { return temp_; }

    // Flushes the file's data to the disk and renames it over target (an
    // existing file there is replaced whole, never deleted first). Then
    // flushes the folder, so the rename survives a power cut.
    bool CommitReplacing(const char* target);
    // The same, but an existing target is never replaced: false with errno
    // EEXIST when something is there.
    bool CommitNoReplace(const char* target);
    // Removes the file (when it was not committed).
    void Discard();

private:
    bool Sync();
    char temp_[kLPathSize] = {};
    bool committed_ = false;
};

// True when the path's extension is `extension` (compared without regard to case).
bool HasExtensionNoCase(const char* path, const char* extension);

// The sink a job writes: an MP3 encoder sink when mp3 is set, else the file
// sink of the format block. A failed sink when it cannot be made (no encoder
// component, a file that cannot be opened, a format we do not write).
void CreateJobSink(LSoundSinkPtr& sink, const char* path, bool mp3, int32_t rate, uint8_t channels,
                   const LWaveFormatBlock& wavFormat);

// The WAV format of a job's output: 16-bit PCM at the source's rate and
// channels, or what the user chose in the WAV encoder options ("WavCodec.wff",
// written with these defaults when missing), where a choice of "Match
// Source" keeps the source's rate or channels.
void JobWavFormat(LWaveFormatBlock& block, int32_t rate, uint8_t channels);

// Removes the hidden job files of processes that no longer run (a job that
// was killed midway) from the folder.
void RemoveStaleJobFiles(const char* folder);

// fsync of a file's folder, so that a rename or an unlink in it is durable.
void SyncFolderOfPath(const char* path);
