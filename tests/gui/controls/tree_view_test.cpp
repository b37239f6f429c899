// The tree view's toolkit-free model: adding in place, siblings, rows over
// expanded and collapsed items, selection, sorting and renaming.

#include "gui/controls/LTreeView.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> ShownRows(const LTreeViewManager& tree)
{
    std::vector<std::string> rows;
    for (int row = 0; row < tree.RowCount(); ++row)
        rows.push_back(tree.GetText(tree.GetItem(row)));
    return rows;
}

std::vector<std::string> Children(LTreeViewManager& tree, LOutlineNode* parent)
{
    std::vector<std::string> texts;
    for (LOutlineNode* item = tree.FirstChildOfItem(parent); item; item = tree.NextSiblingOfItem(item))
        texts.push_back(tree.GetText(item));
    return texts;
}

TEST(TreeView, AddingAfterAnItemFirstAndLast)
{
    LTreeViewManager tree;
    LOutlineNode* music = tree.AddItemLast("Music", nullptr, -1, 0);
    LOutlineNode* a = tree.AddItem("A", music, nullptr, -1, 0);
    LOutlineNode* c = tree.AddItem("C", music, nullptr, -1, 0);
    tree.AddItem("B", music, a, -1, 0); // right after A
    tree.AddItem("D", music, c, -1, 0); // after the last child: appended
    LOutlineNode* other = tree.AddItemLast("Other", nullptr, -1, 0);
    tree.AddItem("E", music, other, -1, 0); // another parent's item: appended
    tree.AddItemFirst("0", music, -1, 0);
    EXPECT_EQ(Children(tree, music), (std::vector<std::string>{"0", "A", "B", "C", "D", "E"}));
    EXPECT_EQ(Children(tree, nullptr), (std::vector<std::string>{"Music", "Other"}));
    LOutlineNode* empty = tree.AddItemFirst("only", other, -1, 0);
    EXPECT_EQ(tree.FirstChildOfItem(other), empty);
    EXPECT_EQ(tree.GetRoot(), music);
}

TEST(TreeView, Siblings)
{
    LTreeViewManager tree;
    LOutlineNode* one = tree.AddItemLast("1", nullptr, -1, 0);
    LOutlineNode* two = tree.AddItemLast("2", nullptr, -1, 0);
    LOutlineNode* three = tree.AddItemLast("3", nullptr, -1, 0);
    EXPECT_EQ(tree.PreviousSiblingOfItem(two), one);
    EXPECT_EQ(tree.PreviousSiblingOfItem(one), nullptr);
    EXPECT_EQ(tree.PreviousSiblingOfItem(three), two);
    EXPECT_EQ(tree.NextSiblingOfItem(three), nullptr);
    EXPECT_EQ(tree.NextSiblingOfItem(nullptr), nullptr);
    EXPECT_EQ(tree.PreviousSiblingOfItem(nullptr), nullptr);
    EXPECT_EQ(tree.FirstChildOfItem(three), nullptr);
}

TEST(TreeView, RowsFollowExpansion)
{
    LTreeViewManager tree;
    LOutlineNode* vinyl = tree.AddItemLast("Vinyl", nullptr, -1, 0);
    LOutlineNode* sideA = tree.AddItemLast("Side A", vinyl, -1, 0);
    tree.AddItemLast("Track 1", sideA, -1, 0);
    tree.AddItemLast("Side B", vinyl, -1, 0);
    LOutlineNode* tape = tree.AddItemLast("Tape", nullptr, -1, 0);

    EXPECT_EQ(ShownRows(tree), (std::vector<std::string>{"Vinyl", "Tape"}));
    EXPECT_EQ(tree.NodeCount(), 5);
    EXPECT_EQ(tree.GetItemIndex(sideA), -1); // under a collapsed parent: no row
    EXPECT_EQ(tree.GetItemIndex(tape), 1);

    tree.ExpandTreeRoot();
    EXPECT_EQ(ShownRows(tree), (std::vector<std::string>{"Vinyl", "Side A", "Side B", "Tape"}));
    EXPECT_EQ(tree.GetItemIndex(tape), 3); // later rows shift
    tree.ExpandItem(sideA);
    EXPECT_EQ(ShownRows(tree), (std::vector<std::string>{"Vinyl", "Side A", "Track 1", "Side B", "Tape"}));
    tree.CollapseItem(vinyl);
    EXPECT_EQ(ShownRows(tree), (std::vector<std::string>{"Vinyl", "Tape"}));
    EXPECT_TRUE(sideA->expanded); // kept for when its parent opens again

    EXPECT_EQ(tree.GetItem(-1), nullptr);
    EXPECT_EQ(tree.GetItemIndex(nullptr), -1);
}

TEST(TreeView, SelectingAnItemOpensItsAncestors)
{
    LTreeViewManager tree;
    std::vector<int> sent;
    tree.SetSelectionChangeHandler([&] { sent.push_back(1); });
    LOutlineNode* a = tree.AddItemLast("A", nullptr, -1, 0);
    LOutlineNode* b = tree.AddItemLast("B", a, -1, 0);
    LOutlineNode* c = tree.AddItemLast("C", b, -1, 0);
    tree.SelectItem(c);
    EXPECT_TRUE(a->expanded);
    EXPECT_TRUE(b->expanded);
    EXPECT_EQ(tree.GetSelectedItem(), c);
    EXPECT_EQ(tree.GetItemIndex(c), 2);
    EXPECT_EQ(sent.size(), 1u);
    tree.SelectItem(a);
    EXPECT_EQ(tree.SelectedRows(), std::vector<int>{0});
    tree.SelectItem(nullptr);
    EXPECT_EQ(tree.GetSelectedItem(), a);

    // Deleting a parent takes its children and their selection along.
    tree.SelectItem(c);
    tree.DeleteItem(b);
    EXPECT_EQ(tree.GetSelectedItem(), nullptr);
    EXPECT_EQ(tree.NodeCount(), 1);
}

TEST(TreeView, TextsImagesAndData)
{
    LTreeViewManager tree;
    tree.SetImages({301, 302});
    LOutlineNode* item = tree.AddItemLast("Name", nullptr, 1, 77);
    EXPECT_EQ(tree.ImageForItem(item), 1);
    EXPECT_EQ(tree.DataForItem(item), 77);
    LOutlineNode* plain = tree.AddItemLast("Plain", nullptr, -1, 0);
    LOutlineNode* beyond = tree.AddItemLast("Beyond", nullptr, 2, 0);
    // No image reads as 0, the same as the first image.
    EXPECT_EQ(tree.ImageForItem(plain), 0);
    EXPECT_EQ(tree.ImageForItem(beyond), 0);
    EXPECT_EQ(tree.ImageForItem(nullptr), 0);
    tree.SetImage(plain, 5);
    EXPECT_EQ(plain->Image(0), -1);
    tree.SetImage(plain, 0);
    EXPECT_EQ(plain->Image(0), 0);

    tree.SetText(item, "Renamed");
    char buffer[260];
    EXPECT_STREQ(tree.GetText(buffer, item), "Renamed");
    EXPECT_STREQ(tree.GetText(buffer, nullptr), "");
    const std::string longName(400, 'x');
    tree.SetText(item, longName.c_str());
    EXPECT_EQ(std::strlen(tree.GetText(buffer, item)), 259u);
    tree.SetData(item, 5);
    EXPECT_EQ(tree.DataForItem(item), 5);
    EXPECT_EQ(tree.DataForItem(nullptr), 0);
}

TEST(TreeView, SortingOrdersEveryLevelByNaturalText)
{
    LTreeViewManager tree;
    LOutlineNode* b = tree.AddItemLast("b", nullptr, -1, 0);
    tree.AddItemLast("Track 10", b, -1, 0);
    tree.AddItemLast("track 2", b, -1, 0);
    tree.AddItemLast("A", nullptr, -1, 0);
    tree.SortRows();
    EXPECT_EQ(Children(tree, nullptr), (std::vector<std::string>{"A", "b"}));
    EXPECT_EQ(Children(tree, b), (std::vector<std::string>{"track 2", "Track 10"}));
}

class Renamer : public LTreeViewLabelEditHandler
{
public:
    explicit Renamer(LTreeViewManager* tree) : tree(tree) {}
    void OnEndEdit(int treeId, LOutlineNode* item, const char* text) override
    {
        ids.push_back(treeId);
        if (*text)
            tree->SetText(item, text);
    }
    LTreeViewManager* tree;
    std::vector<int> ids;
};

TEST(TreeView, RenamingGoesThroughTheOwner)
{
    LTreeViewManager tree(61);
    LOutlineNode* parent = tree.AddItemLast("Parent", nullptr, -1, 0);
    LOutlineNode* hidden = tree.AddItemLast("Hidden", parent, -1, 0);
    tree.EndEdit(parent, "ignored"); // no handler: nothing
    EXPECT_EQ(tree.GetText(parent), "Parent");
    Renamer renamer(&tree);
    tree.SetEditHandler(&renamer);
    tree.EndEdit(parent, "Albums");
    tree.EndEdit(parent, "");          // the owner refuses an empty name
    tree.EndEdit(hidden, "Not shown"); // an item without a row is not renamed
    EXPECT_EQ(tree.GetText(parent), "Albums");
    EXPECT_EQ(tree.GetText(hidden), "Hidden");
    EXPECT_EQ(renamer.ids, (std::vector<int>{61, 61}));
    tree.SetDefaultSettingsAndFlags(kTreeFlagEditable);
    EXPECT_TRUE(tree.IsEditable());
    tree.SetDefaultSettingsAndFlags(0);
    EXPECT_FALSE(tree.IsEditable());
}

} // namespace
