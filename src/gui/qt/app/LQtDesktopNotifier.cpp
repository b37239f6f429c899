// The desktop's notification service over D-Bus
// (org.freedesktop.Notifications, method Notify).

#include "gui/framework/LDesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QStringList>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// A notice is not worth a frozen window: a service that does not answer
// within this time is treated as absent.
constexpr int kCallTimeoutMs = 2000;

class SessionBusNotifier : public LDesktopNotifier
{
public:
    bool IsAvailable() override
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected() || bus.interface() == nullptr)
            return false;
        if (bus.interface()->isServiceRegistered(kService).value())
            return true;
        QDBusReply<QStringList> activatable = bus.interface()->call(QStringLiteral("ListActivatableNames"));
        return activatable.isValid() && activatable.value().contains(kService);
    }

    std::vector<std::string> Capabilities() override
    {
        std::vector<std::string> result;
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            return result;
        QDBusMessage call =
            QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("GetCapabilities"));
        QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return result;
        for (const QString& cap : reply.arguments().first().toStringList())
            result.push_back(cap.toStdString());
        return result;
    }

    bool Notify(const LDesktopNotice& notice) override
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            return false;
        QDBusMessage call =
            QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
        QVariantMap hints;
        if (!notice.desktopEntry.empty())
            hints.insert(QStringLiteral("desktop-entry"), QString::fromStdString(notice.desktopEntry));
        call << QString::fromStdString(notice.appName) << uint(0) << QString::fromStdString(notice.iconName)
             << QString::fromStdString(notice.title) << QString::fromStdString(notice.body) << QStringList()
             << hints << int(notice.timeoutMs);
        QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
        return reply.type() == QDBusMessage::ReplyMessage;
    }
};

LDesktopNotifier* gOverride = nullptr;

} // namespace

LDesktopNotifier& LGetDesktopNotifier()
{
    static SessionBusNotifier real;
    return gOverride != nullptr ? *gOverride : real;
}

void LSetDesktopNotifier(LDesktopNotifier* notifier)
{
    gOverride = notifier;
}
