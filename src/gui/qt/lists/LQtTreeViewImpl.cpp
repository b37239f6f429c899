#include "gui/qt/lists/LQtTreeViewImpl.h"

#include "gui/framework/LDragDrop.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/controls/LQtControlCommands.h"

#include <QHeaderView>

#include <cmath>

LQtTreeViewManager::LQtTreeViewManager(LTreeViewManager* tree, QObject* parent)
    : LQtOutlineViewManager(tree, 1, parent), tree_(tree)
{
}

Qt::ItemFlags LQtTreeViewManager::flags(const QModelIndex& index) const
{
    if (!index.isValid() || IsResetPending())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (tree_->IsEditable())
        result |= Qt::ItemIsEditable;
    if (tree_->TvDragHandler())
        result |= Qt::ItemIsDragEnabled;
    return result;
}

bool LQtTreeViewManager::setData(const QModelIndex& index, const QVariant& value, int role)
{
    const LOutlineNode* node = NodeOf(index);
    if (IsResetPending() || !node || role != Qt::EditRole)
        return false;
    const QByteArray text = value.toString().toUtf8();
    tree_->EndEdit(const_cast<LOutlineNode*>(node), text.constData());
    return true;
}

LQtTreeViewImpl::LQtTreeViewImpl(LWindow* window, int id, LTreeFlags flags, QWidget* parent)
    : LQtOutlineViewImpl(nullptr, parent), tree_(std::make_unique<LTreeViewManager>(id))
{
    LQtSetControlWindow(this, window);
    LQtSetControlId(this, id);
    tree_->SetDefaultSettingsAndFlags(flags);
    LTreeViewManager* tree = tree_.get();
    auto send = [window](int command) {
        // An id below 0 delivers no command, only the control update.
        if (command >= 0)
            window->SendCommand(command);
        else if (window->IsVisible())
            window->UpdateControls();
    };
    tree_->SetCommandSender(send);
    tree_->SetSelectionChangeHandler([tree, send] { send(tree->selectionChangeCommand); });
    model_ = std::make_unique<LQtTreeViewManager>(tree_.get());
    header()->hide();
    setRootIsDecorated(true);
    setItemsExpandable(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    SetManager(model_.get());
}

LQtTreeViewImpl::~LQtTreeViewImpl()
{
    // The model goes before the manager it observes.
    SetManager(nullptr);
    model_.reset();
    tree_.reset();
}

void LQtTreeViewImpl::startDrag(Qt::DropActions supportedActions)
{
    if (!tree_->TvDragHandler())
        return;
    tree_->SendCommand(tree_->dragStartCommand);
    QTreeView::startDrag(supportedActions);
}

LTreeViewManager* LAddTreeView(LWindow* window, int id, LTreeFlags flags, int x, int y, int w, int h)
{
    QWidget* content = window ? LQtWidget(window->GetView()) : nullptr;
    if (!content)
        return nullptr;
    auto* view = new LQtTreeViewImpl(window, id, flags, content);
    const double scale = window->GetScaleFactor();
    view->setGeometry(static_cast<int>(std::lround(x / scale)), static_cast<int>(std::lround(y / scale)),
                      static_cast<int>(std::lround(w / scale)), static_cast<int>(std::lround(h / scale)));
    view->show();
    return view->Tree();
}

LTreeViewManager* LGetTreeView(const LWindow* window, int id)
{
    QWidget* content = window ? LQtWidget(window->GetView()) : nullptr;
    auto* view = content ? qobject_cast<LQtTreeViewImpl*>(LQtFindControl(content, id)) : nullptr;
    return view ? view->Tree() : nullptr;
}
