#pragma once
// The sink the session gives the recorder: every block goes to the WAV file
// and to the monitor pipe. The recorder cuts its sink back when it leaves
// out a long silence and when it stops; those cuts must reach the file (the
// pipe cannot take back what it sent), and the recorder's idea of the
// position must be the file's, so that a resumed recording continues at the
// end of what the file holds.

#include "audio/core/LSoundSink.h"

class RecordingTeeSink : public LSoundSink
{
public:
    // Rate and channels are the file's.
    RecordingTeeSink(const LSoundSinkPtr& file, const LSoundSinkPtr& pipe);
    ~RecordingTeeSink() override;

    void Write(const int32_t* buffer, int64_t frames) override;
    void Truncate(int64_t frame) override;
    // Completes the file (the pipe's writer end closes with its last handle).
    bool Finish() override;

private:
    LSoundSinkPtr file_;
    LSoundSinkPtr pipe_;
};
