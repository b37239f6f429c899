#include "gui/framework/LTextControls.h"

#include "gui/framework/LWindow.h"
#include "gui/qt/LQtFindControl.h"
#include "gui/qt/LQtView.h"

#include <QFont>
#include <QFontMetrics>
#include <QPlainTextEdit>

#include <cmath>

namespace {

QWidget* Content(const LWindow* window)
{
    return window != nullptr && window->GetView() != nullptr ? LQtWidget(window->GetView()) : nullptr;
}

QWidget* Control(const LWindow* window, int id)
{
    QWidget* content = Content(window);
    return content != nullptr ? LQtFindControl(content, id) : nullptr;
}

double Scale(const LWindow* window)
{
    return window != nullptr ? window->GetScaleFactor() : 1.0;
}

} // namespace

void LAddReadOnlyTextView(LWindow* window, int id, bool hidden)
{
    QWidget* content = Content(window);
    if (content == nullptr)
        return;
    auto* view = new QPlainTextEdit(content);
    LQtSetControlId(view, id);
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    view->setGeometry(0, -300, 500, 100);
    view->setVisible(!hidden);
}

void LSetTextViewText(LWindow* window, int id, const std::string& text)
{
    if (auto* view = qobject_cast<QPlainTextEdit*>(Control(window, id)))
        view->setPlainText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

std::string LGetTextViewText(const LWindow* window, int id)
{
    if (auto* view = qobject_cast<QPlainTextEdit*>(Control(window, id)))
        return view->toPlainText().toStdString();
    return {};
}

void LSetStaticTextFont(LWindow* window, int id, double scale, bool bold)
{
    QWidget* control = Control(window, id);
    if (control == nullptr)
        return;
    QFont font = control->font();
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : 10.0;
    font.setPointSizeF(points * scale);
    font.setBold(bold);
    control->setFont(font);
}

int LGetControlLineHeight(const LWindow* window, int id)
{
    QWidget* control = Control(window, id);
    if (control == nullptr)
        return 0;
    return static_cast<int>(std::lround(QFontMetrics(control->font()).height() * Scale(window)));
}

int LGetControlTextWidth(const LWindow* window, int id, const char* text)
{
    QWidget* control = Control(window, id);
    if (control == nullptr)
        return 0;
    const int width = QFontMetrics(control->font()).horizontalAdvance(QString::fromUtf8(text ? text : ""));
    return static_cast<int>(std::lround(width * Scale(window)));
}
