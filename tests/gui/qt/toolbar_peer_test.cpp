// Toolbar buttons on a real QToolBar: which command a click sends, where the
// split button's arrow zone is, and hiding and showing items.

#include "gui/framework/LToolBar.h"
#include "gui/qt/app/LQtCommandSink.h"
#include "gui/qt/menus/LQtToolbarImpl.h"

#include <QApplication>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <vector>

namespace {

QApplication* App()
{
    static int argc = 1;
    static char name[] = "toolbar_peer_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return app;
}

std::vector<int32_t> g_commands;

class ToolbarPeer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        App();
        g_commands.clear();
        LQtSetCommandSender([](LWindow*, int32_t command) { g_commands.push_back(command); });
        hostWidget = std::make_unique<QWidget>();
        hostWidget->resize(600, 300);
        new QVBoxLayout(hostWidget.get());
        items = {
            {0, 1001, 0, "Plain", "Plain", "A plain item", 0},
            {3, 9303, 0, "Split", "Split", "", 9303},
            {16, 1003, 0, "Whole", "Whole", "", 9303},
            {6, 0, 0, "", "", "", 0},
            {10, 1005, 0, "Check", "Check", "", 0},
        };
        peer = std::make_unique<LQtToolbarImpl>(reinterpret_cast<LWindow*>(0x10), hostWidget.get(), "Test");
        peer->SetItems(&items);
        peer->ResetItems();
        peer->CreateItems();
        hostWidget->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(hostWidget.get()));
    }
    void TearDown() override
    {
        peer.reset();
        hostWidget.reset();
        LQtSetCommandSender(nullptr);
    }

    std::unique_ptr<QWidget> hostWidget;
    std::vector<LToolBar::Item> items;
    std::unique_ptr<LQtToolbarImpl> peer;
};

TEST_F(ToolbarPeer, ClicksSendTheRightCommand)
{
    struct Case
    {
        int32_t item;
        int x;
        int32_t sent;
    };
    const std::vector<Case> cases = {
        {1001, 10, 1001},
        {9303, 10, 9303}, // the split button's body sends its tag (here also 9303)
        {1003, 5, 9303},  // a whole drop-down sends its drop-down command anywhere
        {1003, 50, 9303},
    };
    for (const auto& c : cases) {
        g_commands.clear();
        QToolButton* button = peer->Button(c.item);
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(c.x, 20));
        EXPECT_EQ(g_commands, std::vector<int32_t>{c.sent}) << c.item << " at " << c.x;
    }
}

TEST_F(ToolbarPeer, SplitButtonBodyAndArrowDiffer)
{
    peer->SetDropDownCommand(9303, 7777);
    QToolButton* split = peer->Button(9303);
    ASSERT_GE(split->width(), 65);
    QTest::mouseClick(split, Qt::LeftButton, {}, QPoint(10, 20));
    QTest::mouseClick(split, Qt::LeftButton, {}, QPoint(split->width() - 5, 20));
    EXPECT_EQ(g_commands, (std::vector<int32_t>{9303, 7777}));
}

TEST_F(ToolbarPeer, DisabledItemsSendNothing)
{
    peer->EnableItem(1001, false);
    EXPECT_FALSE(peer->IsItemEnabled(1001));
    QTest::mouseClick(peer->Button(1001), Qt::LeftButton, {}, QPoint(10, 20));
    EXPECT_TRUE(g_commands.empty());
    EXPECT_FALSE(peer->IsItemEnabled(4242));
}

TEST_F(ToolbarPeer, HiddenItemsReturnToTheirPlace)
{
    const int plainX = peer->Button(1001)->mapTo(hostWidget.get(), QPoint(0, 0)).x();
    peer->ShowItem(1001, false);
    peer->ShowItem(1001, false); // twice is harmless
    EXPECT_FALSE(peer->IsItemVisible(1001));
    peer->ShowItem(9303, false);
    peer->ShowItem(1001, true);
    peer->ShowItem(1001, true); // showing a shown item does nothing
    QApplication::processEvents();
    EXPECT_TRUE(peer->IsItemVisible(1001));
    EXPECT_EQ(peer->Button(1001)->mapTo(hostWidget.get(), QPoint(0, 0)).x(), plainX);
    EXPECT_LT(peer->Button(1001)->x(), peer->Button(1003)->x());
}

TEST_F(ToolbarPeer, LabelsSelectionAndVisibility)
{
    peer->SetItemLabel(1001, "A much longer label than before");
    EXPECT_GT(peer->Button(1001)->width(), 48);
    peer->SelectItem(1005, true);
    EXPECT_TRUE(peer->IsItemSelected(1005));
    EXPECT_TRUE(peer->Button(1005)->isChecked());
    peer->SelectItem(1005, false);
    EXPECT_FALSE(peer->IsItemSelected(1005));
    peer->ShowToolbar(false);
    EXPECT_FALSE(peer->IsToolbarVisible());
    peer->ShowToolbar(true);
    EXPECT_TRUE(peer->IsToolbarVisible());
    QRect bounds = peer->DropDownItemBounds(9303);
    EXPECT_EQ(bounds.y(), 0);
    EXPECT_EQ(bounds.width(), peer->Button(9303)->width());
}

} // namespace
