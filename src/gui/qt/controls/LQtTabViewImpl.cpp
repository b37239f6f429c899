#include "gui/qt/controls/LQtTabViewImpl.h"

#include "foundation/text/LUtf8.h"
#include "gui/qt/app/LQtCommandSink.h"
#include "gui/qt/controls/LQtControlCommands.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTabBar>

LQtTabViewImpl::LQtTabViewImpl(QWidget* parent) : QTabWidget(parent)
{
    // Changes of tab go through SelectTab, so that the window hears of them
    // before and after.
    tabBar()->installEventFilter(this);
}

int LQtTabViewImpl::AddTab(const char* label, QWidget* page)
{
    return InsertTab(label, count(), page);
}

int LQtTabViewImpl::InsertTab(const char* label, int index, QWidget* page)
{
    if (!page)
        page = new QWidget;
    return insertTab(index, page, QString::fromUtf8(label ? label : ""));
}

void LQtTabViewImpl::RemoveTab(int index)
{
    if (index < 0 || index >= count())
        return;
    QWidget* page = widget(index);
    removeTab(index);
    delete page;
}

void LQtTabViewImpl::SelectTab(int index)
{
    if (index < 0 || index >= count() || index == currentIndex())
        return;
    LWindow* window = LQtControlWindow(this);
    if (selectingCommand_ >= 0)
        LQtSendCommand(window, selectingCommand_);
    setCurrentIndex(index);
    if (selectedCommand_ >= 0)
        LQtSendCommand(window, selectedCommand_);
    if (QWidget* page = currentWidget())
        page->update();
}

void LQtTabViewImpl::GetTabLabel(int index, char* label) const
{
    LUtf8CopyWhole(label, index >= 0 && index < count() ? tabText(index).toUtf8().constData() : "", 260);
}

void LQtTabViewImpl::SetTabLabel(int index, const char* label)
{
    setTabText(index, QString::fromUtf8(label ? label : ""));
}

int LQtTabViewImpl::GetTabHeight() const
{
    return tabBar()->isVisible() ? tabBar()->height() : 0;
}

bool LQtTabViewImpl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != tabBar())
        return QTabWidget::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            int index = tabBar()->tabAt(mouse->position().toPoint());
            if (index >= 0 && index != currentIndex() && tabBar()->isTabEnabled(index)) {
                SelectTab(index);
                return true;
            }
        }
    } else if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        int step = key->key() == Qt::Key_Left ? -1 : key->key() == Qt::Key_Right ? 1 : 0;
        if (step != 0) {
            SelectTab(currentIndex() + step);
            return true;
        }
    } else if (event->type() == QEvent::Wheel) {
        return true;
    }
    return QTabWidget::eventFilter(watched, event);
}
