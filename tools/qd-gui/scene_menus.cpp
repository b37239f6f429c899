// The test menu bar, with each of its menus drawn opened beside it (and the
// Recent submenu beside the File menu), shortcuts shown.
#include "QdGuiScene.h"

#include "gui/framework/LPopupMenu.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/menus/LQtMenuImpl.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QVBoxLayout>

namespace {

const LMenuItemDef kMenuTable[] = {
    {-1, "&File", 0},
    {100, "&New Recording...", 0},
    {101, "&Open...", 0},
    {-1, "Open &Recent", 0},
    {110, "Side One.wav", 0},
    {111, "Side Two.wav", 0},
    {-1, nullptr, 0},
    {0, nullptr, 0},
    {102, "&Save", 0},
    {0, nullptr, 0},
    {LFourCC("quit"), "&Quit", 0},
    {-1, nullptr, 0},
    {-1, "&Edit", 0},
    {200, "&Undo", 0},
    {201, "&Redo", 0},
    {0, nullptr, 0},
    {202, "Cu&t", 0},
    {203, "&Copy", 0},
    {204, "&Paste", 0},
    {205, "&Delete", 0},
    {-1, nullptr, 0},
    {-1, "&Help", 0},
    {LFourCC("ahlp"), "Quorin &Help", 0},
    {-300, "About Quorin", 0},
    {-1, nullptr, 0},
};

const LKeyToCommandMap kShortcuts[] = {
    {LKey::FromCharacter('N', LKey::kCommand), 100},
    {LKey::FromCharacter('O', LKey::kCommand), 101},
    {LKey::FromCharacter('S', LKey::kCommand), 102},
    {LKey::FromCharacter('Q', LKey::kCommand), LFourCC("quit")},
    {LKey::FromCharacter('Z', LKey::kCommand), 200},
    {LKey::FromCharacter('Z', LKey::kCommand | LKey::kShift), 201},
    {LKey::FromCharacter('X', LKey::kCommand), 202},
    {LKey::FromCharacter('C', LKey::kCommand), 203},
    {LKey::FromCharacter('V', LKey::kCommand), 204},
    {LKey::FromVirtualKey(kVKForwardDelete), 205},
    {LKey::FromCharacter('/', LKey::kCommand | LKey::kShift), LFourCC("ahlp")},
};

class MenusWindow : public LWindow
{
};

QLabel* Opened(QMenu* menu, QWidget* parent)
{
    // The menu as it looks when open, drawn at the screen's pixel ratio.
    menu->ensurePolished();
    menu->adjustSize();
    auto* label = new QLabel(parent);
    label->setPixmap(menu->grab());
    label->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    return label;
}

bool Build(QdGuiSceneContext& context)
{
    auto* window = new MenusWindow();
    auto* menu = new LPopupMenu();
    window->CreateCocoaWindow(100, 100, kWindowStyleTitled | kWindowStyleClosable, false, nullptr);
    window->SetTitle("Menus");
    menu->Create(window, "Main");
    menu->AppendItems(kMenuTable, 0, static_cast<int>(std::size(kMenuTable)), kShortcuts,
                      static_cast<int>(std::size(kShortcuts)));
    QWidget* view = LQtWidget(window->GetView());
    auto* column = new QVBoxLayout(view);
    column->setContentsMargins(0, 0, 0, 8);
    auto* bar = new QMenuBar(view);
    QMenu* root = LQtMenuImpl::FromNative(menu->Native());
    for (QAction* action : root->actions())
        if (action->menu())
            bar->addMenu(action->menu());
    column->addWidget(bar);
    auto* row = new QHBoxLayout();
    row->setContentsMargins(8, 0, 8, 0);
    row->setSpacing(12);
    for (QAction* action : root->actions()) {
        QMenu* opened = action->menu();
        if (!opened)
            continue;
        row->addWidget(Opened(opened, view), 0, Qt::AlignTop);
        for (QAction* inner : opened->actions())
            if (inner->menu())
                row->addWidget(Opened(inner->menu(), view), 0, Qt::AlignTop);
    }
    row->addStretch(1);
    column->addLayout(row);
    column->addStretch(1);
    const QSize size = column->sizeHint();
    const double scale = window->GetScaleFactor();
    window->SetClientSize(static_cast<int>(size.width() * scale), static_cast<int>(size.height() * scale));
    window->ShowModeless(nullptr, LPlacementCenterOnScreen);
    context.window = window;
    context.ready = [window] { return window->IsVisible(); };
    context.cleanup = [window, menu] {
        window->EndDialog(kCommandCancel);
        delete window;
        delete menu;
    };
    return window->IsWindow();
}

} // namespace

QD_GUI_SCENE("menus", Build);
