#include "online/LOnlineSite.h"

#include "online/LHttpParse.h"

#include <cstdlib>
#include <cstring>

namespace {

// "scheme://host[:port]" of QUORIN_SITE, or "" when unset or not valid.
std::string SiteOverride()
{
    const char* value = std::getenv("QUORIN_SITE");
    if (value == nullptr || value[0] == '\0')
        return "";
    std::string site = value;
    if (!site.empty() && site.back() == '/')
        site.pop_back();
    LHttpUrl url;
    if (!LHttpParseUrl(site.c_str(), &url) || std::strcmp(url.path, "/") != 0 ||
        site.find_first_of("?#", site.find("://") + 3) != std::string::npos)
        return "";
    return site;
}

} // namespace

std::string LApplySiteOverride(const char* url)
{
    if (url == nullptr)
        return "";
    const std::string site = SiteOverride();
    const char* scheme = std::strstr(url, "://");
    if (site.empty() || scheme == nullptr)
        return url;
    const char* rest = scheme + 3;
    rest += std::strcspn(rest, "/?#");
    return site + rest;
}

std::string LSiteUrl(const char* path)
{
    const std::string address = std::string(kQuorinSite) + (path != nullptr ? path : "");
    return LApplySiteOverride(address.c_str());
}
