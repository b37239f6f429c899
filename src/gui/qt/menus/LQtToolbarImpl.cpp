#include "gui/qt/menus/LQtToolbarImpl.h"

#include "gui/framework/LWindow.h"
#include "gui/qt/LQtView.h"
#include "gui/qt/app/LQtCommandSink.h"
#include "gui/qt/controls/LQtControls.h"

#include <QBoxLayout>
#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionToolButton>
#include <QStylePainter>

LQtDropDownButton::LQtDropDownButton(uint8_t kind, QWidget* parent) : QToolButton(parent), kind_(kind) {}

void LQtDropDownButton::mousePressEvent(QMouseEvent* event)
{
    arrowClicked_ = LToolBar::IsArrowClick(kind_, static_cast<int>(event->position().x()), width());
    QToolButton::mousePressEvent(event);
}

void LQtDropDownButton::paintEvent(QPaintEvent* event)
{
    if (LToolBar::IsSplitDropDown(kind_)) {
        // The picture and the label stand in the body, left of the arrow zone;
        // the pressed and hover look covers the whole button.
        QStylePainter stylePainter(this);
        QStyleOptionToolButton option;
        initStyleOption(&option);
        QStyleOptionToolButton panel = option;
        panel.text.clear();
        panel.icon = QIcon();
        stylePainter.drawComplexControl(QStyle::CC_ToolButton, panel);
        QStyleOptionToolButton label = option;
        label.rect.setWidth(static_cast<int>((width() - 49) * 0.5) + 36 - 4);
        stylePainter.drawControl(QStyle::CE_ToolButtonLabel, label);
    } else {
        QToolButton::paintEvent(event);
    }
    // The arrow: a filled triangle 8 wide and 4 high, pointing down, in the
    // arrow zone (the whole button's right side for the whole kind).
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int zone =
        LToolBar::IsWholeDropDown(kind_) ? width() - 12 : static_cast<int>((width() - 49) * 0.5) + 36;
    const double cx = LToolBar::IsWholeDropDown(kind_) ? width() - 8 : (zone + width()) / 2.0;
    const double cy = height() / 2.0 - 6;
    QPainterPath arrow;
    arrow.moveTo(cx - 4, cy);
    arrow.lineTo(cx + 4, cy);
    arrow.lineTo(cx, cy + 4);
    arrow.closeSubpath();
    QColor colour =
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText);
    painter.fillPath(arrow, colour);
    if (LToolBar::IsSplitDropDown(kind_)) {
        painter.setPen(QColor(130, 130, 130, isEnabled() ? 255 : 140));
        painter.drawLine(zone - 2, 6, zone - 2, height() - 22);
    }
}

namespace {

// Item pictures are 32 points square, drawn at the screen's pixel ratio.
void SetButtonIcon(QToolButton* button, int32_t icon)
{
    button->setProperty("licon", icon);
    if (icon <= 0) {
        button->setIcon(QIcon());
        return;
    }
    const qreal ratio = button->devicePixelRatioF();
    QPixmap pixmap = QPixmap::fromImage(LQtLoadImageResource(icon, static_cast<int>(32 * ratio)));
    pixmap.setDevicePixelRatio(ratio);
    button->setIcon(QIcon(pixmap));
    button->setIconSize(QSize(32, 32));
}

} // namespace

LQtToolbarImpl::LQtToolbarImpl(LWindow* window, QWidget* host, const std::string& identifier)
    : window_(window), host_(host), bar_(new QToolBar(host))
{
    bar_->setObjectName(QString::fromStdString(identifier));
    bar_->setMovable(false);
    bar_->setFloatable(false);
    bar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar_->hide();
}

LQtToolbarImpl::~LQtToolbarImpl()
{
    delete bar_.data();
}

void LQtToolbarImpl::SetItems(const std::vector<LToolBar::Item>* items)
{
    items_ = items;
}

void LQtToolbarImpl::SizeButton(QToolButton* button, uint8_t kind)
{
    // Wide enough for the label, never narrower than the kind's button.
    QFont labelFont = button->font();
    labelFont.setPixelSize(11);
    button->setFont(labelFont);
    const int textWidth = QFontMetrics(labelFont).horizontalAdvance(button->text()) + 8;
    button->setFixedSize(std::max(textWidth, LToolBar::BaseWidth(kind)),
                         LToolBar::kButtonHeight + LToolBar::kLabelHeight);
}

void LQtToolbarImpl::AddRow(std::size_t row)
{
    const LToolBar::Item& item = (*items_)[row];
    Entry entry;
    entry.command = item.command;
    entry.row = row;
    if (item.kind == LToolBar::kFlexibleSpace) {
        auto* spacer = new QWidget(bar_);
        spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        entry.action = bar_->addWidget(spacer);
        entry.command = 0;
    } else if (item.kind == LToolBar::kSeparator) {
        entry.action = bar_->addSeparator();
        entry.command = 0;
    } else {
        QToolButton* button =
            LToolBar::IsDropDown(item.kind) ? new LQtDropDownButton(item.kind, bar_) : new QToolButton(bar_);
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setAutoRaise(true);
        button->setText(QString::fromStdString(item.label));
        button->setToolTip(QString::fromStdString(item.tooltip));
        button->setProperty("ltag", item.command);
        SetButtonIcon(button, item.icon);
        button->setCheckable(LToolBar::IsCheckItem(item.kind) || LToolBar::IsSelectable(item.kind));
        if (auto* dropDown = qobject_cast<LQtDropDownButton*>(button))
            dropDown->SetDropDownCommand(item.dropDownCommand);
        SizeButton(button, item.kind);
        const int32_t command = item.command;
        connect(button, &QToolButton::clicked, this, [this, button, command] { Clicked(button, command); });
        entry.button = button;
        entry.action = bar_->addWidget(button);
    }
    entries_.push_back(entry);
}

void LQtToolbarImpl::ResetItems()
{
    bar_->clear();
    entries_.clear();
    if (!items_)
        return;
    for (std::size_t row = 0; row < items_->size(); ++row)
        AddRow(row);
}

void LQtToolbarImpl::CreateItems()
{
    if (!items_ || !host_)
        return;
    if (entries_.empty())
        ResetItems();
    if (auto* box = qobject_cast<QBoxLayout*>(host_->layout())) {
        box->insertWidget(0, bar_);
    } else {
        // A content view places its controls itself: the bar takes the top,
        // and keeps the view's width when the view is resized.
        bar_->setGeometry(0, 0, host_->width(), bar_->sizeHint().height());
        bar_->raise();
        host_->removeEventFilter(this);
        host_->installEventFilter(this);
    }
    bar_->show();
}

bool LQtToolbarImpl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == host_ && event->type() == QEvent::Resize && bar_ && host_->layout() == nullptr)
        bar_->setGeometry(0, 0, host_->width(), bar_->height());
    return QObject::eventFilter(watched, event);
}

void LQtToolbarImpl::Clicked(QToolButton* button, int32_t command)
{
    if (!button->isEnabled())
        return;
    int32_t sent = command;
    if (auto* dropDown = qobject_cast<LQtDropDownButton*>(button)) {
        if (dropDown->ArrowClicked() && dropDown->DropDownCommand() != 0)
            sent = dropDown->DropDownCommand();
    }
    if (host_)
        host_->setFocus(Qt::OtherFocusReason);
    LQtSendCommand(window_, sent);
}

const LQtToolbarImpl::Entry* LQtToolbarImpl::Find(int32_t command) const
{
    if (command == 0)
        return nullptr;
    for (const Entry& entry : entries_)
        if (entry.button && entry.command == command)
            return &entry;
    return nullptr;
}

QToolButton* LQtToolbarImpl::Button(int32_t command) const
{
    const Entry* entry = Find(command);
    return entry ? entry->button : nullptr;
}

void LQtToolbarImpl::ShowToolbar(bool show)
{
    bar_->setVisible(show);
}

bool LQtToolbarImpl::IsToolbarVisible() const
{
    return !bar_->isHidden();
}

void LQtToolbarImpl::EnableItem(int32_t command, bool enable)
{
    if (const Entry* entry = Find(command))
        entry->button->setEnabled(enable);
}

bool LQtToolbarImpl::IsItemEnabled(int32_t command) const
{
    const Entry* entry = Find(command);
    return entry && entry->button->isEnabled();
}

void LQtToolbarImpl::ShowItem(int32_t command, bool show)
{
    // A hidden item keeps its slot, so showing it again puts it back where
    // the table has it, however many items before it are hidden.
    if (const Entry* entry = Find(command))
        entry->action->setVisible(show);
}

bool LQtToolbarImpl::IsItemVisible(int32_t command) const
{
    const Entry* entry = Find(command);
    return entry && entry->action->isVisible();
}

void LQtToolbarImpl::SetItemLabel(int32_t command, const std::string& label)
{
    if (const Entry* entry = Find(command)) {
        entry->button->setText(QString::fromStdString(label));
        SizeButton(entry->button, (*items_)[entry->row].kind);
    }
}

void LQtToolbarImpl::SetItemIcon(int32_t command, int32_t icon)
{
    if (const Entry* entry = Find(command))
        SetButtonIcon(entry->button, icon);
}

void LQtToolbarImpl::SetItemTooltip(int32_t command, const std::string& tooltip)
{
    if (const Entry* entry = Find(command))
        entry->button->setToolTip(QString::fromStdString(tooltip));
}

void LQtToolbarImpl::SelectItem(int32_t command, bool select)
{
    const Entry* entry = Find(command);
    if (!entry)
        return;
    if (select) {
        if (const Entry* old = Find(selected_); old && old != entry)
            old->button->setChecked(false);
        selected_ = command;
    } else if (selected_ == command) {
        selected_ = 0;
    }
    entry->button->setCheckable(true);
    entry->button->setChecked(select);
}

bool LQtToolbarImpl::IsItemSelected(int32_t command) const
{
    return command != 0 && selected_ == command;
}

void LQtToolbarImpl::SetDropDownCommand(int32_t command, int32_t dropDownCommand)
{
    if (const Entry* entry = Find(command))
        if (auto* dropDown = qobject_cast<LQtDropDownButton*>(entry->button))
            dropDown->SetDropDownCommand(dropDownCommand);
}

QRect LQtToolbarImpl::DropDownItemBounds(int32_t command) const
{
    const Entry* entry = Find(command);
    if (!entry || !host_)
        return {};
    QRect inBar = entry->button->geometry();
    QPoint topLeft = entry->button->parentWidget()->mapTo(host_->window(), inBar.topLeft());
    QPoint hostOrigin = host_->mapTo(host_->window(), QPoint(0, 0));
    return QRect(topLeft.x() - hostOrigin.x(), 0, inBar.width(), bar_->height());
}

bool LQtToolbarImpl::DropDownMenuOrigin(int32_t command, double* x, double* y) const
{
    const Entry* entry = Find(command);
    if (!entry || !entry->button->isVisible())
        return false;
    const QPoint origin = entry->button->mapToGlobal(QPoint(0, entry->button->height()));
    if (x)
        *x = origin.x();
    if (y)
        *y = origin.y();
    return true;
}

std::unique_ptr<LToolBar::Peer> LToolBar::CreatePeer(LWindow* host)
{
    QWidget* view = host ? LQtWidget(host->GetView()) : nullptr;
    if (!view)
        return nullptr;
    return std::make_unique<LQtToolbarImpl>(host, view, ToolbarIdentifier());
}

void LSetButtonText(LWindow* window, int id, const char* text)
{
    if (!window)
        return;
    auto* button = qobject_cast<QAbstractButton*>(LQtWidget(window->GetControl(id)));
    if (button)
        button->setText(QString::fromUtf8(text ? text : ""));
}

void LSetToolTipWithShortcut(LWindow* window, int id, const char* text, const LKeyToCommandMap* accelerators,
                             int acceleratorCount)
{
    if (!window)
        return;
    if (QWidget* control = LQtWidget(window->GetControl(id)))
        control->setToolTip(
            QString::fromStdString(LToolBar::TooltipWithShortcut(text, id, accelerators, acceleratorCount)));
}
