#pragma once
// The desktop's own notification service: on Linux desktops the owner of
// "org.freedesktop.Notifications" on the session bus. The notification
// proxy talks to it through this seam so tests can put a recorder in its
// place; the real one lives with the toolkit back end.

#include <string>
#include <vector>

struct LDesktopNotice
{
    std::string appName;
    std::string title;
    std::string body;
    std::string iconName;     // a theme icon name, may be empty
    std::string desktopEntry; // the .desktop file's id without ".desktop"
    int timeoutMs = -1;       // -1 the server's default, 0 until dismissed
};

class LDesktopNotifier
{
public:
    virtual ~LDesktopNotifier() = default;
    // True when the service can be reached now (running or started on demand).
    virtual bool IsAvailable() = 0;
    // The service's capabilities ("body-markup", "actions", ...); empty when
    // it does not answer.
    virtual std::vector<std::string> Capabilities() = 0;
    // True when the service accepted the notice.
    virtual bool Notify(const LDesktopNotice& notice) = 0;
};

// The notifier in force: the session bus one unless a test replaced it.
LDesktopNotifier& LGetDesktopNotifier();
// Null restores the real one. The caller keeps ownership.
void LSetDesktopNotifier(LDesktopNotifier* notifier);
