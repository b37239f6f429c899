#include "app/program/recording/RecordingTeeSink.h"

RecordingTeeSink::RecordingTeeSink(const LSoundSinkPtr& file, const LSoundSinkPtr& pipe)
    : LSoundSink(file->GetRate(), file->GetChannels()), file_(file), pipe_(pipe)
{
    position_ = file_->GetPosition();
    if (file_->IsFailed())
        SetFailed(file_->GetError());
}

RecordingTeeSink::~RecordingTeeSink() = default;

void RecordingTeeSink::Write(const int32_t* buffer, int64_t frames)
{
    file_->Write(buffer, frames);
    // A pipe of other channels than the file would read the block wrongly.
    if (pipe_->GetChannels() == channels_)
        pipe_->Write(buffer, frames);
    position_ = file_->GetPosition();
    // The recorder looks at this sink: a file that took no more (a full
    // disk) must show here, or the recording would run on writing nothing.
    if (file_->IsFailed() && !IsFailed())
        SetFailed(file_->GetError());
}

void RecordingTeeSink::Truncate(int64_t frame)
{
    file_->Truncate(frame);
    position_ = file_->GetPosition();
}

bool RecordingTeeSink::Finish()
{
    return file_->Finish();
}
