#pragma once
// Between the framework's opaque view handles and Qt widgets.

#include "gui/framework/LView.h"

#include <QWidget>

inline QWidget* LQtWidget(LViewHandle view)
{
    return reinterpret_cast<QWidget*>(view);
}

inline LViewHandle LQtHandle(QWidget* widget)
{
    return reinterpret_cast<LViewHandle>(widget);
}
