#include "gui/framework/LToolBar.h"

#include "gui/framework/LPopupMenu.h"
#include "gui/framework/LWindow.h"

#include "foundation/settings/LSettings.h"
#include "foundation/text/LStringLong.h"
#include "foundation/text/LUtf8.h"

namespace {

constexpr const char* kArrangementSection = "ToolBar";
constexpr const char* kVisibilitySection = "ToolBarState";

std::string CutAt260(const std::string& text)
{
    char buffer[260];
    LUtf8CopyWhole(buffer, text.c_str(), sizeof buffer);
    return buffer;
}

} // namespace

LToolBar::LToolBar() = default;
LToolBar::~LToolBar() = default;

bool LToolBar::IsArrowClick(uint8_t kind, int x, int width)
{
    if (IsWholeDropDown(kind))
        return true;
    if (!IsSplitDropDown(kind))
        return false;
    return x >= static_cast<int>((width - 49) * 0.5) + 36;
}

void LToolBar::SetStateKey(const char* key)
{
    stateKey_ = key ? CutAt260(key) : std::string();
}

void LToolBar::SetToolbarIdentifier(const char* identifier)
{
    identifier_ = identifier ? CutAt260(identifier) : std::string();
}

std::string LToolBar::TooltipWithShortcut(const char* text, int32_t command,
                                          const LKeyToCommandMap* accelerators, int acceleratorCount)
{
    std::string tooltip = text ? text : "";
    if (!accelerators)
        acceleratorCount = 0;
    for (int i = 0; i < acceleratorCount; ++i) {
        if (accelerators[i].command != command)
            continue;
        std::string name = LKeyName(accelerators[i].key);
        if (!name.empty())
            tooltip += " (" + name + ")";
        break;
    }
    return CutAt260(tooltip);
}

void LToolBar::AddItems(const ToolBarItem* table, int count, const LKeyToCommandMap* accelerators,
                        int acceleratorCount)
{
    if (!table || count <= 0)
        return;
    items_.reserve(items_.size() + static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const ToolBarItem& row = table[i];
        Item item;
        item.kind = row.kind;
        item.command = row.command;
        item.icon = row.icon;
        item.name = row.name ? row.name : "";
        item.label = row.label ? row.label : "";
        item.tooltip = row.tooltip ? row.tooltip : "";
        if (!item.tooltip.empty())
            item.tooltip =
                TooltipWithShortcut(item.tooltip.c_str(), row.command, accelerators, acceleratorCount);
        items_.push_back(std::move(item));
    }
    if (peer_)
        peer_->SetItems(&items_);
}

std::string LToolBar::LayoutSignature() const
{
    std::string joined;
    bool first = true;
    for (const Item& item : items_) {
        if (item.kind == kUnsigned)
            continue;
        if (!first)
            joined += ' ';
        joined += item.name;
        first = false;
    }
    return joined;
}

bool LToolBar::ApplyLayout()
{
    const std::string signature = LayoutSignature();
    // Read whole: a long table must not look changed at every start.
    LStringLongTemplate<char> stored;
    LSettingsGetLongString(kArrangementSection, stateKey_.c_str(), "", &stored);
    const bool reset = signature != (stored.data ? stored.data : "");
    if (reset && peer_)
        peer_->ResetItems();
    LSettingsSetString(kArrangementSection, stateKey_.c_str(), signature.c_str());
    if (peer_)
        peer_->CreateItems();
    return reset;
}

void LToolBar::Begin(LWindow* host)
{
    host_ = host;
    items_.clear();
    withShareMenu_ = false;
    dropDownMenu_.reset();
    peer_.reset();
    if (!smallButtons_)
        peer_ = CreatePeer(host);
}

void LToolBar::Create(LWindow* host, const ToolBarItem* table, int count,
                      const LKeyToCommandMap* accelerators, int acceleratorCount)
{
    if (!table || count <= 0)
        return;
    Begin(host);
    AddItems(table, count, accelerators, acceleratorCount);
    ApplyLayout();
}

void LToolBar::CreateWithShareMenu(LWindow* host, const ToolBarItem* table, int count,
                                   const LKeyToCommandMap* accelerators, int acceleratorCount)
{
    if (!table || count <= 0)
        return;
    static const ToolBarItem kOwnItems[] = {
        {kFlexibleSpace, 0, 0, nullptr, "", ""},
        {16, kShareCommand, 328, "Share", "Share", "Share Quorin"},
        {0, 98, 315, "Oxbel Suite", "Oxbel Suite", "Browse the other products that Oxbel produces"},
        {0, LFourCC("ahlp"), 306, "Help", "Help", "Display the manual"},
    };
    static const LKeyToCommandMap kOwnAccelerators[] = {{LKey{0x3002F, false}, LFourCC("ahlp")}};
    Begin(host);
    AddItems(table, count, accelerators, acceleratorCount);
    AddItems(kOwnItems, 4, kOwnAccelerators, 1);
    ApplyLayout();
    SetDropDownCommand(kShareCommand, kShareCommand);
    withShareMenu_ = true;
}

LPopupMenu* LToolBar::DropDownMenu()
{
    if (!withShareMenu_)
        return nullptr;
    if (!dropDownMenu_) {
        dropDownMenu_ = std::make_unique<LPopupMenu>();
        dropDownMenu_->Create(host_, "");
        for (const ShareMenuItem& item : ShareMenuItems())
            dropDownMenu_->AddItemWithImage(item.command, item.title, nullptr, 0, item.image);
    }
    return dropDownMenu_.get();
}

bool LToolBar::ShowDropDownMenu(int32_t command)
{
    double x = 0;
    double y = 0;
    if (!peer_ || !peer_->DropDownMenuOrigin(command, &x, &y))
        return false;
    LPopupMenu* menu = DropDownMenu();
    if (!menu)
        return false;
    menu->TrackPopup(host_, true, x, y);
    return true;
}

const std::vector<LToolBar::ShareMenuItem>& LToolBar::ShareMenuItems()
{
    static const std::vector<ShareMenuItem> items = {
        {9320, "Like Oxbel Software on Facebook", 325},
        {9310, "Share Quorin on Facebook", 324},
        {9311, "Share Quorin on Twitter", 326},
        {9316, "Share Quorin on LinkedIn", 327},
    };
    return items;
}

void LToolBar::EnableItem(int32_t command, bool enable)
{
    if (command == 0)
        return;
    if (smallButtons_) {
        if (host_)
            host_->EnableControl(command, enable);
        return;
    }
    if (peer_)
        peer_->EnableItem(command, enable);
}

bool LToolBar::IsItemEnabled(int32_t command) const
{
    if (smallButtons_)
        return host_ && host_->IsControlEnabled(command);
    return peer_ && peer_->IsItemEnabled(command);
}

void LToolBar::Show(bool show)
{
    if (smallButtons_) {
        if (host_) {
            host_->ShowControl(backgroundId_, show);
            for (const Item& item : items_)
                if (item.command != 0)
                    host_->ShowControl(item.command, show);
        }
    } else if (peer_) {
        peer_->ShowToolbar(show);
    }
    LSettingsSetString(kVisibilitySection, stateKey_.c_str(), show ? "1" : "0");
}

bool LToolBar::IsVisible() const
{
    if (smallButtons_)
        return host_ && host_->IsControlVisible(backgroundId_);
    return peer_ && peer_->IsToolbarVisible();
}

bool LToolBar::StoredVisibility(bool fallback) const
{
    return LSettingsGetInt(kVisibilitySection, stateKey_.c_str(), fallback ? 1 : 0) != 0;
}

void LToolBar::ShowItem(int32_t command, bool show)
{
    if (smallButtons_) {
        if (host_ && command != 0)
            host_->ShowControl(command, show);
        return;
    }
    if (peer_)
        peer_->ShowItem(command, show);
}

bool LToolBar::IsItemVisible(int32_t command) const
{
    if (smallButtons_)
        return host_ && host_->IsControlVisible(command);
    return peer_ && peer_->IsItemVisible(command);
}

void LToolBar::SetItemLabel(int32_t command, const char* label)
{
    if (peer_)
        peer_->SetItemLabel(command, label ? label : "");
}

void LToolBar::SetItemIcon(int32_t command, int32_t icon)
{
    for (Item& item : items_)
        if (item.command == command)
            item.icon = icon;
    if (peer_)
        peer_->SetItemIcon(command, icon);
}

void LToolBar::SetItemTooltip(int32_t command, const char* tooltip)
{
    if (peer_)
        peer_->SetItemTooltip(command, tooltip ? tooltip : "");
}

void LToolBar::SelectItem(int32_t command, bool select)
{
    if (peer_)
        peer_->SelectItem(command, select);
}

bool LToolBar::IsItemSelected(int32_t command) const
{
    return peer_ && peer_->IsItemSelected(command);
}

void LToolBar::SetDropDownCommand(int32_t command, int32_t dropDownCommand)
{
    for (Item& item : items_)
        if (item.command == command)
            item.dropDownCommand = dropDownCommand;
    if (peer_)
        peer_->SetDropDownCommand(command, dropDownCommand);
}
