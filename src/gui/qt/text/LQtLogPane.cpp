#include "gui/framework/LLogPaneView.h"
#include "gui/qt/LQtView.h"

#include <QPalette>
#include <QScrollBar>
#include <QVariant>

void LLogPaneViewSetColor(LViewHandle view, const LRGBColor& color)
{
    QWidget* widget = LQtWidget(view);
    QPalette palette = widget->palette();
    QColor shown(color.Red8(), color.Green8(), color.Blue8());
    palette.setColor(QPalette::Text, shown);
    palette.setColor(QPalette::WindowText, shown);
    widget->setPalette(palette);
}

void LLogPaneViewShowText(LViewHandle view, const std::string& text)
{
    QWidget* widget = LQtWidget(view);
    QString shown = QString::fromUtf8(text.data(), static_cast<int>(text.size()));
    if (widget->metaObject()->indexOfProperty("plainText") >= 0)
        widget->setProperty("plainText", shown);
    else
        widget->setProperty("text", shown);
    // Newest lines in sight.
    for (QScrollBar* bar : widget->findChildren<QScrollBar*>())
        if (bar->orientation() == Qt::Vertical)
            bar->setValue(bar->maximum());
}
