// The Qt side of property sheets and wizards: the pages of a sheet as tabs
// of a QTabWidget, a wizard's pages in a QStackedWidget under a title and
// subtitle. Pages are embedded windows created in the dialog's view and then
// moved into their tab or stack page.

#include "gui/framework/LPageContainers.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>

#include <algorithm>
#include <cmath>

namespace {

int R(double x)
{
    return static_cast<int>(std::floor(x + 0.5));
}

} // namespace

LPageContainer LPageTabsCreate(LWindow& sheet)
{
    QWidget* content = LQtWidget(sheet.GetView());
    if (content == nullptr)
        return nullptr;
    auto* tabs = new QTabWidget(content);
    tabs->show();
    return tabs;
}

void LPageTabsOnChange(LPageContainer tabs, std::function<void(int)> onChange)
{
    if (auto* widget = static_cast<QTabWidget*>(tabs))
        QObject::connect(widget, &QTabWidget::currentChanged, widget, std::move(onChange));
}

void LPageTabsAdd(LPageContainer tabs, const char* title, LWindow& page)
{
    auto* widget = static_cast<QTabWidget*>(tabs);
    if (widget == nullptr)
        return;
    auto* holder = new QWidget;
    widget->addTab(holder, QString::fromUtf8(title));
    LPageAdopt(page, holder, 0, 0);
}

int LPageTabsCurrent(LPageContainer tabs)
{
    auto* widget = static_cast<QTabWidget*>(tabs);
    return widget != nullptr ? widget->currentIndex() : -1;
}

void LPageTabsSelect(LPageContainer tabs, int index)
{
    if (auto* widget = static_cast<QTabWidget*>(tabs); widget && index >= 0 && index < widget->count())
        widget->setCurrentIndex(index);
}

void LPageTabsPlace(LPageContainer tabs, int x, int y, int w, int h)
{
    if (auto* widget = static_cast<QTabWidget*>(tabs))
        widget->setGeometry(x, y, w, h);
}

LPageContainer LPageStackCreate(LWindow& wizard, int x, int y, int w, int h)
{
    QWidget* content = LQtWidget(wizard.GetView());
    if (content == nullptr)
        return nullptr;
    auto* stack = new QStackedWidget(content);
    stack->setGeometry(x, y, w, h);
    stack->show();
    return stack;
}

LPageContainer LPageStackAdd(LPageContainer stack, const char* title, const char* subtitle, double cw,
                             double ch, double s, int pageWidth)
{
    auto* widget = static_cast<QStackedWidget*>(stack);
    if (widget == nullptr)
        return nullptr;
    auto* holder = new QWidget;
    widget->addWidget(holder);
    auto* titleLabel = new QLabel(QString::fromUtf8(title), holder);
    QFont bold = titleLabel->font();
    bold.setBold(true);
    titleLabel->setFont(bold);
    titleLabel->setGeometry(static_cast<int>(R(2.5 * cw) / s), static_cast<int>(R(0.5 * ch) / s),
                            static_cast<int>(pageWidth / s), static_cast<int>(R(1.17 * ch) / s));
    auto* subtitleLabel = new QLabel(QString::fromUtf8(subtitle), holder);
    QFont small = subtitleLabel->font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() - 1));
    subtitleLabel->setFont(small);
    const int subtitleX = static_cast<int>(R(5 * cw) / s);
    const int subtitleWidth = static_cast<int>(pageWidth / s) - subtitleX;
    if (QFontMetrics(small).horizontalAdvance(subtitleLabel->text()) <= subtitleWidth) {
        subtitleLabel->setGeometry(subtitleX, static_cast<int>(R(1.67 * ch) / s),
                                   static_cast<int>(pageWidth / s), static_cast<int>(R(1.17 * ch) / s));
    } else {
        // A subtitle longer than the page is wide takes two lines, closer
        // under the title, rather than being cut off.
        subtitleLabel->setWordWrap(true);
        subtitleLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        subtitleLabel->setGeometry(subtitleX, static_cast<int>(R(1.5 * ch) / s), subtitleWidth,
                                   static_cast<int>(R(2.5 * ch) / s));
    }
    return holder;
}

void LPageStackShow(LPageContainer stack, LPageContainer place)
{
    if (auto* widget = static_cast<QStackedWidget*>(stack); widget && place)
        widget->setCurrentWidget(static_cast<QWidget*>(place));
}

void LPageAdopt(LWindow& page, LPageContainer place, int x, int y)
{
    QWidget* view = LQtWidget(page.GetView());
    auto* holder = static_cast<QWidget*>(place);
    if (!view || !holder)
        return;
    view->setParent(holder);
    view->move(x, y);
    view->show();
}

void LPageSetReturnButton(LWindow& window, int id, int other)
{
    QWidget* content = LQtWidget(window.GetView());
    for (int each : {id, other})
        if (auto* button = qobject_cast<QPushButton*>(LQtFindControl(content, each)))
            button->setDefault(each == id);
}

int LPageButtonWidth(const LWindow& window, int id)
{
    auto* button = qobject_cast<QAbstractButton*>(LQtFindControl(LQtWidget(window.GetView()), id));
    if (!button)
        return 0;
    return static_cast<int>(static_cast<int>(button->sizeHint().width() + 2) * window.GetScaleFactor());
}

void LPageFocusView(LViewHandle view)
{
    if (QWidget* widget = LQtWidget(view))
        widget->setFocus();
}
