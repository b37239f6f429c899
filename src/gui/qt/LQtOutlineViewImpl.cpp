#include "gui/qt/LQtOutlineViewImpl.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPointer>

#include "gui/qt/LQtCommandSink.h"
#include "gui/qt/LQtControlCommands.h"

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
    if (resetPending_ || row < 0 || column < 0 || column >= columnCount_)
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
    return columnCount_;
}

QVariant LQtOutlineViewManager::data(const QModelIndex& index, int role) const
{
    const LOutlineNode* node = NodeOf(index);
    if (resetPending_ || !node)
        return {};
    const size_t column = static_cast<size_t>(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return QString::fromUtf8(node->Text(column));
    case Qt::TextAlignmentRole:
        switch (ColumnAlignment(index.column())) {
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
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount_)
        return {};
    return ColumnTitle(section);
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

void LQtOutlineViewManager::OnCellChanged(const LOutlineNode* node, int column)
{
    if (resetPending_)
        return;
    QModelIndex index = IndexForNode(node, column);
    if (index.isValid())
        emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
}

LQtListViewManager::LQtListViewManager(LListViewManager* list, QObject* parent)
    : LQtOutlineViewManager(list, list->ColumnCount(), parent), list_(list)
{
}

QString LQtListViewManager::ColumnTitle(int column) const
{
    return column < list_->ColumnCount()
               ? QString::fromUtf8(list_->Columns()[static_cast<size_t>(column)].title)
               : QString();
}

int LQtListViewManager::ColumnAlignment(int column) const
{
    return column < list_->ColumnCount() ? list_->Columns()[static_cast<size_t>(column)].alignment : 0;
}

Qt::ItemFlags LQtListViewManager::flags(const QModelIndex& index) const
{
    if (!index.isValid() || IsResetPending())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() < list_->ColumnCount() &&
        list_->Columns()[static_cast<size_t>(index.column())].editable)
        result |= Qt::ItemIsEditable;
    return result;
}

bool LQtListViewManager::setData(const QModelIndex& index, const QVariant& value, int role)
{
    // The owner decides what the cell shows: the handler hears the new text
    // and sets it through the manager when it accepts it.
    if (role != Qt::EditRole || !index.isValid() || IsResetPending())
        return false;
    if (LListViewLabelEditHandler* handler = list_->LabelEditHandler()) {
        const QByteArray text = value.toString().toUtf8();
        handler->OnEndEdit(list_->ListId(), text.constData());
    }
    return true;
}

void LQtListViewManager::sort(int column, Qt::SortOrder order)
{
    if (!list_->IsHeaderSortable())
        return;
    const bool ignoring = false;
    list_->SetIgnoreSelectionChanges(true);
    list_->SortRowsUsingColumn(column, order == Qt::AscendingOrder);
    list_->SetIgnoreSelectionChanges(ignoring);
    list_->ClearSelectionChangedWhileIgnored();
}

LQtOutlineViewImpl::LQtOutlineViewImpl(LQtOutlineViewManager* model, QWidget* parent)
    : QTreeView(parent), model_(model)
{
    setModel(model_);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    connect(model_, &LQtOutlineViewManager::reloaded, this, [this] { RestoreSelection(); });
    RestoreSelection();
}

void LQtOutlineViewImpl::RestoreSelection()
{
    restoring_ = true;
    QItemSelection selection;
    for (const LOutlineNode* node : model_->Tree()->Selection()) {
        QModelIndex first = model_->IndexForNode(node, 0);
        if (first.isValid())
            selection.select(first, model_->IndexForNode(node, model_->columnCount() - 1));
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    restoring_ = false;
}

void LQtOutlineViewImpl::PostRowCommand(int command)
{
    if (command == -1)
        return;
    QPointer<LQtOutlineViewImpl> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, command] {
            if (self)
                LQtSendCommand(LQtControlWindow(self), command);
        },
        Qt::QueuedConnection);
}

void LQtOutlineViewImpl::mousePressEvent(QMouseEvent* event)
{
    QTreeView::mousePressEvent(event);
    if (!indexAt(event->position().toPoint()).isValid())
        return;
    LOutlineViewManager* tree = model_->Tree();
    if (event->button() == Qt::LeftButton)
        PostRowCommand(tree->clickCommand);
    else if (event->button() == Qt::RightButton)
        PostRowCommand(tree->rightClickCommand);
}

void LQtOutlineViewImpl::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        PostRowCommand(model_->Tree()->doubleClickCommand);
}

void LQtOutlineViewImpl::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QTreeView::selectionChanged(selected, deselected);
    if (restoring_ || model_->IsResetPending())
        return;
    std::vector<const LOutlineNode*> nodes;
    for (const QModelIndex& index : selectionModel()->selectedRows(0))
        nodes.push_back(LQtOutlineViewManager::NodeOf(index));
    model_->Tree()->SetSelectionFromPeer(std::move(nodes));
}

LQtListViewImpl::LQtListViewImpl(LQtListViewManager* model, QWidget* parent)
    : LQtOutlineViewImpl(model, parent), listModel_(model)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSortingEnabled(false);
    header()->setSectionsClickable(true);
    connect(header(), &QHeaderView::sectionClicked, this, [this](int column) {
        LListViewManager* list = listModel_->List();
        if (!list->IsHeaderSortable())
            return;
        // A click on the sorted column turns the direction round.
        const bool ascending = column == list->GetSortColumn() ? !list->IsSortAscending() : true;
        listModel_->sort(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
        header()->setSortIndicatorShown(true);
        header()->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    });
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
}

bool LQtListViewImpl::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    if (!QTreeView::edit(index, trigger, event))
        return false;
    LListViewManager* list = listModel_->List();
    if (LListViewLabelEditHandler* handler = list->LabelEditHandler())
        handler->OnBeginEdit(list->ListId());
    return true;
}
