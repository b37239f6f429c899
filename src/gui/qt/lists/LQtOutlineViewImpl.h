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

class QMenu;

class LQtOutlineViewManager : public QAbstractItemModel, public LOutlineViewObserver
{
    Q_OBJECT
public:
    LQtOutlineViewManager(LOutlineViewManager* tree, int columnCount, QObject* parent = nullptr);
    ~LQtOutlineViewManager() override;

    LOutlineViewManager* Tree() const { return tree_; }
    // column is the model's column.
    QModelIndex IndexForNode(const LOutlineNode* node, int column = 0) const;
    static const LOutlineNode* NodeOf(const QModelIndex& index);
    bool IsResetPending() const { return resetPending_; }
    // Ends a pending reset now instead of at the queued call.
    void FlushReload();

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void OnReloadRequested() override;
    void OnCellChanged(const LOutlineNode* node, int column) override;
    void OnExpansionChanged(const LOutlineNode* node) override;
    void OnColumnsChanged() override;
    void OnDragDropChanged() override;
    // Rows can be dragged out (a drag handler or drag source is installed).
    virtual bool CanDragRows() const { return tree_->DragSource() != nullptr; }

    // The node's column shown in a model column (-1: the check box), and back.
    virtual int NodeColumn(int modelColumn) const { return modelColumn; }
    virtual int ModelColumn(int nodeColumn) const { return nodeColumn < 0 ? 0 : nodeColumn; }

signals:
    void reloaded();
    void expansionChanged(const LOutlineNode* node);
    void columnsChanged();
    void dragDropChanged();

protected:
    const LOutlineNode* NodeOrRoot(const QModelIndex& index) const;
    virtual QString ColumnTitle(int) const { return {}; }
    virtual int ColumnAlignment(int) const { return 0; }
    virtual int ModelColumnCount() const { return columnCount_; }
    void ResetNow();

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
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Only the check box is set through the model: the user's click.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    // A header click on a sortable list sorts through the manager.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    void OnColumnsChanged() override;

    int NodeColumn(int modelColumn) const override;
    int ModelColumn(int nodeColumn) const override;
    int CheckboxOffset() const { return list_->HasCheckboxColumn() ? 1 : 0; }
    bool CanDragRows() const override { return list_->LvDragHandler() != nullptr; }

protected:
    QString ColumnTitle(int column) const override;
    int ColumnAlignment(int column) const override;
    int ModelColumnCount() const override;

private:
    LListViewManager* list_;
    bool hadCheckboxColumn_ = false;
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

    // Puts the manager's selection and expansion onto the view.
    void RestoreSelection();
    void RestoreExpansion();
    void UpdateDragAndDrop();
    // A position in the viewport as the owner window's pixels.
    void ViewportToWindowPixels(const QPoint& pos, int* x, int* y) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
    virtual void OnReloaded() {}
    // Drags from inside the program reach the manager's drop target.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // The window's right-click command for the view takes the place of the
    // usual context menu, on the rows and on the header; gaining the focus
    // is reported.
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Sends the right-click command; false when there is none to send.
    bool SendRightClick();

    LQtOutlineViewManager* model_ = nullptr;
    LQtListControlClickHandler* clickHandler_ = nullptr;
    QMetaObject::Connection reloadConnection_;
    QMetaObject::Connection expansionConnection_;
    QMetaObject::Connection dragDropConnection_;
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
    // The frame of a row (the list's whole width) and of the cell at a
    // display position (the check-box column counts), in the list's device
    // pixels, truncated; all 0 for a row or position that does not exist.
    LRectangle GetRowBounds(int row) const;
    LRectangle GetCellBounds(int row, int displayPosition) const;
    // Column `column` of the first `count` takes the width the others leave
    // (at least floorWidth points), now and whenever the list's width
    // changes: the window's own resize comes before the list's room is
    // known. The room of the vertical scroll bar is always left free, so
    // the bar coming or going with the rows changes no column (else the
    // new widths bring it back, and so on forever).
    void StretchColumn(int count, int column, double floorWidth);
    // The width the stretch fills: the rows' area less the vertical bar's
    // room, whether the bar shows or not.
    int StretchWidth() const;
    // Column order, visibility and the header from the manager.
    void ApplyColumns();
    // Opens the menu of a drop-down cell (null when it has no items).
    QMenu* OpenDropDownCell(int row, int column);
    // The drop row for a viewport position: the row there, 0 above the
    // first row, the row count anywhere else.
    int DropRowAt(const QPoint& pos) const;

    // Row drags in steps, so tests can send the drop directly.
    bool BeginRowDrag();
    void MoveRowDrag(const QPoint& viewportPos);
    void FinishRowDrag(const QPoint& viewportPos);

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void OnReloaded() override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void SetupHeader();
    void ApplyFlags();

    LQtListViewManager* listModel_ = nullptr;
    std::unique_ptr<LListViewManager> ownedList_;
    std::unique_ptr<LQtListViewManager> ownedModel_;
    LListFlags flags_;
    QString defaultText_;
    QImage background_;
    QMetaObject::Connection columnsConnection_;
    QPoint dragStart_;
    bool applyingWidths_ = false;
    bool stretching_ = false;
    int stretchCount_ = 0;
    int stretchColumn_ = -1;
    double stretchFloor_ = 0;
    int stretchedWidth_ = -1;
    void ApplyStretch();
};
