#pragma once
// Conversions between our colours and styles and the toolkit's text
// formats, shared by the edit view's text and style code.

#include "gui/framework/LRGBColor.h"

#include <QColor>
#include <QFont>
#include <QStringList>
#include <QTextCharFormat>

inline QColor LQtColorFrom(const LRGBColor& colour)
{
    return QColor(colour.Red8(), colour.Green8(), colour.Blue8());
}

inline LRGBColor LQtColorTo(const QColor& colour)
{
    return LRGBColor::FromRGB8(colour.red(), colour.green(), colour.blue());
}

// The family a format sets itself; empty when it takes the view's own.
inline QString LQtFormatFamily(const QTextCharFormat& format)
{
    if (format.hasProperty(QTextFormat::FontFamilies)) {
        const QStringList families = format.fontFamilies().toStringList();
        if (!families.isEmpty())
            return families.first();
    }
    return QString();
}

inline bool LQtFormatIsBold(const QTextCharFormat& format)
{
    return format.hasProperty(QTextFormat::FontWeight) && format.fontWeight() >= QFont::DemiBold;
}
