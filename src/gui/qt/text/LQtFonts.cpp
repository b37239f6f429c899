#include "gui/qt/text/LQtFonts.h"

#include "gui/qt/LQtView.h"

#include <QApplication>
#include <QFontInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTextLayout>
#include <QTextOption>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

// Tri-state overrides: 0 keeps what the control has, 1 off, 2 on.
bool Override(int choice, bool current)
{
    return choice == 2 ? true : choice == 1 ? false : current;
}

double ViewScale(LViewHandle view)
{
    QWidget* widget = LQtWidget(view);
    double scale = widget != nullptr ? widget->devicePixelRatioF() : 0;
    if (scale <= 0 && QGuiApplication::primaryScreen() != nullptr)
        scale = QGuiApplication::primaryScreen()->devicePixelRatio();
    return scale < 1 ? 1 : scale;
}

} // namespace

float LQtFontSize(const QFont& font)
{
    if (font.pixelSize() > 0)
        return static_cast<float>(font.pixelSize());
    if (font.pointSizeF() > 0) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const double dpi = screen != nullptr ? screen->logicalDotsPerInch() : 96.0;
        return static_cast<float>(font.pointSizeF() * dpi / 72.0);
    }
    return static_cast<float>(QFontInfo(font).pixelSize());
}

QFont LQtMakeFont(const LGuiFont& font)
{
    QFont made = font.systemFace() ? QApplication::font() : QFont(QString::fromStdString(font.family));
    made.setPixelSize(std::max(1, static_cast<int>(std::lround(font.size))));
    made.setBold(font.bold);
    made.setItalic(font.italic);
    made.setUnderline(font.underline);
    made.setStrikeOut(font.strikeout);
    return made;
}

LGuiFont LQtDescribeFont(const QFont& font)
{
    LGuiFont described;
    if (font.family() != QApplication::font().family())
        described.family = font.family().toStdString();
    described.size = LQtFontSize(font);
    described.bold = font.bold();
    described.italic = font.italic();
    described.underline = font.underline();
    described.strikeout = font.strikeOut();
    return described;
}

int LQtWrappedLineCount(const QFont& font, const QString& text, double width)
{
    if (text.isEmpty())
        return 0;
    int lines = 0;
    // Each paragraph wraps on its own.
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        int inParagraph = 0;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(std::max(1.0, width));
            ++inParagraph;
        }
        layout.endLayout();
        lines += std::max(1, inParagraph);
    }
    return lines;
}

int LQtWrappedTextHeight(const QFont& font, const QString& text, int widthPx, double scale)
{
    if (text.isEmpty())
        return 0;
    if (scale <= 0)
        scale = 1;
    const int n = LQtWrappedLineCount(font, text, widthPx / scale);
    const double size = LQtFontSize(font);
    return static_cast<int>(std::ceil(scale * (n * size + (n + 1) * std::floor(size / 3))));
}

float LGuiFont::SystemFontSize()
{
    return LQtFontSize(QApplication::font());
}

LGuiFont LGuiFont::FromControl(LViewHandle control)
{
    QWidget* widget = LQtWidget(control);
    return LQtDescribeFont(widget != nullptr ? widget->font() : QApplication::font());
}

void LGuiFont::CreateDerived(LGuiFont* out, LViewHandle control, const char* face, int bold, int italic,
                             int underline, int strikeout, float scale)
{
    if (out == nullptr)
        return;
    // Without a control nothing is inherited: the system size, no styles.
    LGuiFont base;
    base.size = SystemFontSize();
    if (QWidget* widget = LQtWidget(control))
        base = LQtDescribeFont(widget->font());
    LGuiFont made;
    made.family = face != nullptr ? face : "";
    made.bold = Override(bold, base.bold);
    made.italic = Override(italic, base.italic);
    made.underline = Override(underline, base.underline);
    made.strikeout = Override(strikeout, base.strikeout);
    made.size = base.size * scale;
    *out = made;
}

void LGuiFont::CreateSystem(LGuiFont* out, LViewHandle view, int sizeDelta, bool bold, bool underline)
{
    if (out == nullptr)
        return;
    // The delta is in pixels of the view's screen; the size is kept in points.
    const double scale = ViewScale(view);
    LGuiFont made;
    made.size = static_cast<float>((SystemFontSize() * scale + sizeDelta) / scale);
    made.bold = bold;
    made.underline = underline;
    *out = made;
}
