#include "online/LOnlineSite.h"

#include "online/LHttpParse.h"

#include <cctype>
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

std::string LPercentEncode(const char* text, size_t limit)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char* p = text != nullptr ? text : ""; *p != '\0'; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (std::isalnum(c) || std::strchr("!-._~", c) != nullptr) {
            if (out.size() + 1 >= limit)
                break;
            out += static_cast<char>(c);
        } else {
            if (out.size() + 3 >= limit)
                break;
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}
