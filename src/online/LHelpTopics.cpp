#include "online/LHelpTopics.h"

#include "foundation/files/LPath.h"
#include "foundation/platform/LBundle.h"
#include "foundation/platform/LDesktopOpen.h"
#include "foundation/settings/LSettings.h"
#include "foundation/text/LStringLong.h"
#include "online/LOnlineSite.h"
#include "online/LUsageCounters.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/stat.h>

namespace {

std::string Setting(const char* section, const char* name, const char* fallback)
{
    char value[260];
    LSettingsGetString(section, name, fallback, value);
    return value;
}

std::string Cut(std::string text)
{
    if (text.size() > kHelpUrlCapacity)
        text.resize(kHelpUrlCapacity);
    return text;
}

// A topic is a relative name of letters, digits and - _ . / (no empty
// part, no "." or ".."), which keeps it inside the help folder and inside
// one address path.
bool IsTopicName(const char* topic)
{
    if (topic == nullptr || topic[0] == '\0' || topic[0] == '/')
        return false;
    std::string part;
    for (const char* p = topic;; ++p) {
        if (*p == '/' || *p == '\0') {
            if (part.empty() || part == "." || part == "..")
                return false;
            if (*p == '\0')
                return true;
            part.clear();
            continue;
        }
        const char c = *p;
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
              c == '_' || c == '.'))
            return false;
        part += c;
    }
}

// A local path as a file address: '/' stays, other reserved bytes are escaped.
std::string FileUrl(const char* path)
{
    std::string url = "file://";
    for (const char* p = path; *p != '\0'; ++p) {
        const char one[2] = {*p, '\0'};
        url += *p == '/' ? std::string("/") : LPercentEncode(one, 8);
    }
    return url;
}

} // namespace

void LAppendSiteQuery(std::string& text)
{
    text += "?software=Quorin&appname=Quorin%20Vinyl%20to%20CD%20Converter&version=3.00MAC&base=quorin"
            "&domain=oxbel";
    const std::string ref = Setting("Software", "Ref", "");
    if (!ref.empty())
        text += "&ref=" + LPercentEncode(ref.c_str(), kHelpUrlCapacity);
    LStringLongTemplate<char> svarText;
    LSettingsGetLongString("Software", "SVar", "", &svarText);
    const std::string svar = svarText.Text();
    if (!svar.empty())
        text += "&svar=" + LPercentEncode(svar.c_str(), kHelpUrlCapacity);
    text += "&instby=" + LPercentEncode(Setting("Software", "InstalledBy", "dl").c_str(), kHelpUrlCapacity);
    text += "&iid=" + LPercentEncode(Setting("Software", "IID", "").c_str(), kHelpUrlCapacity);
    text += "&help=" + std::to_string(LSettingsGetInt("Software", "HelpOpens", 0));
    text = Cut(text);
}

bool LGetDaysSinceFirstInstall(int* days)
{
    *days = 0;
    const int64_t first = LSettingsGetInt64("Settings", "InstallDateFirst", 0);
    if (first == 0)
        return false;
    *days = static_cast<int>(static_cast<double>(time(nullptr) - first) / 86400.0 + 0.5);
    return true;
}

std::string LOnlineHelpUrl(const char* topic, bool beta)
{
    std::string url = LApplySiteOverride(
        (std::string(kQuorinHelpSite) + "/help/en/quorin/mac" + (beta ? "/beta" : "") + "/" + topic + ".html")
            .c_str());
    if (!beta) {
        LAppendSiteQuery(url);
        LAppendUsageParam(url);
        int days = 0;
        LGetDaysSinceFirstInstall(&days);
        char tail[64];
        std::snprintf(tail, sizeof tail, "&days=%d&runs=%d", days, LSettingsGetInt("Settings", "Runs", 0));
        url += tail;
    }
    return Cut(url);
}

std::string LResolveHelpTopic(const char* topic)
{
    if (!IsTopicName(topic))
        return "";
    char folder[kLPathSize], file[kLPathSize];
    struct stat info;
    if (LGetHelpFolder(folder) && LPathCombine(file, folder, topic, ".html") && stat(file, &info) == 0 &&
        S_ISREG(info.st_mode))
        return Cut(FileUrl(file));
    return LOnlineHelpUrl(topic, false);
}

std::string LKnowledgeBaseArticleUrl(int article)
{
    char path[32];
    std::snprintf(path, sizeof path, "/kb/%d.html", article);
    return Cut(LSiteUrl(path));
}

bool LOpenKnowledgeBaseArticle(int article)
{
    return LOpenURL(LKnowledgeBaseArticleUrl(article).c_str());
}

bool LShowHelpTopic(const char* topic)
{
    LSettingsSetInt("Software", "HelpOpens", LSettingsGetInt("Software", "HelpOpens", 0) + 1);
    const std::string url = LResolveHelpTopic(topic);
    return !url.empty() && LOpenURL(url.c_str());
}
