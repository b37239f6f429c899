#include "app/program/menus/LHelpLinks.h"

#include "app/program/startup/LSupportServices.h"
#include "gui/framework/LMainMenu.h"

void LHelpLinks::Create(const LHelpLinkEntry* entries, int32_t before)
{
    entries_ = entries;
    count_ = 0;
    if (entries == nullptr)
        return;
    while (entries[count_].title != nullptr && kFirstCommand + count_ <= kLastCommand)
        ++count_;
    for (int i = 0; i < count_; ++i)
        if (entries[i].title[0] != '\0')
            LMainMenuInsertItem(before, kFirstCommand + i, entries[i].title);
}

bool LHelpLinks::OnCommand(int32_t command) const
{
    if (entries_ == nullptr || command < kFirstCommand || command >= kFirstCommand + count_)
        return false;
    LOpenProductPage(entries_[command - kFirstCommand].page);
    return true;
}
