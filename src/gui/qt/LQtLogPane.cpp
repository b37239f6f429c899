#include "gui/framework/LLogPane.h"
#include "gui/qt/LQtView.h"

#include <QPalette>
#include <QScrollBar>
#include <QVariant>

void LLogPane::SetTextColor(const LRGBColor& color)
{
    shownColor_ = color;
    if (textView_ == nullptr)
        return;
    QWidget* view = LQtWidget(textView_);
    QPalette palette = view->palette();
    QColor shown(color.Red8(), color.Green8(), color.Blue8());
    palette.setColor(QPalette::Text, shown);
    palette.setColor(QPalette::WindowText, shown);
    view->setPalette(palette);
}

void LLogPane::EvNotify()
{
    std::string text = Text();
    SetTextColor(PendingColor());
    if (textView_ == nullptr)
        return;
    QWidget* view = LQtWidget(textView_);
    QString shown = QString::fromUtf8(text.data(), static_cast<int>(text.size()));
    if (view->metaObject()->indexOfProperty("plainText") >= 0)
        view->setProperty("plainText", shown);
    else
        view->setProperty("text", shown);
    // Newest lines in sight.
    for (QScrollBar* bar : view->findChildren<QScrollBar*>())
        if (bar->orientation() == Qt::Vertical)
            bar->setValue(bar->maximum());
}
