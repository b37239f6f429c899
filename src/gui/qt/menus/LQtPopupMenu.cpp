// LPopupMenu over QMenu.

#include "gui/framework/LMainMenu.h"
#include "gui/framework/LPopupMenu.h"
#include "gui/qt/controls/LQtControls.h"
#include "gui/qt/menus/LQtMenuImpl.h"

#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QVariant>

#include <cstring>

namespace {

QMenu* Menu(LNativeMenu* menu)
{
    return LQtMenuImpl::FromNative(menu);
}

} // namespace

LPopupMenu::LPopupMenu() = default;

LPopupMenu::~LPopupMenu()
{
    delete Menu(menu_);
}

void LPopupMenu::Create(LWindow* owner, const char* title)
{
    delete Menu(menu_);
    owner_ = owner;
    menu_ = LQtMenuImpl::ToNative(LQtMenuImpl::CreateMenu(title, owner));
}

void LPopupMenu::SetAccelerators(const LKeyToCommandMap* accelerators, int count)
{
    accelerators_ = accelerators;
    acceleratorCount_ = accelerators ? count : 0;
}

void LPopupMenu::AddItem(int32_t command, const char* title)
{
    for (int i = 0; i < acceleratorCount_; ++i) {
        if (accelerators_[i].command == command) {
            LQtMenuImpl::AddItemWithShortcut(Menu(menu_), command, title, accelerators_[i].key);
            return;
        }
    }
    LQtMenuImpl::AddItem(Menu(menu_), command, title);
}

void LPopupMenu::AddItemWithShortcut(int32_t command, const char* title, LKey key)
{
    if (key.code == 0)
        AddItem(command, title);
    else
        LQtMenuImpl::AddItemWithShortcut(Menu(menu_), command, title, key);
}

void LPopupMenu::AddItemWithImage(int32_t command, const char* title, const LKeyToCommandMap* accelerators,
                                  int acceleratorCount, int32_t image)
{
    if (accelerators) {
        for (int i = 0; i < acceleratorCount; ++i) {
            if (accelerators[i].command == command) {
                LQtMenuImpl::AddItemWithShortcut(Menu(menu_), command, title, accelerators[i].key);
                return;
            }
        }
    }
    QAction* action = LQtMenuImpl::AddItem(Menu(menu_), command, title);
    // Images are the program's image resources, named by their number.
    if (image >= 1) {
        QPixmap picture = QPixmap::fromImage(LQtLoadImageResource(image, 32));
        picture.setDevicePixelRatio(2);
        action->setIcon(QIcon(picture));
    }
}

void LPopupMenu::AddSeparator()
{
    LQtMenuImpl::AddSeparator(Menu(menu_));
}

int LPopupMenu::GetItemCount() const
{
    return menu_ ? static_cast<int>(Menu(menu_)->actions().size()) : 0;
}

void LPopupMenu::EnableItem(int32_t command, bool enable)
{
    LQtMenuImpl::EnableItem(Menu(menu_), command, enable);
}

void LPopupMenu::CheckItem(int32_t command)
{
    LQtMenuImpl::CheckItem(Menu(menu_), command, true);
}

void LPopupMenu::SetItemCheck(int32_t command, bool check)
{
    LQtMenuImpl::CheckItem(Menu(menu_), command, check);
}

void LPopupMenu::SetHandler(LMenuHandler* handler)
{
    Menu(menu_)->setProperty("lhandler", QVariant::fromValue(reinterpret_cast<quintptr>(handler)));
}

int LPopupMenu::AppendItems(const LMenuItemDef* table, int index, int count,
                            const LKeyToCommandMap* accelerators, int acceleratorCount)
{
    while (index < count) {
        const LMenuItemDef& row = table[index];
        const bool hasTitle = row.title != nullptr;
        if (row.command == -1 && !hasTitle)
            return index + 1; // end of the current submenu
        if (row.command == -1) {
            ++nesting_;
            index = AppendSubmenu(table, index, count, accelerators, acceleratorCount);
            --nesting_;
            continue;
        }
        if (row.command == 0 && !hasTitle)
            AddSeparator();
        else if (row.command < -1)
            LQtMenuImpl::AddItem(Menu(menu_), -row.command, row.title);
        else
            AddItemWithImage(row.command, row.title, accelerators, acceleratorCount, row.image);
        ++index;
    }
    return index;
}

int LPopupMenu::AppendSubmenu(const LMenuItemDef* table, int index, int count,
                              const LKeyToCommandMap* accelerators, int acceleratorCount)
{
    const LMenuItemDef& row = table[index];
    if (row.command != -1 || !row.title) {
        AddItemWithImage(row.command, row.title, accelerators, acceleratorCount, row.image);
        return index + 1;
    }
    // Only the outermost level replaces: an inner submenu may share a title
    // with one elsewhere in the tree.
    if (nesting_ <= 1)
        LQtMenuImpl::RemoveSubmenu(Menu(menu_), row.title);
    LPopupMenu sub;
    sub.menu_ = LQtMenuImpl::ToNative(LQtMenuImpl::CreateMenu(row.title, owner_));
    sub.owner_ = owner_;
    sub.nesting_ = nesting_;
    LQtMenuImpl::AddSubmenu(Menu(menu_), row.title, Menu(sub.menu_));
    int next = sub.AppendItems(table, index + 1, count, accelerators, acceleratorCount);
    sub.menu_ = nullptr; // the parent menu owns it now
    return next;
}

LNativeMenu* LPopupMenu::FindSubmenu(const char* title) const
{
    if (!menu_ || !title)
        return nullptr;
    QMenu* menu = Menu(menu_);
    if (std::strcmp(title, "Help") == 0 && menu_ == LGetMainMenu() && LGetHelpMenu() != nullptr)
        return LGetHelpMenu();
    if (menu->title() == QString::fromUtf8(title))
        return menu_;
    return LQtMenuImpl::ToNative(LQtMenuImpl::GetSubmenu(menu, title));
}

LNativeMenu* LPopupMenu::GetSubmenuAt(int index) const
{
    if (!menu_ || index < 0)
        return nullptr;
    return LQtMenuImpl::ToNative(LQtMenuImpl::GetSubmenu(Menu(menu_), index));
}

bool LPopupMenu::RemoveSubmenu(const char* title)
{
    return menu_ && title && LQtMenuImpl::RemoveSubmenu(Menu(menu_), title);
}

int LPopupMenu::GetItemCount(LNativeMenu* menu)
{
    return menu ? static_cast<int>(Menu(menu)->actions().size()) : 0;
}

void LPopupMenu::AppendItemTo(LNativeMenu* menu, int32_t command, const char* title, LKey key)
{
    if (!menu)
        return;
    if (key.code == 0)
        LQtMenuImpl::AddItem(Menu(menu), command, title);
    else
        LQtMenuImpl::AddItemWithShortcut(Menu(menu), command, title, key);
}

void LPopupMenu::AppendSeparatorTo(LNativeMenu* menu)
{
    if (menu)
        LQtMenuImpl::AddSeparator(Menu(menu));
}

void LPopupMenu::TrackPopup(LWindow* window, bool screenPoint, double x, double y)
{
    QMenu* menu = Menu(menu_);
    if (!menu)
        return;
    if (window) {
        owner_ = window;
        menu->setProperty("window", QVariant::fromValue(reinterpret_cast<quintptr>(window)));
    }
    QPoint at(static_cast<int>(x), static_cast<int>(y));
    (void)screenPoint; // window-relative points are mapped by the window layer before the call
    QScreen* screen = QGuiApplication::screenAt(at);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QSize size = menu->sizeHint();
    if (screen) {
        const QRect area = screen->availableGeometry();
        LPopupOrigin origin = LClampPopupOrigin(at.x(), at.y(), size.width(), size.height(), area.left(),
                                                area.top(), area.right() + 1, area.bottom() + 1);
        at = QPoint(static_cast<int>(origin.x), static_cast<int>(origin.y));
    }
    QPointer<QMenu> guard(menu);
    menu->exec(at);
    if (guard) {
        menu->setProperty("window", QVariant());
        owner_ = nullptr;
    }
}
