// ShowItems of org.freedesktop.FileManager1 over the session bus.

#include "gui/framework/LFileManagerBus.h"

#include "foundation/platform/LDesktopOpen.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QStringList>

namespace {

const QString kService = QStringLiteral("org.freedesktop.FileManager1");
const QString kPath = QStringLiteral("/org/freedesktop/FileManager1");
// A file manager that is not running is started by the bus on this call,
// which takes a moment; one that has not answered by then is taken as
// absent, and the folder is opened the plain way instead.
constexpr int kCallTimeoutMs = 5000;

} // namespace

bool LFileManagerBusShowItem(const char* itemUri)
{
    if (itemUri == nullptr || itemUri[0] == '\0')
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("ShowItems"));
    // The second argument is the start-up notification id; we have none.
    call << QStringList{QString::fromUtf8(itemUri)} << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

void LInstallFileManagerBus()
{
    LSetFileManagerShowItem(&LFileManagerBusShowItem);
}
