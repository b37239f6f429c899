#pragma once
// The tree view on the outline view: one column, nested expandable rows,
// renaming in place through the owner's handler.

#include "gui/controls/LTreeView.h"
#include "gui/qt/lists/LQtOutlineViewImpl.h"

#include <memory>

class LQtTreeViewManager : public LQtOutlineViewManager
{
    Q_OBJECT
public:
    explicit LQtTreeViewManager(LTreeViewManager* tree, QObject* parent = nullptr);
    LTreeViewManager* TreeManager() const { return tree_; }

    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // The owner decides what an item is called: the typed text goes to its
    // handler, which renames the item when it accepts the name.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    bool CanDragRows() const override { return tree_->TvDragHandler() != nullptr; }

private:
    LTreeViewManager* tree_;
};

class LWindow;

class LQtTreeViewImpl : public LQtOutlineViewImpl
{
    Q_OBJECT
public:
    // Owns the manager and the model made for it.
    LQtTreeViewImpl(LWindow* window, int id, LTreeFlags flags, QWidget* parent);
    ~LQtTreeViewImpl() override;
    LTreeViewManager* Tree() const { return tree_.get(); }
    LQtTreeViewManager* TreeModel() const { return model_.get(); }

protected:
    void startDrag(Qt::DropActions supportedActions) override;

private:
    std::unique_ptr<LTreeViewManager> tree_;
    std::unique_ptr<LQtTreeViewManager> model_;
};
