#pragma once
// A window's toolbar, given as a table of items. Every item sends its
// command id to the host window as a control with that id would, so toolbar
// buttons, menu items and controls share one command space. The toolbar's
// visibility is remembered per state key ("ToolBarState"), and a change of
// the item set discards the user's saved arrangement ("ToolBar").
//
// The toolkit's toolbar is a peer behind LToolBarPeer; this class holds the
// rules that do not depend on it.

#include "gui/framework/LKey.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class LPopupMenu;
class LWindow;

class LToolBar
{
public:
    // One row of a toolbar table.
    struct ToolBarItem
    {
        uint8_t kind;
        int32_t command;
        int32_t icon;      // image resource id
        const char* name;  // for the layout signature
        const char* label; // shown under the icon; the title of the menu form
        const char* tooltip;
    };

    // Item kinds with a behaviour of their own; any other kind is a plain button.
    static constexpr uint8_t kFlexibleSpace = 5;
    static constexpr uint8_t kSeparator = 6;
    static constexpr uint8_t kUnsigned = 2; // left out of the layout signature
    static bool IsSplitDropDown(uint8_t kind) { return kind == 3 || kind == 8 || kind == 11 || kind == 17; }
    static bool IsWholeDropDown(uint8_t kind) { return kind == 9 || kind == 16 || kind == 18; }
    static bool IsDropDown(uint8_t kind) { return IsSplitDropDown(kind) || IsWholeDropDown(kind); }
    static bool IsCheckItem(uint8_t kind) { return kind == 10 || kind == 15 || kind == 17 || kind == 18; }
    static bool IsSelectable(uint8_t kind) { return kind == 7 || kind == 8 || kind == 9 || kind == 14; }
    // Button size in points: 48 x 42 plain, 58 whole and 65 split drop-downs.
    static int BaseWidth(uint8_t kind)
    {
        return IsWholeDropDown(kind) ? 58 : IsSplitDropDown(kind) ? 65 : 48;
    }
    static constexpr int kButtonHeight = 42;
    static constexpr int kLabelHeight = 14;
    // Does a click at x (points, in a button `width` wide) hit the arrow zone?
    static bool IsArrowClick(uint8_t kind, int x, int width);

    // The command the Share item and its drop-down send.
    static constexpr int32_t kShareCommand = 9303;

    // An item as the toolbar keeps it (a copy of its table row).
    struct Item
    {
        uint8_t kind = 0;
        int32_t command = 0;
        int32_t icon = 0;
        std::string name;
        std::string label;
        std::string tooltip;
        int32_t dropDownCommand = 0; // 0: none
    };

    // What the toolkit's toolbar does for us.
    class Peer
    {
    public:
        virtual ~Peer() = default;
        virtual void SetItems(const std::vector<Item>* items) = 0;
        // Replace whatever arrangement is shown by the table order.
        virtual void ResetItems() = 0;
        // Put the toolbar on the host window.
        virtual void CreateItems() = 0;
        virtual void ShowToolbar(bool show) = 0;
        virtual bool IsToolbarVisible() const = 0;
        virtual void EnableItem(int32_t command, bool enable) = 0;
        virtual bool IsItemEnabled(int32_t command) const = 0;
        virtual void ShowItem(int32_t command, bool show) = 0;
        virtual bool IsItemVisible(int32_t command) const = 0;
        virtual void SetItemLabel(int32_t command, const std::string& label) = 0;
        virtual void SetItemIcon(int32_t command, int32_t icon) = 0;
        virtual void SetItemTooltip(int32_t command, const std::string& tooltip) = 0;
        virtual void SelectItem(int32_t command, bool select) = 0;
        virtual bool IsItemSelected(int32_t command) const = 0;
        virtual void SetDropDownCommand(int32_t command, int32_t dropDownCommand) = 0;
        // Screen point (points) under the item's bottom-left corner, where its
        // drop-down menu opens; false when the item is not shown.
        virtual bool DropDownMenuOrigin(int32_t command, double* x, double* y) const
        {
            (void)command, (void)x, (void)y;
            return false;
        }
    };

    LToolBar();
    virtual ~LToolBar();

    // Small-button mode: the host window shows the items as controls of its
    // own over a background control; enabling and showing then act on the
    // controls with the items' command ids, and no toolkit toolbar is made.
    void SetSmallButtonMode(bool on) { smallButtons_ = on; }
    bool IsSmallButtonMode() const { return smallButtons_; }
    void SetBackgroundControlId(int id) { backgroundId_ = id; }
    int BackgroundControlId() const { return backgroundId_; }
    LToolBar(const LToolBar&) = delete;
    LToolBar& operator=(const LToolBar&) = delete;

    // The name under which the arrangement and the visibility are stored.
    void SetStateKey(const char* key);
    const std::string& StateKey() const { return stateKey_; }
    // The toolkit identifier, also the prefix of item identifiers.
    void SetToolbarIdentifier(const char* identifier);
    const std::string& ToolbarIdentifier() const { return identifier_; }

    // Builds the toolbar from the table on the host window; nothing for an
    // empty table. Tooltips of items found in the accelerator table carry
    // their shortcut name.
    virtual void Create(LWindow* host, const ToolBarItem* table, int count,
                        const LKeyToCommandMap* accelerators, int acceleratorCount);
    // As Create, with the program's own Share, Oxbel Suite and Help items
    // after the caller's, the Share drop-down filled.
    virtual void CreateWithShareMenu(LWindow* host, const ToolBarItem* table, int count,
                                     const LKeyToCommandMap* accelerators, int acceleratorCount);

    void AddItems(const ToolBarItem* table, int count, const LKeyToCommandMap* accelerators,
                  int acceleratorCount);
    // The names of all signed items, joined with single spaces.
    std::string LayoutSignature() const;
    // Compares the signature with the stored one (whole, whatever its
    // length); a difference resets the arrangement to the table order. The
    // new signature is stored. Returns true when the arrangement was reset.
    bool ApplyLayout();

    void EnableItem(int32_t command, bool enable);
    bool IsItemEnabled(int32_t command) const;
    // Shows or hides the toolbar and remembers it ("1" or "0").
    void Show(bool show);
    bool IsVisible() const;
    // The remembered visibility, `fallback` when none is stored.
    bool StoredVisibility(bool fallback) const;
    void ShowItem(int32_t command, bool show);
    bool IsItemVisible(int32_t command) const;
    void SetItemLabel(int32_t command, const char* label);
    void SetItemIcon(int32_t command, int32_t icon);
    void SetItemTooltip(int32_t command, const char* tooltip);
    void SelectItem(int32_t command, bool select);
    bool IsItemSelected(int32_t command) const;
    void SetDropDownCommand(int32_t command, int32_t dropDownCommand);

    const std::vector<Item>& Items() const { return items_; }
    LWindow* Host() const { return host_; }
    Peer* GetPeer() const { return peer_.get(); }

    // The items of the Share drop-down, in menu order.
    struct ShareMenuItem
    {
        int32_t command;
        const char* title;
        int32_t image;
    };
    static const std::vector<ShareMenuItem>& ShareMenuItems();
    // The drop-down menu of the Share item (made on first use, filled with
    // the Share items); null unless the toolbar was made with the Share menu.
    LPopupMenu* DropDownMenu();
    // Opens the drop-down menu under the item; false when it cannot.
    bool ShowDropDownMenu(int32_t command = kShareCommand);

    // "text (shortcut)" when the first accelerator for the command has a
    // name; the text alone otherwise. Cut at 260 bytes between characters.
    static std::string TooltipWithShortcut(const char* text, int32_t command,
                                           const LKeyToCommandMap* accelerators, int acceleratorCount);

protected:
    // The toolkit's toolbar for the host; the window layer provides it.
    virtual std::unique_ptr<Peer> CreatePeer(LWindow* host);

private:
    void Begin(LWindow* host);

    bool smallButtons_ = false;
    int backgroundId_ = 801;
    bool withShareMenu_ = false;
    std::unique_ptr<LPopupMenu> dropDownMenu_;
    LWindow* host_ = nullptr;
    std::vector<Item> items_;
    std::unique_ptr<Peer> peer_;
    std::string stateKey_ = "ToolBar";
    std::string identifier_ = "QuorinToolBar";
};

// A button control's title (small toolbar buttons); nothing for other controls.
void LSetButtonText(LWindow* window, int id, const char* text);
// The control's tooltip, with the shortcut name of the first accelerator for
// the id when it has one ("text (shortcut)").
void LSetToolTipWithShortcut(LWindow* window, int id, const char* text, const LKeyToCommandMap* accelerators,
                             int acceleratorCount);
