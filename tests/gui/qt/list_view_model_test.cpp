// The list and outline views' item model: consistent under Qt's model
// tester through adds, deletions while iterating, sorts and reloads;
// reloads coalesce and keep the selection on the same rows.

#include "gui/qt/app/LQtCommandSink.h"
#include "gui/qt/controls/LQtControlCommands.h"
#include "gui/qt/lists/LQtOutlineViewImpl.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <string>

namespace {

QApplication* App()
{
    static int argc = 1;
    static char name[] = "list_view_model_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return app;
}

const LVColDynamicGlobal kColumns[] = {
    {"Name", 20, 0, true},
    {"Length", 8, 2, false},
    {nullptr, 0, 0, false},
};

void Turn()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

TEST(QtListViewModel, StaysConsistentThroughAddsDeletionsSortsAndReloads)
{
    App();
    LListViewManager list(kColumns);
    LQtListViewManager model(&list);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    LQtListViewImpl view(&model);
    view.resize(400, 300);
    view.show();

    for (int i = 0; i < 1000; ++i) {
        list.AddRow({"Track " + std::to_string(1000 - i), std::to_string(i)});
        if (i % 97 == 0)
            Turn();
    }
    Turn();
    ASSERT_EQ(model.rowCount(), 1000);
    list.SelectRow(10, true);
    list.SelectRow(500, true);
    {
        LVIterator it(&list);
        int visited = 0;
        while (it.IsValid()) {
            if (visited++ % 3 == 0)
                it.DeleteRow();
            else
                it.Next();
        }
    }
    Turn();
    EXPECT_EQ(model.rowCount(), 666);
    list.SortRowsUsingColumn(0, true);
    Turn();
    EXPECT_EQ(model.index(0, 0).data().toString().toStdString(), "Track 2");
    list.SortRowsUsingColumn(1, false);
    Turn();
    list.DeleteAllRows();
    Turn();
    EXPECT_EQ(model.rowCount(), 0);
}

TEST(QtListViewModel, HundredAddsInOneTurnGiveOneReset)
{
    App();
    LListViewManager list(kColumns);
    LQtListViewManager model(&list);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    for (int i = 0; i < 100; ++i)
        list.AddRow({std::to_string(i)});
    EXPECT_EQ(resets.count(), 0);
    Turn();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(model.rowCount(), 100);
}

TEST(QtListViewModel, AReloadKeepsTheSelectionOnTheSameRowsWithoutACommand)
{
    App();
    LListViewManager list(kColumns);
    int commands = 0;
    list.SetSelectionChangeHandler([&] { ++commands; });
    LQtListViewManager model(&list);
    LQtListViewImpl view(&model);
    for (const char* name : {"c", "a", "b"})
        list.AddRow({name});
    Turn();
    view.selectionModel()->select(model.index(0, 0),
                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    EXPECT_EQ(commands, 1);
    ASSERT_EQ(list.SelectedRows(), std::vector<int>{0});

    list.SortRowsUsingColumn(0, true); // "c" moves to the end
    Turn();
    EXPECT_EQ(commands, 1);
    const auto rows = view.selectionModel()->selectedRows();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].data().toString(), "c");
    EXPECT_EQ(rows[0].row(), 2);
}

TEST(QtListViewModel, HeaderClickSortsOnlyASortableList)
{
    App();
    LListViewManager list(kColumns);
    LQtListViewManager model(&list);
    LQtListViewImpl view(&model);
    view.resize(400, 300);
    view.show();
    for (const char* name : {"Track 10", "Track 2"})
        list.AddRow({name});
    Turn();
    const QPoint name = QPoint(view.header()->sectionViewportPosition(0) + 10, 5);
    QTest::mouseClick(view.header()->viewport(), Qt::LeftButton, {}, name);
    Turn();
    EXPECT_EQ(model.index(0, 0).data().toString(), "Track 10");
    list.SetHeaderSortable(true);
    QTest::mouseClick(view.header()->viewport(), Qt::LeftButton, {}, name);
    Turn();
    EXPECT_EQ(model.index(0, 0).data().toString(), "Track 10")
        << "the first click on the sorted column reverses it";
    QTest::mouseClick(view.header()->viewport(), Qt::LeftButton, {}, name);
    Turn();
    EXPECT_EQ(model.index(0, 0).data().toString(), "Track 2");
}

TEST(QtListViewModel, LabelEditingAsksTheHandlerWhichSetsTheCell)
{
    App();
    struct Handler : LListViewLabelEditHandler
    {
        void OnBeginEdit(int id) override { calls.push_back("begin " + std::to_string(id)); }
        void OnEndEdit(int, const char* text) override
        {
            calls.push_back(std::string("end ") + text);
            if (accept)
                list->SetItemText(0, 0, text);
        }
        std::vector<std::string> calls;
        LListViewManager* list = nullptr;
        bool accept = false;
    } handler;
    LListViewManager list(kColumns, 7);
    handler.list = &list;
    list.SetColumnEditable(0, true);
    list.SetLabelEditHandler(&handler);
    LQtListViewManager model(&list);
    LQtListViewImpl view(&model);
    view.resize(400, 300);
    view.show();
    list.AddRow({"old"});
    Turn();

    for (bool accept : {false, true}) {
        handler.calls.clear();
        handler.accept = accept;
        view.setCurrentIndex(model.index(0, 0));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        view.edit(model.index(0, 0));
        auto* editor = view.viewport()->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        editor->setText("new");
        QTest::keyClick(editor, Qt::Key_Return);
        Turn();
        EXPECT_EQ(handler.calls, (std::vector<std::string>{"begin 7", "end new"}));
        EXPECT_EQ(list.GetItemText(0, 0), accept ? "new" : "old");
    }
}

// A plain click on a selected row renames it; with Shift or Ctrl the click
// only changes the selection.
TEST(QtListViewModel, AClickWithShiftOrCtrlOnASelectedRowDoesNotRenameIt)
{
    App();
    LListViewManager list(kColumns, 7);
    list.SetColumnEditable(0, true);
    LQtListViewManager model(&list);
    LQtListViewImpl view(&model);
    view.resize(400, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    list.AddRow({"first"});
    list.AddRow({"second"});
    Turn();
    const struct
    {
        const char* name;
        Qt::KeyboardModifiers modifiers;
        bool renames;
    } cases[] = {
        {"Shift", Qt::ShiftModifier, false},
        {"Ctrl", Qt::ControlModifier, false},
        {"plain", Qt::NoModifier, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        view.setCurrentIndex(model.index(0, 0));
        view.selectionModel()->select(model.index(0, 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        // Past the double-click time, so the click is not the second of a pair.
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, c.modifiers,
                          view.visualRect(model.index(0, 0)).center());
        QTest::qWait(QApplication::doubleClickInterval() + 100);
        auto* editor = view.viewport()->findChild<QLineEdit*>();
        const bool renaming = editor != nullptr && editor->isVisible();
        EXPECT_EQ(renaming, c.renames);
        if (renaming)
            QTest::keyClick(editor, Qt::Key_Escape);
        Turn();
    }
}

// After Select All a click on one row selects that row alone instead of
// renaming it while every row stays selected.
TEST(QtListViewModel, AClickOnOneOfSeveralSelectedRowsSelectsItAlone)
{
    App();
    LListViewManager list(kColumns, 7);
    list.SetColumnEditable(0, true);
    LQtListViewManager model(&list);
    LQtListViewImpl view(&model);
    view.setSelectionMode(QAbstractItemView::ExtendedSelection);
    view.resize(400, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    for (const char* title : {"first", "second", "third"})
        list.AddRow({title});
    Turn();
    view.setCurrentIndex(model.index(1, 0));
    view.selectAll();
    ASSERT_EQ(view.selectionModel()->selectedRows(0).size(), 3);
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(model.index(1, 0)).center());
    QTest::qWait(QApplication::doubleClickInterval() + 100);
    auto* editor = view.viewport()->findChild<QLineEdit*>();
    EXPECT_FALSE(editor != nullptr && editor->isVisible()) << "renaming began";
    const QModelIndexList rows = view.selectionModel()->selectedRows(0);
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows.first().row(), 1);
}

TEST(QtListViewModel, RowClicksPostTheirCommandsAndHeaderClicksNone)
{
    App();
    static std::vector<int32_t> commands;
    static LWindow* const window = reinterpret_cast<LWindow*>(0x2020);
    commands.clear();
    LQtSetCommandSender([](LWindow* to, int32_t command) {
        if (to == window)
            commands.push_back(command);
    });
    LListViewManager list(kColumns);
    list.clickCommand = 301;
    list.doubleClickCommand = 302;
    list.rightClickCommand = 303;
    LQtListViewManager model(&list);
    LQtListViewImpl view(&model);
    LQtSetControlWindow(&view, window);
    view.resize(400, 300);
    view.show();
    list.AddRow({"a"});
    list.AddRow({"b"});
    Turn();
    const QPoint row = view.visualRect(model.index(1, 0)).center();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, row);
    EXPECT_TRUE(commands.empty()) << "clicks are posted, not sent";
    Turn();
    EXPECT_EQ(commands, std::vector<int32_t>{301});
    commands.clear();
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, row);
    QTest::mouseClick(view.viewport(), Qt::RightButton, {}, row);
    QTest::mouseClick(view.header()->viewport(), Qt::LeftButton, {}, QPoint(10, 5));
    Turn();
    EXPECT_EQ(commands, (std::vector<int32_t>{302, 303}));
    LQtSetCommandSender(nullptr);
}

TEST(QtOutlineViewModel, ThreeLevelTreeWithCollapsedPartsPassesTheTester)
{
    App();
    LOutlineViewManager tree;
    LQtOutlineViewManager model(&tree, 2);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    LQtOutlineViewImpl view(&model);
    view.show();
    for (int a = 0; a < 3; ++a) {
        LOutlineNode* top = tree.AddNode(nullptr);
        top->texts = {"top " + std::to_string(a), ""};
        for (int b = 0; b < 3; ++b) {
            LOutlineNode* mid = tree.AddNode(top);
            mid->texts = {"mid", std::to_string(b)};
            for (int c = 0; c < 2; ++c)
                tree.AddNode(mid)->texts = {"leaf", std::to_string(c)};
        }
    }
    Turn();
    view.expand(model.index(0, 0));
    view.expand(model.index(1, 0, model.index(0, 0)));
    Turn();
    EXPECT_EQ(model.rowCount(model.index(1, 0, model.index(0, 0))), 2);
    tree.DeleteRow(1);
    Turn();
    EXPECT_EQ(model.rowCount(), 2);
    const QModelIndex leaf = model.index(0, 1, model.index(2, 0, model.index(1, 0)));
    EXPECT_EQ(leaf.data().toString(), "0");
    EXPECT_EQ(leaf.parent().parent().data().toString(), "top 2");
}

} // namespace
