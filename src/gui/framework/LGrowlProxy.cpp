#include "gui/framework/LGrowlProxy.h"

#include "gui/framework/LDesktopNotifier.h"

#include <algorithm>

void LGrowlProxy::SetApplication(const std::string& appName, const std::string& desktopEntry)
{
    appName_ = appName;
    desktopEntry_ = desktopEntry;
}

void LGrowlProxy::Register()
{
    LDesktopNotifier& notifier = LGetDesktopNotifier();
    registered_ = notifier.IsAvailable();
    bodyMarkup_ = false;
    if (!registered_)
        return;
    std::vector<std::string> caps = notifier.Capabilities();
    bodyMarkup_ = std::find(caps.begin(), caps.end(), "body-markup") != caps.end();
}

std::string LGrowlProxy::EscapeBody(const std::string& text, bool markup)
{
    if (!markup)
        return text;
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += c;
            break;
        }
    }
    return out;
}

void LGrowlProxy::Notify(const char* title, const char* text, int iconId, int displaySeconds)
{
    std::string titleText = title != nullptr ? title : "";
    std::string bodyText = text != nullptr ? text : "";
    if (registered_) {
        LDesktopNotifier& notifier = LGetDesktopNotifier();
        // The service may have gone since we registered (a desktop restart):
        // then the notice still reaches the user through the bubble.
        if (notifier.IsAvailable()) {
            LDesktopNotice notice;
            notice.appName = appName_;
            notice.title = titleText;
            notice.body = EscapeBody(bodyText, bodyMarkup_);
            notice.iconName = desktopEntry_;
            notice.desktopEntry = desktopEntry_;
            notice.timeoutMs = displaySeconds <= 0 ? 0 : displaySeconds * 1000;
            if (notifier.Notify(notice))
                return;
        }
    }
    if (bubble_ != nullptr)
        bubble_->Show(bodyText.c_str(), titleText.c_str(), iconId == 0 ? 304 : iconId);
}
