#include "app/program/wizard/MainWindowTrackReceiver.h"

#include "app/program/MainDialog.h"
#include "gui/framework/LCommandRouting.h"

#include <cstdint>
#include <string>
#include <sys/stat.h>

bool MainWindowTrackReceiver::TakeFile(const char* path)
{
    if (window_ == nullptr || window_->GetView() == nullptr || path == nullptr)
        return false;
    // The handler runs before the send returns and owns the text.
    auto* text = new std::string(path);
    if (!LSendWindowMessage(window_->GetView(), kMainMsgJobDone,
                            static_cast<int64_t>(reinterpret_cast<intptr_t>(text)), 0))
        return false;
    // Only a regular file in the output folder counts, never the wizard's own.
    const std::string& landed = window_->LastJobDoneFile();
    struct stat info;
    return !landed.empty() && landed != path && stat(landed.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}
