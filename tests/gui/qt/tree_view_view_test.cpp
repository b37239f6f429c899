// The tree view on screen: its item model under the model tester while
// items are added, expanded, collapsed, sorted and deleted; the user's
// expanding, selecting and renaming; dragging only with the owner's handler.

#include "gui/GuiTestSupport.h"

#include "gui/controls/LTreeView.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/lists/LQtTreeViewImpl.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDragEnterEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace quorin::test;

namespace {

class TreeWindow : public LWindow
{
public:
    std::vector<int> commands;
    void OnCommand(int command, int extra) override
    {
        commands.push_back(command);
        LWindow::OnCommand(command, extra);
    }
};

class TreeViewOnScreen : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GuiApp();
        window.CreateCocoaWindow(400, 400, kWindowStyleTitled | kWindowStyleClosable, false, nullptr);
        ASSERT_TRUE(window.ShowModeless(nullptr, LPlacementCenterOnScreen));
        const double s = window.GetScaleFactor();
        tree = LAddTreeView(&window, kTree, kTreeFlagEditable, 0, 0, static_cast<int>(400 * s),
                            static_cast<int>(400 * s));
        ASSERT_NE(tree, nullptr);
        EXPECT_EQ(LGetTreeView(&window, kTree), tree);
        EXPECT_EQ(LGetTreeView(&window, 99), nullptr);
        tester = std::make_unique<QAbstractItemModelTester>(
            View()->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        vinyl = tree->AddItemLast("Vinyl", nullptr, -1, 0);
        sideA = tree->AddItemLast("Side A", vinyl, -1, 0);
        tree->AddItemLast("Track 1", sideA, -1, 0);
        tree->AddItemLast("Track 2", sideA, -1, 0);
        tree->AddItemLast("Side B", vinyl, -1, 0);
        tape = tree->AddItemLast("Tape", nullptr, -1, 0);
        PumpFor(20);
    }
    void TearDown() override
    {
        tester.reset();
        if (window.IsWindow())
            window.EndDialog(kCommandCancel);
    }
    LQtTreeViewImpl* View() const
    {
        return qobject_cast<LQtTreeViewImpl*>(LQtFindControl(LQtWidget(window.GetView()), kTree));
    }
    QModelIndex IndexOf(const LOutlineNode* item) const
    {
        View()->TreeModel()->FlushReload();
        return View()->TreeModel()->IndexForNode(item, 0);
    }

    static constexpr int kTree = 600;
    TreeWindow window;
    LTreeViewManager* tree = nullptr;
    LOutlineNode* vinyl = nullptr;
    LOutlineNode* sideA = nullptr;
    LOutlineNode* tape = nullptr;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

TEST_F(TreeViewOnScreen, ExpansionByCallAndByTheUserAgree)
{
    QAbstractItemModel* model = View()->model();
    EXPECT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->rowCount(IndexOf(vinyl)), 2);
    EXPECT_FALSE(View()->isExpanded(IndexOf(vinyl)));

    tree->ExpandItem(vinyl);
    tree->ExpandItem(sideA);
    PumpFor(20);
    EXPECT_TRUE(View()->isExpanded(IndexOf(vinyl)));
    EXPECT_TRUE(View()->isExpanded(IndexOf(sideA)));
    EXPECT_EQ(tree->GetItemIndex(tape), 5);

    // The user collapses Side A with the keyboard.
    View()->setFocus();
    View()->setCurrentIndex(IndexOf(sideA));
    QTest::keyClick(View(), Qt::Key_Left);
    EXPECT_FALSE(sideA->expanded);
    EXPECT_EQ(tree->GetItemIndex(tape), 3);

    // A reload keeps what is expanded.
    tree->AddItemLast("Side C", vinyl, -1, 0);
    PumpFor(20);
    EXPECT_TRUE(View()->isExpanded(IndexOf(vinyl)));
    EXPECT_FALSE(View()->isExpanded(IndexOf(sideA)));

    tree->CollapseItem(vinyl);
    PumpFor(20);
    EXPECT_FALSE(View()->isExpanded(IndexOf(vinyl)));
    tree->SortRows();
    tree->DeleteItem(sideA);
    PumpFor(20);
    EXPECT_EQ(model->rowCount(IndexOf(vinyl)), 2);
}

TEST_F(TreeViewOnScreen, TheUsersSelectionSendsTheCommandAndSelectItemShowsTheItem)
{
    tree->selectionChangeCommand = 610;
    LOutlineNode* track = tree->FirstChildOfItem(sideA);
    tree->SelectItem(track);
    PumpFor(20);
    EXPECT_TRUE(View()->isExpanded(IndexOf(vinyl)));
    EXPECT_TRUE(View()->selectionModel()->isSelected(IndexOf(track)));
    window.commands.clear();
    QTest::mouseClick(View()->viewport(), Qt::LeftButton, {}, View()->visualRect(IndexOf(tape)).center());
    EXPECT_EQ(tree->GetSelectedItem(), tape);
    EXPECT_EQ(std::count(window.commands.begin(), window.commands.end(), 610), 1);
}

class Renamer : public LTreeViewLabelEditHandler
{
public:
    explicit Renamer(LTreeViewManager* tree) : tree(tree) {}
    void OnEndEdit(int treeId, LOutlineNode* item, const char* text) override
    {
        heard.push_back(std::to_string(treeId) + ":" + text);
        tree->SetText(item, (std::string(text) + "!").c_str());
    }
    LTreeViewManager* tree;
    std::vector<std::string> heard;
};

TEST_F(TreeViewOnScreen, RenamingInPlaceAsksTheOwner)
{
    Renamer renamer(tree);
    tree->SetEditHandler(&renamer);
    View()->setFocus();
    View()->setCurrentIndex(IndexOf(tape));
    View()->edit(IndexOf(tape));
    auto* line = View()->findChild<QLineEdit*>();
    ASSERT_NE(line, nullptr);
    line->setText("Cassette");
    QTest::keyClick(line, Qt::Key_Return);
    PumpFor(20);
    EXPECT_EQ(renamer.heard, std::vector<std::string>{"600:Cassette"});
    EXPECT_EQ(tree->GetText(tape), "Cassette!");
    EXPECT_EQ(IndexOf(tape).data().toString(), "Cassette!");
    tree->SetEditHandler(nullptr);
}

TEST_F(TreeViewOnScreen, ItemsDragOnlyWithTheOwnersDragHandlerAndOtherProgramsCannotDropHere)
{
    QAbstractItemModel* model = View()->model();
    EXPECT_FALSE(View()->dragEnabled());
    EXPECT_FALSE(model->flags(IndexOf(tape)) & Qt::ItemIsDragEnabled);

    LTreeViewDragHandler handler;
    tree->SetTvDragHandler(&handler);
    PumpFor(20);
    EXPECT_TRUE(View()->dragEnabled());
    EXPECT_TRUE(model->flags(IndexOf(tape)) & Qt::ItemIsDragEnabled);
    EXPECT_TRUE(model->flags(IndexOf(vinyl)) & Qt::ItemIsDragEnabled);

    // Files dragged from another program (no source inside this one).
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/tmp/side-a.wav")});
    const QPoint onTape = View()->visualRect(IndexOf(tape)).center();
    QDragEnterEvent enter(onTape, Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(View()->viewport(), &enter);
    EXPECT_FALSE(enter.isAccepted());
    EXPECT_EQ(model->rowCount(), 2);

    tree->SetTvDragHandler(nullptr);
    PumpFor(20);
    EXPECT_FALSE(View()->dragEnabled());
    EXPECT_FALSE(model->flags(IndexOf(tape)) & Qt::ItemIsDragEnabled);
}

} // namespace
