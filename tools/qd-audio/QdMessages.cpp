#include "QdMessages.h"

#include "QdCommand.h"

#include "audio/formats/LAudioFileOpener.h"

#include <cerrno>
#include <cstring>

int QdFailSource(const char* path, const LSoundSourcePtr& source, const LAudioFileInfo& info)
{
    const uint8_t status = source->GetStatus();
    if (status == kSoundStatusCannotOpen && info.systemError != 0)
        return QdFail("%s: cannot be opened: %s", path, std::strerror(info.systemError));
    return QdFail("%s: %s", path, LSoundStatusText(status));
}

int QdFailSink(const char* path, const LSoundSinkPtr& sink, const char* format)
{
    const int error = sink->GetError();
    sink->Abandon();
    if (error == EINVAL || error == 0)
        return QdFail("%s: cannot be written as %s", path, format);
    return QdFail("%s: cannot be written: %s", path, std::strerror(error));
}
