#include "gui/qt/lists/LQtOutlineViewImpl.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMetaObject>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>

#include <algorithm>
#include <functional>

#include "gui/controls/LCommandKeys.h"
#include "gui/framework/LDragDrop.h"
#include "gui/framework/LKeyHandler.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtKeys.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/app/LQtCommandSink.h"
#include "gui/qt/controls/LQtControlCommands.h"
#include "gui/qt/lists/LQtListControlClickHandler.h"

LQtOutlineViewManager::LQtOutlineViewManager(LOutlineViewManager* tree, int columnCount, QObject* parent)
    : QAbstractItemModel(parent), tree_(tree), columnCount_(columnCount < 1 ? 1 : columnCount)
{
    tree_->SetObserver(this);
}

LQtOutlineViewManager::~LQtOutlineViewManager()
{
    tree_->SetObserver(nullptr);
}

const LOutlineNode* LQtOutlineViewManager::NodeOf(const QModelIndex& index)
{
    return index.isValid() ? static_cast<const LOutlineNode*>(index.internalPointer()) : nullptr;
}

const LOutlineNode* LQtOutlineViewManager::NodeOrRoot(const QModelIndex& index) const
{
    return index.isValid() ? NodeOf(index) : &tree_->Root();
}

QModelIndex LQtOutlineViewManager::IndexForNode(const LOutlineNode* node, int column) const
{
    if (resetPending_ || !node || !node->parent)
        return {};
    const auto& siblings = node->parent->children;
    for (size_t i = 0; i < siblings.size(); ++i)
        if (siblings[i].get() == node)
            return createIndex(static_cast<int>(i), column, const_cast<LOutlineNode*>(node));
    return {};
}

// While a reset is pending the tree may already hold other nodes than the
// view knows: answer as an empty model until the reset ends.
QModelIndex LQtOutlineViewManager::index(int row, int column, const QModelIndex& parent) const
{
    if (resetPending_ || row < 0 || column < 0 || column >= ModelColumnCount())
        return {};
    if (parent.isValid() && parent.column() != 0)
        return {};
    const LOutlineNode* into = NodeOrRoot(parent);
    if (static_cast<size_t>(row) >= into->children.size())
        return {};
    return createIndex(row, column, into->children[static_cast<size_t>(row)].get());
}

QModelIndex LQtOutlineViewManager::parent(const QModelIndex& child) const
{
    const LOutlineNode* node = NodeOf(child);
    if (resetPending_ || !node || !node->parent || node->parent == &tree_->Root())
        return {};
    return IndexForNode(node->parent, 0);
}

int LQtOutlineViewManager::rowCount(const QModelIndex& parent) const
{
    if (resetPending_ || (parent.isValid() && parent.column() != 0))
        return 0;
    return static_cast<int>(NodeOrRoot(parent)->children.size());
}

int LQtOutlineViewManager::columnCount(const QModelIndex&) const
{
    return ModelColumnCount();
}

bool LQtOutlineViewManager::hasChildren(const QModelIndex& parent) const
{
    if (resetPending_ || (parent.isValid() && parent.column() != 0))
        return false;
    // Only a node with children shows an expander.
    return !NodeOrRoot(parent)->children.empty();
}

QVariant LQtOutlineViewManager::data(const QModelIndex& index, int role) const
{
    const LOutlineNode* node = NodeOf(index);
    if (resetPending_ || !node)
        return {};
    const int nodeColumn = NodeColumn(index.column());
    if (nodeColumn < 0)
        return {};
    const size_t column = static_cast<size_t>(nodeColumn);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return QString::fromUtf8(node->Text(column));
    case Qt::TextAlignmentRole:
        switch (ColumnAlignment(nodeColumn)) {
        case 1:
            return int(Qt::AlignCenter);
        case 2:
            return int(Qt::AlignRight | Qt::AlignVCenter);
        default:
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        }
    default:
        return {};
    }
}

QVariant LQtOutlineViewManager::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ModelColumnCount())
        return {};
    const int column = NodeColumn(section);
    return column < 0 ? QString() : ColumnTitle(column);
}

void LQtOutlineViewManager::OnReloadRequested()
{
    if (resetPending_)
        return;
    beginResetModel();
    resetPending_ = true;
    QMetaObject::invokeMethod(
        this, [this] { FlushReload(); }, Qt::QueuedConnection);
}

void LQtOutlineViewManager::FlushReload()
{
    if (!resetPending_)
        return;
    resetPending_ = false;
    endResetModel();
    emit reloaded();
}

void LQtOutlineViewManager::ResetNow()
{
    if (resetPending_) {
        FlushReload();
        return;
    }
    beginResetModel();
    endResetModel();
    emit reloaded();
}

void LQtOutlineViewManager::OnCellChanged(const LOutlineNode* node, int column)
{
    if (resetPending_)
        return;
    QModelIndex index = IndexForNode(node, ModelColumn(column));
    if (index.isValid())
        emit dataChanged(index, index);
}

void LQtOutlineViewManager::OnDragDropChanged()
{
    emit dragDropChanged();
}

void LQtOutlineViewManager::OnExpansionChanged(const LOutlineNode* node)
{
    emit expansionChanged(node);
}

void LQtOutlineViewManager::OnColumnsChanged()
{
    emit headerDataChanged(Qt::Horizontal, 0, ModelColumnCount() - 1);
    emit columnsChanged();
}

LQtListViewManager::LQtListViewManager(LListViewManager* list, QObject* parent)
    : LQtOutlineViewManager(list, list->ColumnCount(), parent), list_(list),
      hadCheckboxColumn_(list->HasCheckboxColumn())
{
}

int LQtListViewManager::ModelColumnCount() const
{
    return std::max(list_->ColumnCount(), 1) + CheckboxOffset();
}

int LQtListViewManager::NodeColumn(int modelColumn) const
{
    return modelColumn - CheckboxOffset();
}

int LQtListViewManager::ModelColumn(int nodeColumn) const
{
    return nodeColumn < 0 ? 0 : nodeColumn + CheckboxOffset();
}

void LQtListViewManager::OnColumnsChanged()
{
    // The check-box column changes the model's columns: views start afresh.
    if (hadCheckboxColumn_ != list_->HasCheckboxColumn()) {
        hadCheckboxColumn_ = list_->HasCheckboxColumn();
        ResetNow();
    }
    LQtOutlineViewManager::OnColumnsChanged();
}

QVariant LQtListViewManager::data(const QModelIndex& index, int role) const
{
    const LOutlineNode* node = NodeOf(index);
    if (IsResetPending() || !node)
        return {};
    if (NodeColumn(index.column()) < 0)
        return role == Qt::CheckStateRole ? QVariant(node->checked ? Qt::Checked : Qt::Unchecked)
                                          : QVariant();
    return LQtOutlineViewManager::data(index, role);
}

QString LQtListViewManager::ColumnTitle(int column) const
{
    return column >= 0 && column < list_->ColumnCount()
               ? QString::fromUtf8(list_->Columns()[static_cast<size_t>(column)].title)
               : QString();
}

int LQtListViewManager::ColumnAlignment(int column) const
{
    return column >= 0 && column < list_->ColumnCount()
               ? list_->Columns()[static_cast<size_t>(column)].alignment
               : 0;
}

Qt::ItemFlags LQtListViewManager::flags(const QModelIndex& index) const
{
    if (!index.isValid() || IsResetPending())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (list_->LvDragHandler())
        result |= Qt::ItemIsDragEnabled;
    const int column = NodeColumn(index.column());
    if (column < 0)
        return result | Qt::ItemIsUserCheckable;
    const int type = list_->ColumnType(column);
    if (type == kListColumnComboBox ||
        (column < list_->ColumnCount() && list_->Columns()[static_cast<size_t>(column)].editable))
        result |= Qt::ItemIsEditable;
    return result;
}

bool LQtListViewManager::setData(const QModelIndex& index, const QVariant& value, int role)
{
    // The owner decides what a cell shows: the view's delegate hands new
    // text to the handlers, which set the cell when they accept it. Only the
    // check box keeps what the user clicked.
    LOutlineNode* node = const_cast<LOutlineNode*>(NodeOf(index));
    if (IsResetPending() || !node || role != Qt::CheckStateRole || NodeColumn(index.column()) >= 0)
        return false;
    const bool checked = value.toInt() == Qt::Checked;
    if (checked != node->checked) {
        list_->CheckBoxClicked(node, checked);
        emit dataChanged(index, index, {Qt::CheckStateRole});
    }
    return true;
}

void LQtListViewManager::sort(int column, Qt::SortOrder order)
{
    if (!list_->IsHeaderSortable() || NodeColumn(column) < 0)
        return;
    const bool ignoring = false;
    list_->SetIgnoreSelectionChanges(true);
    list_->SortRowsUsingColumn(NodeColumn(column), order == Qt::AscendingOrder);
    list_->SetIgnoreSelectionChanges(ignoring);
    list_->ClearSelectionChangedWhileIgnored();
}

LQtOutlineViewImpl::LQtOutlineViewImpl(LQtOutlineViewManager* model, QWidget* parent) : QTreeView(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    clickHandler_ = new LQtListControlClickHandler(this);
    header()->installEventFilter(this);
    // The user's expanding and collapsing is the manager's state too.
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        if (model_ && !restoring_)
            model_->Tree()->SetExpandedFromPeer(
                const_cast<LOutlineNode*>(LQtOutlineViewManager::NodeOf(index)), true);
    });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
        if (model_ && !restoring_)
            model_->Tree()->SetExpandedFromPeer(
                const_cast<LOutlineNode*>(LQtOutlineViewManager::NodeOf(index)), false);
    });
    SetManager(model);
}

bool LQtOutlineViewImpl::SendRightClick()
{
    if (LQtControlCommand(this, LCommandKeyRightClick) == -1 || LQtControlWindow(this) == nullptr)
        return false;
    LQtSendControlCommand(this, LCommandKeyRightClick);
    return true;
}

void LQtOutlineViewImpl::contextMenuEvent(QContextMenuEvent* event)
{
    if (SendRightClick())
        event->accept();
    else
        QTreeView::contextMenuEvent(event);
}

bool LQtOutlineViewImpl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == header() && event->type() == QEvent::ContextMenu && SendRightClick()) {
        event->accept();
        return true;
    }
    return QTreeView::eventFilter(watched, event);
}

void LQtOutlineViewImpl::focusInEvent(QFocusEvent* event)
{
    QTreeView::focusInEvent(event);
    LQtSendControlCommand(this, LCommandKeySetFocus);
}

LQtOutlineViewImpl::~LQtOutlineViewImpl()
{
    DestroyClickHandler();
}

void LQtOutlineViewImpl::DestroyClickHandler()
{
    delete clickHandler_;
    clickHandler_ = nullptr;
}

void LQtOutlineViewImpl::SetManager(LQtOutlineViewManager* model)
{
    if (reloadConnection_)
        disconnect(reloadConnection_);
    if (expansionConnection_)
        disconnect(expansionConnection_);
    if (dragDropConnection_)
        disconnect(dragDropConnection_);
    model_ = model;
    setModel(model_);
    if (!model_)
        return;
    reloadConnection_ = connect(model_, &LQtOutlineViewManager::reloaded, this, [this] {
        RestoreExpansion();
        RestoreSelection();
        OnReloaded();
    });
    dragDropConnection_ =
        connect(model_, &LQtOutlineViewManager::dragDropChanged, this, [this] { UpdateDragAndDrop(); });
    expansionConnection_ =
        connect(model_, &LQtOutlineViewManager::expansionChanged, this, [this](const LOutlineNode* node) {
            const QModelIndex index = model_->IndexForNode(node, 0);
            if (!index.isValid())
                return; // a pending reload restores it
            restoring_ = true;
            setExpanded(index, node->expanded);
            restoring_ = false;
        });
    RestoreExpansion();
    RestoreSelection();
    UpdateDragAndDrop();
}

void LQtOutlineViewImpl::UpdateDragAndDrop()
{
    setDragEnabled(model_ && model_->CanDragRows());
    // Drops land on the viewport; the view itself says the same.
    const bool drops = model_ && (model_->Tree()->DropTarget() || model_->CanDragRows());
    setAcceptDrops(drops);
    viewport()->setAcceptDrops(drops);
    setDropIndicatorShown(model_ && model_->CanDragRows());
}

void LQtOutlineViewImpl::RestoreExpansion()
{
    if (!model_ || model_->IsResetPending())
        return;
    restoring_ = true;
    // Parents first, so that every expanded node's index is reachable.
    std::function<void(const LOutlineNode&)> walk = [&](const LOutlineNode& parent) {
        for (const auto& child : parent.children) {
            if (child->children.empty())
                continue;
            setExpanded(model_->IndexForNode(child.get(), 0), child->expanded);
            walk(*child);
        }
    };
    walk(model_->Tree()->Root());
    restoring_ = false;
}

void LQtOutlineViewImpl::ViewportToWindowPixels(const QPoint& pos, int* x, int* y) const
{
    *x = 0;
    *y = 0;
    LWindow* window = LQtControlWindow(this);
    QWidget* content = window ? LQtWidget(window->GetView()) : nullptr;
    if (!content)
        return;
    const QPoint at = viewport()->mapTo(content, pos);
    const double scale = window->GetScaleFactor();
    *x = static_cast<int>(at.x() * scale + 0.5);
    *y = static_cast<int>(at.y() * scale + 0.5);
}

namespace {

// Positions are the viewport's.
LDragInfo DragInfoOf(const QDropEvent* event, QWidget* view, const QPoint& pos)
{
    LDragInfo info;
    info.mimeData = event->mimeData();
    info.view = LQtHandle(view);
    info.x = pos.x();
    info.y = pos.y();
    info.fromInside = event->source() != nullptr;
    return info;
}

} // namespace

// Drops are taken only from drags that began inside the program, and only
// while a drop target is installed; other programs' drags are refused.
void LQtOutlineViewImpl::dragEnterEvent(QDragEnterEvent* event)
{
    LDropTarget* target = model_ ? model_->Tree()->DropTarget() : nullptr;
    const QPoint pos = event->position().toPoint();
    if (target && event->source() && target->DragEnter(DragInfoOf(event, viewport(), pos))) {
        event->acceptProposedAction();
        return;
    }
    event->ignore();
}

void LQtOutlineViewImpl::dragMoveEvent(QDragMoveEvent* event)
{
    LDropTarget* target = model_ ? model_->Tree()->DropTarget() : nullptr;
    if (!target || !event->source() || target->Flavor() == 0) {
        event->ignore();
        return;
    }
    int x = 0, y = 0;
    target->GetDropPoint(DragInfoOf(event, viewport(), event->position().toPoint()), &x, &y);
    target->DragOver(x, y);
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void LQtOutlineViewImpl::dragLeaveEvent(QDragLeaveEvent* event)
{
    if (LDropTarget* target = model_ ? model_->Tree()->DropTarget() : nullptr) {
        target->DragLeave();
        target->Reset();
    }
    event->accept();
}

void LQtOutlineViewImpl::dropEvent(QDropEvent* event)
{
    LDropTarget* target = model_ ? model_->Tree()->DropTarget() : nullptr;
    if (!target || !event->source()) {
        event->ignore();
        return;
    }
    target->PerformDrop(DragInfoOf(event, viewport(), event->position().toPoint()));
    target->Reset();
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void LQtOutlineViewImpl::RestoreSelection()
{
    if (!model_ || !selectionModel())
        return;
    restoring_ = true;
    QItemSelection selection;
    for (const LOutlineNode* node : model_->Tree()->Selection()) {
        QModelIndex first = model_->IndexForNode(node, 0);
        if (first.isValid())
            selection.select(first, model_->IndexForNode(node, model_->columnCount() - 1));
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    // The arrow keys go on from the current row: when the program selected
    // rows elsewhere (a file moved up, a row added), it goes with them.
    if (!selection.isEmpty() && !selectionModel()->isSelected(selectionModel()->currentIndex()))
        selectionModel()->setCurrentIndex(selection.first().topLeft(), QItemSelectionModel::NoUpdate);
    restoring_ = false;
}

void LQtOutlineViewImpl::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QTreeView::selectionChanged(selected, deselected);
    if (restoring_ || !model_ || model_->IsResetPending())
        return;
    std::vector<const LOutlineNode*> nodes;
    for (const QModelIndex& index : selectionModel()->selectedRows(0))
        nodes.push_back(LQtOutlineViewManager::NodeOf(index));
    model_->Tree()->SetSelectionFromPeer(std::move(nodes));
}

namespace {

// Editing ends in the owner's handler: the new text is handed over and
// the cell shows whatever the handler then sets, never the typed text.
// A combo-box cell: the owner fills its list each time it pops up.
class LQtCellComboBox : public QComboBox
{
public:
    LQtCellComboBox(LListViewManager* list, int row, int column, QWidget* parent)
        : QComboBox(parent), list_(list), row_(row), column_(column)
    {
        setEditable(true);
        setFrame(false);
    }
    void showPopup() override
    {
        const QString text = currentText();
        clear();
        for (const std::string& item : list_->OpenComboBox(row_, column_))
            addItem(QString::fromUtf8(item));
        setEditText(text);
        QComboBox::showPopup();
    }
    void hidePopup() override
    {
        QComboBox::hidePopup();
        list_->CloseComboBox();
    }

private:
    LListViewManager* list_;
    int row_;
    int column_;
};

// Cells by column type. Editing ends in the owner's handlers: the new text
// is handed over and the cell shows whatever they then set, never the
// typed text. The check-box column toggles on a click anywhere in its cell.
class LQtListCellDelegate : public QStyledItemDelegate
{
public:
    explicit LQtListCellDelegate(LQtListViewImpl* view) : QStyledItemDelegate(view), view_(view) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override
    {
        LListViewManager* list = view_->List();
        const int column = NodeColumn(index);
        if (list && column >= 0 && list->ColumnType(column) == kListColumnComboBox)
            return new LQtCellComboBox(list, index.row(), column, parent);
        return QStyledItemDelegate::createEditor(parent, option, index);
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        if (auto* combo = dynamic_cast<LQtCellComboBox*>(editor)) {
            combo->setEditText(index.data(Qt::DisplayRole).toString());
            return;
        }
        QStyledItemDelegate::setEditorData(editor, index);
    }

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override
    {
        LListViewManager* list = view_->List();
        if (!list || !index.isValid())
            return;
        QString text;
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            text = line->text();
        else if (auto* combo = qobject_cast<QComboBox*>(editor))
            text = combo->currentText();
        else
            return;
        LWindow* window = LQtControlWindow(view_);
        const QByteArray utf8 = text.toUtf8();
        list->EndEdit(index.row(), NodeColumn(index), utf8.constData(), window ? window->GetView() : nullptr);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        LListViewManager* list = view_->List();
        const int column = NodeColumn(index);
        if (list && column < 0) {
            PaintCheckBox(painter, option, index);
            return;
        }
        if (list && list->ColumnType(column) == kListColumnDropDown) {
            PaintDropDown(painter, option, index);
            return;
        }
        QStyledItemDelegate::paint(painter, option, index);
    }

    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override
    {
        LListViewManager* list = view_->List();
        const int column = NodeColumn(index);
        if (!list || !index.isValid())
            return QStyledItemDelegate::editorEvent(event, model, option, index);
        if (column < 0) {
            // The press selects the row as anywhere else; the release turns the box.
            if (event->type() == QEvent::MouseButtonDblClick)
                return static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
            if (event->type() == QEvent::MouseButtonRelease &&
                static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
                option.rect.contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
                const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
                return model->setData(index, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
            }
            if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
                const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
                return model->setData(index, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
            }
            return false;
        }
        if (list->ColumnType(column) == kListColumnDropDown && event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            const int row = index.row();
            // After the click's own handling, so the row is selected first.
            QMetaObject::invokeMethod(
                view_,
                [view = QPointer<LQtListViewImpl>(view_), row, column] {
                    if (view)
                        view->OpenDropDownCell(row, column);
                },
                Qt::QueuedConnection);
            return true;
        }
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    }

private:
    int NodeColumn(const QModelIndex& index) const
    {
        return view_->ListModel() ? view_->ListModel()->NodeColumn(index.column()) : index.column();
    }

    void PaintCheckBox(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
    {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        item.features &= ~QStyleOptionViewItem::HasCheckIndicator;
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &item, painter, widget);
        QStyleOptionButton box;
        box.state = QStyle::State_Enabled;
        box.state |=
            index.data(Qt::CheckStateRole).toInt() == Qt::Checked ? QStyle::State_On : QStyle::State_Off;
        const int w = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, widget);
        const int h = style->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, widget);
        box.rect = QRect(option.rect.x() + (option.rect.width() - w) / 2,
                         option.rect.y() + (option.rect.height() - h) / 2, w, h);
        style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, widget);
    }

    void PaintDropDown(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
    {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &item, painter, widget);
        QStyleOptionComboBox combo;
        combo.rect = option.rect.adjusted(1, 1, -1, -1);
        combo.state = QStyle::State_Enabled;
        combo.frame = false;
        combo.currentText = index.data(Qt::DisplayRole).toString();
        combo.palette = option.palette;
        style->drawComplexControl(QStyle::CC_ComboBox, &combo, painter, widget);
        style->drawControl(QStyle::CE_ComboBoxLabel, &combo, painter, widget);
    }

    LQtListViewImpl* view_;
};

} // namespace

LQtListViewImpl::LQtListViewImpl(LQtListViewManager* model, QWidget* parent)
    : LQtOutlineViewImpl(model, parent), listModel_(model)
{
    SetupHeader();
    setItemDelegate(new LQtListCellDelegate(this));
    if (listModel_)
        columnsConnection_ =
            connect(listModel_, &LQtListViewManager::columnsChanged, this, [this] { ApplyColumns(); });
    ApplyColumns();
}

LQtListViewImpl::LQtListViewImpl(LWindow* window, const LListFlags& flags, QWidget* parent)
    : LQtOutlineViewImpl(nullptr, parent), flags_(flags)
{
    LQtSetControlWindow(this, window);
    SetupHeader();
    setItemDelegate(new LQtListCellDelegate(this));
    ApplyFlags();
}

LQtListViewImpl::~LQtListViewImpl()
{
    // The model goes before the manager it observes.
    SetManager(nullptr);
    ownedModel_.reset();
    ownedList_.reset();
}

void LQtListViewImpl::SetupHeader()
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSortingEnabled(false);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    connect(header(), &QHeaderView::sectionClicked, this, [this](int section) {
        LListViewManager* list = List();
        const int column = listModel_ ? listModel_->NodeColumn(section) : -1;
        if (!list || !list->IsHeaderSortable() || column < 0)
            return;
        // A click on the sorted column turns the direction round.
        const bool ascending = column == list->GetSortColumn() ? !list->IsSortAscending() : true;
        listModel_->sort(section, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
        header()->setSortIndicatorShown(true);
        header()->setSortIndicator(section, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    });
    connect(header(), &QHeaderView::sectionResized, this, [this](int section, int, int size) {
        if (!applyingWidths_ && List() && listModel_ && listModel_->NodeColumn(section) >= 0)
            List()->SetColumnWidth(listModel_->NodeColumn(section), size);
    });
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
}

void LQtListViewImpl::ApplyFlags()
{
    if (flags_.singleSelection)
        setSelectionMode(QAbstractItemView::SingleSelection);
    else
        setSelectionMode(QAbstractItemView::ExtendedSelection);
}

void LQtListViewImpl::AdoptList(std::unique_ptr<LListViewManager> list)
{
    if (columnsConnection_)
        disconnect(columnsConnection_);
    SetManager(nullptr);
    listModel_ = nullptr;
    ownedModel_.reset();
    ownedList_ = std::move(list);
    if (!ownedList_)
        return;
    if (flags_.sortableHeader)
        ownedList_->SetHeaderSortable(true);
    if (flags_.editable)
        ownedList_->SetEditable(true);
    ownedModel_ = std::make_unique<LQtListViewManager>(ownedList_.get());
    listModel_ = ownedModel_.get();
    SetManager(listModel_);
    columnsConnection_ =
        connect(listModel_, &LQtListViewManager::columnsChanged, this, [this] { ApplyColumns(); });
    ApplyColumns();
}

void LQtListViewImpl::ApplyColumnWidths()
{
    LListViewManager* list = List();
    if (!list)
        return;
    applyingWidths_ = true;
    for (int column = 0; column < list->ColumnCount(); ++column) {
        const int section = listModel_->ModelColumn(column);
        const double width = list->GetColumnWidth(column);
        if (width > 0 && section < header()->count())
            header()->resizeSection(section, static_cast<int>(width));
    }
    applyingWidths_ = false;
}

void LQtListViewImpl::ApplyColumns()
{
    LListViewManager* list = List();
    if (!list || !listModel_)
        return;
    listModel_->FlushReload();
    QHeaderView* head = header();
    head->setVisible(list->IsHeaderShown());
    const int offset = listModel_->CheckboxOffset();
    if (offset) {
        // A narrow fixed column at the front, with no title.
        head->setMinimumSectionSize(std::min(head->minimumSectionSize(), 20));
        head->moveSection(head->visualIndex(0), 0);
        head->setSectionResizeMode(0, QHeaderView::Fixed);
        head->resizeSection(0, 20);
    }
    const std::vector<int>& order = list->DisplayOrder();
    for (size_t k = 0; k < order.size(); ++k) {
        const int section = listModel_->ModelColumn(order[k]);
        if (section < head->count())
            head->moveSection(head->visualIndex(section), static_cast<int>(k) + offset);
    }
    for (int column = 0; column < list->ColumnCount(); ++column) {
        const int section = listModel_->ModelColumn(column);
        if (section < head->count()) {
            head->setSectionResizeMode(section, QHeaderView::Interactive);
            head->setSectionHidden(section, list->IsColumnHidden(column));
        }
    }
    ApplyColumnWidths();
}

QMenu* LQtListViewImpl::OpenDropDownCell(int row, int column)
{
    LListViewManager* list = List();
    if (!list || !listModel_)
        return nullptr;
    listModel_->FlushReload();
    const QModelIndex index = listModel_->index(row, listModel_->ModelColumn(column));
    if (!index.isValid())
        return nullptr;
    const std::vector<std::string> items = list->OpenDropDown(row, column);
    if (items.empty()) {
        list->CloseDropDown();
        return nullptr;
    }
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (size_t i = 0; i < items.size(); ++i) {
        QAction* action = menu->addAction(QString::fromUtf8(items[i]));
        const int tag = static_cast<int>(i);
        connect(action, &QAction::triggered, this, [this, row, column, tag, title = items[i]] {
            if (LListViewManager* owner = List())
                owner->SelectDropDownItem(row, column, tag, title.c_str());
        });
    }
    connect(menu, &QMenu::aboutToHide, this, [this] {
        if (LListViewManager* owner = List())
            owner->CloseDropDown();
    });
    const QRect cell = visualRect(index);
    menu->setMinimumWidth(cell.width());
    menu->popup(viewport()->mapToGlobal(cell.bottomLeft()));
    return menu;
}

int LQtListViewImpl::DropRowAt(const QPoint& pos) const
{
    LListViewManager* list = List();
    if (!list)
        return 0;
    const QModelIndex index = indexAt(pos);
    if (index.isValid())
        return index.row();
    return pos.y() < 0 ? 0 : list->RowCount();
}

namespace {
constexpr const char* kRowDragFormat = "application/x-quorin-list-rows";
}

bool LQtListViewImpl::BeginRowDrag()
{
    LListViewManager* list = List();
    if (!list || !list->LvDragHandler() || !listModel_)
        return false;
    listModel_->FlushReload();
    if (!list->BeginRowDrag(list->SelectedRows()))
        return false;
    RestoreSelection();
    return true;
}

void LQtListViewImpl::MoveRowDrag(const QPoint& viewportPos)
{
    LListViewManager* list = List();
    if (!list || !list->IsRowDragActive())
        return;
    int x = 0, y = 0;
    ViewportToWindowPixels(viewportPos, &x, &y);
    list->RowDragMoved(x, y);
}

void LQtListViewImpl::FinishRowDrag(const QPoint& viewportPos)
{
    LListViewManager* list = List();
    if (!list || !list->IsRowDragActive())
        return;
    int x = 0, y = 0;
    ViewportToWindowPixels(viewportPos, &x, &y);
    list->EndRowDrag(DropRowAt(viewportPos), x, y);
}

void LQtListViewImpl::startDrag(Qt::DropActions)
{
    if (!BeginRowDrag())
        return;
    QPointer<LQtListViewImpl> self(this);
    auto* drag = new QDrag(this);
    auto* data = new QMimeData;
    data->setData(kRowDragFormat, QByteArray::number(List()->ListId()));
    drag->setMimeData(data);
    const QModelIndexList rows = selectionModel()->selectedRows(0);
    if (!rows.isEmpty()) {
        QRect area = visualRect(rows.first());
        area.setLeft(0);
        area.setRight(viewport()->width() - 1);
        drag->setPixmap(viewport()->grab(area));
        drag->setHotSpot(viewport()->mapFromGlobal(QCursor::pos()) - area.topLeft());
    }
    drag->exec(Qt::MoveAction);
    // Dropped somewhere else than on this list: the end point still decides.
    if (self)
        FinishRowDrag(viewport()->mapFromGlobal(QCursor::pos()));
}

void LQtListViewImpl::dragEnterEvent(QDragEnterEvent* event)
{
    LListViewManager* list = List();
    if (list && list->IsRowDragActive() && event->mimeData()->hasFormat(kRowDragFormat)) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
        return;
    }
    LQtOutlineViewImpl::dragEnterEvent(event);
}

void LQtListViewImpl::dragMoveEvent(QDragMoveEvent* event)
{
    LListViewManager* list = List();
    if (list && list->IsRowDragActive() && event->mimeData()->hasFormat(kRowDragFormat)) {
        MoveRowDrag(event->position().toPoint());
        event->setDropAction(Qt::MoveAction);
        event->accept();
        return;
    }
    LQtOutlineViewImpl::dragMoveEvent(event);
}

void LQtListViewImpl::dropEvent(QDropEvent* event)
{
    LListViewManager* list = List();
    if (list && list->IsRowDragActive() && event->mimeData()->hasFormat(kRowDragFormat)) {
        FinishRowDrag(event->position().toPoint());
        event->setDropAction(Qt::MoveAction);
        event->accept();
        return;
    }
    LQtOutlineViewImpl::dropEvent(event);
}

void LQtListViewImpl::OnReloaded()
{
    ApplyColumns();
    viewport()->update();
}

void LQtListViewImpl::SetDefaultText(const QString& text)
{
    defaultText_ = text;
    viewport()->update();
}

void LQtListViewImpl::SetBackgroundImage(const QImage& image)
{
    background_ = image;
    viewport()->update();
}

QRect LQtListViewImpl::BackgroundImageRect() const
{
    if (background_.isNull())
        return {};
    const QSize size = background_.deviceIndependentSize().toSize();
    const QRect visible = viewport()->rect();
    return QRect(visible.right() + 1 - size.width(), visible.bottom() + 1 - size.height(), size.width(),
                 size.height());
}

void LQtListViewImpl::StretchColumn(int count, int column, double floorWidth)
{
    stretchCount_ = count;
    stretchColumn_ = column;
    stretchFloor_ = floorWidth;
    stretchedWidth_ = -1;
    ApplyStretch();
}

int LQtListViewImpl::StretchWidth() const
{
    int width = viewport()->width();
    const QScrollBar* bar = verticalScrollBar();
    const bool overlaid = style()->styleHint(QStyle::SH_ScrollBar_Transient, nullptr, bar) != 0;
    if (verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff && !overlaid && !bar->isVisibleTo(this))
        width -= bar->sizeHint().width();
    return std::max(0, width);
}

void LQtListViewImpl::ApplyStretch()
{
    LListViewManager* list = List();
    if (list == nullptr || stretchColumn_ < 0 || stretching_)
        return;
    const int width = StretchWidth();
    if (width == stretchedWidth_)
        return;
    stretching_ = true;
    stretchedWidth_ = width;
    const bool resized = list->ResizeColumns(stretchCount_, stretchColumn_, stretchFloor_, width);
    if (resized)
        ApplyColumnWidths();
    stretching_ = false;
}

bool LQtListViewImpl::viewportEvent(QEvent* event)
{
    const bool handled = LQtOutlineViewImpl::viewportEvent(event);
    if (event->type() == QEvent::Resize)
        ApplyStretch();
    return handled;
}

void LQtListViewImpl::paintEvent(QPaintEvent* event)
{
    LOutlineViewManager* tree = Manager() ? Manager()->Tree() : nullptr;
    QTreeView::paintEvent(event);
    const bool empty = !tree || tree->RowCount() == 0;
    if (!(empty && !defaultText_.isEmpty()) && background_.isNull())
        return;
    QPainter painter(viewport());
    if (empty && !defaultText_.isEmpty()) {
        QFont font = painter.font();
        font.setPointSizeF(QApplication::font().pointSizeF() + 1);
        painter.setFont(font);
        painter.setPen(QColor(0x55, 0x55, 0x55));
        const QFontMetrics metrics(font);
        const int textWidth = metrics.horizontalAdvance(defaultText_);
        const int x = (viewport()->width() - textWidth) / 2;
        painter.drawText(QPoint(x, 20 + metrics.ascent()), defaultText_);
    }
    if (!background_.isNull()) {
        painter.setOpacity(0.6);
        painter.drawImage(BackgroundImageRect(), background_);
    }
}

namespace {

LRectangle DevicePixels(const QRect& rect, double ratio)
{
    const auto edge = [ratio](int points) { return static_cast<int>(points * ratio); };
    return {edge(rect.left()), edge(rect.top()), edge(rect.left() + rect.width()),
            edge(rect.top() + rect.height())};
}

} // namespace

LRectangle LQtListViewImpl::GetRowBounds(int row) const
{
    if (!listModel_ || row < 0)
        return {};
    listModel_->FlushReload();
    if (row >= listModel_->rowCount())
        return {};
    const QRect cell = visualRect(listModel_->index(row, 0));
    if (!cell.isValid())
        return {};
    const int width = std::max(header()->length(), viewport()->width());
    return DevicePixels(QRect(-horizontalOffset(), cell.top(), width, cell.height()), devicePixelRatioF());
}

LRectangle LQtListViewImpl::GetCellBounds(int row, int displayPosition) const
{
    if (!listModel_ || row < 0 || displayPosition < 0)
        return {};
    listModel_->FlushReload();
    if (row >= listModel_->rowCount() || displayPosition >= header()->count())
        return {};
    const int column = header()->logicalIndex(displayPosition);
    if (column < 0 || header()->isSectionHidden(column))
        return {};
    return DevicePixels(visualRect(listModel_->index(row, column)), devicePixelRatioF());
}

bool LQtListViewImpl::EditSelectedRow()
{
    LListViewManager* list = List();
    if (!list || !listModel_)
        return false;
    const int row = list->FirstSelectedRow();
    if (row < 0)
        return false;
    listModel_->FlushReload();
    const QModelIndex index = listModel_->index(row, listModel_->ModelColumn(0));
    setCurrentIndex(index);
    QTreeView::edit(index);
    if (auto* line = viewport()->findChild<QLineEdit*>())
        line->selectAll();
    return true;
}

// Ctrl combinations are the window's menu keys (Move Selected File Up and
// Down, Remove, Select All): the window hears them first, and the view moves
// its current row only for those the window has no use for.
void LQtOutlineViewImpl::keyPressEvent(QKeyEvent* event)
{
    if ((event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) != 0 && state() != EditingState) {
        LWindow* window = LQtControlWindow(this);
        LKeyHandler* handler = window != nullptr ? window->GetKeyHandler() : nullptr;
        if (handler != nullptr && handler->IsEnabled() &&
            handler->DispatchKeyDown(LQtKeyFromEvent(event), event->isAutoRepeat(), 0)) {
            event->accept();
            return;
        }
    }
    QTreeView::keyPressEvent(event);
}

bool LQtListViewImpl::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    // Shift or Ctrl on a click changes the selection: a row that was already
    // selected is not renamed then, so that the next keys act on the files.
    if (trigger == QAbstractItemView::SelectedClicked && event != nullptr &&
        (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::MouseButtonPress) &&
        (static_cast<QMouseEvent*>(event)->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)))
        return false;
    // A click on one row of several selected ones selects that row alone; a
    // second click renames it.
    if (trigger == QAbstractItemView::SelectedClicked && selectionModel() != nullptr &&
        selectionModel()->selectedRows(0).size() > 1) {
        selectionModel()->setCurrentIndex(index,
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        return false;
    }
    if (!QTreeView::edit(index, trigger, event))
        return false;
    // A check box or drop-down cell takes clicks without an editor.
    if (state() != QAbstractItemView::EditingState)
        return true;
    if (LListViewManager* list = List())
        list->BeginEdit();
    return true;
}
