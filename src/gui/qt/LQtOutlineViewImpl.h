#pragma once
// Outline and list views on QTreeView over our own item model of the node
// tree. Reloads are model resets: the first change of a turn begins one, a
// single queued call ends it, and the view then re-selects the manager's
// selected nodes without reporting that as a user's selection change.

#include "gui/controls/LListView.h"

#include <QAbstractItemModel>
#include <QImage>
#include <QTreeView>

#include <memory>

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

class LQtListControlClickHandler;

class LQtOutlineViewImpl : public QTreeView
{
    Q_OBJECT
public:
    // model may be null: a list made by the control API gets its manager
    // when its columns are set.
    explicit LQtOutlineViewImpl(LQtOutlineViewManager* model, QWidget* parent = nullptr);
    ~LQtOutlineViewImpl() override;
    LQtOutlineViewManager* Manager() const { return model_; }
    void SetManager(LQtOutlineViewManager* model);
    LQtListControlClickHandler* ClickHandler() const { return clickHandler_; }
    void DestroyClickHandler();

protected:
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
    virtual void OnReloaded() {}

private:
    void RestoreSelection();

    LQtOutlineViewManager* model_ = nullptr;
    LQtListControlClickHandler* clickHandler_ = nullptr;
    QMetaObject::Connection reloadConnection_;
    bool restoring_ = false;
};

class LWindow;

class LQtListViewImpl : public LQtOutlineViewImpl
{
    Q_OBJECT
public:
    explicit LQtListViewImpl(LQtListViewManager* model, QWidget* parent = nullptr);
    // A list of the control API: owns the manager it is given later.
    LQtListViewImpl(LWindow* window, const LListFlags& flags, QWidget* parent);
    ~LQtListViewImpl() override;
    using QTreeView::edit;

    // Takes the manager (and the item model made for it); null detaches.
    void AdoptList(std::unique_ptr<LListViewManager> list);
    LListViewManager* List() const { return listModel_ ? listModel_->List() : nullptr; }
    LQtListViewManager* ListModel() const { return listModel_; }
    const LListFlags& Flags() const { return flags_; }

    // Column widths of the manager onto the header, and the user's
    // resizing back into the manager.
    void ApplyColumnWidths();
    void SetDefaultText(const QString& text);
    const QString& DefaultText() const { return defaultText_; }
    void SetBackgroundImage(const QImage& image);
    // Where the background picture is drawn, in viewport coordinates.
    QRect BackgroundImageRect() const;
    // Starts editing column 0 of the first selected row, its text selected.
    bool EditSelectedRow();
    // Column `column` of the first `count` takes the width the others leave
    // (at least floorWidth points), now and whenever the list's visible
    // width changes: the window's own resize comes before the list's room is
    // known, and a scroll bar coming or going changes it later.
    void StretchColumn(int count, int column, double floorWidth);

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void OnReloaded() override;

private:
    void SetupHeader();
    void ApplyFlags();

    LQtListViewManager* listModel_ = nullptr;
    std::unique_ptr<LListViewManager> ownedList_;
    std::unique_ptr<LQtListViewManager> ownedModel_;
    LListFlags flags_;
    QString defaultText_;
    QImage background_;
    bool applyingWidths_ = false;
    bool stretching_ = false;
    int stretchCount_ = 0;
    int stretchColumn_ = -1;
    double stretchFloor_ = 0;
    void ApplyStretch();
};
