// A long list with a stretched column leaves the program idle: once it has
// loaded nothing lays it out or paints it again, and a size change across
// the height at which the vertical scroll bar comes or goes settles after
// one layout, with the scroll position kept.

#include "gui/GuiTestSupport.h"

#include "gui/controls/LListView.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/lists/LQtOutlineViewImpl.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <string>

using namespace quorin::test;

namespace {

class ListWindow : public LWindow
{
public:
    void OnCommand(int command, int extra) override { LWindow::OnCommand(command, extra); }
};

const LVColDynamicGlobal kColumns[] = {
    {"Recorded File", 100, 0, true},
    {"File Duration(H:MM:SS)", 30, 0, false},
    {nullptr, 0, 0, false},
};

// Counts what the list does on its own: paints and size changes of its
// rows' area, model resets and column width changes.
class Activity : public QObject
{
public:
    explicit Activity(LQtListViewImpl* view) : view_(view)
    {
        view->viewport()->installEventFilter(this);
        QObject::connect(view->model(), &QAbstractItemModel::modelAboutToBeReset, this, [this] { ++resets; });
        QObject::connect(view->header(), &QHeaderView::sectionResized, this, [this] { ++widthChanges; });
    }
    void Clear() { paints = resizes = resets = widthChanges = 0; }
    int paints = 0;
    int resizes = 0;
    int resets = 0;
    int widthChanges = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == view_->viewport()) {
            if (event->type() == QEvent::Paint)
                ++paints;
            else if (event->type() == QEvent::Resize)
                ++resizes;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    LQtListViewImpl* view_;
};

class ListViewIdle : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GuiApp();
        window.CreateCocoaWindow(800, 600, kWindowStyleTitled | kWindowStyleClosable | kWindowStyleResizable,
                                 false, nullptr);
        ASSERT_TRUE(window.ShowModeless(nullptr, LPlacementCenterOnScreen));
        LListFlags flags;
        flags.sortableHeader = true;
        flags.editable = true;
        window.AddListView(kList, flags, 0, 0, 800, 600);
        window.SetListViewColumnsNoSave(kList, kColumns);
        const int images[] = {363, 363, 0};
        window.SetListViewImages(kList, images);
        window.SetListViewAlternatingRows(kList);
        sorter.AttachAndSort(&window, kList);
        // As the main window does on every layout.
        window.ResizeListViewColumns(kList, 2, 0, 300);
        PumpFor(20);
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
    void AddRows(int count)
    {
        for (int i = 0; i < count; ++i) {
            const int row =
                window.AddListViewItem(kList, ("Recording " + std::to_string(i) + ".wav").c_str(), 0, i);
            window.SetListViewItemText(kList, row, 1, "0:03:10");
            // Rows come in one by one, the events of each turn handled
            // between them, as the saved recordings load.
            QCoreApplication::processEvents();
        }
    }
    bool VerticalBarShown() const { return View()->verticalScrollBar()->isVisibleTo(View()); }

    static constexpr int kList = 300;
    ListWindow window;
    LListViewSorter sorter;
};

TEST_F(ListViewIdle, FiveHundredRowsSettleAfterLoading)
{
    AddRows(500);
    PumpFor(300);
    ASSERT_TRUE(VerticalBarShown());
    Activity activity(View());
    PumpFor(600);
    EXPECT_EQ(activity.paints, 0) << "the rows are painted again and again";
    EXPECT_EQ(activity.resizes, 0) << "the scroll bar keeps coming and going";
    EXPECT_EQ(activity.resets, 0);
    EXPECT_EQ(activity.widthChanges, 0);
}

TEST_F(ListViewIdle, AResizeAcrossTheScrollBarThresholdSettlesAfterOneLayout)
{
    AddRows(500);
    PumpFor(300);
    const int rowHeight = View()->sizeHintForRow(0);
    ASSERT_GT(rowHeight, 0);

    // Few rows, then a size change across the height the rows need: the bar
    // goes, and comes back with the old height.
    window.DeleteAllListViewRows(kList);
    AddRows(20);
    PumpFor(200);
    const int headerHeight = View()->header()->height();
    const int fits = headerHeight + 20 * rowHeight + 40;
    const int tooShort = headerHeight + 10 * rowHeight;
    window.SetControlRect(kList, 0, 0, 800, fits);
    PumpFor(200);
    ASSERT_FALSE(VerticalBarShown());
    const int widthWithoutBar = View()->header()->sectionSize(0);

    Activity activity(View());
    window.SetControlRect(kList, 0, 0, 800, tooShort);
    window.ResizeListViewColumns(kList, 2, 0, 300);
    PumpFor(200);
    ASSERT_TRUE(VerticalBarShown());
    EXPECT_LE(activity.resizes, 2) << "one for the new height, one for the bar";
    EXPECT_EQ(activity.resets, 0) << "a width change needs no reload of the rows";
    // The stretched column keeps the room of the bar whether it shows or
    // not: the bar's coming changes no width.
    EXPECT_EQ(View()->header()->sectionSize(0), widthWithoutBar);
    activity.Clear();
    PumpFor(400);
    EXPECT_EQ(activity.paints, 0);
    EXPECT_EQ(activity.resizes, 0);
    EXPECT_EQ(activity.widthChanges, 0);

    // The stretched column fills the list less the bar (each column keeps
    // 12 pixels of spacing): no horizontal bar.
    EXPECT_FALSE(View()->horizontalScrollBar()->isVisibleTo(View()));
    EXPECT_NEAR(View()->header()->length() + 2 * 12, View()->viewport()->width(), 1);
}

TEST_F(ListViewIdle, AWidthChangeKeepsTheScrollPosition)
{
    AddRows(500);
    PumpFor(300);
    View()->verticalScrollBar()->setValue(200);
    const int scrolled = View()->verticalScrollBar()->value();
    ASSERT_GT(scrolled, 0);
    window.SetControlRect(kList, 0, 0, 700, 600);
    window.ResizeListViewColumns(kList, 2, 0, 300);
    PumpFor(200);
    EXPECT_EQ(View()->verticalScrollBar()->value(), scrolled);
    EXPECT_NEAR(View()->header()->length() + 2 * 12, View()->viewport()->width(), 1);
}

} // namespace
