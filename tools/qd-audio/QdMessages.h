#pragma once
// The failure lines of commands that read and write audio files: each names
// the path and says what is wrong with it, with the system's reason where
// there is one.

#include "audio/core/LSoundSink.h"
#include "audio/core/LSoundSource.h"

struct LAudioFileInfo;

// "PATH: <why the file cannot be read>"; returns the failure status.
int QdFailSource(const char* path, const LSoundSourcePtr& source, const LAudioFileInfo& info);

// "PATH: cannot be written: <reason>"; `format` describes what was asked
// when the sink refused it (a rate or coding it cannot write). Abandons the
// sink so that nothing is left under the path. Returns the failure status.
int QdFailSink(const char* path, const LSoundSinkPtr& sink, const char* format);
