#include "gui/qt/LQtFindControl.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QVariant>

int LQtControlId(const QWidget* widget)
{
    QVariant tag = widget != nullptr ? widget->property(kLQtTagProperty) : QVariant();
    return tag.isValid() ? tag.toInt() : -1;
}

void LQtSetControlId(QWidget* widget, int id)
{
    widget->setProperty(kLQtTagProperty, id);
}

QWidget* LQtFindControl(QWidget* container, int id)
{
    if (container == nullptr)
        return nullptr;
    for (QObject* child : container->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget == nullptr)
            continue;
        QVariant tag = widget->property(kLQtTagProperty);
        if (tag.isValid() && tag.toInt() == id)
            return widget;
        if (widget->property("lupdown").toBool()) {
            for (QObject* inner : widget->children()) {
                auto* innerWidget = qobject_cast<QWidget*>(inner);
                QVariant innerTag =
                    innerWidget != nullptr ? innerWidget->property(kLQtTagProperty) : QVariant();
                if (innerTag.isValid() && innerTag.toInt() == id)
                    return innerWidget;
            }
        }
    }
    return nullptr;
}

QAbstractButton* LQtFindCancelButton(QWidget* container)
{
    if (container == nullptr)
        return nullptr;
    for (auto* button : container->findChildren<QAbstractButton*>())
        if (button->property("lescape").toBool())
            return button;
    return nullptr;
}

QAbstractButton* LQtFindDefaultButton(QWidget* container)
{
    if (container == nullptr)
        return nullptr;
    for (auto* button : container->findChildren<QPushButton*>())
        if (button->isDefault())
            return button;
    // Buttons that are not push buttons of the toolkit carry the mark themselves.
    for (auto* button : container->findChildren<QAbstractButton*>())
        if (button->property(kLQtDefaultProperty).toBool())
            return button;
    return nullptr;
}
