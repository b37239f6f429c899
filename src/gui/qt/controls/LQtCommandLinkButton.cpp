#include "gui/qt/controls/LQtCommandLinkButton.h"

#include "gui/controls/LCommandLinkButton.h"
#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/controls/LQtControlCommands.h"
#include "gui/qt/controls/LQtPaintContext.h"

#include <QApplication>
#include <QPalette>

LQtCommandLinkButton::~LQtCommandLinkButton()
{
    // The button unbinds itself from this view while it still exists.
    delete button_;
    button_ = nullptr;
}

LViewHandle LAddCommandLinkButtonView(LWindow* window, int id, LCommandLinkButton* button)
{
    if (window == nullptr || window->GetView() == nullptr)
        return nullptr;
    auto* host = new LQtCommandLinkButton(LQtWidget(window->GetView()));
    LQtSetControlId(host, id);
    LQtSetControlWindow(host, window);
    host->setGeometry(0, 0, 500, 30); // until placed
    host->setCmdLinkBtn(button);
    host->show();
    return LQtHandle(host);
}

LCommandLinkButton* LCommandLinkButtonOfView(LViewHandle view)
{
    auto* host = view ? qobject_cast<LQtCommandLinkButton*>(LQtWidget(view)) : nullptr;
    return host ? host->cmdLinkBtn() : nullptr;
}

LPaintContext* LNewMeasureContext(LViewHandle view)
{
    const QWidget* widget = view ? LQtWidget(view) : nullptr;
    const double scale = std::max(1.0, widget ? widget->devicePixelRatioF() : qApp->devicePixelRatio());
    return new LQtPaintContext(nullptr, scale);
}

LRGBColor LGetCommandLinkColour(int which)
{
    const QPalette palette = QApplication::palette();
    const QColor c = which == 0   ? QColor(170, 170, 170)
                     : which == 1 ? palette.color(QPalette::Active, QPalette::Shadow)
                                  : palette.color(QPalette::Active, QPalette::ButtonText);
    return LRGBColor::FromRGB8(c.red(), c.green(), c.blue());
}
