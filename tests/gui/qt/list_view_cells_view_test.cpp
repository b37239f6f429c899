// The list view on screen: its item model under the model tester while
// check boxes, column changes, moves and drops happen; check boxes turned by
// clicks; a drop-down cell's menu; rows dragged and dropped.

#include "gui/GuiTestSupport.h"

#include "gui/controls/LCommandKeys.h"
#include "gui/controls/LListView.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/controls/LQtControlCommands.h"
#include "gui/qt/lists/LQtOutlineViewImpl.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace quorin::test;

namespace {

class ListWindow : public LWindow
{
public:
    std::vector<int> commands;
    void OnCommand(int command, int extra) override
    {
        commands.push_back(command);
        LWindow::OnCommand(command, extra);
    }
};

const LVColDynamicGlobal kColumns[] = {
    {"Title", 30, 0, true},
    {"Format", 10, 0, false},
    {"Length", 10, 2, false},
    {nullptr, 0, 0, false},
};

class ListCells : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GuiApp();
        window.CreateCocoaWindow(600, 400, kWindowStyleTitled | kWindowStyleClosable, false, nullptr);
        ASSERT_TRUE(window.ShowModeless(nullptr, LPlacementCenterOnScreen));
        window.AddListView(kList, LListFlags{}, 0, 0, 600, 400);
        window.SetListViewColumnsNoSave(kList, kColumns);
        list = window.GetListView(kList);
        ASSERT_NE(list, nullptr);
        tester = std::make_unique<QAbstractItemModelTester>(
            View()->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        for (const char* title : {"Side A", "Side B", "Side C", "Side D"})
            window.AddListViewRow(kList, title, "WAV", "0:20:00", nullptr);
        PumpFor(20);
        window.commands.clear();
    }
    void TearDown() override
    {
        tester.reset();
        if (window.IsWindow())
            window.EndDialog(kCommandCancel);
    }
    LQtListViewImpl* View() const
    {
        return qobject_cast<LQtListViewImpl*>(LQtFindControl(LQtWidget(window.GetView()), kList));
    }
    QRect Cell(int row, int modelColumn) const
    {
        View()->ListModel()->FlushReload();
        return View()->visualRect(View()->model()->index(row, modelColumn));
    }
    std::vector<std::string> Titles() const
    {
        std::vector<std::string> titles;
        for (int row = 0; row < list->RowCount(); ++row)
            titles.push_back(list->GetItemText(row, 0));
        return titles;
    }

    static constexpr int kList = 300;
    ListWindow window;
    LListViewManager* list = nullptr;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

TEST_F(ListCells, CheckBoxesTurnOnAClickAndTellTheWindow)
{
    list->SetHasCheckboxColumn(true);
    list->checkStateChangeCommand = 4200;
    PumpFor(20);
    QAbstractItemModel* model = View()->model();
    ASSERT_EQ(model->columnCount(), 4);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QString());
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "Title");
    EXPECT_EQ(View()->header()->sectionSize(0), 20);
    EXPECT_EQ(model->index(1, 1).data().toString(), "Side B");

    QTest::mouseClick(View()->viewport(), Qt::LeftButton, {}, Cell(1, 0).center());
    EXPECT_TRUE(list->IsRowChecked(1));
    EXPECT_EQ(model->index(1, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(std::count(window.commands.begin(), window.commands.end(), 4200), 1);
    // A click elsewhere in the row leaves the box alone.
    QTest::mouseClick(View()->viewport(), Qt::LeftButton, {}, Cell(2, 1).center());
    EXPECT_FALSE(list->IsRowChecked(2));
    QTest::mouseClick(View()->viewport(), Qt::LeftButton, {}, Cell(1, 0).center());
    EXPECT_FALSE(list->IsRowChecked(1));
    EXPECT_EQ(std::count(window.commands.begin(), window.commands.end(), 4200), 2);

    // A call shows at once and sends nothing.
    window.commands.clear();
    list->ChangeCheckState(3, true);
    EXPECT_EQ(model->index(3, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_TRUE(window.commands.empty());

    list->SetHasCheckboxColumn(false);
    PumpFor(20);
    EXPECT_EQ(model->columnCount(), 3);
    EXPECT_EQ(model->index(3, 0).data().toString(), "Side D");
}

TEST_F(ListCells, HiddenReorderedAndRetitledColumnsShowSo)
{
    list->ShowHideColumn(1, true);
    list->SetColumnHeaderTitle(2, "Duration");
    const int order[] = {2, 0, 1};
    list->RearrangeColumns(3, order);
    list->ShowHeader(false);
    PumpFor(20);
    QHeaderView* header = View()->header();
    EXPECT_TRUE(header->isSectionHidden(1));
    EXPECT_FALSE(header->isSectionHidden(0));
    EXPECT_EQ(header->logicalIndex(0), 2);
    EXPECT_EQ(header->logicalIndex(1), 0);
    EXPECT_EQ(View()->model()->headerData(2, Qt::Horizontal).toString(), "Duration");
    EXPECT_TRUE(header->isHidden());
    list->ShowHideColumn(1, false);
    list->ShowHeader(true);
    PumpFor(20);
    EXPECT_FALSE(header->isSectionHidden(1));
    EXPECT_FALSE(header->isHidden());

    // Inserting at an index shows the row there.
    EXPECT_EQ(list->InsertRow("Side A2", 1, -1, 0), 1);
    PumpFor(20);
    EXPECT_EQ(View()->model()->index(1, 0).data().toString(), "Side A2");
}

TEST_F(ListCells, RowAndCellBoundsFollowTheShownColumns)
{
    list->SetHasCheckboxColumn(true);
    PumpFor(20);
    LQtListViewImpl* view = View();
    const QRect row1 = Cell(1, 1);
    const LRectangle bounds = view->GetRowBounds(1);
    EXPECT_EQ(bounds.left, 0);
    EXPECT_EQ(bounds.top, row1.top());
    EXPECT_EQ(bounds.bottom, row1.top() + row1.height());
    EXPECT_GE(bounds.right, view->viewport()->width()) << "a row spans the whole list";
    const struct
    {
        int row;
        int position;
        int modelColumn; // -1: no such cell
    } cells[] = {
        {1, 0, 0},               // the check box
        {1, 1, 1},               // Title
        {3, 3, 3},               // Length
        {-1, 1, -1}, {4, 1, -1}, // past the last row
        {1, 4, -1},              // past the last column
    };
    for (const auto& c : cells) {
        const LRectangle got = view->GetCellBounds(c.row, c.position);
        if (c.modelColumn < 0) {
            EXPECT_EQ(got, LRectangle{}) << c.row << "/" << c.position;
            continue;
        }
        const QRect want = Cell(c.row, c.modelColumn);
        EXPECT_EQ(got, (LRectangle{want.left(), want.top(), want.left() + want.width(),
                                   want.top() + want.height()}))
            << c.row << "/" << c.position;
    }
    EXPECT_EQ(view->GetRowBounds(-1), LRectangle{});
    EXPECT_EQ(view->GetRowBounds(4), LRectangle{});

    // Reordered, the first position after the check box shows Length.
    const int order[] = {2, 0, 1};
    list->RearrangeColumns(3, order);
    PumpFor(20);
    const QRect length = Cell(2, 3);
    EXPECT_EQ(view->GetCellBounds(2, 1),
              (LRectangle{length.left(), length.top(), length.left() + length.width(),
                          length.top() + length.height()}));
    list->ShowHideColumn(0, true);
    PumpFor(20);
    EXPECT_EQ(view->GetCellBounds(2, 2), LRectangle{}) << "a hidden column has no cell on screen";
}

TEST_F(ListCells, ARightClickOnRowsOrHeaderAndTheFocusReachTheWindow)
{
    LQtListViewImpl* view = View();
    auto rightClick = [](QWidget* target, const QPoint& at) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
        QApplication::sendEvent(target, &event);
        return event.isAccepted();
    };
    const QPoint onRow = Cell(1, 0).center();
    const QPoint onHeader(20, view->header()->height() / 2);
    // Without a command the view keeps its usual handling (it shows no menu
    // of its own, so the event goes on unhandled).
    EXPECT_FALSE(rightClick(view->viewport(), onRow));
    EXPECT_FALSE(rightClick(view->header()->viewport(), onHeader));
    EXPECT_TRUE(window.commands.empty());

    window.SetRightClickCommand(kList, 4300);
    EXPECT_TRUE(rightClick(view->viewport(), onRow));
    EXPECT_TRUE(rightClick(view->header()->viewport(), onHeader));
    EXPECT_EQ(window.commands, (std::vector<int>{4300, 4300}));

    window.commands.clear();
    LQtSetControlCommand(view, LCommandKeySetFocus, 4301);
    view->clearFocus();
    view->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(window.commands, std::vector<int>{4301});
}

class FormatChoices : public LListViewDropDownHandler
{
public:
    void OnDropDownOpen(int, int column, int row) override
    {
        opened.push_back({row, column});
        AddItem("WAV");
        AddItem("MP3");
        AddItem("FLAC");
    }
    void OnDropDownSelect(int, int row, int, int tag, const char* title) override
    {
        chosen.push_back(std::to_string(row) + ":" + std::to_string(tag) + ":" + title);
    }
    std::vector<std::pair<int, int>> opened;
    std::vector<std::string> chosen;
};

TEST_F(ListCells, ADropDownCellOpensTheOwnersMenuOnAClick)
{
    FormatChoices choices;
    const int dropDowns[] = {1, 0, -1, 0};
    list->SetDropDownColumns(dropDowns);
    list->SetDropDownColumnsHandler(&choices);
    PumpFor(20);
    QTest::mouseClick(View()->viewport(), Qt::LeftButton, {}, Cell(2, 1).center());
    QMenu* menu = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        menu = View()->findChild<QMenu*>();
        return menu && menu->isVisible();
    }));
    ASSERT_EQ(choices.opened.size(), 1u);
    EXPECT_EQ(choices.opened[0], std::make_pair(2, 1));
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_EQ(menu->actions()[2]->text(), "FLAC");
    menu->actions()[2]->trigger();
    menu->close();
    EXPECT_EQ(choices.chosen, std::vector<std::string>{"2:2:FLAC"});
    EXPECT_EQ(list->GetItemText(2, 1), "FLAC");
    EXPECT_FALSE(list->IsDropDownOpen());
    list->SetDropDownColumnsHandler(nullptr);
}

class RateChoices : public LListViewExtColumnHandler
{
public:
    explicit RateChoices(LListViewManager* list) : list(list) {}
    void OnComboBoxOpen(int, int row, int column) override
    {
        opened.push_back({row, column});
        AddItem("44100");
        AddItem("48000");
        AddItem("96000");
    }
    void OnEndEdit(int listId, int row, int column, const char* text, LViewHandle) override
    {
        ended.push_back(std::to_string(listId) + ":" + std::to_string(row) + ":" + std::to_string(column) +
                        ":" + text);
        if (accept)
            list->SetItemText(row, column, text);
    }
    LListViewManager* list;
    bool accept = true;
    std::vector<std::pair<int, int>> opened;
    std::vector<std::string> ended;
};

TEST_F(ListCells, AComboBoxCellEditsInAComboBoxTheOwnerFills)
{
    RateChoices rates(list);
    const int types[] = {2, 3, -1, 0};
    list->SetExtColumns(types);
    list->SetExtendedColumnsHandler(&rates);
    PumpFor(20);
    QAbstractItemModel* model = View()->model();
    ASSERT_TRUE(model->flags(model->index(1, 2)) & Qt::ItemIsEditable);

    const struct
    {
        int row;
        bool pick;   // choose from the popped-up list, else type a value
        bool accept; // the owner takes the text into the cell
        const char* text;
        const char* shown;
    } cases[] = {
        {1, true, true, "96000", "96000"},
        {2, false, true, "22050", "22050"},
        {3, true, false, "48000", "0:20:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        rates.accept = c.accept;
        rates.opened.clear();
        rates.ended.clear();
        View()->ListModel()->FlushReload();
        View()->edit(model->index(c.row, 2));
        auto* combo = View()->viewport()->findChild<QComboBox*>();
        ASSERT_NE(combo, nullptr) << "the cell's editor is a combo box";
        ASSERT_TRUE(combo->isEditable());
        EXPECT_EQ(combo->currentText(), "0:20:00") << "the editor starts with the cell's text";
        if (c.pick) {
            combo->showPopup();
            ASSERT_EQ(rates.opened, (std::vector<std::pair<int, int>>{{c.row, 2}}));
            EXPECT_TRUE(list->IsComboBoxOpen());
            ASSERT_EQ(combo->count(), 3) << "the owner's items, once, however often it opens";
            combo->hidePopup();
            EXPECT_FALSE(list->IsComboBoxOpen());
            combo->showPopup();
            ASSERT_EQ(combo->count(), 3);
            combo->setCurrentIndex(combo->findText(c.text));
            combo->hidePopup();
        } else {
            combo->lineEdit()->selectAll();
            QTest::keyClicks(combo->lineEdit(), c.text);
        }
        QTest::keyClick(combo, Qt::Key_Return);
        PumpFor(20);
        EXPECT_EQ(rates.ended, std::vector<std::string>{"300:" + std::to_string(c.row) + ":2:" + c.text});
        EXPECT_EQ(list->GetItemText(c.row, 2), c.shown);
        EXPECT_EQ(model->index(c.row, 2).data().toString(), c.shown);
        EXPECT_EQ(View()->viewport()->findChild<QComboBox*>(), nullptr) << "the editor is gone";
    }
    list->SetExtendedColumnsHandler(nullptr);
}

class Reorder : public LListViewDragHandler
{
public:
    explicit Reorder(LListViewManager* list) : list(list) {}
    void OnDrop(int, int row) override
    {
        drops.push_back(row);
        list->MoveRows(list->SelectedRows(), row);
    }
    void OnDragEnd(int, int, int) override { ++ends; }
    LListViewManager* list;
    std::vector<int> drops;
    int ends = 0;
};

TEST_F(ListCells, DroppingDraggedRowsLetsTheOwnerReorderThem)
{
    Reorder reorder(list);
    list->SetLvDragHandler(&reorder);
    PumpFor(20);
    EXPECT_TRUE(View()->dragEnabled());
    EXPECT_TRUE(View()->model()->flags(View()->model()->index(0, 0)) & Qt::ItemIsDragEnabled);
    window.SelectListViewRow(kList, 0, true);
    PumpFor(20);
    ASSERT_TRUE(View()->BeginRowDrag());

    // The drop arrives as the windowing system would deliver it.
    QMimeData data;
    data.setData("application/x-quorin-list-rows", "300");
    const QPoint onRow3 = Cell(3, 0).center();
    QDragEnterEvent enter(onRow3, Qt::MoveAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(View()->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDragMoveEvent move(onRow3, Qt::MoveAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(View()->viewport(), &move);
    EXPECT_TRUE(move.isAccepted());
    QDropEvent drop(QPointF(onRow3), Qt::MoveAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(View()->viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    PumpFor(20);
    EXPECT_EQ(reorder.drops, std::vector<int>{3});
    EXPECT_EQ(reorder.ends, 1);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"Side B", "Side C", "Side A", "Side D"}));
    EXPECT_EQ(list->SelectedRows(), std::vector<int>{2});
    EXPECT_EQ(View()->model()->index(2, 0).data().toString(), "Side A");

    // Below the last row the drop row is the row count.
    window.SelectListViewRow(kList, 0, true);
    PumpFor(20);
    ASSERT_TRUE(View()->BeginRowDrag());
    const QPoint below(10, View()->viewport()->height() - 2);
    QDragEnterEvent enterBelow(below, Qt::MoveAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(View()->viewport(), &enterBelow);
    QDropEvent dropBelow(QPointF(below), Qt::MoveAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(View()->viewport(), &dropBelow);
    PumpFor(20);
    EXPECT_EQ(reorder.drops, (std::vector<int>{3, 4}));
    list->SetLvDragHandler(nullptr);
    EXPECT_FALSE(View()->dragEnabled());
}

TEST_F(ListCells, DragsFromOtherProgramsAreRefused)
{
    class Target : public LDropTarget
    {
    public:
        using LDropTarget::LDropTarget;
        bool Accept(uint32_t) override { return true; }
    } target(&window, kList);
    list->SetDropTarget(&target);
    QMimeData data;
    data.setText("from elsewhere");
    // No source: the drag comes from another program.
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(View()->viewport(), &enter);
    EXPECT_FALSE(enter.isAccepted());
    list->SetDropTarget(nullptr);
}

} // namespace
