// The toolbar's stored state: the layout signature decides whether the
// user's arrangement survives a new item table, and the visibility is
// remembered. The toolkit's toolbar is replaced by a recording fake.

#include "gui/framework/LToolBar.h"

#include "foundation/settings/LSettings.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct FakePeer : LToolBar::Peer
{
    explicit FakePeer(std::vector<std::string>* log) : log(log) {}
    void SetItems(const std::vector<LToolBar::Item>*) override { log->push_back("items"); }
    void ResetItems() override { log->push_back("reset"); }
    void CreateItems() override { log->push_back("create"); }
    void ShowToolbar(bool show) override { visible = show; }
    bool IsToolbarVisible() const override { return visible; }
    void EnableItem(int32_t command, bool enable) override
    {
        log->push_back("enable " + std::to_string(command) + (enable ? " on" : " off"));
    }
    bool IsItemEnabled(int32_t) const override { return true; }
    void ShowItem(int32_t, bool) override {}
    bool IsItemVisible(int32_t) const override { return true; }
    void SetItemLabel(int32_t, const std::string&) override {}
    void SetItemIcon(int32_t, int32_t) override {}
    void SetItemTooltip(int32_t, const std::string&) override {}
    void SelectItem(int32_t, bool) override {}
    bool IsItemSelected(int32_t) const override { return false; }
    void SetDropDownCommand(int32_t command, int32_t dropDown) override
    {
        log->push_back("dropdown " + std::to_string(command) + " " + std::to_string(dropDown));
    }

    std::vector<std::string>* log;
    bool visible = true;
};

class RecordingToolBar : public LToolBar
{
public:
    std::vector<std::string> log;

protected:
    std::unique_ptr<Peer> CreatePeer(LWindow*) override { return std::make_unique<FakePeer>(&log); }
};

const LToolBar::ToolBarItem kTable[] = {
    {0, 1001, 300, "Record", "Record", "Start recording"},
    {6, 0, 0, nullptr, "", ""},
    {2, 1002, 301, "Hidden", "Hidden", ""},
    {3, 1003, 302, "Split", "Split", "Split into tracks"},
};

std::string Stored(const char* section, const char* key)
{
    char value[260];
    LSettingsGetString(section, key, "<none>", value);
    return value;
}

using ToolBarState = quorin::test::TempHomeTest;

TEST_F(ToolBarState, SignatureStoredAndResetOnlyWhenItemsChange)
{
    {
        RecordingToolBar bar;
        bar.SetStateKey("Main");
        bar.Create(nullptr, kTable, 4, nullptr, 0);
        // Kind 2 is left out; the separator's empty name still counts.
        EXPECT_EQ(Stored("ToolBar", "Main"), "Record  Split");
        EXPECT_EQ(bar.log, (std::vector<std::string>{"items", "reset", "create"}));
    }
    {
        // Same names, another tooltip: the arrangement is kept.
        LToolBar::ToolBarItem changed[4];
        std::copy(std::begin(kTable), std::end(kTable), changed);
        changed[0].tooltip = "Record from the input";
        RecordingToolBar bar;
        bar.SetStateKey("Main");
        bar.Create(nullptr, changed, 4, nullptr, 0);
        EXPECT_EQ(bar.log, (std::vector<std::string>{"items", "create"}));
    }
    {
        // One more item: back to the table order.
        LToolBar::ToolBarItem grown[5];
        std::copy(std::begin(kTable), std::end(kTable), grown);
        grown[4] = {0, 1004, 303, "Burn", "Burn", "Burn a disc"};
        RecordingToolBar bar;
        bar.SetStateKey("Main");
        bar.Create(nullptr, grown, 5, nullptr, 0);
        EXPECT_EQ(bar.log, (std::vector<std::string>{"items", "reset", "create"}));
        EXPECT_EQ(Stored("ToolBar", "Main"), "Record  Split Burn");
    }
}

TEST_F(ToolBarState, LongSignatureIsComparedWhole)
{
    // Far more than 260 bytes of names.
    std::vector<std::string> names;
    std::vector<LToolBar::ToolBarItem> table;
    for (int i = 0; i < 40; ++i)
        names.push_back("Item number " + std::to_string(i));
    for (int i = 0; i < 40; ++i)
        table.push_back({0, 2000 + i, 0, names[i].c_str(), names[i].c_str(), ""});
    for (int start = 0; start < 2; ++start) {
        RecordingToolBar bar;
        bar.SetStateKey("Long");
        bar.Create(nullptr, table.data(), 40, nullptr, 0);
        EXPECT_EQ(bar.log.size(), start == 0 ? 3u : 2u) << "start " << start;
    }
}

TEST_F(ToolBarState, VisibilityIsRemembered)
{
    RecordingToolBar bar;
    bar.SetStateKey("Main");
    bar.Create(nullptr, kTable, 4, nullptr, 0);
    EXPECT_TRUE(bar.StoredVisibility(true));
    bar.Show(false);
    EXPECT_EQ(Stored("ToolBarState", "Main"), "0");
    EXPECT_FALSE(bar.IsVisible());
    EXPECT_FALSE(bar.StoredVisibility(true));
    bar.Show(true);
    EXPECT_EQ(Stored("ToolBarState", "Main"), "1");
}

TEST_F(ToolBarState, EmptyTableCreatesNothing)
{
    RecordingToolBar bar;
    bar.Create(nullptr, kTable, 0, nullptr, 0);
    EXPECT_TRUE(bar.log.empty());
    EXPECT_EQ(bar.GetPeer(), nullptr);
    bar.EnableItem(1001, false); // harmless without a toolbar
}

TEST(ToolBar, TooltipsCarryTheShortcutName)
{
    const LKeyToCommandMap accelerators[] = {
        {LKey{0, false}, 1003}, // a key without a name
        {LKey::FromCharacter('R', LKey::kCommand), 1001},
    };
    RecordingToolBar bar;
    bar.AddItems(kTable, 4, accelerators, 2);
    EXPECT_EQ(bar.Items()[0].tooltip, "Start recording (Ctrl+R)");
    EXPECT_EQ(bar.Items()[3].tooltip, "Split into tracks");
    // Cut between characters at 260 bytes.
    std::string longText(300, 'a');
    longText[258] = '\xC3';
    longText[259] = '\xA9';
    std::string cut = LToolBar::TooltipWithShortcut(longText.c_str(), 1, nullptr, 0);
    EXPECT_EQ(cut.size(), 258u);
}

TEST_F(ToolBarState, ShareItemsFollowTheCallersAndGetTheirDropDown)
{
    RecordingToolBar bar;
    bar.SetStateKey("Share");
    bar.CreateWithShareMenu(nullptr, kTable, 1, nullptr, 0);
    ASSERT_EQ(bar.Items().size(), 5u);
    EXPECT_EQ(bar.Items()[2].command, LToolBar::kShareCommand);
    EXPECT_EQ(bar.Items()[2].dropDownCommand, LToolBar::kShareCommand);
    EXPECT_EQ(bar.Items()[4].tooltip, "Display the manual (Ctrl+Shift+/)");
    EXPECT_EQ(Stored("ToolBar", "Share"), "Record  Share Oxbel Suite Help");
    EXPECT_EQ(bar.log.back(), "dropdown 9303 9303");
    EXPECT_EQ(LToolBar::ShareMenuItems().size(), 4u);
}

TEST(ToolBar, ArrowZoneOfDropDowns)
{
    struct Case
    {
        uint8_t kind;
        int x;
        bool arrow;
    };
    // A split button 65 points wide: the arrow zone starts at 44.
    const std::vector<Case> cases = {{3, 10, false}, {3, 43, false}, {3, 44, true}, {3, 64, true},
                                     {16, 0, true},  {9, 30, true},  {0, 40, false}};
    for (const auto& c : cases)
        EXPECT_EQ(LToolBar::IsArrowClick(c.kind, c.x, 65), c.arrow) << int(c.kind) << " at " << c.x;
    EXPECT_EQ(LToolBar::BaseWidth(0), 48);
    EXPECT_EQ(LToolBar::BaseWidth(16), 58);
    EXPECT_EQ(LToolBar::BaseWidth(17), 65);
}

} // namespace
