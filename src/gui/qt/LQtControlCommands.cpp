#include "gui/qt/LQtControlCommands.h"

#include "gui/qt/LQtCommandSink.h"

#include <QByteArray>
#include <QVariant>

namespace {

QByteArray PropertyName(const char* key)
{
    return QByteArray("lcmd_") + key;
}

} // namespace

int32_t LQtControlId(const QWidget* control)
{
    QVariant id = control ? control->property("ltag") : QVariant();
    return id.isValid() ? id.toInt() : -1;
}

void LQtSetControlId(QWidget* control, int32_t id)
{
    control->setProperty("ltag", id);
}

void LQtSetControlWindow(QWidget* control, LWindow* window)
{
    control->setProperty("window", QVariant::fromValue(reinterpret_cast<quintptr>(window)));
}

LWindow* LQtControlWindow(const QWidget* control)
{
    for (const QWidget* widget = control; widget; widget = widget->parentWidget()) {
        QVariant window = widget->property("window");
        if (window.isValid())
            return reinterpret_cast<LWindow*>(window.value<quintptr>());
    }
    return nullptr;
}

void LQtSetControlCommand(QWidget* control, const char* key, int32_t command)
{
    control->setProperty(PropertyName(key).constData(), command);
}

int32_t LQtControlCommand(const QWidget* control, const char* key)
{
    QVariant command = control->property(PropertyName(key).constData());
    return command.isValid() ? command.toInt() : -1;
}

void LQtSendControlCommand(QWidget* control, const char* key)
{
    int32_t command = LQtControlCommand(control, key);
    if (command != -1)
        LQtSendCommand(LQtControlWindow(control), command);
}
