#include "app/program/wizard/MainWindowTrackReceiver.h"

#include "app/program/MainDialog.h"

#include <string>
#include <sys/stat.h>

bool MainWindowTrackReceiver::TakeFile(const char* path)
{
    if (window_ == nullptr || path == nullptr)
        return false;
    const std::string landed = window_->TakeFileIntoOutputFolder(path);
    // Only a regular file in the output folder counts, never the wizard's own.
    struct stat info;
    return !landed.empty() && landed != path && stat(landed.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}
