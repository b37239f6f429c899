#pragma once
// Outline and list views on QTreeView over our own item model of the node
// tree. Reloads are model resets: the first change of a turn begins one, a
// single queued call ends it, and the view then re-selects the manager's
// selected nodes without reporting that as a user's selection change.

#include "gui/controls/LListView.h"

#include <QAbstractItemModel>
#include <QTreeView>

class LQtOutlineViewManager : public QAbstractItemModel, public LOutlineViewObserver
{
    Q_OBJECT
public:
    LQtOutlineViewManager(LOutlineViewManager* tree, int columnCount, QObject* parent = nullptr);
    ~LQtOutlineViewManager() override;

    LOutlineViewManager* Tree() const { return tree_; }
    QModelIndex IndexForNode(const LOutlineNode* node, int column = 0) const;
    static const LOutlineNode* NodeOf(const QModelIndex& index);
    bool IsResetPending() const { return resetPending_; }
    // Ends a pending reset now instead of at the queued call.
    void FlushReload();

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void OnReloadRequested() override;
    void OnCellChanged(const LOutlineNode* node, int column) override;

signals:
    void reloaded();

protected:
    const LOutlineNode* NodeOrRoot(const QModelIndex& index) const;
    virtual QString ColumnTitle(int) const { return {}; }
    virtual int ColumnAlignment(int) const { return 0; }

private:
    LOutlineViewManager* tree_;
    int columnCount_;
    bool resetPending_ = false;
};

class LQtListViewManager : public LQtOutlineViewManager
{
    Q_OBJECT
public:
    explicit LQtListViewManager(LListViewManager* list, QObject* parent = nullptr);
    LListViewManager* List() const { return list_; }

    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    // A header click on a sortable list sorts through the manager.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

protected:
    QString ColumnTitle(int column) const override;
    int ColumnAlignment(int column) const override;

private:
    LListViewManager* list_;
};

class LQtOutlineViewImpl : public QTreeView
{
    Q_OBJECT
public:
    explicit LQtOutlineViewImpl(LQtOutlineViewManager* model, QWidget* parent = nullptr);
    LQtOutlineViewManager* Manager() const { return model_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

private:
    void RestoreSelection();
    // Queued, so the owner sees the click after the selection it made.
    void PostRowCommand(int command);

    LQtOutlineViewManager* model_;
    bool restoring_ = false;
};

class LQtListViewImpl : public LQtOutlineViewImpl
{
    Q_OBJECT
public:
    explicit LQtListViewImpl(LQtListViewManager* model, QWidget* parent = nullptr);
    using QTreeView::edit;

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

private:
    LQtListViewManager* listModel_;
};
