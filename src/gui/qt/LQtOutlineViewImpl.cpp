#include "gui/qt/LQtOutlineViewImpl.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyledItemDelegate>

#include "gui/qt/LQtCommandSink.h"
#include "gui/qt/LQtControlCommands.h"
#include "gui/qt/LQtListControlClickHandler.h"

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

bool LQtListViewManager::setData(const QModelIndex&, const QVariant&, int)
{
    // The owner decides what the cell shows: the view's delegate hands the
    // new text to the edit handler, which sets the cell when it accepts it.
    return false;
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

LQtOutlineViewImpl::LQtOutlineViewImpl(LQtOutlineViewManager* model, QWidget* parent) : QTreeView(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    clickHandler_ = new LQtListControlClickHandler(this);
    SetManager(model);
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
    model_ = model;
    setModel(model_);
    if (!model_)
        return;
    reloadConnection_ = connect(model_, &LQtOutlineViewManager::reloaded, this, [this] {
        RestoreSelection();
        OnReloaded();
    });
    RestoreSelection();
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
class LQtListLabelDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    LListViewManager* list = nullptr;

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override
    {
        auto* line = qobject_cast<QLineEdit*>(editor);
        if (!line || !list || !index.isValid())
            return;
        if (LListViewLabelEditHandler* handler = list->LabelEditHandler()) {
            const QByteArray text = line->text().toUtf8();
            handler->OnEndEdit(list->ListId(), text.constData());
        }
    }
};

} // namespace

LQtListViewImpl::LQtListViewImpl(LQtListViewManager* model, QWidget* parent)
    : LQtOutlineViewImpl(model, parent), listModel_(model)
{
    SetupHeader();
    auto* delegate = new LQtListLabelDelegate(this);
    delegate->list = List();
    setItemDelegate(delegate);
    ApplyColumnWidths();
}

LQtListViewImpl::LQtListViewImpl(LWindow* window, const LListFlags& flags, QWidget* parent)
    : LQtOutlineViewImpl(nullptr, parent), flags_(flags)
{
    LQtSetControlWindow(this, window);
    SetupHeader();
    setItemDelegate(new LQtListLabelDelegate(this));
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
    connect(header(), &QHeaderView::sectionClicked, this, [this](int column) {
        LListViewManager* list = List();
        if (!list || !list->IsHeaderSortable())
            return;
        // A click on the sorted column turns the direction round.
        const bool ascending = column == list->GetSortColumn() ? !list->IsSortAscending() : true;
        listModel_->sort(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
        header()->setSortIndicatorShown(true);
        header()->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    });
    connect(header(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (!applyingWidths_ && List())
            List()->SetColumnWidth(column, size);
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
    if (auto* delegate = dynamic_cast<LQtListLabelDelegate*>(itemDelegate()))
        delegate->list = ownedList_.get();
    ApplyColumnWidths();
}

void LQtListViewImpl::ApplyColumnWidths()
{
    LListViewManager* list = List();
    if (!list)
        return;
    applyingWidths_ = true;
    for (int column = 0; column < list->ColumnCount() && column < header()->count(); ++column) {
        const double width = list->GetColumnWidth(column);
        if (width > 0)
            header()->resizeSection(column, static_cast<int>(width));
    }
    applyingWidths_ = false;
}

void LQtListViewImpl::OnReloaded()
{
    ApplyColumnWidths();
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
    ApplyStretch();
}

void LQtListViewImpl::ApplyStretch()
{
    LListViewManager* list = List();
    if (list == nullptr || stretchColumn_ < 0 || stretching_)
        return;
    stretching_ = true;
    if (list->ResizeColumns(stretchCount_, stretchColumn_, stretchFloor_, viewport()->width()))
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

bool LQtListViewImpl::EditSelectedRow()
{
    LListViewManager* list = List();
    if (!list || !listModel_)
        return false;
    const int row = list->FirstSelectedRow();
    if (row < 0)
        return false;
    listModel_->FlushReload();
    const QModelIndex index = listModel_->index(row, 0);
    setCurrentIndex(index);
    QTreeView::edit(index);
    if (auto* line = viewport()->findChild<QLineEdit*>())
        line->selectAll();
    return true;
}

bool LQtListViewImpl::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    if (!QTreeView::edit(index, trigger, event))
        return false;
    LListViewManager* list = List();
    if (!list)
        return true;
    if (LListViewLabelEditHandler* handler = list->LabelEditHandler())
        handler->OnBeginEdit(list->ListId());
    return true;
}
