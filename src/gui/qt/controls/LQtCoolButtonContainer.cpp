// Custom-drawn cool buttons: a filter on the button takes over its painting
// and hands it to the container; hover changes repaint it.
#include "gui/controls/LCoolButtonContainer.h"

#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/controls/LQtKindButtonImpl.h"
#include "gui/qt/controls/LQtPaintContext.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>

#include <cmath>

namespace {

constexpr const char* kBorderOnHover = "lBorderOnHover";

class CustomDrawFilter : public QObject
{
public:
    CustomDrawFilter(QObject* parent, LCoolButtonContainer* container)
        : QObject(parent), container_(container)
    {
    }
    LCoolButtonContainer* container_;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* button = qobject_cast<QWidget*>(watched);
        if (button == nullptr)
            return false;
        switch (event->type()) {
        case QEvent::Paint: {
            const QRect r = static_cast<QPaintEvent*>(event)->rect();
            if (container_)
                container_->PaintButton(LQtControlId(button), {r.x(), r.y(), r.width(), r.height()});
            return true; // a custom-drawn button draws nothing of its own
        }
        case QEvent::Enter:
        case QEvent::Leave:
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
            button->update();
            return false;
        default:
            return false;
        }
    }
};

LQtKindButtonImpl* Button(LWindow* window, int id)
{
    if (window == nullptr || window->GetView() == nullptr)
        return nullptr;
    return qobject_cast<LQtKindButtonImpl*>(LQtFindControl(LQtWidget(window->GetView()), id));
}

CustomDrawFilter* FilterOf(QWidget* button)
{
    return button->findChild<CustomDrawFilter*>(QString(), Qt::FindDirectChildrenOnly);
}

} // namespace

LCoolButtonContainer::~LCoolButtonContainer()
{
    // Buttons that outlive the container must not call back into it.
    if (window_ != nullptr && window_->GetView() != nullptr)
        for (auto* filter : LQtWidget(window_->GetView())->findChildren<CustomDrawFilter*>())
            if (filter->container_ == this)
                filter->container_ = nullptr;
    Detach();
}

void LCoolButtonContainer::HandleCustomDraw(int id)
{
    LQtKindButtonImpl* button = Button(window_, id);
    if (button == nullptr)
        return;
    if (CustomDrawFilter* filter = FilterOf(button)) {
        filter->container_ = this;
    } else {
        button->installEventFilter(new CustomDrawFilter(button, this));
        button->setAttribute(Qt::WA_Hover, true);
        button->setMouseTracking(true);
    }
    button->update();
}

void LCoolButtonContainer::SetChecked(int id, bool checked)
{
    LQtKindButtonImpl* button = Button(window_, id);
    if (button == nullptr)
        return;
    if (button->ButtonKind() != LQtKindButtonImpl::kCheckButton)
        button->SetKind(LQtKindButtonImpl::kCheckButton);
    button->SetDown(checked);
    button->setChecked(checked);
    button->update();
}

void LCoolButtonContainer::SetBorderOnHover(int id, bool onHover)
{
    if (LQtKindButtonImpl* button = Button(window_, id)) {
        button->setProperty(kBorderOnHover, onHover);
        button->setAttribute(Qt::WA_Hover, true);
        button->update();
    }
}

void LCoolButtonContainer::SetCommands(int id, int commandUp, int commandDown, bool borderOnHover)
{
    LQtKindButtonImpl* button = Button(window_, id);
    if (button == nullptr)
        return;
    SetBorderOnHover(id, borderOnHover);
    button->SetCommandDown(commandDown);
    button->SetCommandUp(commandUp);
}

bool LCoolButtonContainer::PaintButton(int id, const LPaintRect& dirty)
{
    QWidget* button =
        window_ && window_->GetView() ? LQtFindControl(LQtWidget(window_->GetView()), id) : nullptr;
    if (button == nullptr)
        return false;
    const double s = std::max(1.0, button->devicePixelRatioF());
    QPainter painter(button);
    if (s > 1)
        painter.scale(1.0 / s, 1.0 / s);
    LQtPaintContext ctx(&painter, s, true);
    const int x0 = static_cast<int>(std::floor(dirty.x * s)), y0 = static_cast<int>(std::floor(dirty.y * s));
    ctx.area = {x0, y0, static_cast<int>(std::ceil((dirty.x + dirty.w) * s)) - x0,
                static_cast<int>(std::ceil((dirty.y + dirty.h) * s)) - y0};
    // The button's own font.
    LGuiFont font;
    const QFont qfont = button->font();
    if (qfont.pointSizeF() > 0)
        font.size = static_cast<float>(qfont.pointSizeF());
    font.bold = qfont.bold();
    ctx.SetFont(font);
    DrawButton(&ctx, id);
    return true;
}
