// The list-view calls by window and control id over a real window: rows,
// cells, selection, commands, the handler classes bound by id, and what the
// calls do for an id that names no list.

#include "gui/GuiTestSupport.h"

#include "gui/controls/LListView.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/app/LQtCommandSink.h"
#include "gui/qt/lists/LQtOutlineViewImpl.h"

#include <QHeaderView>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quorin::test;

namespace {

class ListWindow : public LWindow
{
public:
    std::vector<int> commands;
    int updates = 0;
    void UpdateControls() override { ++updates; }
    void OnCommand(int command, int extra) override
    {
        commands.push_back(command);
        LWindow::OnCommand(command, extra);
    }
};

const LVColDynamicGlobal kColumns[] = {
    {"Recorded File", 40, 0, true},
    {"Duration", 10, 2, false},
    {nullptr, 0, 0, false},
};

class ListViewCalls : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GuiApp();
        window.CreateCocoaWindow(600, 400, kWindowStyleTitled | kWindowStyleClosable, false, nullptr);
        ASSERT_TRUE(window.ShowModeless(nullptr, LPlacementCenterOnScreen));
        PumpFor(10);
        window.AddListView(kList, LListFlags{}, 0, 0, 600, 400);
        window.SetListViewColumnsNoSave(kList, kColumns);
        window.commands.clear();
    }
    void TearDown() override
    {
        if (window.IsWindow())
            window.EndDialog(kCommandCancel);
    }
    LQtListViewImpl* View() const
    {
        return qobject_cast<LQtListViewImpl*>(LQtFindControl(LQtWidget(window.GetView()), kList));
    }

    static constexpr int kList = 300;
    ListWindow window;
};

TEST_F(ListViewCalls, RowsAndCellsByIdAndNothingForAnotherId)
{
    char buffer[260];
    EXPECT_EQ(window.AddListViewRow(kList, "Track 1.wav", "0:03:10", nullptr), 0);
    EXPECT_EQ(window.AddListViewRow(kList, "Track 2.wav", "0:02:00", "ignored", nullptr), 1);
    EXPECT_EQ(window.AddListViewRow(kList, nullptr), -1);
    EXPECT_EQ(window.GetListViewRowCount(kList), 2);
    EXPECT_STREQ(window.GetListViewItemText(kList, 1, 1, buffer), "0:02:00");
    window.SetListViewRowText(kList, 0, "Side A.wav");
    EXPECT_STREQ(window.GetListViewRowText(kList, 0, buffer), "Side A.wav");
    EXPECT_STREQ(window.GetListViewRowText(kList, 9, buffer), "");
    window.SetListViewItemData(kList, 1, 77);
    EXPECT_EQ(window.GetListViewItemData(kList, 1), 77);
    EXPECT_EQ(window.AddListViewItem(kList, "Track 3.wav", -1, 5), 2);
    EXPECT_EQ(window.GetListViewItemImage(kList, 2), -1);

    // An id without a list: nothing happens, getters answer their defaults.
    EXPECT_EQ(window.AddListViewRow(99, "x", nullptr), -1);
    EXPECT_EQ(window.GetListViewRowCount(99), 0);
    EXPECT_EQ(window.GetListViewFirstSelected(99), -1);
    EXPECT_EQ(window.GetListViewItemImage(99, 0), -1);
    std::strcpy(buffer, "junk");
    EXPECT_EQ(window.GetListViewItemText(99, 0, 0, buffer), nullptr);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(window.GetListView(99), nullptr);

    // A list whose columns are not set yet has no manager either.
    window.AddListViewNoRect(301, LListFlags{});
    EXPECT_EQ(window.AddListViewRow(301, "x", nullptr), -1);
    EXPECT_EQ(window.GetListViewRowCount(301), 0);
}

TEST_F(ListViewCalls, TwelveTextsFillTwelveColumns)
{
    std::vector<LVColDynamicGlobal> wide;
    static const char* names[] = {"c0", "c1", "c2", "c3", "c4", "c5", "c6", "c7", "c8", "c9", "c10", "c11"};
    for (const char* name : names)
        wide.push_back({name, 4, 0, false});
    wide.push_back({nullptr, 0, 0, false});
    window.AddListViewNoRect(310, LListFlags{});
    window.SetListViewColumnsNoSave(310, wide.data());
    EXPECT_EQ(
        window.AddListViewRow(310, "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", nullptr), 0);
    char buffer[260];
    for (int column = 0; column < 12; ++column)
        EXPECT_STREQ(window.GetListViewItemText(310, 0, column, buffer), std::to_string(column).c_str());
}

TEST_F(ListViewCalls, SelectionCallsAndTheSelectionCommand)
{
    for (int i = 0; i < 5; ++i)
        window.AddListViewRow(kList, ("Track " + std::to_string(i)).c_str(), nullptr);
    window.SetListViewSelectionCommand(kList, 4100);
    window.SelectListViewRow(kList, 3, true);
    window.SelectListViewRow(kList, 1, true);
    EXPECT_EQ(window.GetListViewFirstSelected(kList), 1);
    EXPECT_EQ(window.GetListViewSelectedCount(kList), 2);
    EXPECT_TRUE(window.IsListViewRowSelected(kList, 3));
    window.SelectListViewRow(kList, 3, false);
    EXPECT_FALSE(window.IsListViewRowSelected(kList, 3));
    PumpFor(20);
    // The view shows what the calls selected.
    ASSERT_NE(View(), nullptr);
    EXPECT_EQ(View()->selectionModel()->selectedRows().size(), 1);
    window.commands.clear();
    // The user's selection sends the command.
    const QPoint row4 = View()->visualRect(View()->model()->index(4, 0)).center();
    QTest::mouseClick(View()->viewport(), Qt::LeftButton, {}, row4);
    EXPECT_EQ(window.GetListViewFirstSelected(kList), 4);
    EXPECT_EQ(std::count(window.commands.begin(), window.commands.end(), 4100), 1);
    window.DeselectAllListViewRows(kList);
    EXPECT_EQ(window.GetListViewSelectedCount(kList), 0);
    window.DeleteAllListViewRows(kList);
    EXPECT_EQ(window.GetListViewRowCount(kList), 0);
}

TEST_F(ListViewCalls, ClickCommandsArePostedToTheWindow)
{
    window.AddListViewRow(kList, "a", nullptr);
    window.AddListViewRow(kList, "b", nullptr);
    window.SetListViewClickCommand(kList, 501);
    window.SetListViewDoubleClickCommand(kList, 502);
    window.SetListViewRightClickCommand(kList, 503);
    PumpFor(20);
    const QPoint row = View()->visualRect(View()->model()->index(1, 0)).center();
    QTest::mouseClick(View()->viewport(), Qt::LeftButton, {}, row);
    QTest::mouseDClick(View()->viewport(), Qt::LeftButton, {}, row);
    QTest::mouseClick(View()->viewport(), Qt::RightButton, {}, row);
    QTest::mouseClick(View()->header()->viewport(), Qt::LeftButton, {}, QPoint(10, 5));
    PumpFor(20);
    std::vector<int> clicks;
    for (int command : window.commands)
        if (command >= 501 && command <= 503)
            clicks.push_back(command);
    EXPECT_EQ(clicks, (std::vector<int>{501, 502, 503}));
    // A released list posts nothing more.
    window.ReleaseListView(kList);
    window.commands.clear();
    QTest::mouseClick(View()->viewport(), Qt::LeftButton, {}, row);
    PumpFor(20);
    EXPECT_TRUE(window.commands.empty());
    EXPECT_EQ(window.GetListViewRowCount(kList), 0);
}

TEST_F(ListViewCalls, IteratorSorterAndEditHandlerBindById)
{
    for (const char* name : {"Track 10", "Track 2", "Track 1"})
        window.AddListViewRow(kList, name, nullptr);
    LListViewSorter sorter;
    sorter.AttachAndSort(&window, kList);
    char buffer[260];
    EXPECT_STREQ(window.GetListViewRowText(kList, 0, buffer), "Track 1");
    EXPECT_STREQ(window.GetListViewRowText(kList, 2, buffer), "Track 10");
    window.ClearListViewSorter(kList);
    EXPECT_EQ(window.GetListView(kList)->Sorter(), nullptr);

    std::vector<std::string> visited;
    {
        LVIterator it(&window, kList);
        ASSERT_TRUE(it.IsBound());
        for (; it.IsValid(); it.Next())
            visited.push_back(window.GetListViewRowText(kList, it.GetRow(), buffer));
    }
    EXPECT_EQ(visited, (std::vector<std::string>{"Track 1", "Track 2", "Track 10"}));
    LVIterator unbound(&window, 99);
    EXPECT_FALSE(unbound.IsBound());
    EXPECT_FALSE(unbound.IsValid());

    struct Handler : LListViewLabelEditHandler
    {
        void OnBeginEdit(int id) override { begun = id; }
        void OnEndEdit(int, const char*) override {}
        int begun = 0;
    } handler;
    handler.Attach(&window, kList);
    window.SetListViewColumnEditable(kList, 0, true);
    window.SelectListViewRow(kList, 1, true);
    PumpFor(20);
    window.EditListViewSelectedRow(kList);
    EXPECT_EQ(handler.begun, kList);
    // Handlers belong to their installer, who removes them before they go.
    window.GetListView(kList)->SetLabelEditHandler(nullptr);
}

TEST_F(ListViewCalls, EmptyListShowsItsDefaultTextUntilARowExists)
{
    window.SetListViewDefaultText(kList, "Drop audio files here");
    PumpFor(20);
    auto darkPixelsNearTop = [this] {
        const QImage shot = View()->viewport()->grab().toImage();
        int dark = 0;
        for (int y = 20; y < 40 && y < shot.height(); ++y)
            for (int x = shot.width() / 3; x < shot.width() * 2 / 3; ++x)
                if (qGray(shot.pixel(x, y)) < 140)
                    ++dark;
        return dark;
    };
    EXPECT_GT(darkPixelsNearTop(), 20);
    window.AddListViewRow(kList, "", nullptr);
    PumpFor(20);
    EXPECT_EQ(darkPixelsNearTop(), 0);
}

} // namespace
