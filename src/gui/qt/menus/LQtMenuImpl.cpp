#include "gui/qt/menus/LQtMenuImpl.h"

#include "foundation/platform/LMenuText.h"
#include "foundation/text/LUtf8.h"
#include "gui/framework/LKeyHandler.h"
#include "gui/framework/LPopupMenu.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtKeys.h"
#include "gui/qt/app/LQtCommandSink.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShortcutEvent>
#include <QTextEdit>
#include <QVariant>

namespace {

constexpr const char* kTagProperty = "ltag";
constexpr const char* kWindowProperty = "window";
constexpr const char* kHandlerProperty = "lhandler";

QString PlainTitle(const char* title)
{
    char plain[260];
    LStripMenuText(plain, title);
    return QString::fromUtf8(plain);
}

void CollectItems(QMenu* menu, int32_t command, QList<QAction*>* found)
{
    for (QAction* action : menu->actions()) {
        if (LQtMenuImpl::Tag(action) == command)
            found->append(action);
        if (QMenu* submenu = action->menu())
            CollectItems(submenu, command, found);
    }
}

QMenu* MenuHolding(QAction* action, QMenu* root)
{
    // The menu whose actions list holds the item (an item may sit in a submenu).
    if (root->actions().contains(action))
        return root;
    for (QAction* item : root->actions())
        if (QMenu* submenu = item->menu())
            if (QMenu* found = MenuHolding(action, submenu))
                return found;
    return nullptr;
}

// A menu item chosen by its shortcut goes to the owner window's key
// handler, when it has one, instead of sending its command: the window's own
// key handling and accelerator table decide.
class ShortcutRouter : public QObject
{
public:
    static ShortcutRouter* Instance()
    {
        static auto* router = new ShortcutRouter();
        return router;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Shortcut)
            return false;
        auto* action = qobject_cast<QAction*>(watched);
        auto* menu = action != nullptr ? qobject_cast<QMenu*>(action->parent()) : nullptr;
        if (menu == nullptr || LQtMenuImpl::HasHandler(menu))
            return false;
        LWindow* owner = LQtMenuImpl::OwnerOf(menu);
        if (owner == nullptr || !owner->IsWindow())
            return false;
        LKeyHandler* handler = owner->GetKeyHandler();
        if (handler == nullptr || !handler->IsEnabled())
            return false;
        const QKeySequence sequence = static_cast<QShortcutEvent*>(event)->key();
        if (sequence.isEmpty())
            return false;
        const QKeyCombination combination = sequence[0];
        handler->DispatchKeyDown(LQtKeyFromQt(combination.key(), combination.keyboardModifiers()), false, 0);
        return true;
    }
};

} // namespace

bool LIsEditControlFocused()
{
    QWidget* focus = QApplication::focusWidget();
    if (auto* field = qobject_cast<QLineEdit*>(focus))
        return !field->isReadOnly();
    if (auto* text = qobject_cast<QPlainTextEdit*>(focus))
        return !text->isReadOnly();
    if (auto* rich = qobject_cast<QTextEdit*>(focus))
        return !rich->isReadOnly();
    return false;
}

bool LQtMenuImpl::HasHandler(QMenu* menu)
{
    for (QObject* object = menu; object; object = object->parent()) {
        QVariant handler = object->property(kHandlerProperty);
        if (handler.isValid() && handler.value<quintptr>() != 0)
            return true;
    }
    return false;
}

QMenu* LQtMenuImpl::CreateMenu(const char* title, LWindow* owner)
{
    auto* menu = new QMenu(PlainTitle(title ? title : ""));
    if (owner)
        menu->setProperty(kWindowProperty, QVariant::fromValue(reinterpret_cast<quintptr>(owner)));
    return menu;
}

int32_t LQtMenuImpl::Tag(const QAction* action)
{
    QVariant tag = action->property(kTagProperty);
    return tag.isValid() ? tag.toInt() : -1;
}

QAction* LQtMenuImpl::CreateItem(QMenu* menu, int32_t command, const char* title)
{
    const bool hasTitle = title && *title;
    auto* action = new QAction(PlainTitle(hasTitle ? title : ""), menu);
    action->setProperty(kTagProperty, (command < 0 || !hasTitle) ? -1 : command);
    if (command >= 0) {
        QObject::connect(action, &QAction::triggered, action, [action] { HandleItemClick(action); });
        action->installEventFilter(ShortcutRouter::Instance());
    }
    return action;
}

QList<QAction*> LQtMenuImpl::FindItems(QMenu* menu, int32_t command)
{
    QList<QAction*> found;
    if (menu && command != -1)
        CollectItems(menu, command, &found);
    return found;
}

QAction* LQtMenuImpl::FindFirstItem(QMenu* menu, int32_t command)
{
    QList<QAction*> found = FindItems(menu, command);
    return found.isEmpty() ? nullptr : found.first();
}

QAction* LQtMenuImpl::AddItem(QMenu* menu, int32_t command, const char* title)
{
    QAction* action = CreateItem(menu, command, title);
    menu->addAction(action);
    return action;
}

QAction* LQtMenuImpl::AddItemWithShortcut(QMenu* menu, int32_t command, const char* title, LKey key)
{
    QAction* action = CreateItem(menu, command, title);
    action->setShortcut(KeySequenceFor(key));
    // Shortcuts are shown here; the window's own key handling runs them.
    action->setShortcutContext(Qt::WidgetShortcut);
    menu->addAction(action);
    return action;
}

QAction* LQtMenuImpl::InsertItem(QMenu* menu, int32_t command, int index, const char* title)
{
    QAction* action = CreateItem(menu, command, title);
    QList<QAction*> actions = menu->actions();
    menu->insertAction(index >= 0 && index < actions.size() ? actions[index] : nullptr, action);
    return action;
}

QAction* LQtMenuImpl::InsertItemBefore(QMenu* menu, int32_t command, int32_t before, const char* title)
{
    QAction* anchor = FindFirstItem(menu, before);
    if (!anchor)
        return nullptr;
    QMenu* holder = MenuHolding(anchor, menu);
    QAction* action = CreateItem(holder, command, title);
    holder->insertAction(anchor, action);
    return action;
}

bool LQtMenuImpl::RemoveItem(QMenu* menu, int32_t command)
{
    QList<QAction*> found = FindItems(menu, command);
    for (QAction* action : found) {
        if (QMenu* holder = MenuHolding(action, menu))
            holder->removeAction(action);
        if (action->parent() != nullptr && qobject_cast<QMenu*>(action->parent()))
            action->deleteLater();
    }
    return !found.isEmpty();
}

void LQtMenuImpl::AddSeparator(QMenu* menu)
{
    menu->addSeparator();
}

void LQtMenuImpl::InsertSeparator(QMenu* menu, int index)
{
    QList<QAction*> actions = menu->actions();
    menu->insertSeparator(index >= 0 && index < actions.size() ? actions[index] : nullptr);
}

void LQtMenuImpl::InsertSeparatorBefore(QMenu* menu, int32_t before)
{
    QAction* anchor = FindFirstItem(menu, before);
    if (anchor)
        MenuHolding(anchor, menu)->insertSeparator(anchor);
}

QAction* LQtMenuImpl::AddSubmenu(QMenu* menu, const char* title, QMenu* submenu)
{
    submenu->setTitle(PlainTitle(title ? title : ""));
    if (!submenu->parent())
        submenu->setParent(menu, submenu->windowFlags());
    QAction* holder = menu->addMenu(submenu);
    holder->setProperty(kTagProperty, -1);
    return holder;
}

QMenu* LQtMenuImpl::GetSubmenu(QMenu* menu, int index)
{
    QList<QAction*> actions = menu->actions();
    return index >= 0 && index < actions.size() ? actions[index]->menu() : nullptr;
}

QMenu* LQtMenuImpl::GetSubmenu(QMenu* menu, const char* title)
{
    const QString wanted = PlainTitle(title ? title : "");
    for (QAction* action : menu->actions())
        if (action->menu() && action->text() == wanted)
            return action->menu();
    return nullptr;
}

bool LQtMenuImpl::RemoveSubmenu(QMenu* menu, const char* title)
{
    const QString wanted = PlainTitle(title ? title : "");
    for (QAction* action : menu->actions()) {
        if (action->menu() && action->text() == wanted) {
            QMenu* submenu = action->menu();
            menu->removeAction(action);
            if (submenu->parent() == menu)
                submenu->deleteLater();
            return true;
        }
    }
    return false;
}

void LQtMenuImpl::SetItemTitle(QMenu* menu, int32_t command, const char* title)
{
    if (QAction* action = FindFirstItem(menu, command))
        action->setText(PlainTitle(title ? title : ""));
}

void LQtMenuImpl::GetItemTitle(QMenu* menu, int32_t command, char* title)
{
    QAction* action = FindFirstItem(menu, command);
    LUtf8CopyWhole(title, action ? action->text().toUtf8().constData() : "", 260);
}

void LQtMenuImpl::SetItemShortcut(QMenu* menu, int32_t command, LKey key)
{
    for (QAction* action : FindItems(menu, command)) {
        action->setShortcut(KeySequenceFor(key));
        action->setShortcutContext(Qt::WidgetShortcut);
    }
}

void LQtMenuImpl::EnableItem(QMenu* menu, int32_t command, bool enable)
{
    for (QAction* action : FindItems(menu, command))
        action->setEnabled(enable);
}

bool LQtMenuImpl::IsItemEnabled(QMenu* menu, int32_t command)
{
    QAction* action = FindFirstItem(menu, command);
    return action && action->isEnabled();
}

void LQtMenuImpl::EnableItems(QMenu* menu, bool enable)
{
    for (QAction* action : menu->actions())
        action->setEnabled(enable);
}

void LQtMenuImpl::ShowItem(QMenu* menu, int32_t command, bool show)
{
    for (QAction* action : FindItems(menu, command))
        action->setVisible(show);
}

void LQtMenuImpl::CheckItem(QMenu* menu, int32_t command, bool check)
{
    if (QAction* action = FindFirstItem(menu, command)) {
        action->setCheckable(true);
        action->setChecked(check);
    }
}

void LQtMenuImpl::ClearMenu(QMenu* menu)
{
    menu->clear();
}

QKeySequence LQtMenuImpl::KeySequenceFor(LKey key)
{
    int qtKey = 0;
    if (key.VirtualKey() != 0)
        qtKey = LQtKeyForVirtualKey(key.VirtualKey());
    else if (key.Character() == u' ')
        qtKey = Qt::Key_Space;
    else if (key.Character() != 0)
        qtKey = QChar(key.Character()).toUpper().unicode();
    if (qtKey == 0)
        return {};
    int modifiers = 0;
    const uint32_t bits = key.Modifiers();
    if (bits & LKey::kCommand)
        modifiers |= Qt::ControlModifier;
    if (bits & LKey::kShift)
        modifiers |= Qt::ShiftModifier;
    if (bits & LKey::kOption)
        modifiers |= Qt::AltModifier;
    if (bits & LKey::kControl)
        modifiers |= Qt::MetaModifier;
    return QKeySequence(qtKey | modifiers);
}

LWindow* LQtMenuImpl::OwnerOf(QMenu* menu)
{
    for (QObject* object = menu; object; object = object->parent()) {
        QVariant owner = object->property(kWindowProperty);
        if (owner.isValid() && qobject_cast<QMenu*>(object))
            return reinterpret_cast<LWindow*>(owner.value<quintptr>());
    }
    return nullptr;
}

void LQtMenuImpl::HandleItemClick(QAction* action)
{
    auto* menu = qobject_cast<QMenu*>(action->parent());
    if (!menu)
        return;
    const int32_t tag = Tag(action);
    for (QObject* object = menu; object; object = object->parent()) {
        QVariant handler = object->property(kHandlerProperty);
        if (handler.isValid() && handler.value<quintptr>() != 0) {
            reinterpret_cast<LMenuHandler*>(handler.value<quintptr>())->OnMenuCommand(tag, 0);
            return;
        }
    }
    LWindow* owner = OwnerOf(menu);
    LQtSendCommand(owner, tag);
}
