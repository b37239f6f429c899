#include "app/program/MainWindowMessages.h"

#include "app/program/LMainWindow.h"
#include "gui/framework/LCommandRouting.h"

namespace {

void DeleteTextPayload(int64_t data1)
{
    delete reinterpret_cast<std::string*>(static_cast<intptr_t>(data1));
}

void DeleteSplitPayload(int64_t data1)
{
    delete reinterpret_cast<MainSplitRequest*>(static_cast<intptr_t>(data1));
}

} // namespace

bool PostMainWindowMessage(uint32_t code, const std::string& text, int64_t integer)
{
    LMainWindow* main = LMainWindow::Instance();
    if (main == nullptr)
        return false;
    auto* payload = new std::string(text);
    return LPostWindowMessage(main->GetView(), code,
                              static_cast<int64_t>(reinterpret_cast<intptr_t>(payload)), integer,
                              &DeleteTextPayload);
}

bool PostMainWindowSplit(const MainSplitRequest& request)
{
    LMainWindow* main = LMainWindow::Instance();
    if (main == nullptr)
        return false;
    auto* payload = new MainSplitRequest(request);
    return LPostWindowMessage(main->GetView(), kMainMsgSplitFile,
                              static_cast<int64_t>(reinterpret_cast<intptr_t>(payload)), 0,
                              &DeleteSplitPayload);
}
